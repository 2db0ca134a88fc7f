// SPDX-License-Identifier: Zlib
// glitz.h - the whole Glitz framework for a program, in one include.
//
// USAGE
//
//     #include <glitz/glitz.h>
//
//     class Hello : public State {                       // a screen
//         Container root;
//         void enter() override {                        // after start-up and every video reset
//             root.clear();
//             root.add(new Label(font_load("font1"), "HELLO"));
//         }
//         void event(Event e) override { root.on_event(&e); }
//         void paint() override { gfx_view(); root.measure_content(); root.paint_content(); }
//     };
//     void register_states(Game *) { state_registry[STATE_MENU] = new Hello; }
//     int main(int argc, char **argv) { return SDL_main(argc, argv); }
//
// Build with find_package(Glitz) and the target Glitz::glitz, or with
// `pkg-config --cflags --libs glitz`. The program runs where its data folder is ./data (or calls
// data_dir_set first), with a catalogue data.json naming its fonts, images and sounds.
//
// WHAT EACH PART GIVES (start with the names in brackets)
//
//     app/app.h          the program: a State per screen, the registry, the entry and the
//                        application record [State, register_states, state_registry, STATE_MENU,
//                        change_state, SDL_main, program_settings, Game, keys]
//     app/event.h        input: one Event per key, mouse or joystick change [Event, EV_KEYDOWN,
//                        KEY_A, MOD_CTRL]
//     app/files.h        the data folder and its catalogue, the per-user folder [data_dir_set,
//                        data_catalogue, user_dir]
//     app/clipboard.h    the system clipboard [clipboard_get, clipboard_set]
//     app/driver.h       pictures decoded while the window opens [video_decode_ahead]
//     util/log.h         information lines a quiet run leaves out [glitz_info, glitz_set_quiet]
//     util/zev_var.h     var: none, number, string, list or dict, counted [var, VAR_DICT]
//     util/zev_json.h    JSON text to a var [json_parse]
//     util/asset_cache.h name -> handle caches with the framework's messages [AssetCache]
//     gfx/gfx.h          drawing on the 1024 x 768 canvas [gfx_view, gfx_img_load, gfx_draw_img,
//                        gfx_fill_rect, gfx_color, gfx_translate, gfx_clip_push]
//     gfx/font.h         bitmap fonts [font_load, font_draw, font_width, font_height]
//     gui/widget.h       widgets [Container, Table, Box, Label, Widget::on_click]
//     gui/style.h        how a widget looks in each state [Style, STYLE_UNSET]
//     gui/text_input.h   the text field [TextInput]
//     sound/sound.h      samples and looped music [sound_load, sound_play, stream_open, stream_play]
//
// RULES THAT HOLD EVERYWHERE
// - Handle, slot and index 0 mean none: every call with 0 is harmless (draws, plays, measures
//   nothing). Loaders give 0 with a message for a name missing from the catalogue.
// - Positions and sizes are canvas units (1024 x 768, x right, y down) unless a name says pixels.
// - A video reset (Ctrl+F) voids texture, image and font numbers: load them in State::enter().
// - Colours are 0xRRGGBB, alphas 0..255, volumes 0.0..1.0.
// - Nothing throws; bad outside data gets a message and a harmless result.
// - One thread: call the framework from the thread that runs SDL_main (util/log.h excepted).
//
// Only these headers are installed; the framework's own insides (the *_internal.h headers, the
// value type's objects, the sound engine) are not, and may change between versions.
#pragma once
#include "app/app.h"          // program settings, states, the frame loop's entry
#include "app/driver.h"       // pictures decoded ahead
#include "app/event.h"        // Event, key codes and modifiers
#include "app/files.h"        // the data folder, its catalogue, the per-user folder
#include "app/clipboard.h"    // the system clipboard
#include "util/log.h"         // information lines and the quiet switch
#include "util/zev_var.h"     // var: numbers, strings, lists and dicts
#include "util/zev_json.h"    // JSON text to a var
#include "util/asset_cache.h" // name -> handle caches
#include "gfx/gfx.h"          // textures, images, drawing, transforms and clipping
#include "gfx/font.h"         // bitmap fonts and text
#include "gui/widget.h"       // widgets, containers, tables, boxes, labels
#include "gui/style.h"        // widget styles
#include "gui/text_input.h"   // the text field
#include "sound/sound.h"      // samples and music
