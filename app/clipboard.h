// SPDX-License-Identifier: Zlib
// clipboard.h - the system clipboard as plain 8-bit text (Latin-1, like the fonts and the field).
//
//   clipboard_set("hello");                 // ours now: other programs can paste it
//   std::string s = clipboard_get();        // whoever owns it; "" when nobody answers in time
//
// On X11 the text is the CLIPBOARD selection of the window, answered while the frame loop polls
// events and kept across a video reset; other programs' UTF-8 arrives as Latin-1 ('?' for what
// Latin-1 lacks). On Windows it is the system clipboard in the system's 8-bit code page, cut at a
// zero byte. In a browser the page keeps it and hands it to the system clipboard where allowed.
// Without a window (or with SDL's dummy video driver) an in-process clipboard stands in. The
// TextInput field uses it for Ctrl+C, Ctrl+X and Ctrl+V.
#pragma once
#include <string>

// The clipboard's text, Latin-1 (characters outside it as '?'); "" when it holds no text or nobody
// answers in time (X11: within CLIPBOARD_WAIT_MS; at most CLIPBOARD_MAX bytes are taken).
std::string clipboard_get();
// Puts text on the clipboard (ours until another program copies).
void clipboard_set(const std::string &text);

// The longest wait for another program's answer (X11), and the most bytes of text taken or given.
enum { CLIPBOARD_WAIT_MS = 300, CLIPBOARD_MAX = 1 << 20 };
