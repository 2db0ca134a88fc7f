// SPDX-License-Identifier: Zlib
// The play field's rules without a window: movement, spawning, balls, collisions, points, the pool,
// and the random generator.
#include "test_game_support.h"

#include <cmath>

using LevelRules = GameFixture;

TEST(Random, NeverSeededSequenceStaysInRange) {
    random_restart();
    EXPECT_EQ(random_generator(), 41);
    EXPECT_EQ(random_generator(), 18467);
    EXPECT_EQ(random_generator(), 6334);
    random_restart();
    EXPECT_EQ(random_next(), 41);   // the same start after every restart: nothing seeds it
    int32_t lo = RANDOM_MAX, hi = 0;
    for (int i = 0; i < 200000; i++) {
        int32_t r = random_next();
        lo = std::min(lo, r);
        hi = std::max(hi, r);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, RANDOM_MAX);
    // A scripted source that breaks the contract is folded back into 0..32767.
    ScriptedRandom::use({-1, 40000});
    EXPECT_GE(random_next(), 0);
    EXPECT_LE(random_next(), RANDOM_MAX);
    random_source = random_generator;
    random_restart();
}

TEST_F(LevelRules, ResetPutsThePlayerInSlotZeroAndClearsTheRest) {
    memset(&level(), 0x5A, sizeof(Level));   // whatever a state.dat image held
    level_reset(&game());
    EXPECT_EQ(level().reserved, 0);
    EXPECT_EQ(level().ticks, 0);
    EXPECT_EQ(level().score, 0);
    Object &p = slot(0);
    EXPECT_TRUE(p.active && p.player && !p.ball);
    EXPECT_EQ(p.x, 427);
    EXPECT_EQ(p.y, 598);
    EXPECT_EQ(p.w, 170);
    EXPECT_EQ(p.h, 170);
    EXPECT_EQ(p.y + p.h, FIELD_BOTTOM);
    EXPECT_EQ(p.img, 0);   // no graphics context: nothing to draw, still collides
    for (int i = 1; i < LEVEL_OBJECTS; i++) ASSERT_FALSE(slot(i).active) << i;
    EXPECT_EQ(level_player(&level()), &p);
}

TEST_F(LevelRules, ArrowsMoveThePlayerWithinTheField) {
    level_reset(&game());
    Object &p = slot(0);
    keys[KEY_RIGHT] = 1;
    level_tick(&game());
    EXPECT_EQ(p.x, 435);
    keys[KEY_LEFT] = 1;   // both held: no movement
    level_tick(&game());
    EXPECT_EQ(p.x, 435);
    keys[KEY_RIGHT] = 0;
    level_tick(&game());
    EXPECT_EQ(p.x, 427);
    EXPECT_EQ(p.y, 598);   // never moves vertically

    p.x = 0;
    level_tick(&game());
    EXPECT_EQ(p.x, 0);
    p.x = 3;
    level_tick(&game());
    EXPECT_EQ(p.x, 0);   // clamped, not stopped short

    keys[KEY_LEFT] = 0;
    keys[KEY_RIGHT] = 1;
    float max_x = 0;
    for (int i = 0; i < 200; i++) {
        level_tick(&game());
        max_x = std::max(max_x, p.x);
    }
    EXPECT_EQ(max_x, 854);
    EXPECT_EQ(p.x, 854);
    // Other keys and the table's flag 0 do not steer.
    keys[KEY_RIGHT] = 0;
    keys[KEY_UP] = keys[KEY_DOWN] = keys[0] = 1;
    level_tick(&game());
    EXPECT_EQ(p.x, 854);
    EXPECT_EQ(level().ticks, 206);
}

