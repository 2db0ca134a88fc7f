// SPDX-License-Identifier: Zlib
// The dispatcher and the states registry: state order, keys, chords (also queued through SDL),
// synthetic events, reactivation, mouse unprojection, start-up and shutdown.
#include <gtest/gtest.h>
#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/app_internal.h"
#include "app/driver_internal.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"
#include "test_program_support.h"

// The GL driver is unloaded when the display closes; only a full unwind lets its leaks be matched
// by the suppressions of the system libraries that called it.
extern "C" const char *__asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

std::vector<std::string> log_;
std::vector<Event> events_;

// Writes every call into the log as "<id>.<operation>".
class Recorder : public State {
public:
    explicit Recorder(int id) : id(id) {}
    void enter() override { log_.push_back(std::to_string(id) + ".enter"); }
    void leave() override { log_.push_back(std::to_string(id) + ".leave"); }
    void event(Event e) override {
        log_.push_back(std::to_string(id) + ".event " + std::to_string(e.type));
        events_.push_back(e);
    }
    int id;
};

Event key(int type, int code, int mods) {
    Event e = event_make(type);
    e.key = code;
    e.button = mods;
    return e;
}

// A game record with recording states under ids 1 and 2; state 1 is current.
struct DispatchTest : testing::Test {
    Game g{};
    Recorder r1{1}, r2{2};
    void SetUp() override {
        state_registry.clear();
        state_registry[1] = &r1;
        state_registry[2] = &r2;
        g.state = 1;
        g.settings.screen_mode = 1;
        memset(keys, 0, sizeof keys);
        log_.clear();
        events_.clear();
    }
    void TearDown() override { state_registry.clear(); }
};

using Log = std::vector<std::string>;

bool have_display() { return test_display() != nullptr; }

}  // namespace

TEST_F(DispatchTest, ChangeStateLeavesThenEnters) {
    change_state(&g, 2);
    EXPECT_EQ(log_, (Log{"1.leave", "2.enter"}));
    EXPECT_EQ(g.state, 2);
    EXPECT_EQ(current_state(&g), &r2);

    // An id without a state: the old one is left, nothing is called through the empty entry.
    log_.clear();
    change_state(&g, 9);
    EXPECT_EQ(log_, (Log{"2.leave"}));
    EXPECT_EQ(current_state(&g), nullptr);
    game_event(&g, key(EV_KEYDOWN, KEY_A, 0));
    EXPECT_EQ(keys[KEY_A], 1);
    change_state(&g, 1);
    EXPECT_EQ(log_, (Log{"2.leave", "1.enter"}));

    // Changing to the current id leaves and enters it again.
    log_.clear();
    change_state(&g, 1);
    EXPECT_EQ(log_, (Log{"1.leave", "1.enter"}));
}

TEST_F(DispatchTest, KeysTable) {
    game_event(&g, key(EV_KEYDOWN, KEY_RIGHT, 0));
    game_event(&g, key(EV_KEYDOWN, KEY_LEFT, 0));
    EXPECT_EQ(keys[KEY_RIGHT], 1);
    EXPECT_EQ(keys[KEY_LEFT], 1);
    game_event(&g, key(EV_KEYUP, KEY_RIGHT, 0));
    EXPECT_EQ(keys[KEY_RIGHT], 0);
    EXPECT_EQ(keys[KEY_LEFT], 1);

    // Keys outside the table share flag 0.
    game_event(&g, key(EV_KEYDOWN, 0, 0));
    EXPECT_EQ(keys[0], 1);
    game_event(&g, key(EV_KEYUP, 0, 0));
    EXPECT_EQ(keys[0], 0);

    // Codes beyond the table touch nothing.
    uint8_t before[512];
    memcpy(before, keys, sizeof keys);
    for (int code : {512, 100000, -1, INT32_MIN}) {
        game_event(&g, key(EV_KEYDOWN, code, 0));
        game_event(&g, key(EV_KEYUP, code, 0));
    }
    EXPECT_EQ(memcmp(before, keys, sizeof keys), 0);
    EXPECT_EQ(events_.size(), 13u);  // every key event reached the state
}

