// SPDX-License-Identifier: Zlib
// timer.cpp - the tick timer: how many fixed-length ticks a frame runs, and the sleep before it.
#include "app/app_internal.h"

#include <SDL.h>
#include "app/driver_internal.h"

static uint32_t sdl_clock() { return SDL_GetTicks(); }
static void sdl_sleep(uint32_t ms) { SDL_Delay(ms); }

uint32_t (*tick_clock)() = sdl_clock;
void (*tick_sleep)(uint32_t ms) = sdl_sleep;

static int32_t tick_started = 0;  // 0 until the first ticks_due()
static uint32_t tick_next = 0;    // clock time at which the next tick is due
static uint32_t tick_counter = 0; // tick lengths handed out so far (wraps after 2^32, as 32 bits do)

void ticks_restart() {
    tick_started = 0;
    tick_next = 0;
    tick_counter = 0;
}

// Spreads the fraction of ms over a period of 37 ticks. ms and frac are single precision on
// purpose: at 60 ticks per second that gives 17, 16, 17, 16, 16, 17, ... (37 ticks = 605 ms).
int32_t tick_length(float ms, int32_t k) {
    int32_t whole = (int32_t)ms;
    float frac = ms - (float)whole;
    int32_t k37 = (int32_t)(37u * (uint32_t)k);  // wraps like the 32-bit product, without overflow
    int32_t a = (int32_t)((float)k37 * frac) % 37;
    int32_t b = (int32_t)(37 * frac);
    return a < b ? whole + 1 : whole;
}

// Signed distance from b to a on the wrapping millisecond clock.
static int32_t clock_diff(uint32_t a, uint32_t b) { return (int32_t)(a - b); }

int32_t ticks_due() {
    if (!tick_started) {
        tick_started = 1;
        tick_next = tick_clock();
    }
    uint32_t now = tick_clock();
    float d = (float)clock_diff(tick_next, now);
    if (d < 0) d = 0;
    tick_sleep((uint32_t)d);

    int32_t rate = driver && driver->tick_rate > 0 ? driver->tick_rate : 60;
    float ms = 1000.0f / (float)rate;
    tick_next += (uint32_t)tick_length(ms, (int32_t)tick_counter++);
    int32_t n = 1;
    if (clock_diff(tick_next, now) >= 0) return n;
    // Late: one more tick for every tick time that has passed, at most 8 in all.
    while (n < 8) {
        tick_next += (uint32_t)tick_length(ms, (int32_t)tick_counter++);
        n++;
        if (clock_diff(tick_next, now) >= 0) return n;
    }
    // Still behind after 8: drop the backlog instead of speeding up later frames.
    tick_next = now + (uint32_t)tick_length(ms, (int32_t)tick_counter++);
    return 8;
}
