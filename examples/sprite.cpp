// SPDX-License-Identifier: Zlib
// glitz_sprite - a sprite on the Glitz framework, drawn with the drawing calls themselves (no
// widgets): the arrow keys move the image "player" over the 1024 x 768 canvas, and the canvas
// edges stop it, so no part of it ever leaves the screen. Text lines show its position and how
// often it ran into each edge; a bar lights along an edge while the sprite presses against it.
//
// USAGE
//   glitz_sprite [--ticks N]        arrow keys move, Escape quits
//
// Reads ./data/data.json; it uses the entries player and font0. With --ticks N it steers itself
// into the right, left, top and bottom edges in turn by handing arrow-key events to the
// framework's dispatcher, as the platform layer would; it quits when done (after N ticks at the
// latest) and exits with 1 unless both assets loaded and the sprite reached every edge and
// stayed inside the canvas on every tick (the build's checks run it so).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <glitz/glitz.h>

namespace {

// The canvas: gfx_view() fits 1024 x 768 units into the window whatever its pixel size.
const int kViewW = 1024;
const int kViewH = 768;
const int kSize = 128;                 // the sprite's side on the canvas (the image is scaled)
const int kMaxX = kViewW - kSize;      // the largest x and y that keep all of it on the canvas
const int kMaxY = kViewH - kSize;
const int kSpeed = 12;                 // canvas units per tick while an arrow key is held
const int kBar = 6;                    // thickness of the bar lit along an edge in contact
const int kMargin = 16;                // text distance from the canvas edge
const int kLine = 34;                  // text line spacing: font0 is 28 units high

enum Edge { LEFT, RIGHT, TOP, BOTTOM, EDGES };
const char *const kEdgeNames[EDGES] = {"LEFT", "RIGHT", "TOP", "BOTTOM"};

long s_quit_after = -1;                // --ticks N; -1: run until closed

class Sprite : public State {
public:
    explicit Sprite(Game *game) : game(game) {}

    // Also after every video reset (Ctrl+F), which voids image and font numbers: look them up
    // again. The position is the state's own and carries on.
    void enter() override {
        image = gfx_img_load("player");
        font = font_load("font0");
    }

    void event(Event e) override {
        if (e.type == EV_KEYDOWN && e.key == KEY_ESCAPE) game->quit = 1;
    }

    // Movement reads the held keys, which the dispatcher keeps in keys[] (key repeat is off, so
    // a held key sends one EV_KEYDOWN and nothing more until it is released).
    void update() override {
        ticks++;
        if (s_quit_after >= 0) drive();
        x += (keys[KEY_RIGHT] - keys[KEY_LEFT]) * kSpeed;
        y += (keys[KEY_DOWN] - keys[KEY_UP]) * kSpeed;
        // The edges: clamp back onto the canvas, and count an arrival when contact begins.
        bool now[EDGES] = {x <= 0, x >= kMaxX, y <= 0, y >= kMaxY};
        x = x < 0 ? 0 : x > kMaxX ? kMaxX : x;
        y = y < 0 ? 0 : y > kMaxY ? kMaxY : y;
        for (int i = 0; i < EDGES; i++) {
            if (now[i] && !touching[i]) hits[i]++;
            touching[i] = now[i];
        }
        if (s_quit_after >= 0) observe();
    }

    // Canvas units from here on: x to the right, y down from the top-left corner.
    void paint() override {
        gfx_view();
        gfx_fill_rect(0x101830, 0, 0, kViewW, kViewH);   // a backdrop, so the canvas shows
        if (touching[LEFT]) gfx_fill_rect(0xFF5555, 0, 0, kBar, kViewH);
        if (touching[RIGHT]) gfx_fill_rect(0xFF5555, kViewW - kBar, 0, kBar, kViewH);
        if (touching[TOP]) gfx_fill_rect(0xFF5555, 0, 0, kViewW, kBar);
        if (touching[BOTTOM]) gfx_fill_rect(0xFF5555, 0, kViewH - kBar, kViewW, kBar);

        gfx_color(255, 255, 255, 255);   // images are tinted by the current colour: white keeps them
        gfx_draw_img(image, (float)x, (float)y, kSize, kSize);

        std::string where = "X " + std::to_string(x) + "  Y " + std::to_string(y);
        std::string edges = "EDGE HITS:";
        for (int i = 0; i < EDGES; i++)
            edges += std::string("  ") + kEdgeNames[i] + " " + std::to_string(hits[i]);
        gfx_color(255, 255, 85, 255);
        font_draw(font, where.c_str(), kMargin, kMargin, 0, -1);   // width 0: one line, from x
        gfx_color(85, 255, 255, 255);
        font_draw(font, edges.c_str(), kMargin, kMargin + kLine, 0, -1);
        gfx_color(170, 170, 170, 255);
        // A width and align 1: each line ends at the right edge of the width.
        font_draw(font, "ARROW KEYS MOVE, ESCAPE QUITS", 0, kViewH - kMargin - kLine, kViewW - kMargin, 1);
        gfx_color(255, 255, 255, 255);
    }