TEST_F(DispatchTest, QuitChordGivesOneCloseEvent) {
    for (int mod : {(int)MOD_CTRL, (int)MOD_ALT, (int)MOD_META, MOD_CTRL | MOD_SHIFT}) {
        SetUp();
        g.quit = 0;
        game_event(&g, key(EV_KEYDOWN, KEY_Q, mod));
        EXPECT_EQ(g.quit, 1) << mod;
        ASSERT_EQ(events_.size(), 1u);
        Event e = events_[0];
        EXPECT_EQ(e.type, EV_CLOSE);
        Event blank = event_make(EV_CLOSE);
        EXPECT_EQ(memcmp(&e, &blank, sizeof e), 0);  // a fresh event, every other field 0
        EXPECT_EQ(keys[KEY_Q], 1);                    // stays set until Q is released
    }
    // Shift+Q and a plain Q are ordinary key presses.
    for (int mod : {0, (int)MOD_SHIFT}) {
        SetUp();
        g.quit = 0;
        game_event(&g, key(EV_KEYDOWN, KEY_Q, mod));
        EXPECT_EQ(g.quit, 0);
        ASSERT_EQ(events_.size(), 1u);
        EXPECT_EQ(events_[0].type, EV_KEYDOWN);
        EXPECT_EQ(events_[0].button, mod);
    }
    // Other keys with Ctrl are ordinary too.
    SetUp();
    game_event(&g, key(EV_KEYDOWN, KEY_W, MOD_CTRL));
    EXPECT_EQ(g.quit, 0);
    EXPECT_EQ(events_.size(), 1u);
}

TEST_F(DispatchTest, ScreenChordWithoutModifierIsAKeyPress) {
    game_event(&g, key(EV_KEYDOWN, KEY_F, MOD_SHIFT));
    EXPECT_EQ(g.settings.screen_mode, 1);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].type, EV_KEYDOWN);
}

TEST_F(DispatchTest, ActivationWithoutReactivateChangesNothing) {
    Event e = event_make(EV_ACTIVE);
    e.code = 1;
    e.button = 4;
    e.key = 1;
    g.reactivate = 0;
    game_event(&g, e);
    EXPECT_EQ(log_, (Log{"1.event 22"}));
    // Lost focus, or a mask without the active bit, never reactivates.
    g.reactivate = 1;
    e.key = 0;
    game_event(&g, e);
    e.key = 1;
    e.button = 3;
    game_event(&g, e);
    e.button = 4;
    e.code = 0;
    game_event(&g, e);
    EXPECT_EQ(g.reactivate, 1);
    EXPECT_EQ(log_.size(), 4u);
}

