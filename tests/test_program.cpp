// SPDX-License-Identifier: Zlib
// The real program under X: window size, pace, Ctrl+Q as a real key event, SIGTERM, the window
// manager's close request, start-up lines, and a clear end when no window can be opened. And the
// installed program's data folder, under a prefix of the test's own. And, in this process, the
// window's re-creation on an X server that resets when its last client leaves.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include "app/driver_internal.h"
#include "gfx/gfx_internal.h"
#include "test_program_support.h"

void font_table_destroy();   // from gfx/font_internal.h, whose Font clashes with Xlib's

// The window opened in this process loads the GL driver, which is unloaded when the display closes;
// only a full unwind lets its leaks be matched by the suppressions of the system libraries.
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

// One run of glitzfall in a fresh folder with data/data.json "{}" and an empty home. In sanitizer
// builds a full unwind lets the leak suppressions see the system GL libraries.
struct Program : GameProcess {
    explicit Program(const char *disp) : GameProcess(disp, nullptr) {}
    bool start() { return GameProcess::start("fast_unwind_on_malloc=0"); }
};

}  // namespace

TEST(Program, OpensItsWindowKeepsPaceAndQuitsOnCtrlQ) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    Program p(test_display());
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    std::string win = p.window();
    ASSERT_FALSE(win.empty());
    std::string geo = shell("DISPLAY=" + p.display + " xdotool getwindowgeometry " + win);
    EXPECT_NE(geo.find("1024x768"), std::string::npos) << geo;

    std::this_thread::sleep_for(std::chrono::seconds(2));
    shell("DISPLAY=" + p.display + " xdotool windowfocus --sync " + win + " key ctrl+q");
    ASSERT_EQ(p.wait_exit(10), 0) << p.err();

    // The pace: 60 ticks per clock second (about 120 in 2 s), one frame per tick when idle.
    std::string err = p.err();
    int frames = 0, ticks = 0;
    unsigned ms = 0;
    size_t at = err.find("frames ");
    ASSERT_NE(at, std::string::npos) << err;
    ASSERT_EQ(sscanf(err.c_str() + at, "frames %d ticks %d ms %u", &frames, &ticks, &ms), 3);
    EXPECT_GE(ms, 2000u);
    double expected = ms * 60.0 / 1000.0;
    EXPECT_NEAR(ticks, expected, expected * 0.1 + 2) << err;
    EXPECT_LE(frames, ticks);
    EXPECT_EQ(err.find("first frame at"), err.rfind("first frame at")) << "told once, at the first frame";

    // Start-up lines.
    std::string out = p.out();
    EXPECT_NE(out.find("SDL Runtime Version: 1.2."), std::string::npos) << out;
    EXPECT_NE(out.find("SDL Compile Version: 1.2.15\nSDL_BYTEORDER == SDL_LIL_ENDIAN\ndata folder: ./data\n"),
              std::string::npos);
    std::string user = p.root + "/home/.local/share/GameName";
    for (const std::string &line :
         {std::string("== joystick init.............\n"), "file not found: " + user + "/state.dat\n",
          "file not found: " + user + "/settings.dat\n", std::string("init_video: 1024 768 640 480 480 320 0\n"),
          std::string("_try_init_video(1024,768,0)\n"), std::string("res: 1\n"), std::string("res: 1024 x 768\n"),
          std::string("unable to find stream music\n"), std::string("sizeof(level) = 10k\nsizeof(game) = 10k\n")})
        EXPECT_NE(err.find(line), std::string::npos) << line;
    struct stat st;
    EXPECT_EQ(stat(user.c_str(), &st), 0);  // the per-user directory is made, its files are never written
    EXPECT_NE(stat((user + "/settings.dat").c_str(), &st), 0);
}

TEST(Program, QuitsOnSigterm) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    Program p(test_display());
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    kill(p.pid, SIGTERM);
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
}

