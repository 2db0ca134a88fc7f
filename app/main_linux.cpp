// Process entry: a thin main that hands over to the game's own entry function, SDL_main (app/app.h).
//
// The program in the build tree reads its data from "./data" in the working folder. The installed
// program is built from this file with GLITZ_INSTALLED_DATA, its data folder relative to the folder
// of its executable (any install prefix keeps that relation), and GLITZ_INSTALLED_DATA_FALLBACK,
// the configured absolute data folder: started from any folder, it never reads a "./data" there.
#include "app/files.h"

#ifdef GLITZ_INSTALLED_DATA
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// <folder of the running executable>/GLITZ_INSTALLED_DATA with the ".." steps resolved; the
// configured folder when the executable's own path cannot be read.
static std::string installed_data_dir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return GLITZ_INSTALLED_DATA_FALLBACK;
    exe[n] = 0;
    char *slash = strrchr(exe, '/');
    if (!slash) return GLITZ_INSTALLED_DATA_FALLBACK;
    std::string joined = std::string(exe, slash) + "/" + GLITZ_INSTALLED_DATA;
    char real[PATH_MAX];
    return realpath(joined.c_str(), real) ? std::string(real) : joined;  // missing: assets report it
}
#endif

int SDL_main(int argc, char **argv);

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