TEST_F(DispatchTest, MouseEventsReachTheStateInViewUnits) {
    Driver d{};
    d.width = 640;
    d.height = 480;
    d.aspect = 1;
    driver = &d;
    gfx = new Gfx();
    gfx_set_window(d.width, d.height);
    gfx->view_w = 1024;
    gfx->view_h = 768;
    view_fit();
    EXPECT_FLOAT_EQ(gfx->view_scale, 0.625f);

    for (int type : {(int)EV_MOUSEDOWN, (int)EV_MOUSEMOVE, (int)EV_MOUSEUP}) {
        Event e = event_make(type);
        e.win_pos[0] = e.pos[0] = 320;
        e.win_pos[1] = e.pos[1] = 240;
        e.win_rel[0] = e.rel[0] = 10;
        e.win_rel[1] = e.rel[1] = -5;
        game_event(&g, e);
        Event got = events_.back();
        EXPECT_FLOAT_EQ(got.pos[0], 512);
        EXPECT_FLOAT_EQ(got.pos[1], 384);
        EXPECT_FLOAT_EQ(got.rel[0], 16);
        EXPECT_FLOAT_EQ(got.rel[1], -8);
        EXPECT_EQ(got.win_pos[0], 320);  // pixels stay in win_pos / win_rel
        EXPECT_EQ(got.win_rel[1], -5);
    }
    // The wheel, keys and joysticks keep their values.
    Event w = event_make(EV_WHEEL);
    w.win_pos[0] = w.pos[0] = 320;
    w.win_rel[1] = w.rel[1] = -1;
    game_event(&g, w);
    EXPECT_EQ(events_.back().pos[0], 320);
    EXPECT_EQ(events_.back().rel[1], -1);
    Event j = event_make(EV_JOYAXIS);
    j.pos[0] = j.win_pos[0] = 0.5f;
    game_event(&g, j);
    EXPECT_EQ(events_.back().pos[0], 0.5f);

    // The view fit: 1280 x 768 is letterboxed at 1.0; a rotated view swaps the axes.
    d.width = 1280;
    d.height = 768;
    view_fit();
    EXPECT_FLOAT_EQ(gfx->view_scale, 1.0f);
    gfx->view_rot = 90;
    d.width = 768;
    d.height = 1024;
    view_fit();
    EXPECT_FLOAT_EQ(gfx->view_scale, 1.0f);
    d.width = 0;   // no window size: the scale stays
    view_fit();
    EXPECT_FLOAT_EQ(gfx->view_scale, 1.0f);
    delete gfx;
    gfx = nullptr;
    driver = nullptr;
}

// With SDL, a window and the graphics context (the DISPLAY the tests run under).
struct VideoTest : DispatchTest {
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY";
        ASSERT_TRUE(hold_display()) << "the X server does not answer";
        DispatchTest::SetUp();
        driver_init();
        driver->name = "GameName";
        driver->tick_rate = 60;
        ASSERT_TRUE(video_reset());
        log_.clear();
    }
    void TearDown() override {
        if (!driver) return;
        font_table_destroy();
        gfx_destroy();
        driver_quit();
        DispatchTest::TearDown();
    }
};

TEST_F(VideoTest, WindowIsOpenAndFitted) {
    EXPECT_EQ(driver->width, 1024);
    EXPECT_EQ(driver->height, 768);
    EXPECT_EQ(driver->aspect, 1.0f);
    ASSERT_NE(gfx, nullptr);
    ASSERT_NE(font_table, nullptr);
    EXPECT_EQ(gfx->view_w, 1024);
    EXPECT_EQ(gfx->view_h, 768);
    EXPECT_EQ(gfx->view_scale, 1.0f);
}

TEST_F(VideoTest, ScreenChordResetsVideoAndReentersTheState) {
    Gfx *old = gfx;
    (void)old;
    for (int mod : {(int)MOD_CTRL, (int)MOD_ALT, (int)MOD_META}) {
        log_.clear();
        events_.clear();
        int before = g.settings.screen_mode;
        game_event(&g, key(EV_KEYDOWN, KEY_F, mod));
        EXPECT_EQ(g.settings.screen_mode, before == 1 ? -1 : 1);
        EXPECT_EQ(log_, (Log{"1.leave", "1.enter", "1.event 5"}));
        ASSERT_EQ(events_.size(), 1u);
        Event blank = event_make(EV_RESET);
        EXPECT_EQ(memcmp(&events_[0], &blank, sizeof blank), 0);
        EXPECT_EQ(keys[KEY_F], 1);
        ASSERT_NE(gfx, nullptr);
        EXPECT_EQ(gfx->view_scale, 1.0f);
    }
    g.settings.screen_mode = 7;  // anything but 1 becomes 1
    game_event(&g, key(EV_KEYDOWN, KEY_F, MOD_CTRL));
    EXPECT_EQ(g.settings.screen_mode, 1);
}