// Runs with the real assets skip the child's leak check in sanitizer builds: the full unwinding that
// the GL driver's leak reports need makes loading the textures take minutes there.
const char *const kWithAssets = "detect_leaks=0";

// With SDL's disk driver the music is written out: 16-bit stereo at 44100 Hz, well above silence.
TEST(Program, PlaysItsMusicThroughTheDiskDriver) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    GameProcess p(test_display(), GLITZ_BINARY_DIR "/data");
    p.audio_driver = "disk";
    ASSERT_TRUE(p.start(kWithAssets));
    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(p.pid, SIGTERM);
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
    std::string raw = slurp(p.root + "/audio.raw");
    size_t frames = raw.size() / 4;
    ASSERT_GT(frames, 22050u) << "less than half a second of audio";
    const int16_t *pcm = reinterpret_cast<const int16_t *>(raw.data());
    double sum[2] = {0, 0};
    for (size_t i = 0; i < frames * 2; i++) sum[i & 1] += double(pcm[i]) * pcm[i];
    for (double s : sum) EXPECT_GT(std::sqrt(s / frames), 300.0) << "the music at volume 0.5 is audible";
}

// Without any usable audio device the program says so once and runs silently.
TEST(Program, RunsSilentlyWithoutAnAudioDevice) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    GameProcess p(test_display(), GLITZ_BINARY_DIR "/data");
    p.audio_driver = "no_such_driver";
    ASSERT_TRUE(p.start(kWithAssets));
    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    kill(p.pid, SIGTERM);
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
    EXPECT_NE(p.err().find("IrrKlang init error\n"), std::string::npos) << p.err();
}

TEST(Program, QuitsOnTheWindowManagersCloseRequest) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    Program p(test_display());
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    std::string win = p.window();
    ASSERT_FALSE(win.empty());
    Display *x = XOpenDisplay(p.display.c_str());
    ASSERT_NE(x, nullptr);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = (Window)strtoul(win.c_str(), nullptr, 10);
    ev.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(x, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, ev.xclient.window, False, NoEventMask, &ev);
    XFlush(x);
    XCloseDisplay(x);
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
}

TEST(Program, EndsWithAMessageWhenNoWindowCanBeOpened) {
    if (!have_program()) GTEST_SKIP() << "needs the built program";
    Program p(":987");  // no such display
    ASSERT_TRUE(p.start());
    EXPECT_EQ(p.wait_exit(20), 1);
    std::string err = p.err();
    EXPECT_NE(err.find("trying at default res ...\n"), std::string::npos) << err;
    EXPECT_NE(err.find("trying w/o fullscreen ...\n"), std::string::npos);
    EXPECT_NE(err.find("no window could be opened"), std::string::npos);
    EXPECT_EQ(err.find("sizeof(game)"), std::string::npos);
}

// The installed program reads the data folder that sits at its install place relative to its own
// executable, under any prefix, whichever way it is started: from a folder holding a data/ of its
// own, through a link to the program from another folder, through a link to the prefix. It names
// the folder (with no ".." steps) before it looks for a window, so no display is needed.
TEST(Program, InstalledProgramFindsTheDataBesideIt) {
    std::string installed = std::string(GLITZ_BINARY_DIR) + "/installed/glitzfall";
    if (access(installed.c_str(), X_OK) != 0) GTEST_SKIP() << "needs the installed program's build";
    const std::string bindir = GLITZ_INSTALL_BINDIR, datadir = GLITZ_INSTALL_DATADIR;
    if (bindir[0] == '/' || datadir[0] == '/') GTEST_SKIP() << "install folders outside the prefix";
    TempDir prefix;
    ASSERT_TRUE(prefix.make("glitz_prefix"));
    const std::string bin = prefix.path + "/" + bindir, data = prefix.path + "/" + datadir;
    ASSERT_EQ(shell("mkdir -p '" + bin + "' '" + data + "' '" + prefix.path + "/elsewhere' && cp '" + installed +
                    "' '" + bin + "/' && echo ok"), "ok");
    ASSERT_NO_FATAL_FAILURE(write_file(data + "/data.json", "{}", 2));
    ASSERT_EQ(symlink((bin + "/glitzfall").c_str(), (prefix.path + "/elsewhere/glitz").c_str()), 0);
    ASSERT_EQ(symlink(prefix.path.c_str(), (prefix.path + "/elsewhere/prefix").c_str()), 0);
    for (const std::string &start : {bin + "/glitzfall", prefix.path + "/elsewhere/glitz",
                                     prefix.path + "/elsewhere/prefix/" + bindir + "/glitzfall"}) {
        SCOPED_TRACE(start);
        Program p(":987");   // no such display: the run ends after start-up has named its folders
        p.program = start;
        ASSERT_TRUE(p.ready);
        ASSERT_TRUE(p.start());
        EXPECT_EQ(p.wait_exit(20), 1) << p.err();
        EXPECT_NE(p.out().find("\ndata folder: " + data + "\n"), std::string::npos) << p.out();
    }
}

