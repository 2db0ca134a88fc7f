// The clipboard against a real X11 peer (xclip) under the test X server, both ways, and the
// in-process stand-in without X11.
#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "app/event.h"
#include "gui/clipboard.h"
#include "gui/text_input.h"
#include "test_display_support.h"

// Pumps SDL events (which answers selection requests) until pred holds or ms pass.
template <class F> static bool pump_until(F pred, int ms) {
    for (Uint32 t0 = SDL_GetTicks(); SDL_GetTicks() - t0 < (Uint32)ms; SDL_Delay(2)) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {}
        if (pred()) return true;
    }
    return pred();
}

// A child process with stdin and stdout on pipes.
struct Child {
    pid_t pid = -1;
    int in = -1, out = -1;
    explicit Child(const std::vector<const char *> &argv) {
        int pin[2], pout[2];
        if (pipe(pin) || pipe(pout)) return;
        pid = fork();
        if (pid == 0) {
            dup2(pin[0], 0);
            dup2(pout[1], 1);
            close(pin[1]); close(pout[0]);
            std::vector<char *> args;
            for (const char *a : argv) args.push_back(const_cast<char *>(a));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(pin[0]); close(pout[1]);
        in = pin[1];
        out = pout[0];
        fcntl(out, F_SETFL, O_NONBLOCK);
    }
    void write_all(const std::string &s) {
        if (write(in, s.data(), s.size()) != (ssize_t)s.size()) ADD_FAILURE() << "short write";
        close(in);
        in = -1;
    }
    // Output until the child exits (any status), pumping our events meanwhile; false on timeout.
    bool finish(std::string &text, int ms = 5000) {
        int status = 0;
        bool done = pump_until([&] {
            char buf[256];
            ssize_t n;
            while ((n = read(out, buf, sizeof buf)) > 0) text.append(buf, (size_t)n);
            return waitpid(pid, &status, WNOHANG) == pid;
        }, ms);
        if (done) pid = -1;
        return done;   // exited (a refused request exits with an error status and no output)
    }
    ~Child() {
        if (pid > 0) { kill(pid, SIGTERM); waitpid(pid, nullptr, 0); }
        if (in >= 0) close(in);
        if (out >= 0) close(out);
    }
};

static std::string xclip_out(const char *target = nullptr) {
    std::vector<const char *> argv = {"xclip", "-o", "-selection", "clipboard"};
    if (target) { argv.push_back("-t"); argv.push_back(target); }
    Child c(argv);
    std::string text;
    EXPECT_TRUE(c.finish(text)) << "xclip -o did not finish";
    return text;
}

static Event key(int32_t code, int32_t mods) {
    Event e = event_make(EV_KEYDOWN);
    e.key = code;
    e.button = mods;
    return e;
}

struct X11Clipboard : ::testing::Test {
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no DISPLAY";
        if (system("command -v xclip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xclip";
        ASSERT_TRUE(hold_display()) << "the X server does not answer";
        ASSERT_TRUE(SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_SetVideoMode(64, 64, 0, SDL_SWSURFACE)) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};

TEST_F(X11Clipboard, CopiedTextIsReadByXclip) {
    TextInput field(0, "hello world");
    field.anchor = 0;
    field.cursor = 5;
    Event copy = key(KEY_C, MOD_CTRL);
    field.on_event(&copy);
    EXPECT_EQ("hello", xclip_out());
    std::string targets = xclip_out("TARGETS");
    EXPECT_NE(std::string::npos, targets.find("UTF8_STRING")) << targets;
    EXPECT_NE(std::string::npos, targets.find("STRING")) << targets;
    EXPECT_EQ("hello", xclip_out("STRING"));
    EXPECT_EQ("", xclip_out("image/png"));   // refused: xclip reports failure and prints nothing
    EXPECT_EQ("hello", clipboard_get());     // our own text, without a round trip

    // A password field's copy leaves the clipboard alone.
    field.password = 1;
    field.anchor = 0;
    field.cursor = 11;
    field.on_event(&copy);
    EXPECT_EQ("hello", xclip_out());
}

TEST_F(X11Clipboard, TextFromXclipIsPastedThroughTheFilter) {
    Child owner({"xclip", "-quiet", "-i", "-selection", "clipboard"});
    owner.write_all("a\r\nb\xc3\xa9");
    ASSERT_TRUE(pump_until([] { return !clipboard_get().empty(); }, 3000)) << "xclip never owned the clipboard";
    TextInput field(0, "");
    Event paste = key(KEY_V, MOD_CTRL);
    field.on_event(&paste);
    EXPECT_EQ("a? b??", field.text);

    // Taking the clipboard back: xclip loses it and ends.
    clipboard_set("mine");
    std::string ignored;
    EXPECT_TRUE(owner.finish(ignored, 3000));
    EXPECT_EQ("mine", xclip_out());
}

TEST(Clipboard, InProcessWithoutX11) {
    clipboard_set("one");
    EXPECT_EQ("one", clipboard_get());
    clipboard_set(std::string("a\0b", 3));
    EXPECT_EQ(3u, clipboard_get().size());
    SDL_Event none{};
    EXPECT_EQ(0, clipboard_handle_event(&none));
    EXPECT_EQ(0, clipboard_handle_event(nullptr));
}
