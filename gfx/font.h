// SPDX-License-Identifier: Zlib
// font.h - bitmap fonts and text: load by catalogue name, measure, wrap and draw.
//
// A font is one texture of 256 glyph pictures (one per byte value, Latin-1) plus placement
// numbers, all from a catalogue entry (docs/fonts.md). Every text operation censors its text
// first (same length, listed words become '*'). Glyphs are drawn in the current colour
// (gfx_color), positions and widths are canvas units.
//
//   int f = font_load("font1");                     // in State::enter(); 0 when missing
//   float w = font_width(f, "HELLO");
//   font_draw(f, text, 128, 40, 768, 0);            // wrap at 768, centre each line in 128..896
//
// Text operations share static working storage: the censor's result stays valid until the next
// text call. A null text reads as "". Font index 0 or out of range measures 0 and draws nothing.
// A font whose sheet failed to load draws its glyphs as untextured quads in the current colour.
// Like image slots, font indices are voided by a video reset: load them again in State::enter().
// Limits: FONT_MAX - 1 fonts (the next is refused with a message and index 0), TEXT_MAX_LINES
// lines per text (the rest is dropped); lines of any length are drawn, texts of any length censored.
#pragma once
#include <cstdint>
#include "gfx/gfx.h"

// Fonts per table (index 0 is none), and lines per laid-out text.
enum { FONT_MAX = 256, TEXT_MAX_LINES = 32 };

// One laid-out line of a text.
struct TextLine {
    int32_t start;   // index of its first byte in the text
    int32_t end;     // index just past its last byte (the break character belongs to no line)
    int32_t width;   // its width in canvas units
};
// A laid-out text (font_lines).
struct TextLines {
    int32_t count;                   // lines used, 0..TEXT_MAX_LINES
    TextLine lines[TEXT_MAX_LINES];  // the lines, top first
};

// Font index of the catalogue entry `name`, loading it (and its glyph sheet) on first use; 0 when
// missing or the table is full. Cached: later calls are lookups.
int32_t font_load(const char *name);
// The text with every listed word replaced by '*' (same length); a static buffer, valid until the
// next text call.
const char *text_censor(const char *text);
// Breaks text into lines: at each newline byte, and with width nonzero also before a word that would
// pass `width` (at a space; a word longer than a line is cut). Positions refer to text as given.
void font_lines(int32_t font, const char *text, float width, TextLines &lines);
// The advances of all the text's glyphs added up, rounded up: the width of a one-line text.
// A newline byte counts as a glyph too: for a text of several lines, lay it out with font_lines.
float font_width(int32_t font, const char *text);
// Line height times the number of lines at wrap width `width`; width 0 (or a null text) gives
// one line's height, whatever the text holds.
float font_height(int32_t font, const char *text, float width);
// Draws text with its first line's top-left at x, y, lines one line height apart. width 0: no
// wrapping (lines break only at a newline), each line starts at x and align is ignored. width nonzero:
// wrapped as font_lines, each line placed between x and x + width by align: -1 left, 0 centred,
// 1 right.
void font_draw(int32_t font, const char *text, float x, float y, float width, int32_t align);
// Draws text as one line from x, y: no censoring, no wrapping, every byte a glyph (even a newline).
void font_run(int32_t font, const char *text, float x, float y);
