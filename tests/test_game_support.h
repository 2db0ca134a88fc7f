// SPDX-License-Identifier: Zlib
// test_game_support.h - shared set-up for the game tests: a fresh application record, an empty keys
// table, a scripted random source (numbers handed out in order, then 1: "no spawn"), and a sound
// layer whose catalogue holds a "splat" sample.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <climits>
#include <cstring>
#include <deque>
#include "app/app.h"
#include "app/driver_internal.h"
#include "app/files.h"
#include "game/level.h"
#include "game/random.h"
#include "game/states.h"
#include "sound/sound_layer.h"
#include "test_sound_files.h"

struct ScriptedRandom {
    static std::deque<int32_t> &queue() { static std::deque<int32_t> q; return q; }
    static int32_t &draws() { static int32_t n = 0; return n; }
    static int32_t next() {
        draws()++;
        if (queue().empty()) return 1;   // 1 mod n is never 0 for a divisor of 5 or more
        int32_t r = queue().front();
        queue().pop_front();
        return r;
    }
    static void use(std::initializer_list<int32_t> numbers) {
        queue().assign(numbers.begin(), numbers.end());
        draws() = 0;
        random_source = next;
    }
};

// The four states are registered once per test program, for one record that each test refills.
struct GameFixture : ::testing::Test {
    static Game &game() { static Game g{}; return g; }
    static void SetUpTestSuite() {
        if (!state_registry[STATE_MENU]) register_states(&game());
    }
    void SetUp() override {
        memset(&game(), 0, sizeof(Game));
        game().version = 1;
        game().settings.sound_volume = 50;
        memset(keys, 0, sizeof keys);
        ScriptedRandom::use({});
    }
    void TearDown() override {
        random_source = random_generator;
        random_restart();
        memset(keys, 0, sizeof keys);
    }
    Level &level() { return game().level; }
    Object &slot(int i) { return game().level.objects[i]; }
    // A ball at (x, y), size s, moving by (vx, vy) per tick, in the lowest free slot.
    Object *ball(float x, float y, float s, float vx = 0, float vy = 0) {
        Object *b = object_alloc(&game().level);
        b->active = b->ball = 1;
        b->x = x;
        b->y = y;
        b->w = b->h = s;
        b->vx = vx;
        b->vy = vy;
        return b;
    }
    static Event key_down(int32_t key) {
        Event e = event_make(EV_KEYDOWN);
        e.key = key;
        return e;
    }
};

// For its life: a temporary working folder whose catalogue holds one sample, "splat" (a short
// tone), a driver record to keep that catalogue, and the sound layer over an engine without a
// device, so that what the game plays can be read back from the layer.
struct SplatSound {
    std::string dir, old_cwd;
    Driver d{};
    SplatSound() {
        char tmpl[] = "/tmp/glitz_game_XXXXXX";
        dir = mkdtemp(tmpl);
        char cwd[PATH_MAX];
        old_cwd = getcwd(cwd, sizeof cwd) ? cwd : ".";
        EXPECT_EQ(chdir(dir.c_str()), 0);
        EXPECT_EQ(mkdir("data", 0755), 0);
        std::string json = R"({"splat": {"fname": "splat.wav"}})";
        EXPECT_TRUE(write_file("data/data.json", std::vector<uint8_t>(json.begin(), json.end())));
        EXPECT_TRUE(write_file("data/splat.wav", make_wav(22050, 1, 16, 441.0, 0.2, 0.5)));
        driver = &d;
        sound_init_with(SoundEngine::create(false));
        sound_caches_create(data_catalogue(), data_dir());
    }
    ~SplatSound() {
        sound_caches_destroy();
        sound_quit();
        driver = nullptr;
        EXPECT_EQ(chdir(old_cwd.c_str()), 0);
        EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    // The voices last started for "splat" (0, 0 when it never played).
    SoundVoicePair splat() const { return sound_layer->voices[sound_load("splat")]; }
    float volume(VoiceId v) const { return sound_layer->engine->volume(v); }
    float pan(VoiceId v) const { return sound_layer->engine->pan(v); }
};
