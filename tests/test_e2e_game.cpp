// SPDX-License-Identifier: Zlib
// The whole game in a real window (under Xvfb in CI), driven like a player would but deterministic:
// the tick timer's clock is injected so that every frame runs exactly one tick, and key presses are
// SDL events pushed into the real event queue. The program's own entry function runs the frame loop;
// the script runs inside it, from the tick timer's sleep, once per frame, and checks the state ids,
// the score and the pixels of the frame shown last.
//
// Set GLITZ_SHOTS=<dir> to also write the title and a run as <dir>/title.png and <dir>/play.png.
#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include <GL/gl.h>
#include <stb_image_write.h>   // implementation comes from libstb
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/app_internal.h"
#include "app/driver_internal.h"
#include "game/level.h"
#include "game/states.h"
#include "test_program_support.h"

namespace {

// A frame as the program shows it: its back buffer read just before the swap (so the X server's
// timing never matters). (x, y) in window pixels, y down.
struct Shot {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;   // rows from the top, alpha 255
    void read() {
        if (!driver) return;
        w = driver->width;
        h = driver->height;
        std::vector<uint8_t> rows((size_t)w * h * 4);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        rgba.resize(rows.size());
        for (int y = 0; y < h; y++)   // OpenGL's rows start at the bottom
            memcpy(&rgba[(size_t)y * w * 4], &rows[(size_t)(h - 1 - y) * w * 4], (size_t)w * 4);
        for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    }
    int32_t rgb(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return -1;
        const uint8_t *p = &rgba[((size_t)y * w + x) * 4];
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    // Pixels of exactly this colour inside the rectangle (any non-black one when color is -1).
    int count(int32_t color, int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) {
                int32_t c = rgb(x, y);
                n += color == -1 ? c > 0 : c == color;
            }
        return n;
    }
    void save(const char *name) const {
        const char *dir = getenv("GLITZ_SHOTS");
        if (!dir || !*dir || !w) return;
        std::string path = std::string(dir) + "/" + name;
        EXPECT_TRUE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4)) << path;
    }
};

// The frame shown last: every frame is read before its swap.
Shot shown;
void read_and_swap() {
    shown.read();
    SDL_GL_SwapBuffers();
}

void push_key(uint8_t type, SDLKey sym, int mod = KMOD_NONE) {
    SDL_Event ev{};
    ev.type = type;
    ev.key.type = type;
    ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    ev.key.keysym.sym = sym;
    ev.key.keysym.mod = (SDLMod)mod;
    ev.key.keysym.unicode = sym < 128 ? sym : 0;
    ASSERT_EQ(SDL_PushEvent(&ev), 0);
}
void press(SDLKey sym, int mod = KMOD_NONE) {
    push_key(SDL_KEYDOWN, sym, mod);
    push_key(SDL_KEYUP, sym, mod);
}

Game *the_game() {
    GameState *s = dynamic_cast<GameState *>(state_registry[STATE_MENU]);
    return s ? s->game : nullptr;
}

// The title: the ball in the middle, the five rows of text in their colours.
void expect_title(const Shot &s) {
    EXPECT_GT(s.count(-1, 462, 334, 562, 434), 9000) << "the ball fills the middle";
    EXPECT_EQ(s.count(-1, 0, 0, 60, 768), 0) << "nothing at the left edge";
    EXPECT_GT(s.count(0xFFFFFF, 100, 0, 924, 154), 1000) << "GLITZ FALL!! in white";
    EXPECT_GT(s.count(0xFFFF55, 100, 154, 924, 307), 300) << "FEST 2012 GRAB BAG in yellow";
    EXPECT_GT(s.count(0xFF55FF, 100, 307, 924, 461), 300) << "CODE: RONAN VESK in magenta";
    EXPECT_GT(s.count(0x55FFFF, 100, 461, 924, 614), 300) << "MUSIC: OLAF TREMM in cyan";
    EXPECT_GT(s.count(0xFFFFFF, 100, 614, 924, 768), 300) << "the instructions in white";
    EXPECT_EQ(s.count(0xFFFFFF, 0, 614, 120, 768) + s.count(0xFFFFFF, 904, 614, 1024, 768), 0)
        << "the instructions wrap at 768";
}

