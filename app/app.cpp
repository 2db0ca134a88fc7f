// SPDX-License-Identifier: Zlib
// app.cpp - the application record's start-up and shutdown, the states registry and the dispatcher.
#include "app/app_internal.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "app/driver_internal.h"
#include "app/files_internal.h"
#include "app/platform.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"
#include "sound/sound_layer.h"
#include "util/log.h"

// Never destroyed: the states stay allocated (and reachable) until the process ends.
std::map<int32_t, State *> &state_registry = *new std::map<int32_t, State *>;
uint8_t keys[512];
ProgramSettings program_settings;
static std::string s_exe_name = program_name_from(nullptr);
static std::string s_name;   // the name start-up settled on; driver->name points into it

State *current_state(Game *game) { return state_registry[game->state]; }

void change_state(Game *game, int32_t id) {
    if (State *old = current_state(game)) old->leave();
    game->state = id;
    if (State *now = current_state(game)) now->enter();  // an id without a state is never called
}

std::string program_name_from(const char *argv0) {
    const char *fallback = "glitz";
    if (!argv0) return fallback;
    std::string name = argv0;
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::string exe = ".exe";
    if (name.size() > exe.size() && name.compare(name.size() - exe.size(), exe.size(), exe) == 0)
        name.resize(name.size() - exe.size());
    if (name.empty() || name == "." || name == ".." || name.size() > PROGRAM_NAME_MAX) return fallback;
    return name;
}

void program_argv0_set(const char *argv0) { s_exe_name = program_name_from(argv0); }

static bool is_set(const char *text) { return text && *text; }

void game_init(Game *game) {
    register_states(game);   // the program's states (it defines register_states), maybe its settings
    const ProgramSettings &p = program_settings;
    s_name = is_set(p.name) ? p.name : s_exe_name;
    // Before the first line: where the lines go is settled once the per-user folder's name is known.
    platform_diagnostics_keep((platform_user_base() + "/" + s_name).c_str());
    driver_init();
    driver->name = s_name.c_str();
    snprintf(driver->title, sizeof driver->title, "%s", is_set(p.title) ? p.title : s_name.c_str());

    game_files_read(game);
    game->version = 1;
    game->quit = 0;
    driver->tick_rate = 60;
    net_init();
    if (!video_reset()) {   // no window: no state is entered, game_shutdown undoes the rest
        game->state = 0;
        game->quit = GAME_QUIT_FAILED;
        return;
    }
    sound_caches_create(data_catalogue(), data_dir());
    game->state = STATE_MENU;
    SDL_EnableKeyRepeat(0, 0);
    if (is_set(p.music)) {
        music = stream_open(p.music);
        stream_play(music, game->settings.music_volume / 100.0f, 0.0f);
    }
    change_state(game, game->state);
    gfx_tex_decode_ahead_drop();   // what the first screen did not load is not kept
    glitz_info("sizeof(level) = %dk\n", (int)(sizeof(Level) / 1024));
    glitz_info("sizeof(game) = %dk\n", (int)(sizeof(Game) / 1024));
}

void game_event(Game *game, Event e) {
    // The chords read the modifiers the key event carries: the live modifier state may already
    // have moved on when several key events were queued before this frame.
    bool chord_mod = (e.button & (MOD_CTRL | MOD_ALT | MOD_META)) != 0;
    switch (e.type) {
    case EV_KEYDOWN:
        if (e.key >= 0 && e.key < 512) keys[e.key] = 1;
        if (e.key == KEY_F && chord_mod) {
            game->settings.screen_mode = game->settings.screen_mode == 1 ? -1 : 1;
            game_event(game, event_make(EV_RESET));
            return;
        }
        if (e.key == KEY_Q && chord_mod) {
            game_event(game, event_make(EV_CLOSE));
            game->quit = 1;
            return;
        }
        break;
    case EV_KEYUP:
        if (e.key >= 0 && e.key < 512) keys[e.key] = 0;
        break;
    case EV_RESET:
        if (!video_reset()) {   // the state stays current until game_shutdown leaves it
            game->quit = GAME_QUIT_FAILED;
            return;
        }
        change_state(game, game->state);  // leave() and enter() the current state again
        gfx_tex_decode_ahead_drop();
        break;
    case EV_ACTIVE:
        if (e.code == 1 && (e.button & 4) && e.key && game->reactivate) {
            game->reactivate ^= 1;
            if (!video_reset()) {
                game->quit = GAME_QUIT_FAILED;
                return;
            }
            if (State *s = current_state(game)) s->enter();
            gfx_tex_decode_ahead_drop();
        }
        break;
    default:
        break;
    }
    if (e.type == EV_MOUSEDOWN || e.type == EV_MOUSEMOVE || e.type == EV_MOUSEUP) {
        GfxPoint p = gfx_unproject(e.win_pos[0], e.win_pos[1], e.win_rel[0], e.win_rel[1]);
        e.pos[0] = p.x;
        e.pos[1] = p.y;
        e.rel[0] = p.dx;
        e.rel[1] = p.dy;
    }
    if (State *s = current_state(game)) s->event(e);
}

void game_shutdown(Game *game) {
    if (State *s = current_state(game)) s->leave();
    sound_caches_destroy();
    font_table_destroy();
    font_table = nullptr;
    gfx_destroy();
    gfx = nullptr;
    net_quit();
    driver_quit();
}
