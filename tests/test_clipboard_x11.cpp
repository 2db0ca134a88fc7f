// SPDX-License-Identifier: Zlib
// The clipboard against a real X11 peer (xclip) under the test X server, both ways, and the
// in-process stand-in without X11.
#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include "app/driver_internal.h"
#include "app/event.h"
#include "gfx/gfx_internal.h"
#include "app/clipboard_internal.h"
#include "gui/text_input.h"
#include "test_display_support.h"

void font_table_destroy();   // from gfx/font_internal.h, whose Font clashes with Xlib's

// The program's video set-up loads the GL driver, which is unloaded when the display closes; only a
// full unwind lets its leaks be matched by the suppressions of the system libraries that called it.
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }

// The bound of every wait below on another program (xclip starting, taking the selection, ending):
// only a safety net against a hang, so generous enough for a machine busy with other work.
const int kPeerMs = 30000;

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
    bool finish(std::string &text, int ms = kPeerMs) {
        int status = 0;
        bool done = pump_until([&] {
            // Exited first, read after: what it wrote just before it ended is in the pipe by then.
            bool exited = waitpid(pid, &status, WNOHANG) == pid;
            char buf[256];
            ssize_t n;
            while ((n = read(out, buf, sizeof buf)) > 0) text.append(buf, (size_t)n);
            return exited;
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

// Every Latin-1 byte from 0x80 up, in order.
static std::string latin1_high() {
    std::string s;
    for (int b = 0x80; b <= 0xFF; b++) s += (char)b;
    return s;
}

// Latin-1 as UTF-8, by the C library's converter rather than our own.
static std::string latin1_as_utf8(const std::string &in) {
    iconv_t cd = iconv_open("UTF-8", "ISO-8859-1");
    if (cd == (iconv_t)-1) {
        ADD_FAILURE() << "no ISO-8859-1 converter";
        return std::string();
    }
    std::string out(in.size() * 2, '\0');
    char *src = const_cast<char *>(in.data()), *dst = &out[0];
    size_t left = in.size(), room = out.size();
    if (iconv(cd, &src, &left, &dst, &room) == (size_t)-1) ADD_FAILURE() << "iconv failed";
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

// Waits, without pumping our events, until the CLIPBOARD owner (seen from a connection of the
// test's own) satisfies pred.
template <class F> static bool owner_becomes(F pred, int ms = kPeerMs) {
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) return false;
    Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    bool ok = false;
    for (int waited = 0; !(ok = pred(XGetSelectionOwner(dpy, clipboard))) && waited < ms; waited += 5) usleep(5000);
    XCloseDisplay(dpy);
    return ok;
}

// The CLIPBOARD owner now (None for none).
static Window clipboard_owner() {
    Window owner = None;
    owner_becomes([&](Window w) { owner = w; return true; });
    return owner;
}

// Waits until a window other than `old` owns the CLIPBOARD: a peer started after looking at the
// owner has taken it. Asking before that would read the old owner's text or nothing.
static bool new_owner(Window old) {
    return owner_becomes([&](Window w) { return w != None && w != old; });
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
    EXPECT_EQ("hello", clipboard_get());     // our own text, without a round trip

    // The whole list of targets, each of which converts (a target left out of the list, or one
    // listed that is refused or answered in the other encoding, fails here); any other target is
    // refused: xclip reports failure and prints nothing (a fault answering every target with the
    // text fails here).
    clipboard_set("caf\xe9");
    EXPECT_EQ("TARGETS\nUTF8_STRING\nSTRING\n", xclip_out("TARGETS"));
    EXPECT_EQ("caf\xc3\xa9", xclip_out("UTF8_STRING"));
    EXPECT_EQ("caf\xe9", xclip_out("STRING"));
    for (const char *other : {"TEXT", "COMPOUND_TEXT", "text/plain", "text/plain;charset=utf-8", "image/png"})
        EXPECT_EQ("", xclip_out(other)) << other;
    clipboard_set("hello");

    // A password field's copy leaves the clipboard alone.
    field.password = 1;
    field.anchor = 0;
    field.cursor = 11;
    field.on_event(&copy);
    EXPECT_EQ("hello", xclip_out());

    // Our Latin-1, every byte of it, goes out as UTF-8 under UTF8_STRING (xclip's default) and as
    // itself under STRING.
    clipboard_set("caf\xe9 \xff!");
    EXPECT_EQ("caf\xc3\xa9 \xc3\xbf!", xclip_out());
    const std::string high = latin1_high();
    clipboard_set(high);
    EXPECT_EQ(latin1_as_utf8(high), xclip_out());
    EXPECT_EQ(high, xclip_out("STRING"));

    // The longest text one answer carries (there are no incremental transfers): the server's
    // request size less a header goes out whole, one byte more is refused and xclip gets nothing.
    Display *dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const size_t most = (size_t)XMaxRequestSize(dpy) * 4 - 256;
    XCloseDisplay(dpy);
    ASSERT_LT(most, (size_t)CLIPBOARD_MAX);
    clipboard_set(std::string(most, 'x'));
    EXPECT_EQ(xclip_out().size(), most);
    clipboard_set(std::string(most + 1, 'x'));
    EXPECT_EQ(xclip_out(), "");
}

// Each paste asks only once xclip owns the selection (seen by the test's own connection): xclip's
// start-up takes as long as a busy machine makes it, while its answer, once it owns the selection,
// comes within the program's own bound.
TEST_F(X11Clipboard, TextFromXclipIsPastedThroughTheFilter) {
    Window before = clipboard_owner();
    Child owner({"xclip", "-quiet", "-i", "-selection", "clipboard"});
    // UTF-8 in: é is its Latin-1 byte; the euro sign, an emoji, a stray byte and a sequence cut
    // short at the end are one '?' each.
    owner.write_all("a\r\nb\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xff\xc3");
    ASSERT_TRUE(new_owner(before)) << "xclip never owned the clipboard";
    EXPECT_EQ("a\r\nb\xe9????", clipboard_get());
    TextInput field(0, "");
    Event paste = key(KEY_V, MOD_CTRL);
    field.on_event(&paste);
    EXPECT_EQ("a? b?????", field.text);   // the field shows printable ASCII only

    // Taking the clipboard back: xclip loses it and ends.
    clipboard_set("mine");
    std::string ignored;
    EXPECT_TRUE(owner.finish(ignored));
    EXPECT_EQ("mine", xclip_out());

    // Every Latin-1 character from 0x80 up comes in as itself, offered as UTF-8 or as STRING.
    const std::string high = latin1_high();
    for (const char *target : {"UTF8_STRING", "STRING"}) {
        SCOPED_TRACE(target);
        before = clipboard_owner();
        Child peer({"xclip", "-quiet", "-i", "-selection", "clipboard", "-t", target});
        peer.write_all(target[0] == 'U' ? latin1_as_utf8(high) : high);
        ASSERT_TRUE(new_owner(before)) << "xclip never owned the clipboard";
        EXPECT_EQ(high, clipboard_get());
    }
}

// An owner that never answers costs one bounded wait: it is asked once, not once per text type.
TEST_F(X11Clipboard, OwnerThatNeverAnswersIsAskedOnce) {
    Display *dpy = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy);
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    XSetSelectionOwner(dpy, clipboard, w, CurrentTime);
    ASSERT_EQ(w, XGetSelectionOwner(dpy, clipboard));
    EXPECT_EQ("", clipboard_get());
    XSync(dpy, False);
    int asks = 0;
    XEvent ev;
    while (XCheckTypedWindowEvent(dpy, w, SelectionRequest, &ev)) asks++;
    EXPECT_EQ(1, asks);
    XDestroyWindow(dpy, w);
    XCloseDisplay(dpy);
}

// The main thread stopped inside the SIGUSR1 handler until a byte comes on s_release; it says so on
// s_held first. Both pipes are made by the test below.
static int s_held[2] = {-1, -1}, s_release[2] = {-1, -1};
static void hold_main_thread(int) {
    char c = 'h';
    if (write(s_held[1], &c, 1) == 1) {
        while (read(s_release[0], &c, 1) < 0) {}
    }
}

// Whether fd has something to read within ms.
static bool readable(int fd, int ms) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
}

// A busy machine may leave the program without CPU past its deadline while the answer is already
// queued: the owner here answers while the program's thread is stopped and lets it go only once the
// deadline has passed. The program must still take that answer (a fault ending the wait at the
// deadline without a last look at the queue gives "" here). The owner steps in only when the ask
// reached it well before the deadline; otherwise it stays silent and the round is tried again.
TEST_F(X11Clipboard, AnswerQueuedWhileTheProgramWasStoppedPastTheDeadlineIsTaken) {
    Display *dpy = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy);
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False), utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XSetSelectionOwner(dpy, clipboard, w, CurrentTime);
    ASSERT_EQ(w, XGetSelectionOwner(dpy, clipboard));
    ASSERT_EQ(0, pipe(s_held));
    ASSERT_EQ(0, pipe(s_release));
    struct sigaction sa = {}, old_sa;
    sa.sa_handler = hold_main_thread;
    sigemptyset(&sa.sa_mask);
    ASSERT_EQ(0, sigaction(SIGUSR1, &sa, &old_sa));
    const pthread_t main_thread = pthread_self();
    bool tried = false;
    for (int round = 0; round < 5 && !tried; round++) {
        std::atomic<Uint32> asked{SDL_GetTicks()};
        std::atomic<bool> stepped_in{false};
        std::thread owner([&] {   // dpy is this thread's alone until it ends
            XEvent ev;
            bool got = false;
            while (!got && (XPending(dpy) || readable(ConnectionNumber(dpy), kPeerMs))) {
                XNextEvent(dpy, &ev);
                got = ev.type == SelectionRequest;
            }
            if (!got || SDL_GetTicks() - asked >= (Uint32)CLIPBOARD_WAIT_MS / 2) return;   // too late to step in
            Uint32 received = SDL_GetTicks();
            stepped_in = true;
            pthread_kill(main_thread, SIGUSR1);
            char c;
            if (!readable(s_held[0], kPeerMs) || read(s_held[0], &c, 1) != 1) return;
            const XSelectionRequestEvent &req = ev.xselectionrequest;
            XChangeProperty(dpy, req.requestor, req.property, utf8, 8, PropModeReplace, (const unsigned char *)"late", 4);
            XEvent reply = {};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = req.requestor;
            reply.xselection.selection = req.selection;
            reply.xselection.target = req.target;
            reply.xselection.property = req.property;
            reply.xselection.time = req.time;
            XSendEvent(dpy, req.requestor, False, NoEventMask, &reply);
            XSync(dpy, False);
            // The program asked after `received` minus the way here: its deadline is past after this.
            while (SDL_GetTicks() - received <= (Uint32)CLIPBOARD_WAIT_MS) SDL_Delay(5);
            if (write(s_release[1], &c, 1) != 1) ADD_FAILURE() << "could not let the main thread go";
        });
        asked = SDL_GetTicks();
        std::string text = clipboard_get();
        owner.join();
        tried = stepped_in;
        if (tried) {
            EXPECT_EQ("late", text);
        }
    }
    sigaction(SIGUSR1, &old_sa, nullptr);
    for (int fd : {s_held[0], s_held[1], s_release[0], s_release[1]}) close(fd);
    XDestroyWindow(dpy, w);
    XCloseDisplay(dpy);
    if (!tried) GTEST_SKIP() << "the machine was too busy for the owner to step in before the deadline";
}

