// SPDX-License-Identifier: Zlib
// Tick timer: tick lengths at 60 per second, catch-up of late frames, dropped backlog.
#include <gtest/gtest.h>
#include <vector>
#include "app/app_internal.h"
#include "app/driver_internal.h"

namespace {

uint32_t fake_now = 0;
std::vector<uint32_t> slept;
uint32_t fake_clock() { return fake_now; }
void fake_sleep(uint32_t ms) { slept.push_back(ms); fake_now += ms; }

struct TimerTest : testing::Test {
    Driver d{};
    void SetUp() override {
        d.aspect = 1;
        d.tick_rate = 60;
        driver = &d;
        tick_clock = fake_clock;
        tick_sleep = fake_sleep;
        ticks_restart();
        fake_now = 1000;
        slept.clear();
    }
    void TearDown() override { driver = nullptr; }
};

}  // namespace

TEST(TickLength, SixtyPerSecondPattern) {
    float ms = 1000.0f / 60;
    const int first[] = {17, 16, 17, 16, 16, 17, 16, 16, 17};
    for (int k = 0; k < 9; k++) EXPECT_EQ(tick_length(ms, k), first[k]) << "k=" << k;
    int total = 0;
    for (int k = 0; k < 37; k++) total += tick_length(ms, k);
    EXPECT_EQ(total, 605);
    // Whole lengths have no fraction to spread; huge counters do not overflow.
    for (int k = 0; k < 50; k++) EXPECT_EQ(tick_length(10.0f, k), 10);
    int32_t big = tick_length(ms, INT32_MAX);
    EXPECT_TRUE(big == 16 || big == 17);
}

TEST_F(TimerTest, FirstFrameRunsOneTickAndSteadyStateSleeps) {
    EXPECT_EQ(ticks_due(), 1);
    ASSERT_EQ(slept.size(), 1u);
    EXPECT_EQ(slept[0], 0u);  // a sleep of 0 is still requested
    // Next frame 5 ms later: sleeps the remaining 12 ms of the 17 ms tick and runs one tick.
    fake_now += 5;
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), 12u);
    // Steady state: each frame sleeps exactly one tick length (ticks 1..37 here).
    uint32_t start = fake_now, expected = 0;
    for (int k = 1; k <= 37; k++) expected += (uint32_t)tick_length(1000.0f / 60, k);
    for (int i = 0; i < 37; i++) EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(fake_now - start, expected);
}

TEST_F(TimerTest, LateFrameCatchesUp) {
    ASSERT_EQ(ticks_due(), 1);  // next due at 1017
    fake_now = 1017 + 40;       // 40 ms late: ticks of 16, 17, 16 ms bring next to 1066
    EXPECT_EQ(ticks_due(), 3);
    EXPECT_EQ(slept.back(), 0u);
    // Next due at 1066: a frame at 1060 sleeps 6 ms and runs one tick.
    fake_now = 1060;
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), 6u);
}

TEST_F(TimerTest, ClockMovingDuringFirstCallCountsAsLate) {
    // The first reading sets the due time; a clock 40 ms on at the second reading runs
    // the ticks of 17, 16 and 17 ms.
    uint32_t readings[] = {0, 40};
    static uint32_t *r;
    static int i;
    r = readings;
    i = 0;
    tick_clock = [] { return r[i < 1 ? i++ : 1]; };
    EXPECT_EQ(ticks_due(), 3);
}

TEST_F(TimerTest, BacklogBeyondEightTicksIsDropped) {
    ASSERT_EQ(ticks_due(), 1);
    fake_now += 1000;
    uint32_t late = fake_now;
    EXPECT_EQ(ticks_due(), 8);
    // The next tick is due one tick length after the late reading, not at the old schedule.
    // Ticks 0..8 were handed out; tick 9 (16 ms) follows the late clock reading.
    fake_now = late + 5;
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), (uint32_t)tick_length(1000.0f / 60, 9) - 5);
}

TEST_F(TimerTest, EightTicksExactlyCatchingUpIsNoBacklog) {
    ASSERT_EQ(ticks_due(), 1);  // next 1017
    // Ticks 1..8 (16+17+16+16+17+16+16+17 = 131) bring next to 1148 = now: 8 ticks, the
    // schedule is kept (a dropped backlog would add one more tick length and sleep it).
    fake_now = 1148;
    EXPECT_EQ(ticks_due(), 8);
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), 0u);
}

TEST_F(TimerTest, ClockRunningBackwardsOnlySleepsLonger) {
    ASSERT_EQ(ticks_due(), 1);  // next 1017
    fake_now = 900;
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), 117u);
}

TEST_F(TimerTest, ClockWrapAroundKeepsPace) {
    fake_now = 0xFFFFFFF0u;
    ASSERT_EQ(ticks_due(), 1);  // next wraps to 1
    fake_now = 0xFFFFFFF8u;
    EXPECT_EQ(ticks_due(), 1);
    EXPECT_EQ(slept.back(), 9u);
}

TEST_F(TimerTest, MissingTickRateFallsBackToSixty) {
    d.tick_rate = 0;
    ASSERT_EQ(ticks_due(), 1);
    fake_now += 5;
    ticks_due();
    EXPECT_EQ(slept.back(), 12u);
}
