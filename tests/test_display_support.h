// SPDX-License-Identifier: Zlib
// test_display_support.h - one connection to the tests' X display, held for the test program's life.
//
// An Xvfb started without -noreset resets when its last client leaves and refuses connections until
// it is back; a program that opens its window at that moment gets none, or its smaller fallback size.
// hold_display() waits (bounded) until the server of DISPLAY accepts a connection and keeps that
// connection open: from then on the server always has a client, so the windows this program and its
// children open and close never meet a reset.
#pragma once
#include <chrono>
#include <cstdlib>
#include <thread>

// Xlib's own declaration; its header is left out because its Font clashes with the game's.
extern "C" struct _XDisplay *XOpenDisplay(const char *name);

// True when the connection is open; false without DISPLAY or when the server did not answer in 10 s.
inline bool hold_display() {
    static _XDisplay *held = nullptr;   // never closed: the server outlives every test's window
    const char *name = getenv("DISPLAY");
    if (held || !name || !*name) return held != nullptr;
    for (int attempt = 0; attempt < 500 && !held; attempt++) {
        if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        held = XOpenDisplay(name);
    }
    return held != nullptr;
}
