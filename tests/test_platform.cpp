// SPDX-License-Identifier: Zlib
// The platform calls (app/platform.h) with the same expectations on every platform the program is
// built for: Linux here, Windows under wine (tools/test.sh runs both). The close chord alone is
// Windows' own.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include "app/driver_internal.h"
#include "app/files_internal.h"
#include "app/platform.h"

namespace fs = std::filesystem;

TEST(Platform, ProgramDirIsTheFolderOfThisProgram) {
    std::string dir = platform_program_dir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE('/', dir.back());
    EXPECT_NE('\\', dir.back());
    // The folder, not the program's own path, and not the working folder (CTest runs the tests
    // elsewhere only by chance, so the program's name is what is checked).
    EXPECT_TRUE(fs::exists(fs::path(dir) / "test_platform") || fs::exists(fs::path(dir) / "test_platform.exe")) << dir;
}

// APPDATA first, where it is set; made with every missing parent, twice without harm.
TEST(Platform, UserBaseFollowsAppDataAndFoldersAreMadeWithTheirParents) {
    fs::path root = fs::temp_directory_path() / "glitz_platform_test";
    fs::remove_all(root);
    std::string appdata = (root / "roaming").string();
    const char *old = getenv("APPDATA");
    std::string kept = old ? old : "";
    ASSERT_EQ(0, setenv("APPDATA", appdata.c_str(), 1));
    EXPECT_EQ(appdata, platform_user_base());

    std::string deep = appdata + "/one/two/GameName";
    platform_make_dirs(deep.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
    platform_make_dirs(deep.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
    std::string user = user_dir();   // made on the way
    EXPECT_EQ(appdata + "/", user.substr(0, appdata.size() + 1));
    EXPECT_TRUE(fs::is_directory(user));

    if (old) setenv("APPDATA", kept.c_str(), 1);
    else unsetenv("APPDATA");
    fs::remove_all(root);
}

// The socket layer starts (Windows Sockets grant 1.1 when asked for it) and its clean-up runs once
// for each start: a second start after a clean-up works again.
// The folder a player is told to look for: the working folder joined to a relative path (a leading
// "./" dropped, so "./data" and "data" name one folder), an absolute path as it is.
TEST(Platform, FullPathJoinsTheWorkingFolder) {
    const std::string cwd = fs::current_path().string();
    const std::string data = platform_full_path("data");
    ASSERT_EQ(cwd.size() + 5, data.size()) << data;
    EXPECT_EQ(cwd, data.substr(0, cwd.size()));
    EXPECT_TRUE(data[cwd.size()] == '/' || data[cwd.size()] == '\\') << data;
    EXPECT_EQ("data", data.substr(cwd.size() + 1));
    EXPECT_EQ(data, platform_full_path("./data"));
    EXPECT_EQ(data, platform_full_path("././data"));
    EXPECT_EQ(cwd.size() + 4, platform_full_path("d/x").size());   // only a whole "./" is dropped
    EXPECT_EQ(cwd.size() + 6, platform_full_path(".dots").size());
    EXPECT_EQ(data, platform_full_path(data.c_str()));   // absolute: unchanged
    EXPECT_EQ("", platform_full_path(nullptr));
}

TEST(Platform, SocketLayerStartsAndStopsInPairs) {
    EXPECT_TRUE(platform_net_start());
    platform_net_stop();
    EXPECT_EQ(0, net_init());
    net_quit();
    net_quit();   // no second clean-up
    EXPECT_EQ(0, net_init());
    net_quit();
}

// Alt+F4 closes the window on Windows alone: there the key press is the window's close request
// (EV_QUIT, as clicking the close box gives) and its release is dropped; elsewhere the window
// manager owns the chord and the program sees plain keys. Ctrl+Alt+F4 and Alt with another key
// stay keys everywhere.
TEST(Platform, AltF4IsTheCloseRequestOnWindowsOnly) {
#ifdef _WIN32
    const bool windows = true;   // the one expectation that differs between the platforms
#else
    const bool windows = false;
#endif
    struct Case { SDLKey sym; int sdl_mods; int key; int mods; bool closes_on_windows; };
    const Case cases[] = {
        {SDLK_F4, KMOD_LALT, KEY_F4, MOD_ALT, true},
        {SDLK_F4, KMOD_RALT | KMOD_LSHIFT, KEY_F4, MOD_ALT | MOD_SHIFT, true},
        {SDLK_F4, KMOD_LALT | KMOD_NUM, KEY_F4, MOD_ALT, true},
        {SDLK_F4, KMOD_LALT | KMOD_LCTRL, KEY_F4, MOD_ALT | MOD_CTRL, false},
        {SDLK_F4, 0, KEY_F4, 0, false},
        {SDLK_F4, KMOD_LCTRL, KEY_F4, MOD_CTRL, false},
        {SDLK_F3, KMOD_LALT, KEY_F3, MOD_ALT, false},
        {SDLK_q, KMOD_LALT, KEY_Q, MOD_ALT, false},   // the game's own quit chord stays a key
    };
    for (const Case &c : cases) {
        bool closes = windows && c.closes_on_windows;
        EXPECT_EQ(closes, platform_close_chord(c.key, c.mods)) << c.key << " mods " << c.mods;
        for (auto type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event ev;
            memset(&ev, 0, sizeof ev);
            ev.type = ev.key.type = (Uint8)type;
            ev.key.keysym.sym = c.sym;
            ev.key.keysym.mod = (SDLMod)c.sdl_mods;
            Event e;
            driver_translate(ev, e);
            int want = !closes ? (type == SDL_KEYDOWN ? EV_KEYDOWN : EV_KEYUP) : type == SDL_KEYDOWN ? EV_QUIT : 0;
            EXPECT_EQ(want, e.type) << c.key << " mods " << c.mods << (type == SDL_KEYDOWN ? " down" : " up");
            if (!closes) EXPECT_EQ(c.key, e.key);
            else EXPECT_EQ(0, e.key);   // nothing of the key is left to reach the key table
        }
    }
}
