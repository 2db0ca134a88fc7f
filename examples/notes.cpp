// SPDX-License-Identifier: Zlib
// glitz_notes - a guest list on the Glitz framework: type a name into the text field, press Enter,
// and it joins the numbered table below. Shows a TextInput and a Table, and a program that names
// itself (its per-user folder and caption) and plays no music.
//
// USAGE
//   glitz_notes [--ticks N]
//
// Reads ./data/data.json; it uses the fonts font0 and font1. With --ticks N it types "ADA" and
// Enter by itself through the platform's event queue, quits after N ticks and exits with 1 unless
// the name reached the table and the field was emptied (the build's checks run it so).
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <glitz/glitz.h>

namespace {

const int32_t kAdd = 1;            // the field's action code for Enter
const size_t kMaxGuests = 12;      // rows that fit under the field
const char *const kScript = "ADA\r";   // what --ticks types, one key per tick from tick 2

long s_quit_after = -1;            // --ticks N; -1: run until closed

class GuestList : public State {
public:
    explicit GuestList(Game *game) : game(game) {}

    // Also after every video reset (Ctrl+F), which voids font numbers: build the screen again from
    // the names, which the state keeps.
    void enter() override {
        root.clear();
        small = font_load("font0");
        big = font_load("font1");
        table = root.add(new Table);
        table->style_base.width = 1024;
        table->style_base.set_padding(24);
        table->new_row();
        Label *title = table->add_cell(new Label(big, "GUEST LIST"));
        title->col_span = 2;
        title->style_base.color = 0xFFFF55;
        table->new_row();
        table->add_cell(new Label(small, "NAME:"));
        field = new TextInput(small, "name");
        field->style_base.width = 600;
        field->style_base.set_padding(6);
        field->style_base.bg_color = 0x202040;
        field->style_focus.bg_color = 0x303068;
        field->max_len = 40;
        field->on_enter = kAdd;
        table->add_cell(new Box(field));
        for (size_t i = 0; i < names.size(); i++) add_row(i);
        field->focus();
    }

    void event(Event e) override {
        if (root.on_event(&e) != kAdd) return;
        std::string name = field->get_value_s();
        if (name.empty() || names.size() >= kMaxGuests) return;
        names.push_back(name);
        add_row(names.size() - 1);
        field->set_value_s("");
    }

    void update() override {
        ticks++;
        if (s_quit_after < 0) return;
        size_t k = (size_t)ticks - 2;
        if (ticks >= 2 && k < strlen(kScript)) press(kScript[k]);
        if (ticks >= s_quit_after) game->quit = 1;
    }

    void paint() override {
        gfx_view();
        root.measure_content();
        root.paint_content();
    }

    bool complete() const { return names.size() == 1 && names[0] == "ADA" && field && !*field->get_value_s(); }

private:
    void add_row(size_t i) {
        table->new_row();
        Label *number = table->add_cell(new Label(small, (std::to_string(i + 1) + ".").c_str()));
        number->style_base.color = 0x55FFFF;
        Box *cell = table->add_cell(new Box(new Label(small, names[i].c_str())));
        cell->style_base.halign = -1;   // names start at the field's left edge
    }

    // One key as a player would press it: through SDL's queue, with its character.
    static void press(char c) {
        SDL_Event key = {};
        key.type = SDL_KEYDOWN;
        key.key.keysym.sym = c == '\r' ? SDLK_RETURN : (SDLKey)(c - 'A' + SDLK_a);
        key.key.keysym.mod = c == '\r' ? KMOD_NONE : KMOD_LSHIFT;
        key.key.keysym.unicode = (Uint16)c;
        SDL_PushEvent(&key);
    }

    Game *game;
    Container root;
    Table *table = nullptr;
    TextInput *field = nullptr;
    int32_t small = 0, big = 0;
    std::vector<std::string> names;
    long ticks = 0;
};

GuestList *s_list = nullptr;

}  // namespace

void register_states(Game *game) {
    s_list = new GuestList(game);
    state_registry[STATE_MENU] = s_list;
}

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--ticks") == 0) {
        s_quit_after = strtol(argv[2], nullptr, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--ticks N]\n", argv[0]);
        return 2;
    }
    program_settings.name = "glitz-notes";     // ~/.local/share/glitz-notes
    program_settings.title = "Glitz notes";    // no music: program_settings.music stays unset
    SDL_main(argc, argv);
    if (s_quit_after < 0) return 0;
    bool ok = s_list && s_list->complete();
    fprintf(stderr, "glitz_notes: %s\n", ok ? "typed name in the table" : "the name did not arrive");
    return ok ? 0 : 1;
}
