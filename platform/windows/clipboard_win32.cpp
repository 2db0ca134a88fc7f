// SPDX-License-Identifier: Zlib
// clipboard_win32.cpp - the clipboard (app/clipboard.h) as the Windows clipboard, text format 1
// (CF_TEXT: 8-bit text ending in a zero byte, in the system's 8-bit code page). Windows keeps a
// copy itself, so nothing is served from here and a window closing or a new one changes nothing.
#include "app/clipboard_internal.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <windows.h>
#include <cstring>

// SDL's window when there is one: the clipboard's owner after a copy. Without one the clipboard
// is opened for no window, which serves text as well.
static HWND clip_window() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GetVideoSurface()) return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWMInfo(&info) > 0 ? info.window : nullptr;
}

std::string clipboard_get() {
    std::string out;
    if (!OpenClipboard(clip_window())) return out;   // held by another program: reads as empty
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char *p = (const char *)GlobalLock(h)) {
            // Another program's memory block: the text ends at its zero byte, the block's end or
            // CLIPBOARD_MAX, whichever comes first.
            size_t cap = GlobalSize(h);
            if (cap > (size_t)CLIPBOARD_MAX) cap = CLIPBOARD_MAX;
            out.assign(p, strnlen(p, cap));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return out;
}

void clipboard_set(const std::string &text) {
    if (!OpenClipboard(clip_window())) return;   // held by another program: the copy is lost
    EmptyClipboard();
    size_t n = strnlen(text.c_str(), text.size());   // the format ends at the first zero byte
    if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n + 1)) {
        if (char *p = (char *)GlobalLock(h)) {
            memcpy(p, text.data(), n);
            p[n] = 0;
            GlobalUnlock(h);
            if (!SetClipboardData(CF_TEXT, h)) GlobalFree(h);   // the clipboard owns it on success
        } else {
            GlobalFree(h);
        }
    }
    CloseClipboard();
}

void clipboard_window_closing() {}
void clipboard_window_changed() {}

int clipboard_handle_event(const SDL_Event *) { return 0; }
