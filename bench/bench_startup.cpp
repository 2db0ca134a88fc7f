// bench_startup - time from process start to the first presented frame, and peak memory.
//
//   DISPLAY=:73 SDL_AUDIODRIVER=dummy build/bench/bench_startup build/glitzfall [data-dir] [runs]
//
// Starts the program `runs` times (default 5) in a temporary folder (with a copy of the given
// data directory, or an empty catalogue), waits for its "first frame at" line (GLITZ_TICK_REPORT),
// ends it with SIGTERM and prints each run and the median; peak memory is the child's max RSS.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

static double mono() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s path/to/glitzfall [data-dir] [runs]\n", argv[0]);
        return 2;
    }
    std::string bin = argv[1];
    if (bin[0] != '/') {
        char cwd[1024];
        if (getcwd(cwd, sizeof cwd)) bin = std::string(cwd) + "/" + bin;
    }
    std::string data = argc > 2 ? argv[2] : "";
    int runs = argc > 3 ? atoi(argv[3]) : 5;
    char tmpl[] = "/tmp/glitz_bench_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string root = tmpl;
    std::string setup = data.empty() ? "mkdir -p '" + root + "/data' && echo '{}' > '" + root + "/data/data.json'"
                                     : "cp -r '" + data + "' '" + root + "/data'";
    if (system(setup.c_str()) != 0) return 1;
    mkdir((root + "/home").c_str(), 0755);

    std::vector<double> times;
    long peak_kb = 0;
    for (int r = 0; r < runs; r++) {
        std::string err = root + "/err.txt";
        fflush(stdout);  // the child must not write our buffered lines again
        double t0 = mono();
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(root.c_str()) != 0) _exit(126);
            if (!freopen("/dev/null", "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
            setenv("HOME", (root + "/home").c_str(), 1);
            setenv("GLITZ_TICK_REPORT", "1", 1);
            execl(bin.c_str(), bin.c_str(), (char *)nullptr);
            _exit(127);
        }
        double first = -1;
        for (int i = 0; i < 600 && first < 0; i++) {
            usleep(10000);
            FILE *f = fopen(err.c_str(), "r");
            char line[256];
            while (f && fgets(line, sizeof line, f)) {
                double at;
                if (sscanf(line, "first frame at %lf", &at) == 1) first = at;
            }
            if (f) fclose(f);
        }
        usleep(500000);  // let it run a little: the peak includes some frames
        kill(pid, SIGTERM);
        int status = 0;
        rusage ru{};
        wait4(pid, &status, 0, &ru);
        peak_kb = std::max(peak_kb, (long)ru.ru_maxrss);
        if (first < 0) {
            fprintf(stderr, "run %d: no first frame\n", r + 1);
            continue;
        }
        times.push_back((first - t0) * 1000);
        printf("run %d: first frame after %.1f ms, peak RSS %ld KiB, exit %d\n", r + 1, times.back(),
               (long)ru.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    if (system(("rm -rf '" + root + "'").c_str()) != 0) return 1;
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    printf("median time to first frame: %.1f ms over %zu runs; peak RSS %ld KiB\n", times[times.size() / 2],
           times.size(), peak_kb);
    return 0;
}