// The whole start-up transcript, both streams line by line in order, for a good catalogue, one
// that fails before its first '{' (a "//" comment), one cut short after its first entry, and none
// at all; the run ends with Ctrl+Q (whose Ctrl starts a run first). What varies from machine to
// machine is blanked by tests/expected/normalize.sed; tools/cross/wine_check.sh compares the
// Windows program with the same files. It catches messages that move (the catalogue parsed before
// the window opens), repeat (a parse per lookup), go missing or change.
class StartupTranscript : public ::testing::TestWithParam<const char *> {};

// Counts the places `what` occurs in `text`.
static size_t occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

// A run in a folder whose data is `kind`: "good" (the generated data), "comment", "cut", "missing".
static void prepare_catalogue(GameProcess &p, const std::string &kind) {
    ASSERT_TRUE(p.ready);
    if (kind == "missing") {
        ASSERT_EQ(shell("rm -r '" + p.root + "/data' && echo ok"), "ok");
    } else if (kind == "comment") {
        const char text[] = "// assets\n{\"ball\": {}}";
        ASSERT_NO_FATAL_FAILURE(write_file(p.root + "/data/data.json", text, sizeof text - 1));
    } else if (kind == "cut") {   // "ball" complete, its texture's entry cut inside
        const char text[] = "{\"ball\": {\"texture\": \"ball.png\", \"rect\": {\"x\": 0, \"y\": 0, \"w\": 64, \"h\": 64},"
                            " \"shape\": {\"x\": 0, \"y\": 0, \"w\": 64, \"h\": 64}}, \"ball.png\": {\"fname\": ";
        ASSERT_NO_FATAL_FAILURE(write_file(p.root + "/data/data.json", text, sizeof text - 1));
    }
}

static void press(const GameProcess &p, const char *keys) {
    std::string win = p.window();
    ASSERT_FALSE(win.empty());
    shell("DISPLAY=" + p.display + " xdotool windowfocus --sync " + win + " key " + keys);
}

// Runs the program on the catalogue `name` until its first frame, ends it with Ctrl+Q and hands
// back both streams, normalised, in the layout of tests/expected/startup_*.txt.
static void startup_transcript(const std::string &name, bool quiet, std::string &got) {
    const std::string dir = GLITZ_EXPECTED "/";
    GameProcess p(test_display(), name == "good" ? GLITZ_BINARY_DIR "/data" : nullptr);
    if (quiet) p.env.push_back({"GLITZ_QUIET", "1"});
    ASSERT_NO_FATAL_FAILURE(prepare_catalogue(p, name));
    ASSERT_TRUE(p.start(kWithAssets));
    ASSERT_TRUE(p.wait_for("first frame at", 30)) << p.err();   // the asked-for tick report stays
    ASSERT_NO_FATAL_FAILURE(press(p, "ctrl+q"));
    ASSERT_EQ(p.wait_exit(20), 0) << p.err();
    const std::string sed = "sed -E -f '" + dir + "normalize.sed' ";
    got = shell(sed + "'" + p.root + "/out.txt'") + "\n--- stderr\n" + shell(sed + "'" + p.root + "/err.txt'") + "\n";
}

