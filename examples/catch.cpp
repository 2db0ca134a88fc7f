// SPDX-License-Identifier: Zlib
// glitz_catch - a whole small game on the Glitz framework in one file: balls fall one at a time,
// a paddle catches them. A title screen, play with a score and three lives, a game-over screen
// with the score, and back to the title; a sound on every catch and miss, music from start-up.
// Three states switched with change_state, everything drawn with the drawing calls.
//
// USAGE
//   glitz_catch [--ticks N]       Enter or Space starts, Left and Right move, Escape leaves
//
// Reads ./data/data.json; it uses the entries font0, font1, font2, ball, splat, death and music.
// With --ticks N it plays by itself, handing key events to the framework's dispatcher as the
// platform layer would: it starts a game from the title, catches the first two balls
// (kScriptCatches), lets the rest fall until the game is over and goes back to the title. It
// quits when done (after N ticks at the latest) and exits with 1 unless every asset loaded and
// the screens, catches, misses and score came as expected (the build's checks run it so).
//
// Sections: constants and the shared match; the scripted player; Title; Play; Over; main.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include <glitz/glitz.h>

namespace {

// The canvas: gfx_view() fits 1024 x 768 units into the window whatever its pixel size.
const int kViewW = 1024;
const int kViewH = 768;

const int kPaddleW = 160;
const int kPaddleH = 20;
const int kPaddleY = kViewH - 60;     // the paddle's top
const int kPaddleSpeed = 14;          // canvas units per tick while an arrow key is held
const int kBallSize = 64;             // the ball image (512 x 512) is drawn at this size
const float kFallSpeed = 6.0f;        // units per tick of the first ball
const float kFallGain = 0.75f;        // and more for every ball caught
const int kLives = 3;                 // misses until the game is over
const int kLifeSize = 28;             // the lives left, drawn as small balls at the top right

// State ids: the first screen goes under STATE_MENU; other ids are the program's to choose.
const int32_t kStateTitle = STATE_MENU;
const int32_t kStatePlay = 10;
const int32_t kStateOver = 11;

// What --ticks does: the balls it catches, its pause on the title and game-over screens, and a
// fixed seed so the run is the same every time.
const int kScriptCatches = 2;
const int kScriptPause = 40;
const unsigned kScriptSeed = 7;

long s_quit_after = -1;               // --ticks N; -1: run until closed
std::mt19937 s_random;

// The game in progress, shared by the screens: the title starts one, play ends it, the game-over
// screen shows it. It lives outside the states because enter() also runs after every video reset
// (Ctrl+F), which must not restart a game.
struct Match {
    int score = 0;
    int lives = kLives;
    int best = 0;
    bool fresh = false;   // started on the title, not yet set up by play
} s_match;

// Centred text in a colour: gfx_color sets the colour the glyphs are drawn in.
void text(int32_t font, const std::string &s, int y, uint8_t r, uint8_t g, uint8_t b) {
    gfx_color(r, g, b, 255);
    font_draw(font, s.c_str(), 0, (float)y, kViewW, 0);   // the width kViewW, align 0: centred
    gfx_color(255, 255, 255, 255);
}

// ---- The scripted player (--ticks) ----------------------------------------------------------

// Plays through the dispatcher, game_event, which is where the platform's key events go: it
// keeps keys[] and hands the event to the current state, just as a player's key press would.
struct Script {
    bool on = false;
    long ticks = 0;
    std::vector<std::string> screens;   // screens in the order they were entered
    int catches = 0, misses = 0, final_score = -1;
    int32_t held = 0;                   // the arrow key it holds down, 0 for none
    std::vector<std::string> lost;      // assets that did not load

    // Notes an asset that loaded as handle 0 (a missing name or file); returns the handle.
    int32_t need(int32_t handle, const char *name) {
        if (!handle && std::find(lost.begin(), lost.end(), name) == lost.end()) lost.push_back(name);
        return handle;
    }

    void key(Game *game, int32_t type, int32_t code) {
        Event e = event_make(type);
        e.key = code;
        game_event(game, e);
    }
    void press(Game *game, int32_t code) {
        key(game, EV_KEYDOWN, code);
        key(game, EV_KEYUP, code);
    }
    void hold(Game *game, int32_t code) {   // 0 releases
        if (code == held) return;
        if (held) key(game, EV_KEYUP, held);
        held = code;
        if (held) key(game, EV_KEYDOWN, held);
    }
    void tick(Game *game) {
        if (on && ++ticks >= s_quit_after) game->quit = 1;
    }

