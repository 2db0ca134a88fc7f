// SPDX-License-Identifier: Zlib
// main_linux.cpp - the process entry on Linux: a thin main that hands over to the game's own entry
// function, SDL_main (app/app.h). (On Windows SDL's own entry does this: platform/windows/main_windows.cpp.)
//
// The program in the build tree reads its data from "./data" in the working folder. The installed
// program is built from this file with GLITZ_INSTALLED_DATA, its data folder relative to the folder
// of its executable (any install prefix keeps that relation), and GLITZ_INSTALLED_DATA_FALLBACK,
// the configured absolute data folder: started from any folder, it never reads a "./data" there.
#include "app/app.h"
#include "app/files.h"

#ifdef GLITZ_INSTALLED_DATA
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/platform.h"

// <folder of the running executable>/GLITZ_INSTALLED_DATA with the ".." steps resolved; the
// configured folder when the executable's own path cannot be read.
static std::string installed_data_dir() {
    std::string dir = platform_program_dir();
    if (dir.empty()) return GLITZ_INSTALLED_DATA_FALLBACK;
    std::string joined = dir + "/" + GLITZ_INSTALLED_DATA;
    char real[PATH_MAX];
    return realpath(joined.c_str(), real) ? std::string(real) : joined;  // missing: assets report it
}
#endif

int main(int argc, char **argv) {
#ifdef GLITZ_INSTALLED_DATA
    std::string dir = installed_data_dir();
    if (!data_dir_set(dir.c_str()) && !data_dir_set(GLITZ_INSTALLED_DATA_FALLBACK)) {
        fprintf(stderr, "no usable data folder (%s is too long); quitting\n", dir.c_str());
        return 1;
    }
#endif
    return SDL_main(argc, argv);
}
