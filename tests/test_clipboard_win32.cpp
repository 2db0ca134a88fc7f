// The Windows clipboard (text format 1) against a real X11 peer, xclip, run under wine: wine
// keeps the X CLIPBOARD selection and the Windows clipboard in step, so a copy in the text field
// reaches X programs and their text reaches the field. xclip is started as a Unix program (wine
// runs ELF files named to CreateProcess).
#include <gtest/gtest.h>
#include <string>
#include "app/event.h"
#include "gui/clipboard.h"
#include "gui/text_input.h"
#include <windows.h>   // after event.h: its MOD_SHIFT and MOD_ALT macros would hide our flags

namespace {

const char *kXclip = "Z:\\usr\\bin\\xclip";

// A Unix program with its standard input and output on pipes.
struct UnixChild {
    PROCESS_INFORMATION pi{};
    HANDLE in = nullptr, out = nullptr;
    bool started = false;
    explicit UnixChild(const std::string &args) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE in_r, out_w;
        if (!CreatePipe(&in_r, &in, &sa, 0)) return;
        if (!CreatePipe(&out, &out_w, &sa, 0)) return;
        SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(out, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in_r;
        si.hStdOutput = out_w;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string cmd = std::string(kXclip) + " " + args;
        started = CreateProcessA(kXclip, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        CloseHandle(in_r);
        CloseHandle(out_w);
    }
    void write_all(const std::string &s) {
        DWORD n = 0;
        if (!WriteFile(in, s.data(), (DWORD)s.size(), &n, nullptr) || n != s.size()) ADD_FAILURE() << "short write";
        CloseHandle(in);
        in = nullptr;
    }
    // Everything the program writes until it ends; false when it has not ended within ms.
    bool finish(std::string &text, DWORD ms = 5000) {
        if (in) { CloseHandle(in); in = nullptr; }
        char buf[256];
        DWORD n;
        while (ReadFile(out, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
        return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0;
    }
    ~UnixChild() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        if (in) CloseHandle(in);
        if (out) CloseHandle(out);
    }
};

std::string xclip_out() {
    UnixChild c("-o -selection clipboard");
    EXPECT_TRUE(c.started) << "xclip did not start";
    std::string text;
    EXPECT_TRUE(c.finish(text)) << "xclip -o did not finish";
    return text;
}

// Until pred holds or ms pass (wine's clipboard follows X in its own thread).
template <class F> bool wait_until(F pred, int ms) {
    for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < (DWORD)ms; Sleep(10))
        if (pred()) return true;
    return pred();
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
    EXPECT_EQ("hello", xclip_out());

    // A password field's copy leaves the clipboard alone.
    field.password = 1;
    field.anchor = 0;
    field.cursor = 11;
    field.on_event(&copy);
    EXPECT_EQ("hello", xclip_out());

    // The system's 8-bit code page (1252 here) goes out as UTF-8; a zero byte ends the text.
    clipboard_set(std::string("caf\xe9 \xff!\0tail", 11));
    EXPECT_EQ("caf\xe9 \xff!", clipboard_get());
    EXPECT_EQ("caf\xc3\xa9 \xc3\xbf!", xclip_out());
}

TEST_F(WineClipboard, TextFromXclipIsPastedThroughTheFilter) {
    clipboard_set("before");
    UnixChild owner("-quiet -i -selection clipboard");
    ASSERT_TRUE(owner.started);
    // UTF-8 in: é and the euro sign become their code page 1252 bytes; the field shows printable
    // ASCII only.
    owner.write_all("a\tb\xc3\xa9\xe2\x82\xac");
    ASSERT_TRUE(wait_until([] { return clipboard_get() != "before"; }, 5000)) << "xclip never owned the clipboard";
    EXPECT_EQ("a\tb\xe9\x80", clipboard_get());
    TextInput field(0, "");
    Event paste = key(KEY_V, MOD_CTRL);
    field.on_event(&paste);
    EXPECT_EQ("a?b??", field.text);

    // Taking the clipboard back: xclip loses it and ends.
    clipboard_set("mine");
    std::string ignored;
    EXPECT_TRUE(owner.finish(ignored, 5000));
    EXPECT_EQ("mine", xclip_out());
}