    // The run it expects: title, play, game over, title again; every catch and miss counted.
    bool verdict(std::string *line) const {
        std::string wrong;
        for (const std::string &name : lost) wrong += " " + name + " not found;";
        const std::vector<std::string> want = {"title", "play", "over", "title"};
        if (screens != want) {
            wrong += " screens";
            for (const std::string &s : screens) wrong += " " + s;
            wrong += " (expected title play over title);";
        }
        auto count = [&](int got, int expected, const char *what) {
            if (got != expected)
                wrong += " " + std::to_string(got) + what + " (expected " + std::to_string(expected) + ");";
        };
        count(catches, kScriptCatches, " catches");
        count(misses, kLives, " misses");
        if (final_score < 0) wrong += " no game over;";
        else count(final_score, kScriptCatches, " points at game over");
        *line = wrong;
        return wrong.empty();
    }
} s_script;

// ---- Title ----------------------------------------------------------------------------------

class Title : public State {
public:
    explicit Title(Game *game) : game(game) {}

    // Fonts and images are looked up by name here, in enter(), because a video reset voids their
    // numbers; a name asked for before comes back from a cache at once.
    void enter() override {
        big = s_script.need(font_load("font2"), "font2");
        mid = s_script.need(font_load("font1"), "font1");
        small = s_script.need(font_load("font0"), "font0");
        ball = s_script.need(gfx_img_load("ball"), "ball");
        ticks = 0;
        s_script.screens.push_back("title");
    }

    void event(Event e) override {
        if (e.type != EV_KEYDOWN) return;
        if (e.key == KEY_ESCAPE) game->quit = 1;
        if (e.key == KEY_ENTER || e.unicode == ' ') {   // Space has no key code: it is in unicode
            s_match.score = 0;
            s_match.lives = kLives;
            s_match.fresh = true;
            change_state(game, kStatePlay);
        }
    }

    void update() override {
        ticks++;
        s_script.tick(game);
        if (!s_script.on || ticks != kScriptPause) return;
        if (s_script.screens.size() > 1) game->quit = 1;   // back from a game: the run is done
        else s_script.press(game, KEY_ENTER);
    }

    void paint() override {
        gfx_view();
        gfx_fill_rect(0x102040, 0, 0, kViewW, kViewH);
        for (int i = 0; i < 5; i++) {   // a row of balls bobbing, each a little behind the last
            float y = 90 + 20 * std::sin((ticks + i * 12) * 0.08f);
            gfx_draw_img(ball, 272 + i * 100, y, kBallSize, kBallSize);
        }
        text(big, "CATCH!", 200, 255, 255, 85);
        text(mid, "PRESS ENTER TO PLAY", 400, 255, 255, 255);
        text(small, "LEFT AND RIGHT MOVE THE PADDLE, ESCAPE QUITS", 480, 170, 170, 170);
        if (s_match.best > 0) text(mid, "BEST " + std::to_string(s_match.best), 580, 85, 255, 255);
    }

private:
    Game *game;
    int32_t big = 0, mid = 0, small = 0, ball = 0;
    long ticks = 0;
};

// ---- Play -----------------------------------------------------------------------------------

class Play : public State {
public:
    explicit Play(Game *game) : game(game) {}

    void enter() override {
        font = s_script.need(font_load("font1"), "font1");
        ball = s_script.need(gfx_img_load("ball"), "ball");
        splat = s_script.need(sound_load("splat"), "splat");   // sound handles outlive video resets
        death = s_script.need(sound_load("death"), "death");
        if (s_match.fresh) {           // a new game; a re-entry after Ctrl+F carries on
            s_match.fresh = false;
            paddle_x = (kViewW - kPaddleW) / 2;
            drop();
        }
        s_script.screens.push_back("play");
    }

    void leave() override { s_script.hold(game, 0); }   // let go of the arrow key it held

    void event(Event e) override {
        if (e.type == EV_KEYDOWN && e.key == KEY_ESCAPE) change_state(game, kStateTitle);
    }

    // One tick: move the paddle by the held keys, let the ball fall, decide catch or miss.
    void update() override {
        s_script.tick(game);
        if (s_script.on) steer();
        paddle_x += (keys[KEY_RIGHT] - keys[KEY_LEFT]) * kPaddleSpeed;
        paddle_x = paddle_x < 0 ? 0 : paddle_x > kViewW - kPaddleW ? kViewW - kPaddleW : paddle_x;

        ball_y += fall;
        if (!below && ball_y + kBallSize >= kPaddleY) {   // the ball reached the paddle's height
            if (ball_x + kBallSize > paddle_x && ball_x < paddle_x + kPaddleW) {
                s_match.score++;
                s_script.catches++;
                sound_play(splat, volume(), pan());
                drop();
            } else {
                below = true;   // past the paddle: it can only fall out now
            }
        }
        if (ball_y > kViewH) {
            s_match.lives--;
            s_script.misses++;
            sound_play(death, volume(), pan());
            if (s_match.lives == 0) {
                change_state(game, kStateOver);
                return;
            }
            drop();
        }
    }

