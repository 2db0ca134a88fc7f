// SPDX-License-Identifier: Zlib
// glitz.h - the whole Glitz framework for a program, in one include.
//
//   #include <glitz/glitz.h>
//
//   class Hello : public State { ... };                 // a screen: enter, event, update, paint
//   void register_states(Game *) { state_registry[STATE_MENU] = new Hello; }
//   int main(int argc, char **argv) { return SDL_main(argc, argv); }
//
// Build with find_package(Glitz) and target Glitz::glitz, or with pkg-config --cflags --libs glitz.
#pragma once
#include "app/app.h"          // program settings, states, the frame loop's entry
#include "app/driver.h"       // the window and its caption
#include "app/event.h"        // Event, key codes and modifiers
#include "app/files.h"        // the per-user folder, saved settings
#include "util/log.h"         // information lines and the quiet switch
#include "util/zev_var.h"     // var: numbers, strings, lists and dicts
#include "util/zev_json.h"    // JSON text to a var
#include "util/asset_cache.h" // name -> handle caches
#include "gfx/gfx.h"          // textures, images, drawing, transforms and clipping
#include "gfx/font.h"         // bitmap fonts and text
#include "gui/widget.h"       // widgets, containers, tables, boxes, labels
#include "gui/style.h"        // widget styles
#include "gui/text_input.h"   // the text field
#include "app/clipboard.h"    // the system clipboard
#include "sound/sound.h"      // samples and music