// The score at the top centre in cyan, nowhere else at the top.
void expect_score(const Shot &s) {
    EXPECT_GT(s.count(0x55FFFF, 462, 0, 562, 100), 100) << "score at the top centre";
}

// Counts the frames of the script and keeps what it has seen.
struct Script {
    uint32_t now = 1000;
    int frame = 0;       // frames begun
    int phase = 0;
    int phase_frame = 0; // frame at which the phase began
    int32_t fail_score = -1, fail_ticks = 0;
    int runs = 0;
    bool title_seen = false, play_seen = false, fail_seen = false, back_seen = false;
    bool player_reached_right = false;
    void next_phase() { phase++; phase_frame = frame; }
    int in_phase() const { return frame - phase_frame; }
};
Script script;

uint32_t fake_clock() { return script.now; }

// The tick timer on the script's clock with the given sleep, for one test; put back when it ends,
// also when an assertion leaves the test early.
struct ScriptedTicks {
    uint32_t (*old_clock)() = tick_clock;
    void (*old_sleep)(uint32_t) = tick_sleep;
    explicit ScriptedTicks(void (*sleep)(uint32_t)) {
        tick_clock = fake_clock;
        tick_sleep = sleep;
    }
    ~ScriptedTicks() {
        tick_clock = old_clock;
        tick_sleep = old_sleep;
    }
};

// One step per frame: the previous frame is on screen, this frame's events are polled, its one tick
// is about to run.
void step() {
    Script &sc = script;
    Game *g = the_game();
    if (!g) return;
    int f = sc.frame++;
    if (f > 20000) {   // a safety net: a stuck script ends the program
        ADD_FAILURE() << "script stuck in phase " << sc.phase;
        g->quit = 1;
        return;
    }
    Level &lv = g->level;
    switch (sc.phase) {
    case 0:   // the title, shown for a while
        ASSERT_EQ(g->state, STATE_MENU);
        if (sc.in_phase() == 30) {
            const Shot &s = shown;
            expect_title(s);
            s.save("title.png");
            sc.title_seen = true;
            press(SDLK_SPACE);   // any key starts a run
            sc.next_phase();
        }
        break;
    case 1:   // the run starts; hold the right arrow
        if (sc.in_phase() == 1) {
            EXPECT_EQ(g->state, STATE_PLAY);
            EXPECT_EQ(lv.score, 0);
            EXPECT_EQ(lv.ticks, 0);
            EXPECT_EQ(lv.objects[0].x, 427);
            push_key(SDL_KEYDOWN, SDLK_RIGHT);
        }
        if (sc.in_phase() == 3) {
            EXPECT_EQ(lv.objects[0].x, 435);   // one tick with the arrow held so far
            const Shot &s = shown;
            EXPECT_GT(s.count(-1, 427, 598, 597, 768), 3000) << "the player at the bottom centre";
            EXPECT_EQ(s.count(-1, 0, 598, 400, 768) , 0) << "nothing else at the bottom yet";
            expect_score(s);
        }
        if (g->state == STATE_PLAY) {
            const Object &p = lv.objects[0];
            if (p.x == 854) sc.player_reached_right = true;
            EXPECT_LE(p.x, 854);
            if (lv.ticks == 300) {   // a run under way: balls falling, the player on the right
                const Shot &s = shown;
                EXPECT_GT(s.count(-1, 854, 598, 1024, 768), 3000) << "the player at the bottom right";
                expect_score(s);
                s.save("play.png");
                sc.play_seen = true;
            }
        }
        if (g->state == STATE_FAIL) {
            EXPECT_FALSE(lv.objects[0].player);
            sc.fail_score = lv.score;
            sc.fail_ticks = lv.ticks;
            push_key(SDL_KEYUP, SDLK_RIGHT);
            sc.next_phase();
        }
        break;
    case 2:   // game over: the field keeps running under the banner, the score stays
        EXPECT_EQ(g->state, STATE_FAIL);
        EXPECT_EQ(lv.score, sc.fail_score);
        if (sc.in_phase() == 120) {
            EXPECT_EQ(lv.ticks, sc.fail_ticks + 120);
            const Shot &s = shown;
            EXPECT_GT(s.count(0xFF55FF, 200, 334, 824, 434), 1000) << "GLITZ FAIL!! across the middle";
            expect_score(s);
            Box *score = dynamic_cast<Box *>(dynamic_cast<GameState *>(state_registry[STATE_PLAY])->root->find("score"));
            ASSERT_NE(score, nullptr);
            EXPECT_EQ(static_cast<Label *>(score->child())->text, std::to_string(sc.fail_score));
            sc.fail_seen = true;
            press(SDLK_a);
            sc.next_phase();
        }
        break;
    case 3:   // back at the title
        if (sc.in_phase() == 1) {
            EXPECT_EQ(g->state, STATE_MENU);
        }
        if (sc.in_phase() == 5) {
            const Shot &s = shown;
            expect_title(s);
            sc.back_seen = true;
            press(SDLK_q, KMOD_LCTRL);   // the quit chord ends the program after this frame
            sc.next_phase();
        }
        break;
    default:   // the chord was dispatched before this frame's tick: the loop ends after it
        EXPECT_EQ(g->quit, 1);
        EXPECT_EQ(sc.in_phase(), 1) << "still running after the quit chord";
        g->quit = 1;
        break;
    }
}

