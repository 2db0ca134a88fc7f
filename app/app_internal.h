// SPDX-License-Identifier: Zlib
// app_internal.h - the application's insides that SDL_main drives: start-up, the event
// dispatcher, shutdown, the program's name and the frame loop's tick timer. The framework and its
// tests include it; programs start everything with SDL_main (app/app.h), and it is not installed.
#pragma once
#include <cstdint>
#include <string>
#include "app/app.h"

// SDL, files, video, sound caches, music; register_states() first, then STATE_MENU becomes current.
void game_init(Game *game);
State *current_state(Game *game);         // registry entry of game->state (may be null)
// The name a program gets when it names none: the last element of argv0 (either slash), without a
// trailing ".exe"; "glitz" when argv0 is null or that element is empty, "." or "..", or longer
// than PROGRAM_NAME_MAX bytes. SDL_main hands it its argv[0].
enum { PROGRAM_NAME_MAX = 64 };
std::string program_name_from(const char *argv0);
void program_argv0_set(const char *argv0);   // SDL_main; game_init without it uses "glitz"
void game_files_read(Game *game);         // state.dat and settings.dat with their defaults (files.cpp)
void game_shutdown(Game *game);

// Tick timer. ticks_due() sleeps until the next tick is due and returns how many ticks this frame
// runs (1..8); the tick rate is driver->tick_rate (60 when there is no driver or no rate).
// tick_length(ms, k) is the whole length of tick k for a nominal length ms (17, 16, 17, 16, 16, ...).
int32_t ticks_due();
int32_t tick_length(float ms, int32_t k);
extern uint32_t (*tick_clock)();           // millisecond clock; SDL_GetTicks by default
extern void (*tick_sleep)(uint32_t ms);    // sleep; SDL_Delay by default
extern void (*frame_present)();            // shows the painted frame; SDL_GL_SwapBuffers by default
void ticks_restart();                      // forget the timer's state (tests; a paused page)
