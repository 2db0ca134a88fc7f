// SPDX-License-Identifier: Zlib
// style.h - widget style records: the look of a widget per interaction state, animated.
//
// A Style is one flat record of 32-bit properties. Every property starts STYLE_UNSET; owners write
// the ones they want into a widget's style_base or into a state's record (normal, hover, focus,
// focus+hover). Once per painted frame the widget's style_current moves one step toward the record of
// its state (Widget::resolve_style): colours by 36 a channel and alphas by 36 per frame, borders,
// padding, margins and frame sizes by 1, width and height by 1000; images, sounds, clip and
// alignment switch at once.
//
//   w->style_base.bg_color = 0x000000;         // black ...
//   w->style_hover.bg_color = 0xFFFFFF;        // ... fading to white in 8 frames while hovered
//   w->style_base.set_padding(4);              // all four sides
//   w->style_base.margin[SIDE_LEFT] = 10;      // one side
//
// Sides are ordered top, right, bottom, left (SIDE_*). Colours are 0xRRGGBB, alphas 0..255, images
// are gfx_img_load slots and sounds sound_load handles.
#pragma once
#include <cstddef>
#include <cstdint>

// Marks a property as not given (-16777215 as a signed value; no real colour, size or slot uses it).
constexpr int32_t STYLE_UNSET = (int32_t)0xFF000001u;

// Indices of the four sides in border, padding and margin.
enum { SIDE_TOP = 0, SIDE_RIGHT = 1, SIDE_BOTTOM = 2, SIDE_LEFT = 3 };

// The look of a widget in one state; every property STYLE_UNSET until written.
struct Style {
    int32_t width;           // requested content width (outer width for a Box)
    int32_t height;          // requested content height (outer height for a Box)
    int32_t clip;            // nonzero: a Box clips its child to its content box
    int32_t halign;          // -1 left, 0 centre, 1 right
    int32_t valign;          // -1 top, 0 centre, 1 bottom
    int32_t color;           // text colour (Label, TextInput; unset: white)
    int32_t bg_color;        // background over the padding box
    int32_t alpha;           // text alpha (unset: 255)
    int32_t border[4];       // border widths per side
    int32_t border_color;    // border colour: the border is drawn only when this is set
    int32_t padding[4];      // space between border and content, per side
    int32_t margin[4];       // space outside the border, per side
    int32_t frame_color;     // first nine-slice frame: drawn only when this and frame_image are set
    int32_t frame_expand;    // how far it reaches outside the border box (unset: 0)
    int32_t frame_corner;    // corner size of the nine-slice frame (unset: 16)
    int32_t frame_image;     // its image slot
    int32_t frame_alpha;     // its alpha (unset: 255)
    int32_t image;           // image slot stretched over the content box
    int32_t image_color;     // its tint (unset: white)
    int32_t image_alpha;     // its alpha (unset: 255)
    int32_t image2;          // second image over the content box
    int32_t image2_color;    // its tint (unset: white)
    int32_t image2_alpha;    // its alpha (unset: 255)
    int32_t frame2_image;    // second nine-slice frame, over the border box
    int32_t frame2_color;    // its tint (unset: white)
    int32_t frame2_alpha;    // its alpha (unset: 255)
    int32_t frame2_corner;   // its corner size (unset: 16)
    int32_t click_sound;     // played on EV_CLICK
    int32_t press_sound;     // played on EV_MOUSEDOWN
    int32_t release_sound;   // played on EV_MOUSEUP

    Style();                                   // every property unset
    void set_border(int32_t all);              // the four sides at once
    void set_padding(int32_t all);             // the four sides at once
    void set_margin(int32_t all);              // the four sides at once
};

