// SPDX-License-Identifier: Zlib
// files.h - where the program's files are: the data folder with its catalogue, and the per-user
// folder.
//
// Assets come from the data directory "./data" (relative to the working directory), or from the
// folder an installed program names with data_dir_set(), through the catalogue data.json, parsed
// once by data_catalogue(). state.dat and settings.dat are optional raw images of the application
// record and its settings in the per-user directory; they are read at start-up when present and
// never written.
#pragma once
#include "util/zev_var.h"

// The data folder: "./data" or the folder set with data_dir_set. A static buffer, valid until the
// next call.
const char *data_dir();
// Makes dir the data folder, before SDL_main starts (it reads the catalogue). False, and nothing
// changes, for an empty text or one of 512 bytes or more.
bool data_dir_set(const char *dir);
// The per-user folder BASE/NAME, created with its parents: BASE is $APPDATA when set, else
// $XDG_DATA_HOME or ~/.local/share (Windows: the working folder); NAME is the program's name
// (program_settings.name, app/app.h; "glitz" before start-up). A static buffer, valid until the next call.
const char *user_dir();
// The parsed catalogue data.json of the data folder (docs/catalogue.md), parsed on first use and
// kept for the run; the reference stays valid. While the file is missing or no JSON object it is
// none and read again on the next call, with one "unable to read catalogue PATH: CAUSE" line per cause.
var &data_catalogue();