void fake_sleep(uint32_t ms) {
    script.now += ms;   // time passes exactly as asked: one tick per frame
    step();
}

// The program's shutdown ends SDL, which unloads the OpenGL driver: its allocations would then show
// as leaks from an unknown module that no suppression can name. Keeping the libraries loaded lets
// the leak checker attribute them.
void keep_gl_loaded() {
    for (const char *lib : {"libGL.so.1", "libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(lib, RTLD_LAZY | RTLD_GLOBAL | RTLD_NODELETE);
}

// game_init registers four new states; the program never deletes them, but a second start in the
// same test process would orphan the first ones.
void forget_states() {
    for (auto &entry : state_registry) {
        delete entry.second;
        entry.second = nullptr;
    }
}

struct TempHome {
    TempDir home;
    TempHome() {
        home.make("glitz_e2e");
        setenv("HOME", home.path.c_str(), 1);
        unsetenv("APPDATA");
        unsetenv("XDG_DATA_HOME");
    }
};

}  // namespace

TEST(EndToEnd, TitleRunGameOverAndBack) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs DISPLAY (run under Xvfb)";
    ASSERT_TRUE(hold_display()) << "the X server does not answer";
    struct stat st;
    ASSERT_EQ(stat(GLITZ_BINARY_DIR "/data/data.json", &st), 0) << "the generated data directory";
    const char *shots = getenv("GLITZ_SHOTS");
    if (shots && *shots && shots[0] != '/') {   // relative to where the test was started
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) setenv("GLITZ_SHOTS", (std::string(cwd) + "/" + shots).c_str(), 1);
    }
    ASSERT_EQ(chdir(GLITZ_BINARY_DIR), 0);   // the program reads ./data
    TempHome home;
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    ScriptedTicks ticks(fake_sleep);
    void (*old_present)() = frame_present;
    frame_present = read_and_swap;
    ticks_restart();
    forget_states();
    keep_gl_loaded();
    char name[] = "glitzfall";
    char *argv[] = {name, nullptr};
    int status = SDL_main(1, argv);
    frame_present = old_present;

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(script.title_seen);
    EXPECT_TRUE(script.play_seen) << "the run ended before tick 300";
    EXPECT_TRUE(script.player_reached_right);
    EXPECT_TRUE(script.fail_seen);
    EXPECT_TRUE(script.back_seen);
    EXPECT_EQ(script.phase, 4);
    EXPECT_GE(script.fail_score, 0);
    printf("run: hit after %d ticks with score %d; %d frames in all\n", script.fail_ticks, script.fail_score,
           script.frame);
}

