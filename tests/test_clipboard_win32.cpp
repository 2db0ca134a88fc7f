// SPDX-License-Identifier: Zlib
// The Windows clipboard (text format 1) against a real X11 peer, xclip, run under wine: wine
// keeps the X CLIPBOARD selection and the Windows clipboard in step, so a copy in the text field
// reaches X programs and their text reaches the field. xclip runs as a Unix program: wine starts
// ELF files named to CreateProcess, but without a process handle or standard streams, so the
// shell around it leaves its output and a "done" mark in files.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/event.h"
#include "app/clipboard.h"
#include "gui/text_input.h"
#include <windows.h>   // after event.h: its MOD_SHIFT and MOD_ALT macros would hide our flags

namespace {

const char *kShell = "Z:\\bin\\sh";
const char *kXclip = "Z:\\usr\\bin\\xclip";
const DWORD kWaitMs = 5000;

std::string read_file(const std::string &path) {
    std::string text;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        char buf[256];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        fclose(f);
    }
    return text;
}

// Bytes as a shell printf format: every byte an octal escape, so any byte survives both the
// Windows command line and the shell.
std::string printf_octal(const std::string &bytes) {
    std::string out;
    char esc[8];
    for (unsigned char b : bytes) {
        snprintf(esc, sizeof esc, "\\%03o", b);
        out += esc;
    }
    return out;
}

// Runs `script` (no double quotes in it) in a Unix shell and returns what it printed once it has
// finished; `finished` is false when it did not finish within kWaitMs.
std::string unix_shell(const std::string &script, bool &finished) {
    char tmpl[] = "/tmp/glitz_clip_XXXXXX";
    finished = false;
    if (!mkdtemp(tmpl)) return std::string();
    std::string dir = tmpl, out = dir + "/out", done = dir + "/done";
    std::string cmd = "sh -c \"" + script + " >" + out + "; echo $? >" + done + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(kShell, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return std::string();
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < kWaitMs; Sleep(10))
        if (!read_file(done).empty()) {
            finished = true;
            break;
        }
    return read_file(out);
}

std::string xclip_out() {
    bool finished;
    std::string text = unix_shell("xclip -o -selection clipboard", finished);
    EXPECT_TRUE(finished) << "xclip -o did not finish";
    return text;
}

// Until pred holds or ms pass (wine's clipboard follows X in its own thread).
template <class F> bool wait_until(F pred, int ms) {
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < (DWORD)ms; Sleep(10))
        if (pred()) return true;
    return pred();
}

// What xclip reads once it reads `want`, or after kWaitMs: when another X client owned CLIPBOARD,
// wine's clipboard thread takes the selection back a moment after our copy, not during it.
std::string xclip_out_once(const std::string &want) {
    std::string seen;
    wait_until([&] { return (seen = xclip_out()) == want; }, kWaitMs);
    return seen;
}

Event key(int32_t code, int32_t mods) {
    Event e = event_make(EV_KEYDOWN);
    e.key = code;
    e.button = mods;
    return e;
}

struct WineClipboard : ::testing::Test {
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "not under wine on X";
        if (GetFileAttributesA(kXclip) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no xclip";
        if (GetFileAttributesA(kShell) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no Unix shell";
    }
};

}  // namespace

TEST_F(WineClipboard, CopiedTextIsReadByXclip) {
    TextInput field(0, "hello world");
    field.anchor = 0;
    field.cursor = 5;
    Event copy = key(KEY_C, MOD_CTRL);
    field.on_event(&copy);
    EXPECT_EQ("hello", clipboard_get());
    EXPECT_EQ("hello", xclip_out_once("hello"));

    // A password field's copy leaves the clipboard alone.
    field.password = 1;
    field.anchor = 0;
    field.cursor = 11;
    field.on_event(&copy);
    EXPECT_EQ("hello", xclip_out());

    // The system's 8-bit code page (1252 here) goes out as UTF-8; a zero byte ends the text.
    clipboard_set(std::string("caf\xe9 \xff!\0tail", 11));
    EXPECT_EQ("caf\xe9 \xff!", clipboard_get());
    EXPECT_EQ("caf\xc3\xa9 \xc3\xbf!", xclip_out_once("caf\xc3\xa9 \xc3\xbf!"));
}

TEST_F(WineClipboard, TextFromXclipIsPastedThroughTheFilter) {
    clipboard_set("before");
    // Wine takes the X selection for that copy in its own thread, a moment later: were xclip to
    // own it first, wine would take it back and xclip would quit. So wait until X sees "before".
    ASSERT_EQ("before", xclip_out_once("before"));
    // UTF-8 in: é and the euro sign become their code page 1252 bytes; the field shows printable
    // ASCII only. xclip owns the selection (in the background, for at most 20 s) until we copy.
    // On a busy machine wine's clipboard thread may still be settling our copy when xclip takes
    // the selection, take it back, and so end xclip: then xclip is started again (3 tries).
    bool owned = false;
    for (int attempt = 0; attempt < 3 && !owned; attempt++) {
        bool started;
        unix_shell("printf '" + printf_octal("a\tb\xc3\xa9\xe2\x82\xac") +
                   "' | timeout 20 xclip -quiet -i -selection clipboard 2>/dev/null &", started);
        ASSERT_TRUE(started);
        // While wine takes the new owner's text it may read as empty for a moment: wait past that too.
        owned = wait_until([] { std::string t = clipboard_get(); return t != "before" && !t.empty(); }, kWaitMs);
    }
    ASSERT_TRUE(owned) << "xclip never owned the clipboard (3 tries)";
    EXPECT_EQ("a\tb\xe9\x80", clipboard_get());
    TextInput field(0, "");
    Event paste = key(KEY_V, MOD_CTRL);
    field.on_event(&paste);
    EXPECT_EQ("a?b??", field.text);

    // Taking the clipboard back from xclip.
    clipboard_set("mine");
    EXPECT_EQ("mine", xclip_out_once("mine"));
}
