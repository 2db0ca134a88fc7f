// SPDX-License-Identifier: Zlib
// clipboard_internal.h - the clipboard's platform files and the calls the window's owner makes
// around a video reset (app/driver.cpp). The framework, its platform files and its tests include
// it; programs use app/clipboard.h, and it is not installed.
//
//   clipboard_window_closing();             // before the window is re-created ...
//   clipboard_window_changed();             // ... and after: a copy survives
//
// Each platform has its own file (the build compiles one):
// - X11 (platform/linux/clipboard_x11.cpp, SDL's x11 video driver with a window open): the CLIPBOARD selection
//   of the window. clipboard_set takes ownership and other programs' requests (TARGETS,
//   UTF8_STRING, STRING) are answered from inside SDL's event pumping (an SDL event filter
//   installed by clipboard_set), so the main loop needs no extra call as long as it keeps polling
//   SDL events. clipboard_get asks the owner and waits at most CLIPBOARD_WAIT_MS in all (an owner
//   that never answers costs no more); when we own the selection it returns our text at once.
//   Other programs speak UTF-8: our text goes out as UTF-8 under UTF8_STRING and as Latin-1 under
//   STRING; text that comes in as UTF-8 is turned into Latin-1, one '?' for each character outside
//   it (and for each byte that is not well-formed UTF-8). Without X11 (no window, or the dummy
//   video driver) an in-process clipboard stands in.
// - Windows (platform/windows/clipboard_win32.cpp): the system clipboard in text format 1 (CF_TEXT), converted
//   by Windows from and to the system's 8-bit code page; with or without a window, no waiting.
//   A text is cut at its first zero byte there; clipboard_window_closing, clipboard_window_changed and
//   clipboard_handle_event have nothing to do.
// - A browser (platform/web/clipboard_web.cpp): the page keeps the text; it goes to the system clipboard where
//   the browser allows it, and what the user pastes into the page comes back (details there).
#pragma once
#include "app/clipboard.h"

// The window is about to be re-created (app/driver.cpp video_reset): notes whether the selection is
// still ours. Another program's copy reaches us as an event of the old window, which is lost with
// it when no event loop pass came in between; the program may even have quit since, leaving no owner.
void clipboard_window_closing();
// The window was re-created: the selection we held went with the old window, so the new one takes
// it again, unless another program took it meanwhile (whether or not that program still runs).
void clipboard_window_changed();

union SDL_Event;
// Answers a selection event that SDL handed over as SDL_SYSWMEVENT; 1 when it was one of ours.
// The filter installed by clipboard_set calls it; a main loop with its own filter may call it too.
int clipboard_handle_event(const SDL_Event *event);