TEST_F(LevelRules, SpawnDivisorFallsEvery240TicksToFive) {
    EXPECT_EQ(spawn_divisor(0), 15);
    EXPECT_EQ(spawn_divisor(239), 15);
    EXPECT_EQ(spawn_divisor(240), 14);
    EXPECT_EQ(spawn_divisor(479), 14);
    EXPECT_EQ(spawn_divisor(2159), 7);
    EXPECT_EQ(spawn_divisor(2160), 6);
    EXPECT_EQ(spawn_divisor(2399), 6);
    EXPECT_EQ(spawn_divisor(2400), 5);
    EXPECT_EQ(spawn_divisor(100000), 5);
    EXPECT_EQ(spawn_divisor(INT32_MAX), 5);

    // Through the tick: one draw per tick, a ball when it divides evenly.
    level_reset(&game());
    ScriptedRandom::use({30, 1, 1, 1, 1});
    level_tick(&game());
    EXPECT_EQ(ScriptedRandom::draws(), 5);   // the spawn draw and the ball's four
    EXPECT_TRUE(slot(1).active && slot(1).ball);

    level_reset(&game());
    ScriptedRandom::use({31});
    level_tick(&game());
    EXPECT_EQ(ScriptedRandom::draws(), 1);
    EXPECT_FALSE(slot(1).active);
    EXPECT_EQ(level().ticks, 1);

    level_reset(&game());
    level().ticks = 240;
    ScriptedRandom::use({15});   // 15 mod 14 = 1: no ball
    level_tick(&game());
    EXPECT_FALSE(slot(1).active);
    ScriptedRandom::use({28, 1, 1, 1, 1});   // 28 mod 14 = 0 (it would not divide by 15)
    level_tick(&game());
    EXPECT_TRUE(slot(1).active);

    level_reset(&game());
    level().ticks = 2400;
    ScriptedRandom::use({0, 1, 1, 1, 1, 35, 1, 1, 1, 1, 36});
    level_tick(&game());
    level_tick(&game());
    level_tick(&game());
    EXPECT_TRUE(slot(1).active);
    EXPECT_TRUE(slot(2).active);
    EXPECT_FALSE(slot(3).active);
    EXPECT_EQ(level().ticks, 2403);
}

TEST_F(LevelRules, BallFromFourNumbers) {
    level_reset(&game());
    ScriptedRandom::use({100, 5000, 32767, 0});
    ball_spawn(&level());
    Object &b = slot(1);
    EXPECT_TRUE(b.active && b.ball && !b.player);
    EXPECT_EQ(b.w, 100);
    EXPECT_EQ(b.h, 100);
    EXPECT_EQ(b.x, 854);   // 5000 mod 1024 = 904, minus half the size
    EXPECT_EQ(b.y, -100);
    EXPECT_EQ(b.vy, 8.0f);
    EXPECT_EQ(b.vx, -0.5f);
    EXPECT_EQ(b.img, 0);

    // The other ends: the smallest, slowest ball at the left edge drifting right.
    ScriptedRandom::use({59 + 60 * 7, 0, 0, 32767});
    ball_spawn(&level());
    Object &c = slot(2);
    EXPECT_EQ(c.w, 119);
    EXPECT_EQ(c.x, -59.5f);
    EXPECT_EQ(c.y, -119);
    EXPECT_EQ(c.vy, 2.0f);
    EXPECT_EQ(c.vx, 0.5f);
    ScriptedRandom::use({60, 1023, 16384, 16384});
    ball_spawn(&level());
    Object &d = slot(3);
    EXPECT_EQ(d.w, 60);
    EXPECT_EQ(d.x, 993);   // centre at 1023
    EXPECT_NEAR(d.vy, 5.0f, 0.001f);
    EXPECT_NEAR(d.vx, 0.0f, 0.001f);
}

TEST_F(LevelRules, BallsMoveAndRetireStrictlyBelowTheBottom) {
    level_reset(&game());
    slot(0).x = 0;   // out of the way
    Object *b = ball(500, 760, 60, 0.25f, 8);
    level_tick(&game());
    EXPECT_TRUE(b->active);   // exactly on the bottom line: still in the pool
    EXPECT_EQ(b->y, 768);
    EXPECT_EQ(b->x, 500.25f);
    EXPECT_EQ(level().score, 0);
    level_tick(&game());
    EXPECT_FALSE(b->active);
    EXPECT_EQ(level().score, 1);
    // The freed slot is the next one handed out, cleared.
    Object *again = object_alloc(&level());
    EXPECT_EQ(again, b);
    EXPECT_EQ(again->y, 0);
    EXPECT_EQ(again->vy, 0);
}

