// SPDX-License-Identifier: Zlib
// clipboard_web.cpp - the clipboard in a browser (emscripten). A page may not read the system
// clipboard whenever it likes: it sees what the user pastes (the "paste" event that Ctrl+V fires
// on the page, before the game polls that key), and it may write with navigator.clipboard where
// the browser allows it (a secure page, a recent key press). So the page keeps one text of its
// own, Module.glitzClipboard: clipboard_set puts our text there and offers it to the system
// clipboard; each paste puts the system's text there; clipboard_get reads it back. Where the
// browser refuses, copy and paste still work inside the page. Text is UTF-8 on the JavaScript side
// and Latin-1 on ours (app/clipboard_text.h), at most CLIPBOARD_MAX bytes.
#include "app/clipboard_internal.h"

#include <emscripten.h>
#include <cstdlib>
#include "app/clipboard_text.h"

// Installs the paste listener once per page.
EM_JS(void, clip_js_listen, (), {
    if (Module.glitzClipboardListening || typeof document === "undefined") return;
    Module.glitzClipboardListening = true;
    document.addEventListener('paste', function(event) {
        var text = event.clipboardData ? event.clipboardData.getData("text/plain") : "";
        if (typeof text === "string") Module.glitzClipboard = text;
    });
});

EM_JS(void, clip_js_set, (const char *utf8), {
    var text = UTF8ToString(utf8);
    Module.glitzClipboard = text;
    try {
        if (typeof navigator !== 'undefined' && navigator.clipboard && navigator.clipboard.writeText)
            navigator.clipboard.writeText(text).catch(function() {});   // refused: the page keeps it
    } catch (e) {
    }
});

// The page's text as UTF-8 in memory from malloc (the caller frees it), at most max bytes.
EM_JS(char *, clip_js_get, (int max), {
    var text = typeof Module.glitzClipboard === "string" ? Module.glitzClipboard : "";
    var size = Math.min(lengthBytesUTF8(text), max) + 1;
    var out = _malloc(size);
    if (out) stringToUTF8(text, out, size);
    return out;
});

std::string clipboard_get() {
    clip_js_listen();
    char *utf8 = clip_js_get(CLIPBOARD_MAX);
    if (!utf8) return std::string();
    std::string text = clipboard_utf8_to_latin1(utf8);
    free(utf8);
    return text;
}

void clipboard_set(const std::string &text) {
    clip_js_listen();
    std::string cut = text.substr(0, text.find('\0'));   // a C string crosses to JavaScript
    if (cut.size() > CLIPBOARD_MAX) cut.resize(CLIPBOARD_MAX);
    clip_js_set(clipboard_latin1_to_utf8(cut).c_str());
}

// The page's text does not belong to a window: nothing to note or take over, only the listener to
// start.
void clipboard_window_closing() {}
void clipboard_window_changed() { clip_js_listen(); }

int clipboard_handle_event(const SDL_Event *) { return 0; }
