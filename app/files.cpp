// SPDX-License-Identifier: Zlib
// files.cpp - data and per-user directories, the per-user files, data.json and the socket layer.
#include "app/files_internal.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include "app/app_internal.h"
#include "app/driver_internal.h"
#include "app/platform.h"
#include "util/file_open.h"
#include "util/log.h"
#include "util/zev_json.h"

static int32_t net_ready = 0;  // 1 while the socket layer counts as started
static char s_data_dir[512] = "./data";

// Rebuilt on every call, so a caller that wrote into the returned text cannot change the next one.
const char *data_dir() {
    static char dir[sizeof s_data_dir];
    snprintf(dir, sizeof dir, "%s", s_data_dir);
    return dir;
}

// A cut path would name some other folder: a text that does not fit is refused whole.
bool data_dir_set(const char *dir) {
    if (!dir || !*dir || strlen(dir) >= sizeof s_data_dir) return false;
    snprintf(s_data_dir, sizeof s_data_dir, "%s", dir);
    return true;
}

// <per-user base>/<name> (app/platform.h), made with its parents when missing.
const char *user_dir() {
    static char dir[512];
    const char *name = driver && driver->name ? driver->name : "glitz";   // no driver: tests only
    snprintf(dir, sizeof dir, "%s/%s", platform_user_base().c_str(), name);
    platform_make_dirs(dir);
    return dir;
}

int32_t user_file_read(const char *name, void *buffer, int32_t limit) {
    if (!name || !buffer || limit < 0) return 0;
    char path[1024];
    snprintf(path, sizeof path, "%s/%s", user_dir(), name);
    // A directory, FIFO or device in its place counts as missing (util/file_open.h).
    int64_t size = -1;
    FILE *f = file_open_read(path, &size);
    if (f && size > limit) {
        fclose(f);
        fprintf(stderr, "%s is too large\n", name);
        return 0;
    }
    if (!f) {
        // A per-user file is missing on the first run and until it is written: nothing failed.
        glitz_info("file not found: %s\n", path);
        return 0;
    }
    // A file that shrank since stat() gives fewer bytes: report what was really read.
    size_t got = size > 0 ? fread(buffer, 1, (size_t)size, f) : 0;
    fclose(f);
    return (int32_t)got;
}

// data.json whole into text; false with the reason in why when it cannot be used.
static bool catalogue_read(const char *path, std::string &text, std::string &why) {
    int64_t size = -1;
    text.clear();
    FILE *f = file_open_read(path, &size);
    if (!f) {
        why = strerror(errno);
        return false;
    }
    if (size >= INT32_MAX) {   // the JSON reader takes an int length
        fclose(f);
        why = "too large";
        return false;
    }
    if (size > 0) {
        text.resize((size_t)size);
        text.resize(fread(&text[0], 1, (size_t)size, f));  // keep only the bytes really read
    }
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed) why = "read error";
    else if (text.empty()) why = "empty file";
    return !failed && !text.empty();
}

static std::string catalogue_path() { return std::string(data_dir()) + "/data.json"; }

std::string data_json_text() {
    std::string text, why;
    catalogue_read(catalogue_path().c_str(), text, why);
    return text;
}

// The catalogue read ahead (data_catalogue_ahead) and the line its parse would have printed; the
// next data_catalogue() that would read the file takes both instead. Main thread only.
static bool s_ahead_pending = false;
static var s_ahead;
static std::string s_ahead_why, s_ahead_message;

// Reads and parses data.json into `out`; false, with the cause in `why`, when it gives no dict.
static bool catalogue_load(var &out, std::string &why, std::string &message) {
    std::string text;
    message.clear();
    if (catalogue_read(catalogue_path().c_str(), text, why)) {
        json_parse_quiet(out, text.data(), (int)text.size(), message);
        if (out.type() != VAR_DICT) why = "no JSON object of assets";
    }
    return out.type() == VAR_DICT;
}

var &data_catalogue_ahead() {
    if (!driver || driver->data.type() != VAR_NONE) return data_catalogue();   // nothing to read
    if (!s_ahead_pending) {
        s_ahead = var();
        catalogue_load(s_ahead, s_ahead_why, s_ahead_message);
        s_ahead_pending = true;
    }
    return s_ahead;
}

// A missing data folder is the player's to fix (the game was started in some other folder): said
// where they look, with the full folder the game looked for. A damaged catalogue has its lines only.
static void data_missing_alert() {
    struct stat st;
    if (stat(data_dir(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    std::string text = "The game's data folder was not found:\n\n" + platform_full_path(data_dir()) +
        "\n\nStart the game in the folder that holds its \"data\" folder, or reinstall it.";
    std::string title = std::string(driver->name ? driver->name : "glitz") + ": no data folder";
    platform_alert(title.c_str(), text.c_str());
}

var &data_catalogue() {
    if (!driver) {  // no platform record: nothing to keep a catalogue in
        static var none;
        none = var();
        return none;
    }
    // Every start-up and video reset asks again while the file is missing: one report per cause.
    static std::string s_reported;
    if (driver->data.type() == VAR_NONE) {
        std::string why, message;
        if (s_ahead_pending) {   // read already: the messages of that parse are printed now
            driver->data = s_ahead;
            why = s_ahead_why, message = s_ahead_message;
            s_ahead = var();
            s_ahead_pending = false;
        } else {
            catalogue_load(driver->data, why, message);
        }
        fputs(message.c_str(), stderr);
        if (!why.empty()) {   // a cause is named exactly when no dict came of the file
            std::string line = "unable to read catalogue " + catalogue_path() + ": " + why + "\n";
            if (line != s_reported) {
                fputs(line.c_str(), stderr);
                data_missing_alert();
            }
            s_reported = line;
        } else {
            s_reported.clear();
        }
    }
    return driver->data;
}

void settings_tags(Settings &s) {
    // The fields come from a file: make both texts end inside their fields before reading them.
    s.ident[sizeof s.ident - 1] = 0;
    s.stamp[sizeof s.stamp - 1] = 0;
    // "g:" + ident, cut to fit its 64 bytes (61 characters of ident at most).
    int keep = (int)strnlen(s.ident, sizeof s.ident_tag - 3);
    snprintf(s.ident_tag, sizeof s.ident_tag, "g:%.*s", keep, s.ident);
    if (s.stamp[0] == 0)
        snprintf(s.stamp, sizeof s.stamp, "time|%ld", (long)(int32_t)time(nullptr));
}

void game_files_read(Game *game) {
    memset(game, 0, sizeof *game);
    user_file_read("state.dat", game, (int32_t)sizeof *game);
    if (game->version != 1) memset(game, 0, sizeof *game);  // missing or foreign: start from zero

    Settings &s = game->settings;
    memset(&s, 0, sizeof s);
    user_file_read("settings.dat", &s, (int32_t)sizeof s);
    if (s.version < 1) {
        s.music_volume = 50;
        s.sound_volume = 50;
    }
    if (s.reserved_mode == 0) s.reserved_mode = -1;
    if (s.screen_mode == 0) s.screen_mode = 1;
    s.version = 1;
    settings_tags(s);
}

// No socket is ever opened: the layer is started and cleaned up, nothing more.
int32_t net_init() {
    if (!platform_net_start()) return -1;
    net_ready = 1;
    return 0;
}

void net_quit() {
    if (net_ready) platform_net_stop();
    net_ready = 0;
}
