// SPDX-License-Identifier: Zlib
// test_gfx_support.h - shared helpers for the graphics and font tests: a temporary data folder
// with its own catalogue, PNG writing, a bitmap font entry, and a real OpenGL window.
#pragma once
#include <gtest/gtest.h>
#include <SDL/SDL.h>
#include <GL/gl.h>
#include <stb_image_write.h>   // implementation comes from libstb
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <sys/stat.h>
#include "app/driver_internal.h"
#include "app/files.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"
#include "test_display_support.h"

// A temporary working folder holding data/data.json, made current for the object's life, and a
// Driver record (window size as given) so that data_catalogue() parses that file.
struct TempCatalogue {
    std::string dir, old_cwd;
    Driver d{};

    explicit TempCatalogue(const std::string &json, int32_t width = 0, int32_t height = 0) {
        char tmpl[] = "/tmp/glitz_gfx_XXXXXX";
        dir = mkdtemp(tmpl);
        mkdir((dir + "/data").c_str(), 0755);
        write("data.json", json);
        char cwd[PATH_MAX];
        old_cwd = getcwd(cwd, sizeof cwd) ? cwd : ".";
        EXPECT_EQ(0, chdir(dir.c_str()));
        d.aspect = 1;
        d.width = width;
        d.height = height;
        driver = &d;
    }
    ~TempCatalogue() {
        font_table_destroy();
        gfx_destroy();
        driver = nullptr;
        if (chdir(old_cwd.c_str()) != 0) perror("chdir");
        std::string cmd = "rm -rf '" + dir + "'";
        if (system(cmd.c_str()) != 0) perror("rm");
    }
    void write(const std::string &name, const std::string &bytes) {
        FILE *f = fopen((dir + "/data/" + name).c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    // An RGBA PNG of w x h pixels given as 4 bytes each, row by row from the top.
    void write_png(const std::string &name, int w, int h, const uint8_t *rgba) {
        ASSERT_TRUE(stbi_write_png((dir + "/data/" + name).c_str(), w, h, 4, rgba, w * 4));
    }
};

inline std::string rect_json(float x, float y, float w, float h) {
    char b[160];
    snprintf(b, sizeof b, "{\"x\":%g,\"y\":%g,\"w\":%g,\"h\":%g}", x, y, w, h);
    return b;
}

// A font entry whose printable glyphs (33..126) all show the 8 x 8 block at (0, 0) of a 64 x 64
// sheet, drawn 1 right and 2 down of the pen, advancing 10; space advances 10 and shows nothing;
// every other byte (the terminator included) is empty and does not advance.
inline std::string font_entry_json(const char *texture) {
    std::string rects = "[", shapes = "[";
    for (int b = 0; b < 256; b++) {
        bool glyph = b >= 33 && b <= 126;
        rects += (b ? "," : "") + (glyph ? rect_json(0, 0, 8, 8) : rect_json(0, 0, 0, 0));
        shapes += (b ? "," : "") + (glyph ? rect_json(1, 2, 10, 12) : b == ' ' ? rect_json(0, 0, 10, 0)
                                                                                : rect_json(0, 0, 0, 0));
    }
    return std::string("{\"height\":12,\"texture\":\"") + texture + "\",\"rect\":" + rect_json(0, 0, 64, 64) +
           ",\"rects\":" + rects + "],\"shapes\":" + shapes + "]}";
}

// Opens a w x h OpenGL window (under Xvfb in CI), clears it to black. Skips when there is no display.
struct GlWindow {
    bool ok = false;
    GlWindow(int w, int h) {
        if (!hold_display()) return;
        SDL_Init(SDL_INIT_VIDEO);
        ok = SDL_SetVideoMode(w, h, 0, SDL_OPENGL) != nullptr;
        if (!ok) return;
        glViewport(0, 0, w, h);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // SDL stays up: shutting it down unloads the GL driver, whose allocations would then show as
    // leaks from an unknown module that no suppression can name. The next window reuses it.
    ~GlWindow() {}
};

#define REQUIRE_WINDOW(win)                                                           \
    do {                                                                              \
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no DISPLAY for the window tests";  \
        ASSERT_TRUE((win).ok) << "no OpenGL window: " << SDL_GetError();             \
    } while (0)
