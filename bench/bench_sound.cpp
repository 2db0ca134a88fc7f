// SPDX-License-Identifier: Zlib
// bench_sound - the mixer's cost: CPU time per second of audio with 16 looped sample voices (half of
// them resampled from 22050 Hz) and one looped module stream, rendered in device-sized blocks the
// way the audio callback does. Prints the callback's share of one core.
//
//   bench_sound [seconds of audio, default 60]
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include <cstdio>
#include <vector>
#include "sound/engine.h"
#include "tests/test_sound_files.h"

static double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

int main(int argc, char **argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 60;
    if (seconds < 1) seconds = 1;
    char dir[] = "/tmp/glitz_bench_sound_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string a = std::string(dir) + "/a.wav", b = std::string(dir) + "/b.wav", m = std::string(dir) + "/m.mod";
    write_file(a, make_wav(44100, 2, 16, 440.0, 0.7, 0.1));
    write_file(b, make_wav(22050, 1, 16, 330.0, 0.45, 0.1));
    write_file(m, make_mod(2));
    SoundEngine *e = SoundEngine::create(false);
    SoundSource *sa = e->add_source(a.c_str()), *sb = e->add_source(b.c_str()), *sm = e->add_source(m.c_str());
    if (!sa || !sb || !sm) {
        fprintf(stderr, "bench_sound: could not make the test sounds\n");
        return 1;
    }
    for (int i = 0; i < 16; i++) {
        VoiceId v = e->play(i % 2 ? sb : sa, true, false, true);
        e->set_volume(v, 0.3f);
        e->set_pan(v, (i % 5 - 2) * 0.5f);
    }
    VoiceId music = e->play(sm, true, false, true);
    e->set_volume(music, 0.5f);

    std::vector<int16_t> block(SoundEngine::kDeviceFrames * 2);
    int blocks = (int)((int64_t)seconds * SoundEngine::kRate / SoundEngine::kDeviceFrames);
    double worst = 0.0, start = cpu_seconds();
    for (int i = 0; i < blocks; i++) {
        double t = cpu_seconds();
        e->render(block.data(), SoundEngine::kDeviceFrames);
        t = cpu_seconds() - t;
        if (t > worst) worst = t;
    }
    double spent = cpu_seconds() - start;
    double audio = (double)blocks * SoundEngine::kDeviceFrames / SoundEngine::kRate;
    double block_ms = 1000.0 * SoundEngine::kDeviceFrames / SoundEngine::kRate;
    printf("voices: 16 samples + 1 module stream, %d blocks of %d frames (%.1f s of audio)\n", blocks,
           SoundEngine::kDeviceFrames, audio);
    printf("CPU per second of audio: %.2f ms\n", 1000.0 * spent / audio);
    printf("callback share of one core: %.2f %%\n", 100.0 * spent / audio);
    printf("slowest block: %.3f ms of its %.1f ms\n", worst * 1000.0, block_ms);
    delete e;
    unlink(a.c_str());
    unlink(b.c_str());
    unlink(m.c_str());
    rmdir(dir);
    return 0;
}