// A copy survives the window's re-creation (Ctrl+F): the new window takes the selection again,
// but not one another program has taken since.
TEST_F(X11Clipboard, CopySurvivesTheWindowsRecreation) {
    driver_init();
    ASSERT_TRUE(video_reset());
    clipboard_set("kept \xe9");
    EXPECT_EQ("kept \xc3\xa9", xclip_out());
    ASSERT_TRUE(video_reset());
    EXPECT_EQ("kept \xc3\xa9", xclip_out());
    EXPECT_EQ("kept \xe9", clipboard_get());

    Window ours = clipboard_owner();
    Child owner({"xclip", "-quiet", "-i", "-selection", "clipboard"});
    owner.write_all("theirs");
    ASSERT_TRUE(new_owner(ours)) << "xclip never owned the clipboard";
    ASSERT_EQ("theirs", clipboard_get());
    ASSERT_TRUE(video_reset());
    EXPECT_EQ("theirs", clipboard_get());

    // Taken by a program that quit again before the window is re-created, all without a pass of our
    // event loop: nobody owns it, and our older copy does not come back.
    clipboard_set("ours again");
    ASSERT_TRUE(owner_becomes([&](Window w) { return (ours = w) != None; }));
    {
        Child quitter({"xclip", "-quiet", "-i", "-selection", "clipboard"});
        quitter.write_all("gone");
        ASSERT_TRUE(owner_becomes([&](Window w) { return w != None && w != ours; })) << "xclip never owned it";
    }   // xclip ends here
    ASSERT_TRUE(owner_becomes([](Window w) { return w == None; }));
    ASSERT_TRUE(video_reset());
    EXPECT_EQ("", clipboard_get());
    EXPECT_EQ("", xclip_out());
    font_table_destroy();
    gfx_destroy();
    driver_quit();
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
