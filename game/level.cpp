// SPDX-License-Identifier: Zlib
// level.cpp - the play field's rules: the object pool, the player, spawning, moving and retiring
// balls, collisions, and drawing.
#include "game/level.h"

#include <cstdint>
#include <cstring>
#include "app/app.h"
#include "game/random.h"
#include "gfx/gfx.h"
#include "sound/sound.h"

// Handed out by object_alloc when every slot is in use: written to, never updated or drawn.
static Object level_scratch;

bool object_is_scratch(const Object *o) { return o == &level_scratch; }

Object *object_alloc(Level *level) {
    for (Object &o : level->objects) {
        if (!o.active) {
            o = Object{};
            return &o;
        }
    }
    level_scratch = Object{};
    return &level_scratch;
}

Object *player_create(Level *level) {
    Object *p = object_alloc(level);
    p->w = p->h = PLAYER_SIZE;
    p->active = 1;
    p->player = 1;
    p->x = PLAYER_X;
    p->y = PLAYER_Y;
    p->img = gfx_img_load("player");
    return p;
}

void level_reset(Game *game) {
    Level *level = &game->level;
    memset(level, 0, sizeof *level);
    player_create(level);
    level->ticks = 0;
}

void ball_spawn(Level *level) {
    Object *b = object_alloc(level);
    b->active = 1;
    b->ball = 1;
    float s = (float)(random_next() % 60 + 60);
    b->w = b->h = s;
    b->x = (float)(random_next() % FIELD_WIDTH) - s * 0.5f;
    b->y = -s;
    float q = (float)(random_next() / 32767.0);
    b->vy = (float)(q * 6.0 + 2.0);
    q = (float)(random_next() / 32767.0);
    b->vx = (float)(q - 0.5);
    b->img = gfx_img_load("ball");
}

bool rect_overlap(FieldRect a, FieldRect b) {
    for (FieldRect *r : {&a, &b}) {
        if (r->w < 0) { r->x += r->w; r->w = -r->w; }
        if (r->h < 0) { r->y += r->h; r->h = -r->h; }
    }
    return a.y <= b.y + b.h && a.x + a.w > b.x && a.y + a.h > b.y && b.x + b.w >= a.x;
}

void ball_update(Game *game, Object *ball, Object *player) {
    ball->x += ball->vx;
    ball->y += ball->vy;
    if (player) {
        FieldRect hit{player->x + player->w * 0.5f - 16, player->y + 16, HITBOX_W, HITBOX_H};
        if (rect_overlap(FieldRect{ball->x, ball->y, ball->w, ball->h}, hit)) {
            player->img = gfx_img_load("blank");   // the figure vanishes; its slot stays in use
            player->player = 0;
            sound_play(sound_load("splat"), game->settings.sound_volume / 100.0f, 0.0f);
            change_state(game, STATE_FAIL);
        }
    }
    if (ball->y > FIELD_BOTTOM) {
        ball->active = 0;
        if (player && game->level.score < INT32_MAX) game->level.score++;
    }
}

Object *level_player(Level *level) {
    Object *player = nullptr;
    for (Object &o : level->objects)
        if (o.active && o.player) player = &o;
    return player;
}

int32_t spawn_divisor(int32_t ticks) {
    int32_t n = SPAWN_DIVISOR_START - ticks / SPAWN_DIVISOR_TICKS;
    return n < SPAWN_DIVISOR_MIN ? SPAWN_DIVISOR_MIN : n;
}

void level_tick(Game *game) {
    Level *level = &game->level;
    Object *player = level_player(level);   // once per tick, also for balls after a hit
    for (Object &o : level->objects) {
        if (!o.active) continue;
        if (o.player) {
            int32_t dx = (keys[KEY_RIGHT] - keys[KEY_LEFT]) * PLAYER_SPEED;
            o.x += (float)dx;
            if (o.x < 0) o.x = 0;
            if (o.x > FIELD_WIDTH - o.w) o.x = FIELD_WIDTH - o.w;
        }
        if (o.ball) ball_update(game, &o, player);
    }
    if (random_next() % spawn_divisor(level->ticks) == 0) ball_spawn(level);
    if (level->ticks < INT32_MAX) level->ticks++;   // a run of a year and more stays at the floor
}

void level_paint(Game *game) {
    gfx_batch_begin();   // the balls share one texture: one draw call for all of them
    for (const Object &o : game->level.objects)
        if (o.active && o.img) gfx_draw_img(o.img, o.x, o.y, o.w, o.h);
    gfx_batch_end();
}
