// SPDX-License-Identifier: Zlib
// style_internal.h - how widgets resolve and animate their styles: properties by slot number, the
// step rules, insets. The GUI's own files and its tests include it; programs write Style records
// (gui/style.h), and it is not installed.
#pragma once
#include <cstdint>
#include "gui/style.h"

// Property slots, in record order: a Style is STYLE_SLOTS consecutive int32 values.
enum { STYLE_SLOTS = 39 };
static_assert(sizeof(Style) == STYLE_SLOTS * sizeof(int32_t), "Style is a flat record of int32 slots");

// How a displayed value moves toward a new one (style_motion): a positive step per frame, or one of these.
enum { STYLE_JUMP = 0, STYLE_COLOR = -1 };

int32_t *style_slot(Style &s, int32_t slot);   // property by slot number, null when out of range
const int32_t *style_slot(const Style &s, int32_t slot);
int32_t style_motion(int32_t slot);            // the slot's rule: step, STYLE_JUMP or STYLE_COLOR
inline bool style_set(int32_t v) { return v != STYLE_UNSET; }
inline int32_t style_or(int32_t v, int32_t fallback) { return v == STYLE_UNSET ? fallback : v; }

// One step of cur toward target: target once it is within step, else cur moved by step.
int32_t style_approach(int32_t cur, int32_t target, int32_t step);
// A colour step: each of red, green, blue moves by 36; the top byte of the result is 0.
int32_t style_approach_color(int32_t cur, int32_t target);

// Bring cur one frame closer to the first record that sets each property (state's record, then base).
void style_resolve(Style &cur, const Style &state_record, const Style &base);

// Insets of a resolved style (unset counts as 0): margin + border + padding on one side.
int32_t style_inset(const Style &s, int32_t side);