// The window lost at Ctrl+F: the program stops at once through its shutdown, with status 1.
TEST(EndToEnd, LostWindowEndsTheProgramWithAFailure) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs DISPLAY (run under Xvfb)";
    ASSERT_EQ(chdir(GLITZ_BINARY_DIR), 0);
    TempHome home;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ScriptedTicks ticks([](uint32_t ms) {
        script.now += ms;
        Game *g = the_game();
        if (++script.frame == 3) {   // the re-created window cannot be opened
            setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
            press(SDLK_f, KMOD_LCTRL);
        } else if (script.frame > 3 && g) {
            ADD_FAILURE() << "frame " << script.frame << " after the window was lost";
            g->quit = 1;
        }
    });
    ticks_restart();
    script = Script();
    forget_states();
    keep_gl_loaded();
    char name[] = "glitzfall";
    char *argv[] = {name, nullptr};
    testing::internal::CaptureStderr();
    int status = SDL_main(1, argv);
    std::string err = testing::internal::GetCapturedStderr();
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(script.frame, 3);
    EXPECT_NE(err.find("no window could be opened"), std::string::npos);
    EXPECT_EQ(driver, nullptr);   // shut down
}

// The diagnostic screen, reached only by a change_state to 1, with the generated data: the text, the
// field, the three images and the three texture previews where they belong; typing edits the field.
TEST(EndToEnd, DiagnosticScreen) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs DISPLAY (run under Xvfb)";
    ASSERT_TRUE(hold_display()) << "the X server does not answer";
    struct stat st;
    ASSERT_EQ(stat(GLITZ_BINARY_DIR "/data/data.json", &st), 0) << "the generated data directory";
    ASSERT_EQ(chdir(GLITZ_BINARY_DIR), 0);
    TempHome home;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ScriptedTicks ticks([](uint32_t ms) { script.now += ms; });
    ticks_restart();

    static Game g{};
    forget_states();
    keep_gl_loaded();
    game_init(&g);
    change_state(&g, STATE_TEST);
    auto frame = [&] {   // one pass of the frame loop, the picture read and swapped to the screen
        Event e;
        while (driver_poll(e)) game_event(&g, e);
        for (int n = ticks_due(); n > 0; n--) current_state(&g)->update();
        current_state(&g)->paint();
        read_and_swap();
    };
    frame();
    {
        const Shot &s = shown;
        EXPECT_GT(s.count(-1, 0, 0, 200, 40), 100) << "hello world at the top left";
        EXPECT_GT(s.count(-1, 0, 100, 200, 140), 50) << "the text field at (0, 100)";
        EXPECT_GT(s.count(-1, 200, 200, 328, 328), 2000) << "img1 at its own size";
        EXPECT_GT(s.count(-1, 416, 420, 512, 508), 2000) << "img2, trimmed, inside its frame";
        EXPECT_EQ(s.count(-1, 400, 400, 412, 416), 0) << "img2's frame offset is empty";
        EXPECT_GT(s.count(-1, 600, 600, 664, 664), 1000) << "img3";
        for (int y : {200, 400, 600}) EXPECT_GT(s.count(-1, 800, y, 900, y + 100), 500) << "texture preview at y " << y;
        EXPECT_EQ(s.count(-1, 300, 0, 780, 190), 0) << "nothing else";
    }
    // A click into the field focuses it (selecting all); typed characters replace the selection.
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.state = SDL_PRESSED;
    click.button.x = 20;
    click.button.y = 110;
    SDL_PushEvent(&click);
    click.type = SDL_MOUSEBUTTONUP;
    click.button.state = SDL_RELEASED;
    SDL_PushEvent(&click);
    press(SDLK_o);
    press(SDLK_k);
    frame();
    GameState *test = dynamic_cast<GameState *>(state_registry[STATE_TEST]);
    ASSERT_NE(test, nullptr);
    ASSERT_FALSE(test->root->children.empty());
    std::string typed = test->root->children[0]->get_value_s();
    EXPECT_EQ(typed.size(), 7u) << typed;   // "input" with "ok" at the caret the click placed
    EXPECT_NE(typed.find("ok"), std::string::npos) << typed;
    EXPECT_EQ(g.state, STATE_TEST);

    press(SDLK_q, KMOD_LCTRL);
    frame();
    EXPECT_EQ(g.quit, 1);
    game_shutdown(&g);
}