TEST_F(LevelRules, PointsOnlyWhileThePlayerIsAlive) {
    level_reset(&game());
    slot(0).x = 0;
    ball(500, 767, 60, 0, 2);
    ball(700, 767, 60, 0, 2);
    level_tick(&game());
    EXPECT_EQ(level().score, 2);

    slot(0).player = 0;   // as after a hit: no player is found any more
    Object *late = ball(500, 767, 60, 0, 2);
    level_tick(&game());
    EXPECT_FALSE(late->active);   // retired all the same
    EXPECT_EQ(level().score, 2);
    EXPECT_EQ(level_player(&level()), nullptr);

    // ball_update with no player: moves and retires without a point.
    Object *solo = ball(10, 800, 60, 1, 1);
    ball_update(&game(), solo, nullptr);
    EXPECT_FALSE(solo->active);
    EXPECT_EQ(solo->x, 11);
    EXPECT_EQ(level().score, 2);
}

TEST(RectOverlap, EdgesAndNegativeSizes) {
    FieldRect hit{100, 100, 32, 16};
    // a's top edge on b's bottom edge: touching counts.
    EXPECT_TRUE(rect_overlap({100, 116, 10, 10}, hit));
    EXPECT_FALSE(rect_overlap({100, 116.01f, 10, 10}, hit));
    // a's left edge on b's right edge: touching counts.
    EXPECT_TRUE(rect_overlap({132, 105, 10, 5}, hit));
    EXPECT_FALSE(rect_overlap({132.01f, 105, 10, 5}, hit));
    // a's bottom edge on b's top edge: no.
    EXPECT_FALSE(rect_overlap({100, 90, 10, 10}, hit));
    EXPECT_TRUE(rect_overlap({100, 90.01f, 10, 10}, hit));
    // a's right edge on b's left edge: no.
    EXPECT_FALSE(rect_overlap({90, 105, 10, 5}, hit));
    EXPECT_TRUE(rect_overlap({90.01f, 105, 10, 5}, hit));
    // Containment both ways.
    EXPECT_TRUE(rect_overlap({0, 0, 500, 500}, hit));
    EXPECT_TRUE(rect_overlap({110, 104, 1, 1}, hit));
    // Negative sizes are flipped first: {142, 105, -10, 5} is {132, 105, 10, 5}.
    EXPECT_TRUE(rect_overlap({142, 105, -10, 5}, hit));
    EXPECT_FALSE(rect_overlap({100, 100, 10, -10}, hit));   // {100, 90, 10, 10}: bottom on top
    EXPECT_TRUE(rect_overlap({110, 104, 1, 1}, {132, 116, -32, -16}));
}