static void expect_transcript(const std::string &got, const std::string &want, const std::string &file) {
    if (got == want) return;
    // Kept for a look (and, when the change is meant, as the new expectation).
    std::string actual = std::string(GLITZ_BINARY_DIR) + "/tests/" + file + ".actual.txt";
    write_file(actual, got.data(), got.size());
    std::string wanted = std::string(GLITZ_BINARY_DIR) + "/tests/" + file + ".wanted.txt";
    write_file(wanted, want.data(), want.size());
    ADD_FAILURE() << "transcript differs from " << wanted << "; it is in " << actual << "\n"
                  << shell("diff '" + wanted + "' '" + actual + "'");
}

TEST_P(StartupTranscript, IsTheExpectedOneLineForLine) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    const std::string name = GetParam();
    std::string got;
    ASSERT_NO_FATAL_FAILURE(startup_transcript(name, false, got));
    expect_transcript(got, slurp(GLITZ_EXPECTED "/startup_" + name + ".txt"), "startup_" + name);
}

// GLITZ_QUIET=1: the same run prints the failures of the full transcript, in the same order, and
// none of its information (a good catalogue: nothing at all but the tick report, blanked).
TEST_P(StartupTranscript, QuietKeepsOnlyTheFailuresInOrder) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    const std::string name = GetParam();
    std::string got, want, line;
    ASSERT_NO_FATAL_FAILURE(startup_transcript(name, true, got));
    static const std::regex failure("^(unable to .*|JSON_parser.*syntax error.*|stbi_load failed .*|"
                                    "zev_var\\.cpp:<line>: TypeError: .*)$");
    std::istringstream full(slurp(GLITZ_EXPECTED "/startup_" + name + ".txt"));
    while (std::getline(full, line))
        if (std::regex_match(line, failure)) want += (want.empty() ? "" : "\n") + line;
    want = "\n--- stderr\n" + want + "\n";   // stdout empty
    expect_transcript(got, want, "startup_" + name + "_quiet");
}

