// SPDX-License-Identifier: Zlib
// The browser's clipboard as the page keeps it (run under node, where no system clipboard is
// offered: everything must still work inside the page).
#include <gtest/gtest.h>
#include <emscripten.h>
#include <string>
#include "app/clipboard_internal.h"

TEST(ClipboardWeb, TextCrossesThePageBorderAsUtf8AndComesBackAsLatin1) {
    // Our Latin-1 text goes out and comes back unchanged, the 8-bit characters included.
    clipboard_set("caf\xe9 \xff!");
    EXPECT_EQ(clipboard_get(), "caf\xe9 \xff!");
    // The page holds it as UTF-8 text, as the system clipboard gets it.
    EXPECT_EQ(EM_ASM_INT({ return Module.glitzClipboard === 'caf\u00e9 \u00ff!' ? 1 : 0; }), 1);
    // A paste from another program: a character beyond Latin-1 becomes one '?'.
    EM_ASM({ Module.glitzClipboard = 'x\u00e9\u20acy'; });
    EXPECT_EQ(clipboard_get(), "x\xe9?y");
    // Text is cut at its first zero byte and at CLIPBOARD_MAX bytes.
    clipboard_set(std::string("ab\0cd", 5));
    EXPECT_EQ(clipboard_get(), "ab");
    clipboard_set(std::string(CLIPBOARD_MAX + 10, 'z'));
    EXPECT_EQ(clipboard_get().size(), (size_t)CLIPBOARD_MAX);
    // Nothing there (a page that never copied): empty text.
    EM_ASM({ Module.glitzClipboard = undefined; });
    EXPECT_EQ(clipboard_get(), "");
}

// A stand-in document that records the listeners the page adds, and the paste event Ctrl+V fires.
EM_JS(void, fake_document, (), {
    globalThis.document = {listeners : []};
    document.addEventListener = function(type, f) { document.listeners.push({type : type, f : f}); };
    Module.glitzClipboardListening = false;
    Module.glitzClipboard = undefined;
});
EM_JS(void, fake_paste, (const char *utf8), {
    var text = UTF8ToString(utf8);
    var event = {clipboardData : {getData : function(kind) { return kind === 'text/plain' ? text : ""; }}};
    document.listeners.forEach(function(l) { if (l.type === 'paste') l.f(event); });
});
EM_JS(int, fake_listeners, (), { return document.listeners.length; });
EM_JS(void, fake_document_gone, (), { delete globalThis.document; });

// Across a window change (Ctrl+F re-creates the canvas's GL context) the page keeps its text and
// its one paste listener, and the listener is there from the first window on, before any copy or
// paste went through the game.
TEST(ClipboardWeb, PasteListenerAndTextOutliveAWindowChange) {
    fake_document();
    clipboard_window_changed();   // the first window: a paste before the game touched the clipboard
    EXPECT_EQ(fake_listeners(), 1);
    fake_paste("first \xc3\xa9");
    EXPECT_EQ(clipboard_get(), "first \xe9");

    clipboard_set("copied");
    for (int i = 0; i < 3; i++) {   // three Ctrl+F
        clipboard_window_closing();
        clipboard_window_changed();
    }
    EXPECT_EQ(fake_listeners(), 1);        // one listener: a paste is taken once
    EXPECT_EQ(clipboard_get(), "copied");  // our copy survives the new windows
    fake_paste("after");
    EXPECT_EQ(clipboard_get(), "after");
    fake_document_gone();
}
