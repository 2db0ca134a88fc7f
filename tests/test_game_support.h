// test_game_support.h - shared set-up for the game tests: a fresh application record, an empty keys
// table, and a scripted random source (numbers handed out in order, then 1: "no spawn").
#pragma once
#include <gtest/gtest.h>
#include <cstring>
#include <deque>
#include "app/app.h"
#include "game/level.h"
#include "game/random.h"
#include "game/states.h"

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
