// The real program as a person uses it, under X: started from a folder with the generated data, keys
// typed with xdotool, the window captured from the X server after each, and Ctrl+Q ending it with
// status 0. (Window size, pace, start-up lines and the other ways to end it: test_program.cpp.)
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
    sleep_s(0.3);
    Capture title(display, window);
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
    sleep_s(0.2);
    Capture play(display, window);
    EXPECT_EQ(play.count(0xFFFF55, 100, 154, 924, 307), 0);
    EXPECT_GT(play.count(0x55FFFF, 462, 0, 562, 100), 100);
    int start_x = play.left_edge(598, 768);
    EXPECT_GE(start_x, 427);
    EXPECT_LT(start_x, 450);

    // Holding the right arrow moves it right.
    xdo("keydown Right");
    sleep_s(0.3);
    Capture moved(display, window);
    double age = std::chrono::duration<double>(std::chrono::steady_clock::now() - run_start).count();
    xdo("keyup Right");
    int moved_x = moved.left_edge(598, 768);
    if (age < 1.2) {   // a machine so busy that balls may have reached the bottom proves nothing here
        EXPECT_GT(moved_x, start_x + 40) << "the player moved right";
    }
    EXPECT_GT(moved.count(0x55FFFF, 462, 0, 562, 100), 100);

    xdo("key ctrl+q");
    EXPECT_EQ(p.wait_exit(10), 0) << p.err();
}
