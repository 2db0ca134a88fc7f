// level.h - the play field: a fixed pool of 256 objects inside the application record.
//
// The field lives in Game::level (app/app.h), so its bytes are part of the state.dat image: the
// layout below is fixed (little-endian, 4-byte fields, no padding) and checked at compile time.
//
//   Level &lv = game->level;
//   for (Object &o : lv.objects) if (o.active && o.img) gfx_draw_img(o.img, o.x, o.y, o.w, o.h);
#pragma once
#include <cstddef>
#include <cstdint>

enum { LEVEL_OBJECTS = 256 };

// One slot of the pool (40 bytes). x, y is the top-left corner in play-field units, y downwards.
struct Object {
    int32_t active;   // nonzero while the slot is in use
    int32_t player;   // nonzero: the player's figure, steered by the arrow keys
    int32_t ball;     // nonzero: a falling ball
    float x, y;
    float w, h;
    float vx, vy;     // units per tick
    int32_t img;      // image slot (gfx_img_load), 0 = not drawn
};

struct Level {
    int32_t reserved;               // 0, never read
    int32_t ticks;                  // ticks since the last reset
    Object objects[LEVEL_OBJECTS];  // the pool
    int32_t score;                  // balls that left the field while the player was alive
};

static_assert(sizeof(Object) == 40, "Object is 10 words");
static_assert(offsetof(Object, x) == 12 && offsetof(Object, vx) == 28 && offsetof(Object, img) == 36,
              "Object field offsets");
static_assert(sizeof(Level) == 10252, "Level is 2563 words");
static_assert(offsetof(Level, objects) == 8 && offsetof(Level, score) == 10248, "Level field offsets");
