// SPDX-License-Identifier: Zlib
// level.h - the play field: a fixed pool of 256 objects inside the application record.
//
// The field lives in Game::level, so its bytes are part of the state.dat image: its records, Level
// and Object, are defined with the application record in app/app.h.
//
//   level_reset(game);       // score 0, ticks 0, no balls, the player centred at the bottom (slot 0)
//   level_tick(game);        // once per tick: move the player by the arrow keys, move, collide and
//                            // retire the balls, maybe spawn one; a hit switches to the Fail state
//   level_paint(game);       // every active object with an image, in slot order (balls over the player)
//
// Play runs level_tick as its update and Fail keeps running it after a hit (no player left: balls
// fall without collisions or points). level_tick allocates nothing; random numbers come from
// game/random.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include "app/app.h"   // Game and the records of the field: Level, Object

// Play-field constants: units of the 1024 x 768 view, speeds in units per tick.
enum {
    FIELD_WIDTH = 1024,          // right clamp of the player, range of ball centres
    FIELD_BOTTOM = 768,          // balls whose top passes it are retired
    PLAYER_SIZE = 170,
    PLAYER_X = 427,              // (1024 - 170) / 2
    PLAYER_Y = 598,              // feet on the bottom line
    PLAYER_SPEED = 8,
    HITBOX_W = 32,               // hit box: x + w / 2 - 16, y + 16, 32 x 16
    HITBOX_H = 16,
    SPAWN_DIVISOR_START = 15,    // one ball per divisor draws on average ...
    SPAWN_DIVISOR_MIN = 5,       // ... falling by one every 240 ticks down to 5
    SPAWN_DIVISOR_TICKS = 240,
};

// x, y, w, h of a rectangle for the collision test.
struct FieldRect { float x, y, w, h; };

void level_reset(Game *game);          // clear the whole record, create the player, ticks = 0
Object *object_alloc(Level *level);    // lowest free slot, cleared; a cleared scratch object when full
Object *player_create(Level *level);   // the player's figure from object_alloc (slot 0 after a reset)
void ball_spawn(Level *level);         // one ball from four random numbers
void ball_update(Game *game, Object *ball, Object *player);   // move, hit test, retire; player may be null
Object *level_player(Level *level);    // last active slot with the player flag, or null
int32_t spawn_divisor(int32_t ticks);  // 15 - ticks / 240, at least 5
void level_tick(Game *game);
void level_paint(Game *game);
bool rect_overlap(FieldRect a, FieldRect b);   // a's top/left edges on b's bottom/right count as touching
bool object_is_scratch(const Object *o);       // the stand-in object_alloc gives when the pool is full