    void paint() override {
        gfx_view();
        gfx_fill_rect(0x081020, 0, 0, kViewW, kViewH);
        gfx_fill_rect(0x55FFFF, paddle_x, kPaddleY, kPaddleW, kPaddleH);
        gfx_color(255, 255, 255, 255);
        gfx_draw_img(ball, ball_x, ball_y, kBallSize, kBallSize);
        for (int i = 1; i <= s_match.lives; i++)
            gfx_draw_img(ball, kViewW - i * (kLifeSize + 8) - 12, 20, kLifeSize, kLifeSize);
        gfx_color(255, 255, 85, 255);
        font_draw(font, ("SCORE " + std::to_string(s_match.score)).c_str(), 20, 10, 0, -1);
        gfx_color(255, 255, 255, 255);
    }

private:
    // A new ball at a random place above the canvas, a little faster for every ball caught.
    void drop() {
        ball_x = (float)std::uniform_int_distribution<int>(0, kViewW - kBallSize)(s_random);
        ball_y = -kBallSize;
        fall = kFallSpeed + kFallGain * s_match.score;
        below = false;
    }

    float volume() const { return game->settings.sound_volume / 100.0f; }   // percent to 0..1
    float pan() const { return (ball_x + kBallSize / 2) / kViewW * 2 - 1; }  // -1 left .. 1 right

    // The scripted player: under the ball until it has caught its share, then as far from it as
    // the paddle goes. It holds an arrow key while the paddle is more than a step away.
    void steer() {
        float ball_c = ball_x + kBallSize / 2, paddle_c = paddle_x + kPaddleW / 2.0f;
        float target = s_match.score < kScriptCatches ? ball_c : ball_c < kViewW / 2 ? kViewW : 0;
        int32_t want = 0;
        if (target - paddle_c > kPaddleSpeed) want = KEY_RIGHT;
        if (paddle_c - target > kPaddleSpeed) want = KEY_LEFT;
        s_script.hold(game, want);
    }

    Game *game;
    int32_t font = 0, ball = 0, splat = 0, death = 0;
    int paddle_x = (kViewW - kPaddleW) / 2;
    float ball_x = 0, ball_y = 0, fall = kFallSpeed;
    bool below = false;   // the ball passed the paddle's height beside it
};

// ---- Over -----------------------------------------------------------------------------------

class Over : public State {
public:
    explicit Over(Game *game) : game(game) {}

    void enter() override {
        big = s_script.need(font_load("font2"), "font2");
        mid = s_script.need(font_load("font1"), "font1");
        ticks = 0;
        if (s_match.score > s_match.best) s_match.best = s_match.score;
        s_script.final_score = s_match.score;
        s_script.screens.push_back("over");
    }

    void event(Event e) override {
        if (e.type == EV_KEYDOWN && (e.key == KEY_ENTER || e.key == KEY_ESCAPE || e.unicode == ' '))
            change_state(game, kStateTitle);
    }

    void update() override {
        ticks++;
        s_script.tick(game);
        if (s_script.on && ticks == kScriptPause) s_script.press(game, KEY_ENTER);
    }

    void paint() override {
        gfx_view();
        gfx_fill_rect(0x301010, 0, 0, kViewW, kViewH);
        text(big, "GAME OVER", 220, 255, 85, 85);
        text(mid, "SCORE " + std::to_string(s_match.score), 400, 255, 255, 85);
        text(mid, "PRESS ENTER", 520, 255, 255, 255);
    }

private:
    Game *game;
    int32_t big = 0, mid = 0;
    long ticks = 0;
};

}  // namespace

// ---- main -----------------------------------------------------------------------------------

// The framework's start-up asks for the program's states: it makes STATE_MENU current first.
void register_states(Game *game) {
    state_registry[kStateTitle] = new Title(game);
    state_registry[kStatePlay] = new Play(game);
    state_registry[kStateOver] = new Over(game);
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--ticks") == 0) {
        s_quit_after = strtol(argv[2], nullptr, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--ticks N]\n", argv[0]);
        return 2;
    }
    s_script.on = s_quit_after >= 0;
    s_random.seed(s_script.on ? kScriptSeed : std::random_device{}());
    program_settings.name = "glitz-catch";   // ~/.local/share/glitz-catch
    program_settings.title = "Glitz catch";
    program_settings.music = "music";        // start-up opens this stream and loops it
    SDL_main(argc, argv);
    if (!s_script.on) return 0;

    s_script.need(music, "music");   // the stream start-up opened, in the global `music`
    std::string wrong;
    bool ok = s_script.verdict(&wrong);
    if (ok) {
        fprintf(stderr, "glitz_catch: title, play, %d catches, %d misses, game over with score %d, "
                "title again\n", s_script.catches, s_script.misses, s_script.final_score);
    } else {
        fprintf(stderr, "glitz_catch: failed:%s\n", wrong.c_str());
    }
    return ok ? 0 : 1;
}
