// SPDX-License-Identifier: Zlib
// bench_startup - time from process start to the first presented frame, and peak memory, for the
// game and for a bare SDL 1.2 + OpenGL window of the same size (bare_window), side by side.
//
//   DISPLAY=:73 SDL_AUDIODRIVER=dummy build/bench/bench_startup build/glitzfall [data-dir] [runs] [--busy]
//
// Starts each program `runs` times (default 5), the two in turn, in a temporary folder (with a copy
// of the given data directory, or an empty catalogue), waits for its "first frame at" line
// (GLITZ_TICK_REPORT), lets it run half a second more, ends it with SIGTERM and prints each run.
// Then the medians of both (time to first frame; the CPU time all the program's threads spent until
// then, which a loaded machine stretches less; peak RSS: the child's max RSS) and the game's ratios
// to the bare window. --busy keeps one core busy with a spinning child for the whole run.
// A third program, "floor", is the bare window showing the textures of the title screen (when the
// data has them): the part of the game's cost that belongs to the driver, not to the game.
// The bare window program is looked for beside this one.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include "tests/test_display_support.h"

static const int kPollMs = 10;           // how often the child's error stream is read
static const int kFirstFrameWaitMs = 6000;
static const int kRunOnMs = 500;         // after the first frame: the peak includes some frames

static double mono() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

static std::string absolute(const std::string &path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

static std::string beside_self(const char *name) {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return name;
    exe[n] = 0;
    char *slash = strrchr(exe, '/');
    return slash ? std::string(exe, slash + 1) + name : name;
}

struct Program {
    const char *label;
    std::string bin;
    std::vector<double> ms;   // time to first frame per run
    std::vector<double> cpu;  // CPU time of all its threads until then
    std::vector<long> kb;     // peak RSS per run
    std::vector<std::string> args;
};

// The pictures the title screen shows: what the floor program uploads.
static const char *const kTitleTextures[] = {"data/font0.png", "data/font1.png", "data/font2.png", "data/ball.png"};

// One start of `p` in `root`; false when it showed no first frame.
static bool run_once(Program &p, const std::string &root, int run) {
    std::string err = root + "/err.txt";
    unlink(err.c_str());   // no line of the run before may count for this one
    fflush(stdout);  // the child must not write our buffered lines again
    double t0 = mono();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(root.c_str()) != 0) _exit(126);
        if (!freopen("/dev/null", "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("GLITZ_TICK_REPORT", "1", 1);
        std::vector<char *> argv{(char *)p.bin.c_str()};
        for (const std::string &a : p.args) argv.push_back((char *)a.c_str());
        argv.push_back(nullptr);
        execv(p.bin.c_str(), argv.data());
        _exit(127);
    }
    double first = -1, cpu = -1;
    for (int waited = 0; waited < kFirstFrameWaitMs && first < 0; waited += kPollMs) {
        usleep(kPollMs * 1000);
        FILE *f = fopen(err.c_str(), "r");
        char line[256];
        while (f && fgets(line, sizeof line, f)) {
            double at, ms = -1;
            if (sscanf(line, "first frame at %lf cpu %lf", &at, &ms) >= 1) {
                first = at;
                cpu = ms;
            }
        }
        if (f) fclose(f);
    }
    usleep(kRunOnMs * 1000);
    kill(pid, SIGTERM);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    if (first < 0) {
        fprintf(stderr, "%s run %d: no first frame\n", p.label, run);
        return false;
    }
    p.ms.push_back((first - t0) * 1000);
    p.cpu.push_back(cpu);
    p.kb.push_back(ru.ru_maxrss);
    printf("%-6s run %d: first frame after %6.1f ms (%6.1f ms CPU), peak RSS %6ld KiB\n", p.label, run,
           p.ms.back(), cpu, p.kb.back());
    return true;
}

template <class T> static T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char **argv) {
    std::vector<std::string> args;
    bool busy = false;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--busy")) busy = true;
        else args.push_back(argv[i]);
    }
    if (args.empty()) {
        fprintf(stderr, "usage: %s path/to/glitzfall [data-dir] [runs] [--busy]\n", argv[0]);
        return 2;
    }
    Program game{"game", absolute(args[0]), {}, {}, {}, {}};
    Program bare{"bare", beside_self("bare_window"), {}, {}, {}, {}};
    Program floor{"floor", beside_self("bare_window"), {}, {}, {}, {"--textures"}};
    std::string data = args.size() > 1 ? absolute(args[1]) : "";
    int runs = args.size() > 2 ? atoi(args[2].c_str()) : 5;
    if (runs < 1) runs = 1;

    char tmpl[] = "/tmp/glitz_bench_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string root = tmpl;
    std::string setup = data.empty() ? "mkdir -p '" + root + "/data' && echo '{}' > '" + root + "/data/data.json'"
                                     : "cp -r '" + data + "' '" + root + "/data'";
    if (system(setup.c_str()) != 0) return 1;
    for (const char *t : kTitleTextures)
        if (access((root + "/" + t).c_str(), R_OK) == 0) floor.args.push_back(t);
    bool with_floor = floor.args.size() > 1;
    mkdir((root + "/home").c_str(), 0755);

    // Held open for the whole run: an Xvfb without -noreset would reset between two programs and
    // refuse the next one's window for a moment.
    if (!hold_display()) fprintf(stderr, "no X display answers; the programs will find none either\n");
    pid_t spinner = -1;
    if (busy) {
        fflush(stdout);
        spinner = fork();
        if (spinner == 0)
            for (volatile unsigned long n = 0;; n++) {}
    }
    for (int r = 1; r <= runs; r++) {
        run_once(game, root, r);
        run_once(bare, root, r);
        if (with_floor) run_once(floor, root, r);
    }
    if (spinner > 0) {
        kill(spinner, SIGKILL);
        waitpid(spinner, nullptr, 0);
    }
    if (system(("rm -rf '" + root + "'").c_str()) != 0) return 1;
    if (game.ms.empty() || bare.ms.empty()) return 1;
    double gm = median(game.ms), bm = median(bare.ms), gc = median(game.cpu), bc = median(bare.cpu);
    long gk = median(game.kb), bk = median(bare.kb);
    printf("%s, %d runs each%s\n", "medians", runs, busy ? ", one core kept busy" : "");
    printf("  game: first frame %6.1f ms (%6.1f ms CPU), peak RSS %6ld KiB\n", gm, gc, gk);
    printf("  bare: first frame %6.1f ms (%6.1f ms CPU), peak RSS %6ld KiB\n", bm, bc, bk);
    printf("  ratio game / bare: first frame %.2fx (CPU %.2fx), peak RSS %.2fx\n", gm / bm, gc / bc,
           (double)gk / (double)bk);
    if (with_floor && !floor.ms.empty()) {
        double fm = median(floor.ms), fc = median(floor.cpu);
        long fk = median(floor.kb);
        printf("  floor (bare + the title's textures): first frame %6.1f ms (%6.1f ms CPU), peak RSS %6ld KiB\n",
               fm, fc, fk);
        printf("  ratio floor / bare: first frame %.2fx, peak RSS %.2fx; game / floor: %.2fx, %.2fx\n", fm / bm,
               (double)fk / (double)bk, gm / fm, (double)gk / (double)fk);
    }
    return 0;
}
