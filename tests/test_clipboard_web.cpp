// The browser's clipboard as the page keeps it (run under node, where no system clipboard is
// offered: everything must still work inside the page).
#include <gtest/gtest.h>
#include <emscripten.h>
#include <string>
#include "gui/clipboard.h"

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