    // What --ticks checks at the end: a line for the report, false when something went missing.
    bool verdict(std::string *line) const {
        std::string wrong;
        if (!image) wrong += " player not found;";
        if (!font) wrong += " font0 not found;";
        if (!outside.empty()) wrong += " " + outside + ";";
        for (int i = 0; i < EDGES; i++) {
            std::string edge = kEdgeNames[i];
            if (!reached[i]) wrong += " no stop at the " + edge + " edge;";
            else if (hits[i] < 1) wrong += " the " + edge + " edge hit was not counted;";
        }
        if (step < kSteps) wrong += " the drive did not finish;";
        *line = wrong.empty() ? "stopped at all four edges, inside the canvas on every tick"
                              : "failed:" + wrong;
        return wrong.empty();
    }

private:
    // The scripted drive: each step holds one arrow key long enough to reach its edge from
    // anywhere and press on against it for a while.
    struct Step { int32_t key; Edge edge; int ticks; };
    static const int kSteps = 4;
    static constexpr Step kDrive[kSteps] = {
        {KEY_RIGHT, RIGHT, kMaxX / kSpeed + 20},
        {KEY_LEFT, LEFT, kMaxX / kSpeed + 20},
        {KEY_UP, TOP, kMaxY / kSpeed + 20},
        {KEY_DOWN, BOTTOM, kMaxY / kSpeed + 20},
    };

    // Keys go through game_event, the dispatcher the platform's events go through: it sets
    // keys[] and hands the event to this state, just as a player's key press would.
    void key(int32_t type, int32_t code) {
        Event e = event_make(type);
        e.key = code;
        game_event(game, e);
    }

    void drive() {
        if (step < kSteps && step_ticks == kDrive[step].ticks) {   // the step is over
            key(EV_KEYUP, kDrive[step].key);
            step++;
            step_ticks = 0;
        }
        if (step < kSteps && step_ticks == 0) key(EV_KEYDOWN, kDrive[step].key);
        step_ticks++;
        if (step == kSteps || ticks >= s_quit_after) game->quit = 1;
    }

    // Checks the sprite after the move, apart from the clamp above: it lies wholly on the canvas,
    // and at the end of a step it sits at the edge it was driven into.
    void observe() {
        if (outside.empty() && (x < 0 || y < 0 || x + kSize > kViewW || y + kSize > kViewH))
            outside = "left the canvas at " + std::to_string(x) + "," + std::to_string(y) + " on tick " +
                      std::to_string(ticks);
        if (step >= kSteps || step_ticks != kDrive[step].ticks) return;
        const int at[EDGES] = {x, kMaxX - x, y, kMaxY - y};   // distance to each edge
        if (at[kDrive[step].edge] == 0) reached[kDrive[step].edge] = true;
    }

    Game *game;
    int32_t image = 0, font = 0;
    int x = (kViewW - kSize) / 2, y = (kViewH - kSize) / 2;   // top-left corner, canvas units
    bool touching[EDGES] = {};
    int hits[EDGES] = {};

    long ticks = 0;                 // the scripted drive and its findings
    int step = 0, step_ticks = 0;
    bool reached[EDGES] = {};
    std::string outside;
};

constexpr Sprite::Step Sprite::kDrive[];

Sprite *s_sprite = nullptr;

}  // namespace

// The framework's start-up asks for the program's states; the first screen goes under STATE_MENU.
void register_states(Game *game) {
    s_sprite = new Sprite(game);
    state_registry[STATE_MENU] = s_sprite;
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--ticks") == 0) {
        s_quit_after = strtol(argv[2], nullptr, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--ticks N]\n", argv[0]);
        return 2;
    }
    program_settings.title = "Glitz sprite";   // the folder takes the executable's name; no music
    SDL_main(argc, argv);
    if (s_quit_after < 0) return 0;
    std::string line;
    bool ok = s_sprite && s_sprite->verdict(&line);
    if (!s_sprite) line = "the state was never made";
    fprintf(stderr, "glitz_sprite: %s\n", line.c_str());
    return ok ? 0 : 1;
}