TEST_F(LevelRules, HitOnTheHitBoxEndsTheRunWithinTheTick) {
    SplatSound sound;
    game().settings.sound_volume = 80;
    level_reset(&game());
    change_state(&game(), STATE_PLAY);   // resets again: the same field
    Object &p = slot(0);
    // Hit box: x 427 + 85 - 16 = 496 .. 528, y 614 .. 630. Balls placed so that after moving
    // by (0, 1) they overlap vertically.
    Object *miss = ball(496 - 40, 600, 40, 0, 1);   // right edge on the box's left edge
    level_tick(&game());
    EXPECT_EQ(game().state, STATE_PLAY);
    EXPECT_TRUE(p.player);
    EXPECT_EQ(sound.splat().a, 0u) << "splat before any hit";
    miss->active = 0;

    Object *left_on_right = ball(528, 600, 40, 0, 1);   // left edge on the box's right edge
    Object *retiring = ball(0, 768, 40, 0, 1);          // leaves the field in the same tick, after the hit
    level_tick(&game());
    EXPECT_EQ(game().state, STATE_FAIL);
    EXPECT_FALSE(p.player);
    EXPECT_TRUE(p.active);   // the figure stays in its slot, with the "blank" image
    EXPECT_EQ(p.img, 0);
    EXPECT_TRUE(left_on_right->active);   // the ball keeps falling
    EXPECT_EQ(left_on_right->y, 601);
    EXPECT_FALSE(retiring->active);
    EXPECT_EQ(level().score, 1);   // the player found at the start of the tick counts for all its balls
    // "splat" at sound_volume / 100, pan 0: its two voices (centre and left) at half of 0.8 each.
    SoundVoicePair splat = sound.splat();
    ASSERT_NE(splat.a, 0u) << "no splat at the hit";
    EXPECT_FLOAT_EQ(sound.volume(splat.a), 0.4f);
    EXPECT_FLOAT_EQ(sound.pan(splat.a), 0.0f);
    EXPECT_FLOAT_EQ(sound.volume(splat.b), 0.4f);
    EXPECT_FLOAT_EQ(sound.pan(splat.b), -1.0f);

    // From now on nothing is found: no points, no further hits, the player no longer moves.
    keys[KEY_LEFT] = 1;
    for (int i = 0; i < 200; i++) level_tick(&game());
    EXPECT_FALSE(left_on_right->active);
    EXPECT_EQ(level().score, 1);
    EXPECT_EQ(p.x, 427);
    EXPECT_EQ(game().state, STATE_FAIL);

    // The box's vertical edges, 16 below the figure's top and HITBOX_H apart: balls 40 high move by
    // (0, 1) so that a bottom lies on its top (miss), a top on its bottom (hit), or one unit beyond.
    const struct { float y; bool hit; } vertical[] = {{573, false}, {574, true}, {629, true}, {630, false}};
    for (const auto &c : vertical) {
        change_state(&game(), STATE_PLAY);   // a fresh field
        ball(500, c.y, 40, 0, 1);
        level_tick(&game());
        EXPECT_EQ(game().state, c.hit ? STATE_FAIL : STATE_PLAY) << "ball top at " << c.y + 1;
    }
}

TEST_F(LevelRules, FullPoolDropsNewBallsUntilASlotIsFree) {
    level_reset(&game());
    for (int i = 1; i < LEVEL_OBJECTS; i++) ball(10, -500, 60, 0, 0);
    for (int i = 0; i < LEVEL_OBJECTS; i++) ASSERT_TRUE(slot(i).active);
    Level before = level();

    Object *scratch = object_alloc(&level());
    EXPECT_TRUE(object_is_scratch(scratch));
    scratch->active = 1;
    scratch->x = 99;
    EXPECT_EQ(object_alloc(&level()), scratch);   // cleared on every such call
    EXPECT_EQ(scratch->active, 0);
    EXPECT_EQ(scratch->x, 0);

    ScriptedRandom::use({100, 5000, 32767, 0});
    ball_spawn(&level());   // lands on the scratch object: the pool is unchanged
    EXPECT_EQ(memcmp(&before, &level(), sizeof(Level)), 0);
    ScriptedRandom::use({0, 100, 5000, 32767, 0});
    level_tick(&game());   // a spawn draw that hits: still nothing appears
    for (int i = 1; i < LEVEL_OBJECTS; i++) ASSERT_EQ(slot(i).x, 10) << i;

    slot(77).active = 0;
    ScriptedRandom::use({100, 5000, 32767, 0});
    ball_spawn(&level());
    EXPECT_TRUE(slot(77).active);
    EXPECT_EQ(slot(77).x, 854);
}

TEST_F(LevelRules, TicksAndScoreStopAtTheirLargestValue) {
    level_reset(&game());
    slot(0).x = 0;
    level().ticks = INT32_MAX;
    level().score = INT32_MAX;
    ball(500, 800, 60, 0, 1);
    level_tick(&game());
    EXPECT_EQ(level().ticks, INT32_MAX);
    EXPECT_EQ(level().score, INT32_MAX);
}
