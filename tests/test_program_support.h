// SPDX-License-Identifier: Zlib
// test_program_support.h - what the application and program tests share: temporary folders, small
// files, SDL key events, and the built glitzfall run under X with its own home and data folder.
//
//   TempDir dir;                                 // removed with everything in it on destruction
//   ASSERT_TRUE(dir.make("glitz_files"));        // /tmp/glitz_files_XXXXXX
//   ASSERT_TRUE(dir.enter());                    // the working directory until dir.remove()
//   ASSERT_NO_FATAL_FAILURE(write_file(dir.path + "/a.dat", bytes, n));
//   SDL_Event ev = sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_LCTRL, 0);
//
//   GameProcess p(test_display(), nullptr);      // data/data.json holding "{}", an empty home
//   ASSERT_TRUE(p.start("fast_unwind_on_malloc=0"));   // extra ASAN_OPTIONS for the child
//   ASSERT_TRUE(p.wait_for("first frame at", 20)) << p.err();
//   std::string win = p.window();                // its X window id, "" when not found
//   EXPECT_EQ(p.wait_exit(10), 0);
#pragma once
#include <gtest/gtest.h>
#include <SDL.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include "test_display_support.h"

// The X display the tests run under, or null.
inline const char *test_display() {
    const char *d = getenv("DISPLAY");
    return d && *d ? d : nullptr;
}

inline std::string program_path() { return std::string(GLITZ_BINARY_DIR) + "/glitzfall"; }
inline bool have_program() { return access(program_path().c_str(), X_OK) == 0; }

inline std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Output of a shell command, without its trailing newlines and spaces.
inline std::string shell(const std::string &cmd) {
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

inline void write_file(const std::string &path, const void *data, size_t size) {
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (size) fwrite(data, 1, size, f);
    fclose(f);
}

// A fresh folder under /tmp, optionally the working directory for a while.
struct TempDir {
    std::string path, old_cwd;
    TempDir() = default;
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    ~TempDir() { remove(); }

    bool make(const char *prefix) {
        std::string tmpl = std::string("/tmp/") + prefix + "_XXXXXX";
        if (!mkdtemp(&tmpl[0])) return false;
        path = tmpl;
        return true;
    }
    bool enter() {
        char cwd[1024];
        if (!getcwd(cwd, sizeof cwd)) return false;
        old_cwd = cwd;
        return chdir(path.c_str()) == 0;
    }
    // Back to the old working directory, and the folder removed; true when both worked.
    bool remove() {
        bool ok = true;
        if (!old_cwd.empty()) ok = chdir(old_cwd.c_str()) == 0;
        old_cwd.clear();
        if (!path.empty()) ok = system(("rm -rf '" + path + "'").c_str()) == 0 && ok;
        path.clear();
        return ok;
    }
};

// A key press or release as SDL queues it.
inline SDL_Event sdl_key_event(decltype(SDL_Event::type) type, SDLKey sym, int mod, Uint16 unicode) {
    SDL_Event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = type;
    ev.key.type = type;
    ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    ev.key.keysym.sym = sym;
    ev.key.keysym.mod = (SDLMod)mod;
    ev.key.keysym.unicode = unicode;
    return ev;
}

// One run of the built program in a fresh folder (data/ and an empty home/), its standard streams
// in out.txt and err.txt there. The destructor kills a program still running and removes the folder.
struct GameProcess {
    TempDir dir;
    std::string root, display;
    pid_t pid = -1;
    bool ready = false;   // the folder and its data are in place
    std::string audio_driver = "dummy";   // SDL_AUDIODRIVER for the run
    std::string program = program_path();   // the executable to start
    std::vector<std::pair<std::string, std::string>> env;   // more variables for the run

    // data: a data directory to link as ./data, or null for a data/data.json holding "{}".
    GameProcess(const char *disp, const char *data) : display(disp ? disp : "") {
        if (!dir.make("glitz_prog")) return;
        root = dir.path;
        bool home = mkdir((root + "/home").c_str(), 0755) == 0;
        if (data) {
            ready = home && symlink(data, (root + "/data").c_str()) == 0;
        } else {
            mkdir((root + "/data").c_str(), 0755);
            ready = home && bool(std::ofstream(root + "/data/data.json") << "{}");
        }
    }
    ~GameProcess() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    // Starts the program with the display (the tests' own one held open first), the home, no APPDATA
    // or XDG_DATA_HOME, the audio driver (SDL's disk driver writes to audio.raw in the folder), the
    // tick report on and the variables in env; asan_options are added to ASAN_OPTIONS.
    bool start(const char *asan_options) {
        const std::string &bin = program;
        if (test_display() && display == test_display() && !hold_display()) return false;
        fflush(nullptr);
        pid = fork();
        if (pid != 0) return pid > 0;
        if (chdir(root.c_str()) != 0) _exit(126);
        if (!freopen((root + "/out.txt").c_str(), "w", stdout) || !freopen((root + "/err.txt").c_str(), "w", stderr))
            _exit(126);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("HOME", (root + "/home").c_str(), 1);
        unsetenv("APPDATA");
        unsetenv("XDG_DATA_HOME");
        setenv("SDL_AUDIODRIVER", audio_driver.c_str(), 1);
        setenv("SDL_DISKAUDIOFILE", (root + "/audio.raw").c_str(), 1);   // the disk driver's output
        setenv("SDL_DISKAUDIODELAY", "20", 1);                           // ms per buffer: real time
        setenv("GLITZ_TICK_REPORT", "1", 1);
        for (const auto &[name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        const char *asan = getenv("ASAN_OPTIONS");
        std::string options = asan ? asan : "";
        if (asan_options && *asan_options) options += (options.empty() ? "" : ":") + std::string(asan_options);
        setenv("ASAN_OPTIONS", options.c_str(), 1);
        execl(bin.c_str(), bin.c_str(), (char *)nullptr);
        _exit(127);
    }
    std::string out() const { return slurp(root + "/out.txt"); }
    std::string err() const { return slurp(root + "/err.txt"); }
    // Waits until stderr holds `text`; false after `seconds`.
    bool wait_for(const std::string &text, double seconds) const {
        for (int i = 0; i < seconds * 20; i++) {
            if (err().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Exit status, or -1 if it has not ended within `seconds` (or ended by a signal).
    int wait_exit(double seconds) {
        for (int i = 0; i < seconds * 20; i++) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }
    // The id of the program's window (found by its process and title), "" when there is none.
    std::string window() const {
        return shell("DISPLAY=" + display + " xdotool search --all --pid " + std::to_string(pid) +
                     " --name 'GLITZ FALL' 2>/dev/null | head -1");
    }
};
