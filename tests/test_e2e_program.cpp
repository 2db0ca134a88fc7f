// SPDX-License-Identifier: Zlib
// The real program as a person uses it, under X: started from a folder with the generated data, keys
// typed with xdotool, the window captured from the X server once it shows each screen, and Ctrl+Q
// ending it with status 0. (Window size, pace, start-up lines and the other ways to end it: test_program.cpp.)
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/stat.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include "test_program_support.h"

namespace {

void sleep_s(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

// A capture of the window: (x, y) in window pixels.
struct Capture {
    int w = 0, h = 0;
    std::vector<int32_t> px;
    Capture(const std::string &display, unsigned long window) {
        Display *x = XOpenDisplay(display.c_str());
        if (!x) return;
        XWindowAttributes a;
        if (XGetWindowAttributes(x, window, &a)) {
            if (XImage *img = XGetImage(x, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)) {
                w = img->width;
                h = img->height;
                px.resize((size_t)w * h);
                for (int y = 0; y < h; y++)
                    for (int i = 0; i < w; i++) px[(size_t)y * w + i] = (int32_t)(XGetPixel(img, i, y) & 0xFFFFFF);
                XDestroyImage(img);
            }
        }
        XCloseDisplay(x);
    }
    // Pixels of exactly this colour in the rectangle (any non-black one for -1).
    int count(int32_t color, int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, h); y++)
            for (int x = std::max(x0, 0); x < std::min(x1, w); x++) {
                int32_t c = px[(size_t)y * w + x];
                n += color == -1 ? c != 0 : c == color;
            }
        return n;
    }
    // Leftmost column with a non-black pixel in rows y0..y1, or -1.
    int left_edge(int y0, int y1) const {
        for (int x = 0; x < w; x++)
            if (count(-1, x, y0, x + 1, y1)) return x;
        return -1;
    }
};

// The window's pixels once `shows` holds for them, read again every 20 ms for at most `seconds`:
// another process draws the window, so one read may come before its latest frame (or before a key
// took effect). Returns the last read; the caller checks it.
template <class Shows>
Capture wait_for_capture(const std::string &display, unsigned long window, double seconds, Shows shows) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        Capture c(display, window);
        if (shows(c) || std::chrono::steady_clock::now() > end) return c;
        sleep_s(0.02);
    }
}

}  // namespace

TEST(ProgramByHand, TitleKeyRunArrowAndCtrlQ) {
    if (!test_display() || !have_program()) GTEST_SKIP() << "needs DISPLAY and the built program";
    if (shell("command -v xdotool").empty()) GTEST_SKIP() << "needs xdotool";
    std::string display = test_display();
    struct stat st;
    ASSERT_EQ(stat(GLITZ_BINARY_DIR "/data/data.json", &st), 0) << "the generated data directory";

    // A folder holding only the data (linked) and an empty home. In the sanitizer build, SDL's
    // shutdown unloads the OpenGL driver before the leak check runs, so the driver's own allocations
    // show from an unknown module and would turn the exit status into 1. The program's leaks are
    // checked in-process by test_e2e_game, with the driver pinned.
    GameProcess p(display.c_str(), GLITZ_BINARY_DIR "/data");
    ASSERT_TRUE(p.ready);
    ASSERT_TRUE(p.start("detect_leaks=0"));

    ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
    std::string win = p.window();
    ASSERT_FALSE(win.empty());
    unsigned long window = strtoul(win.c_str(), nullptr, 10);
    auto xdo = [&](const std::string &args) {
        shell("DISPLAY=" + display + " xdotool windowfocus --sync " + win + " " + args + " 2>&1");
    };

    // The title: the big ball in the middle and the credits in their colours.
    auto is_title = [](const Capture &c) {
        return c.w == 1024 && c.count(-1, 462, 334, 562, 434) > 9000 && c.count(0xFFFF55, 100, 154, 924, 307) > 300 &&
               c.count(0x55FFFF, 100, 461, 924, 614) > 300;
    };
    Capture title = wait_for_capture(display, window, 5, is_title);
    ASSERT_EQ(title.w, 1024);
    ASSERT_EQ(title.h, 768);
    EXPECT_GT(title.count(-1, 462, 334, 562, 434), 9000);
    EXPECT_GT(title.count(0xFFFF55, 100, 154, 924, 307), 300);
    EXPECT_GT(title.count(0x55FFFF, 100, 461, 924, 614), 300);

    // A key starts a run: the title is gone, the player stands at the bottom centre, the score at
    // the top. For the first 77 ticks (1.28 s) no ball can reach the bottom strip, so it shows
    // only the player.
    xdo("key space");
    auto run_start = std::chrono::steady_clock::now();
    auto age = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - run_start).count(); };
    Capture play = wait_for_capture(display, window, 5, [](const Capture &c) {
        return c.count(0xFFFF55, 100, 154, 924, 307) == 0 && c.count(0x55FFFF, 462, 0, 562, 100) > 100 &&
               c.left_edge(598, 768) >= 0;
    });
    EXPECT_EQ(play.count(0xFFFF55, 100, 154, 924, 307), 0);
    EXPECT_GT(play.count(0x55FFFF, 462, 0, 562, 100), 100);
    int start_x = play.left_edge(598, 768);
    EXPECT_GE(start_x, 427);
    EXPECT_LT(start_x, 450);

    // Holding the right arrow moves it right. Only reads from the first 1.2 s of the run count (later
    // a ball may have reached the bottom strip), and only a machine that gave the program at least
    // 0.5 s of them can be held to it.
    xdo("keydown Right");
    double pressed = age(), last_read = 0;
    int moved_x = -1;
    Capture moved = wait_for_capture(display, window, 5, [&](const Capture &c) {
        double t = age();
        if (t >= 1.2) return true;
        last_read = t;
        moved_x = c.left_edge(598, 768);
        return moved_x > start_x + 40;
    });
    xdo("keyup Right");
    if (moved_x > start_x + 40 || last_read - pressed >= 0.5) {
        EXPECT_GT(moved_x, start_x + 40) << "the player moved right";
    }
    EXPECT_GT(moved.count(0x55FFFF, 462, 0, 562, 100), 100);

    xdo("key ctrl+q");
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
}