INSTANTIATE_TEST_SUITE_P(Catalogues, StartupTranscript, ::testing::Values("good", "comment", "cut", "missing"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

// A catalogue that is no object is read again by each of its users: start-up's three (graphics,
// fonts, sounds), each after the window's lines, and two more for every Ctrl+F, after the new
// window's. (The play started by the Ctrl makes the rest of that run's lines depend on timing.)
TEST(StartupTranscript, EveryCtrlFReadsABrokenCatalogueTwiceMore) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    GameProcess p(test_display(), nullptr);
    ASSERT_NO_FATAL_FAILURE(prepare_catalogue(p, "comment"));
    ASSERT_TRUE(p.start(kWithAssets));
    ASSERT_TRUE(p.wait_for("first frame at", 30)) << p.err();
    const std::string syntax = "JSON_parser_char: syntax error, byte 1\n";
    for (int reset = 0; reset <= 2; reset++) {
        SCOPED_TRACE(reset);
        if (reset) {
            ASSERT_NO_FATAL_FAILURE(press(p, "ctrl+f"));
            // The new window's lines come first, then its catalogue reads; the next key waits for them.
            for (int i = 0; i < 600 && occurrences(p.err(), syntax) < 3u + 2 * reset; i++)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::string err = p.err();
        EXPECT_EQ(occurrences(err, "\nvinfo: "), 1u + reset) << err;
        EXPECT_EQ(occurrences(err, syntax), 3u + 2 * reset) << err;
        EXPECT_EQ(occurrences(err.substr(err.rfind("\nvinfo: ")), syntax), reset ? 2u : 3u) << err;
    }
    kill(p.pid, SIGTERM);
    EXPECT_EQ(p.wait_exit(20), 0) << p.err();
    EXPECT_EQ(occurrences(p.err(), syntax), 7u) << p.err();   // quitting reads nothing
}

// An X server of the test's own, started without -noreset, whose only clients are this program's:
// it resets whenever the last one leaves, as Xvfb does by default (and tools/test.sh's server would
// but for the connection every test program holds). A reset forgets every atom a client made, so a
// marker atom tells whether one happened.
struct ResettingServer {
    pid_t pid = -1;
    std::string display;
    std::string old_display;
    bool had_display = false;
    // Starts it and waits until it accepts connections (Xvfb writes its number on the pipe then).
    bool start() {
        int fds[2];
        if (pipe(fds)) return false;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   (char *)nullptr);
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;   // EOF: it failed
        close(fds[0]);
        if (pid <= 0 || number.empty()) return false;
        display = ":" + number;
        const char *old = getenv("DISPLAY");
        had_display = old != nullptr;
        if (old) old_display = old;
        setenv("DISPLAY", display.c_str(), 1);
        return true;
    }
    ~ResettingServer() {
        if (had_display) setenv("DISPLAY", old_display.c_str(), 1);
        else unsetenv("DISPLAY");
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    // Makes the marker atom through a connection of the test's own (closed again: call it only while
    // another client keeps the server up).
    void mark() const {
        Display *x = XOpenDisplay(display.c_str());
        ASSERT_NE(x, nullptr);
        XInternAtom(x, "GLITZ_NO_RESET_SINCE", False);
        XCloseDisplay(x);
    }
    // Whether the marker atom is still there (false also when no connection could be opened).
    bool marked() const {
        Display *x = XOpenDisplay(display.c_str());
        if (!x) return false;
        bool there = XInternAtom(x, "GLITZ_NO_RESET_SINCE", True) != None;
        XCloseDisplay(x);
        return there;
    }
};

// init_video closes SDL's display connection before each attempt opens a new one; without a hold
// of its own (platform_display_hold) the server would reset in that gap and hand the new window a
// half-reset screen. The window's re-creation keeps the server from resetting and opens a 24-bit
// GL window again (a fault removing the hold, or releasing it before the attempts, fails here);
// and the hold is released afterwards: once the program closes its window the server has no
// client and resets (a fault leaving the connection open, a hold without its release, fails here).
TEST(DisplayHold, WindowReopensWithoutAServerResetAndTheHoldIsReleased) {
    if (system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    ResettingServer server;
    ASSERT_TRUE(server.start()) << "Xvfb did not start";
    driver_init();
    driver->name = "GameName";
    ASSERT_TRUE(video_reset());
    ASSERT_NO_FATAL_FAILURE(server.mark());   // SDL's connection keeps the server up meanwhile
    for (int again = 0; again < 3; again++) {
        ASSERT_TRUE(video_reset());
        EXPECT_TRUE(server.marked()) << "the server reset while the window was re-created, time " << again;
        SDL_Surface *s = SDL_GetVideoSurface();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(1024, s->w);
        EXPECT_EQ(768, s->h);
        EXPECT_NE(0u, s->flags & SDL_OPENGL);
        int bits = 0;
        SDL_GL_GetAttribute(SDL_GL_BUFFER_SIZE, &bits);
        EXPECT_GE(bits, 24);
    }
    font_table_destroy();
    gfx_destroy();
    driver_quit();
    // No client is left: the server resets, which the marker's loss shows. Each look is a client of
    // its own that leaves again, so a reset not yet done by one look is done before the next.
    bool reset = false;
    for (int look = 0; look < 500 && !(reset = !server.marked()); look++) SDL_Delay(20);
    EXPECT_TRUE(reset) << "the program still holds a connection to the server";
}
