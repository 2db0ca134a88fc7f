// SPDX-License-Identifier: Zlib
// main_windows.cpp - the process entry on Windows is SDL's own: libSDLmain's WinMain sends the
// standard output and error streams to stdout.txt and stderr.txt in the program's folder and then
// calls SDL_main (app/app.h), declared with C linkage for it. Where that folder cannot be written
// SDL leaves the streams closed; game_init reopens them in the per-user folder
// (platform_diagnostics_keep, platform/windows/platform_windows.cpp). The program adds nothing before SDL_main:
// its data folder is "./data" in the working folder, which the Start-menu shortcut of the
// installer sets to the install folder. This file only gives the program's target a source (and
// packaging/windows.cmake adds the program's resources: icon, version, manifest).
#include "app/app.h"
