// SPDX-License-Identifier: Zlib
// engine.h - a small sound engine: one SDL audio device, sound sources loaded from files, and
// voices mixed in SDL's audio callback into 44100 Hz 16-bit stereo.
//
//   SoundEngine *e = SoundEngine::create(true);      // null when there is no audio device
//   SoundSource *s = e->add_source("data/splat.wav"); // null when the file is not usable audio
//   VoiceId v = e->play(s, false, true, true);       // not looped, start paused, tracked
//   e->set_pan(v, 0.0f); e->set_volume(v, 0.5f); e->set_paused(v, false);
//   ...
//   delete e;                                        // closes the device, frees every source
//
// Without a device (`create(false)`) nothing plays by itself; `render()` mixes into a buffer, so
// tests and benchmarks can look at the output.
//
// SOURCES. WAV files are decoded whole (through libsndfile). Ogg Vorbis files smaller than the
// stream threshold are decoded whole, larger ones (and those decoding to more than the sample
// limit; that is found out once per source) are streamed from disk, a file per voice. Modules are
// kept in memory as file bytes and rendered live by libxmp, one player per voice; a looped module
// loops where the module says. Sources live until the engine is deleted.
//
// VOICES. `play` gives a VoiceId: a slot number with a generation count. A voice that ends by
// itself (or is stopped) only marks its slot finished; every call with an id whose voice is gone
// is a harmless no-op (`position_ms` gives -1), so holding an old id is always safe.
//
// THREADS. Call everything from one game thread. Calls that touch voices take SDL's audio lock;
// the callback never allocates, frees or waits, and decodes only streamed voices.
//
// DEVICE. The device buffer is kDeviceFrames (512 frames, 11.6 ms); a device that refuses it is
// opened with the next larger size it takes (1024, 2048 or 4096 frames), with a message. The
// mixing thread asks for real-time priority (audio_thread.h). `underruns()` counts the callbacks
// that came too late to keep the device fed (CallbackClock below).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "sound/decode.h"

enum StreamMode {
    STREAM_AUTO = 0,       // by file size (the engine's stream threshold)
    STREAM_FROM_DISK = 1,  // always decode while playing
    STREAM_WHOLE = 2,      // always decode into memory first
};

typedef uint32_t VoiceId;  // 0 = no voice

// Tells a late audio callback. The device plays the block handed over by one callback while SDL
// holds the next one ready, so a callback that comes more than two blocks' time after the one
// before finds the device already run dry: an underrun. Times are nanoseconds of a monotonic clock.
class CallbackClock {
public:
    explicit CallbackClock(int64_t block_ns) : block_ns_(block_ns) {}
    // One callback began at `now_ns`; true when it came too late.
    bool tick(int64_t now_ns) {
        if (last_ns_ < 0) first_ns_ = now_ns;
        int64_t gap = last_ns_ >= 0 ? now_ns - last_ns_ : 0;
        last_ns_ = now_ns;
        if (gap > longest_ns_) {
            longest_ns_ = gap;
            longest_at_ns_ = now_ns - first_ns_;
        }
        return gap > 2 * block_ns_;
    }
    int64_t longest_gap_ns() const { return longest_ns_; }   // between two callbacks so far
    int64_t longest_gap_at_ns() const { return longest_at_ns_; }   // its end, from the first callback

private:
    int64_t block_ns_;
    int64_t last_ns_ = -1;   // no callback yet
    int64_t first_ns_ = 0;
    int64_t longest_ns_ = 0, longest_at_ns_ = 0;
};

struct SoundSource {
    std::string path;
    SoundFormat format = FORMAT_UNKNOWN;
    StreamMode mode = STREAM_AUTO;
    int64_t size = 0;                 // file size in bytes
    std::shared_ptr<PcmData> pcm;     // decoded whole, or null when streamed
    bool whole_refused = false;       // an Ogg file whose whole decode failed: always streamed
    std::vector<uint8_t> bytes;       // module file bytes
};

class SoundEngine {
public:
    static const int32_t kRate = 44100;        // output frames per second
    static const int32_t kDeviceFrames = 512;  // device buffer (11.6 ms)
    static const int32_t kMixFrames = 1024;    // frames mixed in one pass of render()
    static const int32_t kVoices = 512;        // voice slots
    static const int32_t kStreamFrames = 1024; // decode buffer of a streamed voice

    // A device-backed engine, or null (with SDL's error left as is) when no audio device opens.
    // With `open_device` false the engine only renders on request.
    static SoundEngine *create(bool open_device);
    ~SoundEngine();

    // Files from this size up are streamed in STREAM_AUTO mode (Ogg; WAV and modules always
    // sit in memory). Default 512 KiB.
    int64_t stream_threshold = 512 * 1024;
    // A sound decoded whole holds at most this many 16-bit samples (64 MB): a WAV file beyond it
    // is refused, an Ogg file streamed.
    size_t whole_sample_limit = 32u << 20;

    SoundSource *add_source(const char *path, StreamMode mode = STREAM_AUTO);
    void set_stream_mode(SoundSource *source, StreamMode mode);
    bool is_streamed(const SoundSource *source) const;

    VoiceId play(SoundSource *source, bool looped, bool start_paused, bool track);
    void set_pan(VoiceId v, float pan);        // -1 left .. 0 centre .. 1 right
    void set_volume(VoiceId v, float volume);  // 0 .. 1 (more amplifies)
    void set_paused(VoiceId v, bool paused);
    // The same for several voices under one lock: unpaused together, they start in the same mix.
    void set_paused(const VoiceId *ids, int32_t count, bool paused);
    void stop(VoiceId v);
    bool set_position_ms(VoiceId v, int64_t ms);
    int64_t position_ms(VoiceId v);            // -1 when the voice is gone
    bool is_finished(VoiceId v);
    bool is_paused(VoiceId v);
    float volume(VoiceId v);
    float pan(VoiceId v);
    int32_t voices_playing();                  // voices neither paused nor finished
    int32_t device_frames() const { return device_frames_; }  // the device's buffer, 0 without one
    int64_t callbacks() const;                 // audio callbacks so far
    int64_t underruns() const;                 // of them, those that came too late (CallbackClock)
    int64_t longest_gap_ns() const;            // the longest time between two callbacks
    int64_t longest_gap_at_ns() const;         // when it ended, counted from the first callback
    // Counts one audio callback that began at `now_ns` (steady clock) in the four numbers above.
    // The callback calls it; a test calls it to give an engine without a device callback times.
    void count_callback(int64_t now_ns);

    // Mixes `frames` frames of interleaved stereo into `out`. The audio callback runs this; without
    // a device, callers do.
    void render(int16_t *out, int32_t frames);

private:
    struct Voice;
    SoundEngine();
    Voice *voice(VoiceId v);     // live voice for an id, or null
    void lock();
    void unlock();
    bool prime(Voice &v);
    bool fetch(Voice &v, float *frame);
    static void callback(void *self, uint8_t *stream, int len);

    bool device = false;         // SDL audio device open
    bool own_subsystem = false;  // SDL's audio subsystem started by us
    std::vector<std::unique_ptr<SoundSource>> sources;
    Voice *voices = nullptr;     // kVoices slots
    float *mix = nullptr;        // kMixFrames stereo accumulator
    int32_t device_frames_ = 0;
    struct Pace;                 // callback counters, written by the audio thread
    std::unique_ptr<Pace> pace;
};
