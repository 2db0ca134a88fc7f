// SPDX-License-Identifier: Zlib
// platform_windows.cpp - the platform calls of app/platform.h for Windows.
#include "app/platform.h"

#include <winsock2.h>
#include <windows.h>
#include <direct.h>
#include <cstdio>
#include <cstdlib>

// Windows has no display server that could reset between two window attempts.
void platform_display_hold() {}
void platform_display_release() {}

// A window out of sight keeps running on the desktop, as it always has.
bool platform_frame_hold() { return false; }

std::string platform_program_dir() {
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return std::string();   // failed or cut short
    std::string dir(exe, n);
    size_t sep = dir.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : dir.substr(0, sep);
}

// %APPDATA% (the roaming program data of the user); the working folder when it is not set.
std::string platform_user_base() {
    const char *appdata = getenv("APPDATA");
    return appdata && *appdata ? appdata : ".";
}

// Both separators count; a drive ("C:") or the server of a network path is not made.
void platform_make_dirs(const char *path) {
    char buf[512];
    snprintf(buf, sizeof buf, "%s", path);
    for (char *p = buf + 1; *p; p++) {
        if (*p != '/' && *p != '\\') continue;
        if (p[-1] == ':' || p[-1] == '/' || p[-1] == '\\') continue;
        char sep = *p;
        *p = 0;
        _mkdir(buf);
        *p = sep;
    }
    _mkdir(buf);
}

static bool s_net_started = false;
static const WORD kSocketVersion = MAKEWORD(1, 1);

bool platform_net_start() {
    WSADATA data;
    int rc = WSAStartup(kSocketVersion, &data);
    if (rc != 0) {
        fprintf(stderr, "WSAStartup failed: %d\n", rc);
        return false;
    }
    if (data.wVersion != kSocketVersion) {   // granted some other version: not ours to use
        fprintf(stderr, "WSAStartup: version %d.%d instead of 1.1\n", LOBYTE(data.wVersion), HIBYTE(data.wVersion));
        WSACleanup();
        return false;
    }
    s_net_started = true;
    return true;
}

void platform_net_stop() {
    if (!s_net_started) return;
    s_net_started = false;
    WSACleanup();
}
