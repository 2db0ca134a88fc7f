// SPDX-License-Identifier: Zlib
// platform_windows.cpp - the platform calls of app/platform.h for Windows.
#include "app/platform.h"

#include <winsock2.h>
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
// <windows.h> names its hot-key flags MOD_ALT, MOD_SHIFT...: dropped, so that the names below are
// app/event.h's modifier flags.
#undef MOD_ALT
#undef MOD_CONTROL
#undef MOD_SHIFT
#undef MOD_WIN
#include "app/event.h"

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

// Alt+F4, as DefWindowProc would take it had SDL 1.2 not kept the key for itself; Ctrl+Alt+F4
// stays a key.
bool platform_close_chord(int key, int mods) {
    return key == KEY_F4 && (mods & MOD_ALT) && !(mods & MOD_CTRL);
}

// GetFullPathName joins the working folder, resolves "." and ".." and writes backslashes.
std::string platform_full_path(const char *path) {
    if (!path) return std::string();
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n == 0 || n >= sizeof full ? std::string(path) : std::string(full, n);
}

// SDL's entry reopens each stream on its file beside the program; when the file cannot be made,
// the C runtime has closed the stream's descriptor already and the stream writes nowhere. A
// stream counts as working when its descriptor still stands for a system handle.
static bool stream_works(FILE *f) {
    int fd = _fileno(f);
    return fd >= 0 && _get_osfhandle(fd) != -1;
}

void platform_diagnostics_keep(const char *user_folder) {
    bool out = stream_works(stdout), err = stream_works(stderr);
    if ((out && err) || !user_folder) return;
    platform_make_dirs(user_folder);
    std::string dir = user_folder;
    if (!out && freopen((dir + "\\stdout.txt").c_str(), "w", stdout)) setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    if (!err && freopen((dir + "\\stderr.txt").c_str(), "w", stderr)) setvbuf(stderr, nullptr, _IONBF, 0);
}

// A program linked for the windows subsystem has no console: its player sees no stderr.
static bool windowed_program() {
    const char *base = (const char *)GetModuleHandleA(nullptr);
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)base;
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

// The test programs are console programs: no box waits there for a click that never comes. The
// box belongs to the program's active window (the game's, when it has one), which it keeps
// disabled while it is open and hands the keyboard back to when it closes.
void platform_alert(const char *title, const char *text) {
    if (!title || !text || !windowed_program()) return;
    MessageBoxA(GetActiveWindow(), text, title, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
