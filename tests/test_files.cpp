// SPDX-License-Identifier: Zlib
// Per-user directory and files, the start-up defaults of state.dat and settings.dat, data.json and
// the data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include "app/app_internal.h"
#include "app/driver_internal.h"
#include "app/files_internal.h"
#include "app/platform.h"
#include "gfx/gfx_internal.h"
#include "sound/decode.h"
#include "sound/engine.h"
#include "test_open_watch.h"
#include "test_program_support.h"

namespace {

bool is_dir(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A temporary APPDATA (and working directory) with a Driver named like the game's; HOME and
// XDG_DATA_HOME are put back afterwards whatever a test did to them.
struct FilesTest : testing::Test {
    Driver d{};
    TempDir dir;
    std::string root, user;
    const char *home = nullptr;
    std::string old_home;
    void SetUp() override {
        home = getenv("HOME");
        if (home) old_home = home;
        ASSERT_TRUE(dir.make("glitz_files"));
        root = dir.path;
        user = root + "/appdata/GameName";
        setenv("APPDATA", (root + "/appdata").c_str(), 1);
        d.aspect = 1;
        d.name = "GameName";
        driver = &d;
        ASSERT_TRUE(dir.enter());
    }
    void TearDown() override {
        driver = nullptr;
        unsetenv("APPDATA");
        unsetenv("XDG_DATA_HOME");
        if (home) setenv("HOME", old_home.c_str(), 1);
        else unsetenv("HOME");
        ASSERT_TRUE(dir.remove());
    }
    void put(const char *name, const void *data, size_t size) {
        user_dir();
        write_file(user + "/" + name, data, size);
    }
    // game_files_read with stderr captured.
    std::string read_game(Game &g) {
        testing::internal::CaptureStderr();
        game_files_read(&g);
        return testing::internal::GetCapturedStderr();
    }
};

Settings settings_image(int32_t version, int32_t music, int32_t sound) {
    Settings s;
    memset(&s, 0, sizeof s);
    s.version = version;
    s.music_volume = music;
    s.sound_volume = sound;
    return s;
}

}  // namespace

TEST_F(FilesTest, UserDirFollowsAppDataThenXdgThenHome) {
    EXPECT_EQ(std::string(user_dir()), user);
    EXPECT_TRUE(is_dir(user));  // created with its parents

    unsetenv("APPDATA");
    setenv("XDG_DATA_HOME", (root + "/xdg/share").c_str(), 1);
    EXPECT_EQ(std::string(user_dir()), root + "/xdg/share/GameName");
    EXPECT_TRUE(is_dir(root + "/xdg/share/GameName"));

    unsetenv("XDG_DATA_HOME");
    setenv("HOME", (root + "/home").c_str(), 1);
    EXPECT_EQ(std::string(user_dir()), root + "/home/.local/share/GameName");
    EXPECT_TRUE(is_dir(root + "/home/.local/share/GameName"));

    EXPECT_STREQ(data_dir(), "./data");

    // Every mix of the three unset (U), set but empty (E) or set (S). The first one set to a text
    // wins; an empty one counts as unset (a fault taking it would put the folder at "/GameName" or
    // "/.local/share/GameName"), and with none of them the working folder's .local/share is used.
    enum Var { U, E, S };
    enum Base { APP, XDG, HOME, CWD };
    const struct { Var appdata, xdg, home; Base base; } mixes[] = {
        {U, U, U, CWD},  {U, U, E, CWD},  {U, U, S, HOME}, {U, E, U, CWD},  {U, E, E, CWD},  {U, E, S, HOME},
        {U, S, U, XDG},  {U, S, E, XDG},  {U, S, S, XDG},  {E, U, U, CWD},  {E, U, E, CWD},  {E, U, S, HOME},
        {E, E, U, CWD},  {E, E, E, CWD},  {E, E, S, HOME}, {E, S, U, XDG},  {E, S, E, XDG},  {E, S, S, XDG},
        {S, U, U, APP},  {S, U, E, APP},  {S, U, S, APP},  {S, E, U, APP},  {S, E, E, APP},  {S, E, S, APP},
        {S, S, U, APP},  {S, S, E, APP},  {S, S, S, APP},
    };
    const std::string values[] = {root + "/appdata", root + "/xdg/share", root + "/home"};
    const std::string bases[] = {values[0], values[1], values[2] + "/.local/share", "./.local/share"};
    const char *names[] = {"APPDATA", "XDG_DATA_HOME", "HOME"};
    for (const auto &m : mixes) {
        const Var vars[] = {m.appdata, m.xdg, m.home};
        std::string mix;
        for (int i = 0; i < 3; i++) {
            mix += "UES"[vars[i]];
            if (vars[i] == U) unsetenv(names[i]);
            else setenv(names[i], vars[i] == E ? "" : values[i].c_str(), 1);
        }
        EXPECT_EQ(bases[m.base], platform_user_base()) << "APPDATA, XDG_DATA_HOME, HOME: " << mix;
        EXPECT_EQ(bases[m.base] + "/GameName", std::string(user_dir())) << mix;
    }
    EXPECT_TRUE(is_dir(root + "/.local/share/GameName"));   // in the working folder
}

TEST_F(FilesTest, UserFileReadSizes) {
    char buf[16];
    memset(buf, 'z', sizeof buf);
    testing::internal::CaptureStderr();
    EXPECT_EQ(user_file_read("none.dat", buf, 16), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "file not found: " + user + "/none.dat\n");

    put("exact.dat", "0123456789abcdef", 16);
    EXPECT_EQ(user_file_read("exact.dat", buf, 16), 16);
    EXPECT_EQ(memcmp(buf, "0123456789abcdef", 16), 0);

    memset(buf, 'z', sizeof buf);
    put("short.dat", "abc", 3);
    EXPECT_EQ(user_file_read("short.dat", buf, 16), 3);
    EXPECT_EQ(memcmp(buf, "abczzzz", 7), 0);  // the rest is untouched

    put("long.dat", "0123456789abcdefg", 17);
    memset(buf, 'z', sizeof buf);
    testing::internal::CaptureStderr();
    EXPECT_EQ(user_file_read("long.dat", buf, 16), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "long.dat is too large\n");
    EXPECT_EQ(buf[0], 'z');

    put("empty.dat", "", 0);
    EXPECT_EQ(user_file_read("empty.dat", buf, 16), 0);

    // A directory or a FIFO (whose opening would wait for a writer forever) in place of the file,
    // here or as data.json, reads nothing and is never opened.
    ASSERT_EQ(mkdir((user + "/dir.dat").c_str(), 0755), 0);
    ASSERT_EQ(mkdir("data", 0755), 0);
    for (bool json_is_dir : {true, false}) {
        SCOPED_TRACE(json_is_dir ? "data.json a directory" : "data.json a FIFO");
        if (json_is_dir) {
            ASSERT_EQ(mkdir("data/data.json", 0755), 0);
        }
        OpenWatch dir(user + "/dir.dat"), json_dir("data/data.json");
        FifoWatch fifo(user + "/fifo.dat"), json_fifo(json_is_dir ? "" : "data/data.json");
        ASSERT_TRUE(dir.watching() && fifo.ready() && json_dir.watching() == json_is_dir &&
                    json_fifo.ready() != json_is_dir);
        EXPECT_EQ(user_file_read("dir.dat", buf, 16), 0);
        EXPECT_EQ(user_file_read("fifo.dat", buf, 16), 0);
        EXPECT_EQ(buf[0], 'z');
        EXPECT_EQ(data_json_text(), "");
        EXPECT_FALSE(dir.opened()) << "the directory was opened";
        EXPECT_FALSE(fifo.release()) << "the FIFO was opened";
        if (json_is_dir) {
            EXPECT_FALSE(json_dir.opened()) << "data.json was opened";
            ASSERT_EQ(rmdir("data/data.json"), 0);
        } else {
            EXPECT_FALSE(json_fifo.release()) << "data.json was opened";
        }
    }
    EXPECT_EQ(user_file_read("exact.dat", nullptr, 16), 0);
    EXPECT_EQ(user_file_read("exact.dat", buf, -1), 0);
}

TEST_F(FilesTest, FirstStartWithoutFilesUsesDefaults) {
    Game g;
    memset(&g, 0x33, sizeof g);
    std::string err = read_game(g);
    EXPECT_EQ(err, "file not found: " + user + "/state.dat\nfile not found: " + user + "/settings.dat\n");
    EXPECT_EQ(g.version, 0);
    EXPECT_EQ(g.state, 0);
    EXPECT_EQ(g.level.score, 0);
    EXPECT_EQ(g.settings.version, 1);
    EXPECT_EQ(g.settings.music_volume, 50);
    EXPECT_EQ(g.settings.sound_volume, 50);
    EXPECT_EQ(g.settings.reserved_mode, -1);
    EXPECT_EQ(g.settings.screen_mode, 1);
    EXPECT_STREQ(g.settings.ident, "");
    EXPECT_STREQ(g.settings.ident_tag, "g:");
    EXPECT_EQ(strncmp(g.settings.stamp, "time|", 5), 0);
    EXPECT_GT(atol(g.settings.stamp + 5), 1500000000L);
}

TEST_F(FilesTest, StateDatIsUsedOnlyWithVersionOne) {
    Game img;
    memset(&img, 0, sizeof img);
    img.version = 1;
    img.state = 3;
    img.level.score = 77;
    img.level.objects[255].img = 9;
    img.settings.music_volume = 99;  // replaced by settings.dat's defaults
    img.reactivate = 1;
    put("state.dat", &img, sizeof img);
    Game g;
    read_game(g);
    EXPECT_EQ(g.version, 1);
    EXPECT_EQ(g.state, 3);  // start-up sets the Menu later
    EXPECT_EQ(g.level.score, 77);
    EXPECT_EQ(g.level.objects[255].img, 9);
    EXPECT_EQ(g.reactivate, 1);
    EXPECT_EQ(g.settings.music_volume, 50);

    img.version = 2;
    put("state.dat", &img, sizeof img);
    read_game(g);
    EXPECT_EQ(g.version, 0);
    EXPECT_EQ(g.level.score, 0);
    EXPECT_EQ(g.reactivate, 0);

    // A short image fills only its first bytes.
    img.version = 1;
    put("state.dat", &img, 12);
    read_game(g);
    EXPECT_EQ(g.version, 1);
    EXPECT_EQ(g.state, 3);
    EXPECT_EQ(g.level.score, 0);

    std::string big(sizeof(Game) + 1, '\1');
    put("state.dat", big.data(), big.size());
    std::string err = read_game(g);
    EXPECT_NE(err.find("state.dat is too large\n"), std::string::npos);
    EXPECT_EQ(g.version, 0);
}

TEST_F(FilesTest, SettingsDatCases) {
    Game g;
    // 140 bytes, version 1: volumes and ident from the file, the rest from the defaults.
    Settings s = settings_image(1, 80, 20);
    strcpy(s.ident, "player one");
    strcpy(s.ident_tag, "stale");
    put("settings.dat", &s, 140);
    read_game(g);
    EXPECT_EQ(g.settings.music_volume, 80);
    EXPECT_EQ(g.settings.sound_volume, 20);
    EXPECT_STREQ(g.settings.ident_tag, "g:player one");
    EXPECT_EQ(strncmp(g.settings.stamp, "time|", 5), 0);
    EXPECT_EQ(g.settings.reserved_mode, -1);
    EXPECT_EQ(g.settings.screen_mode, 1);

    // 277 bytes: too large, defaults.
    std::string big(277, '\0');
    Settings full = settings_image(1, 80, 20);
    memcpy(&big[0], &full, sizeof full);
    put("settings.dat", big.data(), big.size());
    std::string err = read_game(g);
    EXPECT_NE(err.find("settings.dat is too large\n"), std::string::npos);
    EXPECT_EQ(g.settings.music_volume, 50);

    // Version below 1: the volumes get their defaults, the mode flags are kept.
    s = settings_image(0, 80, 20);
    s.screen_mode = -1;
    s.reserved_mode = 7;
    strcpy(s.stamp, "time|123");
    put("settings.dat", &s, sizeof s);
    read_game(g);
    EXPECT_EQ(g.settings.version, 1);
    EXPECT_EQ(g.settings.music_volume, 50);
    EXPECT_EQ(g.settings.sound_volume, 50);
    EXPECT_EQ(g.settings.screen_mode, -1);
    EXPECT_EQ(g.settings.reserved_mode, 7);
    EXPECT_STREQ(g.settings.stamp, "time|123");  // an existing stamp stays

    s = settings_image(1, 0, 100);
    s.screen_mode = 0;
    put("settings.dat", &s, sizeof s);
    read_game(g);
    EXPECT_EQ(g.settings.screen_mode, 1);
    EXPECT_EQ(g.settings.music_volume, 0);
    EXPECT_EQ(g.settings.sound_volume, 100);
}

TEST_F(FilesTest, UnterminatedTextsStayInsideTheirFields) {
    Settings s = settings_image(1, 50, 50);
    memset(s.ident, 'x', sizeof s.ident);         // no terminating zero
    memset(s.ident_tag, 'y', sizeof s.ident_tag);
    memset(s.stamp, 's', sizeof s.stamp);
    s.reserved_mode = 5;  // right after stamp: must not be read as part of it
    put("settings.dat", &s, sizeof s);
    Game g;
    read_game(g);
    EXPECT_EQ(strlen(g.settings.ident), 127u);
    EXPECT_EQ(std::string(g.settings.ident_tag), "g:" + std::string(61, 'x'));
    EXPECT_EQ(std::string(g.settings.stamp), std::string(63, 's'));
    EXPECT_EQ(g.settings.music_volume, 50);
    EXPECT_EQ(g.settings.reserved_mode, 5);
    EXPECT_EQ(g.settings.screen_mode, 1);

    // An ident of exactly 61 characters still fits whole.
    Settings t = settings_image(1, 50, 50);
    memset(t.ident, 'a', 61);
    settings_tags(t);
    EXPECT_EQ(std::string(t.ident_tag), "g:" + std::string(61, 'a'));
}

TEST_F(FilesTest, DataJsonTextAndCatalogue) {
    EXPECT_EQ(data_json_text(), "");
    EXPECT_EQ(data_catalogue().type(), VAR_NONE);  // missing: none, looked for again next time

    mkdir("data", 0755);
    std::string text = "{\"ball\": {\"fname\": \"ball.png\"}, \"n\": 3}";
    write_file("data/data.json", text.data(), text.size());
    EXPECT_EQ(data_json_text(), text);
    var &cat = data_catalogue();
    EXPECT_EQ(&cat, &d.data);
    EXPECT_EQ(cat["ball"]["fname"].str(), "ball.png");

    // Parsed once: a changed file is not read again while the catalogue is kept.
    write_file("data/data.json", "{}", 2);
    EXPECT_TRUE(data_catalogue().has("ball"));
    d.data = var();
    EXPECT_FALSE(data_catalogue().has("ball"));
    EXPECT_EQ(data_catalogue().type(), VAR_DICT);

    // Bytes are kept as they are, zeros included.
    std::string zeros("{}\0\0x", 5);
    write_file("data/data.json", zeros.data(), zeros.size());
    EXPECT_EQ(data_json_text(), zeros);

    // An installed program's folder replaces ./data whole; a path that would be cut is refused.
    mkdir("installed", 0755);
    write_file("installed/data.json", "[1]", 3);
    EXPECT_FALSE(data_dir_set(std::string(512, 'x').c_str()));
    EXPECT_FALSE(data_dir_set(""));
    EXPECT_EQ(data_json_text(), zeros);
    EXPECT_TRUE(data_dir_set((root + "/installed").c_str()));
    EXPECT_EQ(data_json_text(), "[1]");
    EXPECT_TRUE(data_dir_set(std::string(511, 'x').c_str()));
    EXPECT_TRUE(data_dir_set("./data"));

    // Without a platform record there is nowhere to keep the catalogue: none.
    driver = nullptr;
    EXPECT_EQ(data_catalogue().type(), VAR_NONE);
    driver = &d;
}

// Every loader that opens a file by name refuses a FIFO, a directory and a device named in its
// place like a missing file, with its own message, and opens neither the FIFO (that open would
// wait for a writer forever and hang start-up) nor the directory.
TEST_F(FilesTest, LoadersRefuseWhatIsNotARegularFile) {
    mkdir("data", 0755);
    std::unique_ptr<SoundEngine> engine(SoundEngine::create(false));
    ASSERT_TRUE(engine);
    std::vector<uint8_t> bytes;
    const std::pair<const char *, std::function<bool(const char *name, const std::string &path)>> loaders[] = {
        {"texture", [](const char *name, const std::string &path) {
             testing::internal::CaptureStderr();
             uint32_t tex = driver_tex_load(data_dir(), name);
             std::string err = testing::internal::GetCapturedStderr();
             EXPECT_EQ(err, "driver_tex_load " + path + "\nstbi_load failed " + path + " - can't fopen\n");
             return tex == 0;
         }},
        {"sound", [&](const char *, const std::string &path) { return !engine->add_source(path.c_str()); }},
        {"streamed sound", [&](const char *, const std::string &path) {
             engine->stream_threshold = 0;
             SoundSource *s = engine->add_source(path.c_str());
             engine->stream_threshold = 512 * 1024;
             return !s;
         }},
        {"Ogg stream", [](const char *, const std::string &path) { return !vorbis_open_file(path.c_str()); }},
        {"whole file", [&](const char *, const std::string &path) { return !file_read_all(path.c_str(), &bytes, 1 << 20); }},
        {"file size", [](const char *, const std::string &path) { return file_size(path.c_str()) == -1; }},
    };
    ASSERT_EQ(mkdir("data/dir.ogg", 0755), 0);
    ASSERT_EQ(symlink("/dev/null", "data/null.ogg"), 0);
    for (const auto &loader : loaders) {
        SCOPED_TRACE(loader.first);
        OpenWatch dir("data/dir.ogg");
        FifoWatch fifo("data/fifo.ogg");
        ASSERT_TRUE(dir.watching() && fifo.ready());
        for (const char *name : {"dir.ogg", "null.ogg", "fifo.ogg"})
            EXPECT_TRUE(loader.second(name, std::string("./data/") + name)) << name;
        EXPECT_FALSE(dir.opened()) << "the directory was opened";
        EXPECT_FALSE(fifo.release()) << "the FIFO was opened";
    }
}

TEST(Net, StartsWithoutOpeningAnything) {
    EXPECT_EQ(net_init(), 0);
    net_quit();
    net_quit();
}
