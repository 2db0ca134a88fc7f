// level.h - the play field: a fixed pool of 256 objects inside the application record.
//
// The field lives in Game::level (app/app.h), so its bytes are part of the state.dat image: the
// layout below is fixed (little-endian, 4-byte fields, no padding) and checked at compile time.
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

struct Game;

enum { LEVEL_OBJECTS = 256 };

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
