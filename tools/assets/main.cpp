// SPDX-License-Identifier: Zlib
// glitz_assets - writes the game's data directory: data.json and every file it names.
//
// USAGE
//   glitz_assets DATA_DIR [PREVIEW_DIR]
//   glitz_assets --icons ICON_DIR NAME
//
// The build runs it with DATA_DIR = <build>/data. PREVIEW_DIR, when given, receives pictures for
// people to look at (glyph sheets over a background, a mock-up of the title screen); they are not
// part of the data. --icons writes the program's icon in three sizes into ICON_DIR laid out as an
// icon theme (ICON_DIR/48x48/apps/NAME.png ...). Exit status 0 on success.
#include "gen.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--icons") {
        mkdir(argv[2], 0777);
        if (make_icons(argv[2], argv[3])) return 0;
        fprintf(stderr, "glitz_assets: failed\n");
        return 1;
    }
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s DATA_DIR [PREVIEW_DIR] | --icons ICON_DIR NAME\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1], preview = argc > 2 ? argv[2] : "";
    mkdir(dir.c_str(), 0777);
    if (!preview.empty()) mkdir(preview.c_str(), 0777);

    Catalogue cat;
    bool ok = make_sprites(dir, cat, preview) && make_test_art(dir, cat) &&
              make_fonts(dir, cat, preview) && make_sounds(dir, cat) && make_music(dir, cat);
    if (!ok || !cat.write(dir + "/data.json")) {
        fprintf(stderr, "glitz_assets: failed\n");
        return 1;
    }
    preview_screens(dir, preview);
    return 0;
}
