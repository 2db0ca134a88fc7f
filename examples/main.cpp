// SPDX-License-Identifier: Zlib
// glitz_example - a second program on the Glitz framework: one screen with a label and an image;
// every key press plays a sound and counts on the label.
//
// USAGE
//   glitz_example [--ticks N]
//
// Reads ./data/data.json like the game; it uses the entries font1, player and splat. With --ticks N
// it presses a key by itself at the first tick, quits after N ticks and exits with 1 when an asset
// or the key press went missing (the build's checks run it so).
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <glitz/glitz.h>

static long quit_after = -1;   // --ticks N, -1: run until closed

class Hello : public State {
public:
    explicit Hello(Game *game) : game(game) {}

    // Also after every video reset, which voids the image and font slots: look them up again.
    void enter() override {
        root.clear();
        font = font_load("font1");
        image = gfx_img_load("player");
        splat = sound_load("splat");

        Table *table = root.add(new Table);
        table->style_base.width = 1024;
        table->style_base.height = 768;
        table->new_row();
        Widget *figure = new Widget;
        figure->style_base.image = image;
        figure->style_base.width = figure->style_base.height = 170;
        table->add_cell(new Box(figure));
        table->new_row();
        label = new Label(font, "");
        table->add_cell(new Box(label));
        label->style_base.color = 0xFFFF55;
        show_presses();
    }

    void event(Event e) override {
        root.on_event(&e);
        if (e.type != EV_KEYDOWN) return;
        presses++;
        sound_play(splat, game->settings.sound_volume / 100.0f, 0.0f);
        show_presses();
    }

    void update() override {
        ticks++;
        if (quit_after < 0) return;
        if (ticks == 1) {   // a key press through the platform's event queue, as a player's would be
            SDL_Event key = {};
            key.type = SDL_KEYDOWN;
            key.key.keysym.sym = SDLK_SPACE;
            SDL_PushEvent(&key);
        }
        if (ticks >= quit_after) game->quit = 1;
    }

    void paint() override {
        gfx_view();
        root.measure_content();
        root.paint_content();
    }

    bool complete() const { return font && image && splat && presses > 0; }

private:
    void show_presses() {
        label->text = "HELLO FROM GLITZ! KEYS: " + std::to_string(presses);
    }

    Game *game;
    Container root;
    Label *label = nullptr;
    int32_t font = 0, image = 0, splat = 0;
    long presses = 0, ticks = 0;
};

static Hello *hello = nullptr;

// The framework's start-up asks for the program's states; the first screen goes under STATE_MENU.
void register_states(Game *game) {
    hello = new Hello(game);
    state_registry[STATE_MENU] = hello;
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--ticks") == 0) {
        quit_after = strtol(argv[2], nullptr, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--ticks N]\n", argv[0]);
        return 2;
    }
    program_settings.title = "Glitz example";   // the folder takes the executable's name; no music
    SDL_main(argc, argv);
    if (quit_after < 0) return 0;
    bool ok = hello && hello->complete();
    fprintf(stderr, "glitz_example: %s\n", ok ? "font, image, sound and key press all there" : "something missing");
    return ok ? 0 : 1;
}