TEST_F(VideoTest, ReactivationRedoesVideoOnceAndEntersWithoutLeaving) {
    g.reactivate = 1;
    Event e = event_make(EV_ACTIVE);
    e.code = 1;
    e.button = 6;
    e.key = 1;
    game_event(&g, e);
    EXPECT_EQ(g.reactivate, 0);
    EXPECT_EQ(log_, (Log{"1.enter", "1.event 22"}));
    ASSERT_NE(gfx, nullptr);
    log_.clear();
    game_event(&g, e);
    EXPECT_EQ(log_, (Log{"1.event 22"}));
}

// Ctrl, Q and both releases queued before the frame polls them: the chord is read from the
// modifiers the Q event carries, so it is found although the live state is already clear.
TEST_F(VideoTest, QueuedCtrlQQuits) {
    auto push = [](decltype(SDL_Event::type) type, SDLKey sym, int mod) {
        SDL_Event ev = sdl_key_event(type, sym, mod, 0);
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    };
    // The window system may add events of its own at any time (focus, exposure): left out here.
    auto pushed_types = [] {
        std::vector<int> types;
        for (const Event &x : events_)
            if (x.type != EV_NONE && x.type != EV_ACTIVE) types.push_back(x.type);
        return types;
    };
    Event drain;
    while (driver_poll(drain)) {}
    push(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    push(SDL_KEYDOWN, SDLK_q, KMOD_LCTRL);
    push(SDL_KEYUP, SDLK_q, KMOD_LCTRL);
    push(SDL_KEYUP, SDLK_LCTRL, 0);
    SDL_SetModState(KMOD_NONE);
    events_.clear();
    Event e;
    while (driver_poll(e)) game_event(&g, e);
    EXPECT_EQ(g.quit, 1);
    EXPECT_EQ(pushed_types(), (std::vector<int>{EV_KEYDOWN, EV_CLOSE, EV_KEYUP, EV_KEYUP}));
    EXPECT_EQ(keys[KEY_Q], 0);

    // A plain q queued while the live state says Ctrl is held is just a key press.
    g.quit = 0;
    events_.clear();
    SDL_SetModState(KMOD_LCTRL);
    push(SDL_KEYDOWN, SDLK_q, 0);
    while (driver_poll(e)) game_event(&g, e);
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(g.quit, 0);
    EXPECT_EQ(pushed_types(), (std::vector<int>{EV_KEYDOWN}));
}

// A window that cannot be re-created (for Ctrl+F or a reactivation) stops the program through the
// normal shutdown: the state is not entered again, quit says why, game_shutdown leaves the state.
TEST_F(VideoTest, LostWindowStopsThroughTheShutdown) {
    Event active = event_make(EV_ACTIVE);
    active.code = 1;
    active.button = 4;
    active.key = 1;
    for (Event trigger : {key(EV_KEYDOWN, KEY_F, MOD_CTRL), active}) {
        if (!driver) {
            driver_init();
            ASSERT_TRUE(video_reset());
        }
        g.quit = 0;
        g.reactivate = 1;
        log_.clear();
        setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
        testing::internal::CaptureStderr();
        game_event(&g, trigger);
        std::string err = testing::internal::GetCapturedStderr();
        unsetenv("SDL_VIDEODRIVER");
        EXPECT_EQ(g.quit, GAME_QUIT_FAILED) << trigger.type;
        EXPECT_EQ(log_, Log{}) << trigger.type;
        EXPECT_NE(err.find("no window could be opened"), std::string::npos) << err;
        EXPECT_EQ(gfx, nullptr);
        EXPECT_EQ(font_table, nullptr);
        game_shutdown(&g);
        EXPECT_EQ(log_, (Log{"1.leave"})) << trigger.type;
        EXPECT_EQ(driver, nullptr);
    }
}

// Start-up and shutdown with a state.dat that names Play and a 140-byte settings.dat.
TEST(GameLifecycle, StartsAtTheMenuAndShutsEverythingDown) {
    if (!have_display()) GTEST_SKIP() << "no DISPLAY";
    ASSERT_TRUE(hold_display()) << "the X server does not answer";
    TempDir dir;
    ASSERT_TRUE(dir.make("glitz_life"));
    std::string root = dir.path;
    ASSERT_TRUE(dir.enter());
    mkdir("data", 0755);
    mkdir("user", 0755);
    mkdir("user/GameName", 0755);
    setenv("APPDATA", (root + "/user").c_str(), 1);
    static Game image;
    memset(&image, 0, sizeof image);
    image.version = 1;
    image.state = 3;
    image.level.score = 12;
    ASSERT_NO_FATAL_FAILURE(write_file("user/GameName/state.dat", &image, sizeof image));
    Settings s{};
    s.version = 1;
    s.music_volume = 80;
    s.sound_volume = 20;
    ASSERT_NO_FATAL_FAILURE(write_file("user/GameName/settings.dat", &s, 140));

    state_registry.clear();
    static Game game;
    testing::internal::CaptureStderr();
    game_init(&game);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(state_registry.size(), 4u);
    EXPECT_EQ(game.state, STATE_MENU);
    EXPECT_EQ(game.version, 1);
    EXPECT_EQ(game.quit, 0);
    EXPECT_EQ(game.level.score, 12);
    EXPECT_EQ(game.settings.music_volume, 80);
    EXPECT_EQ(game.settings.sound_volume, 20);
    EXPECT_EQ(game.settings.screen_mode, 1);
    EXPECT_EQ(game.settings.reserved_mode, -1);
    ASSERT_NE(driver, nullptr);
    EXPECT_STREQ(driver->name, "GameName");
    EXPECT_STREQ(driver->title, "GLITZ FALL!! FEST 2012 GRAB BAG - RONAN VESK - OLAF TREMM");
    EXPECT_EQ(driver->tick_rate, 60);
    int delay = -1, interval = -1;
    SDL_GetKeyRepeat(&delay, &interval);
    EXPECT_EQ(delay, 0);  // key repeat is off after start-up
    EXPECT_NE(err.find("unable to find stream music\n"), std::string::npos);
    EXPECT_NE(err.find("sizeof(level) = 10k\nsizeof(game) = 10k\n"), std::string::npos);
    EXPECT_EQ(err.find("file not found"), std::string::npos);

    game_shutdown(&game);
    EXPECT_EQ(driver, nullptr);
    EXPECT_EQ(gfx, nullptr);
    EXPECT_EQ(font_table, nullptr);
    unsetenv("APPDATA");
    ASSERT_TRUE(dir.remove());
}

// argv[0] is whatever started the program: only its last path element may name a folder.
TEST(GameLifecycle, UnnamedProgramTakesItsExecutablesName) {
    EXPECT_EQ(program_name_from("/usr/games/snake"), "snake");
    EXPECT_EQ(program_name_from("C:\\games\\snake.exe"), "snake");   // either slash; no ".exe"
    EXPECT_EQ(program_name_from("snake"), "snake");
    EXPECT_EQ(program_name_from("x.exe"), "x");   // the shortest name with ".exe" to drop
    EXPECT_EQ(program_name_from("/a/.exe"), ".exe");   // only the extension: nothing to drop it from
    // Nothing usable: the neutral name, never the game's nor a path out of the folder.
    for (const char *bad : {(const char *)nullptr, "", "/usr/bin/", "..", "a/..", "."})
        EXPECT_EQ(program_name_from(bad), "glitz") << (bad ? bad : "null");
    EXPECT_EQ(program_name_from(std::string(PROGRAM_NAME_MAX + 1, 'x').c_str()), "glitz");
    EXPECT_EQ(program_name_from(std::string(PROGRAM_NAME_MAX, 'x').c_str()).size(), (size_t)PROGRAM_NAME_MAX);
}
