// platform.h - what differs between the systems the program runs on, behind one set of calls.
//
//   std::string dir = platform_program_dir();      // folder of the running program ("" unknown)
//   std::string base = platform_user_base();       // the folder the per-user folder goes into
//   platform_make_dirs(path);                       // a folder with its missing parents
//   if (platform_net_start()) { ...; platform_net_stop(); }
//
// Each platform has one file that implements all of it (app/platform_linux.cpp,
// app/platform_windows.cpp); the build compiles the one for its target (cmake/platform_*.cmake),
// and no caller tests which platform it runs on. Main thread only.
#pragma once
#include <string>

// The folder of the running executable without a trailing separator, "" when it cannot be found.
std::string platform_program_dir();

// Where the per-user folder is made: $APPDATA when set, else the system's own place for a user's
// program data (Linux: $XDG_DATA_HOME or ~/.local/share; Windows: the working folder).
std::string platform_user_base();

// Creates path and any missing parent; failures (mostly "exists already") are not reported.
void platform_make_dirs(const char *path);

// The socket layer: started for Windows Sockets 1.1, cleaned up once if it started. On systems
// without such a start-up step it counts as started. Failures print one line on stderr.
bool platform_net_start();
void platform_net_stop();
