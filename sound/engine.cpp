// SPDX-License-Identifier: Zlib
// engine.cpp - the sound engine: sources, voices and the mixer on SDL's audio thread.
// Sections: Sources, Voices, Mixing (audio thread).
#include "sound/engine.h"
#include "sound/audio_thread.h"

#include <SDL.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

enum VoiceState { VOICE_FREE, VOICE_PAUSED, VOICE_PLAYING, VOICE_FINISHED };

// One voice slot. Fields the callback reads or writes change on the game thread only under the
// audio lock; the callback itself runs under that lock.
struct SoundEngine::Voice {
    uint32_t generation = 0;        // part of the VoiceId; bumped each time the slot is handed out
    int state = VOICE_FREE;
    bool looped = false;
    float volume = 1.0f, pan = 0.0f;
    int32_t rate = 0, channels = 0; // of the source frames
    // Source of frames: decoded whole (pcm) or a decoder with its buffer.
    std::shared_ptr<PcmData> pcm;
    int64_t index = 0;              // next frame of pcm
    StreamDecoder *decoder = nullptr;
    int16_t *buf = nullptr;         // kStreamFrames frames
    int32_t buf_len = 0, buf_pos = 0;
    // Resampler: output is cur..next at frac; positions count source frames of one pass.
    bool primed = false, at_end = false;
    float cur[2] = {0, 0}, next[2] = {0, 0};
    double frac = 0.0, step = 1.0;
    int64_t cur_pos = 0, next_pos = 0, read_pos = 0;
};

struct SoundEngine::Pace {
    CallbackClock clock;
    std::atomic<int64_t> callbacks{0}, underruns{0}, longest_gap{0}, longest_gap_at{0};
    bool prioritised = false;   // the audio thread has asked for its priority
    explicit Pace(int64_t block_ns) : clock(block_ns) {}
};

// Buffer sizes tried in turn when the device refuses the one before.
static const int32_t kDeviceFallbacks[] = {SoundEngine::kDeviceFrames, 1024, 2048, 4096};

// The time one device buffer of `frames` frames lasts, in nanoseconds.
static int64_t block_ns(int32_t frames) { return (int64_t)frames * 1000000000 / SoundEngine::kRate; }

// The counters exist from the start, timed for the preferred buffer; opening a device times
// them for the buffer it took.
SoundEngine::SoundEngine() : pace(new Pace(block_ns(kDeviceFrames))) {
    voices = new Voice[kVoices];
    mix = new float[kMixFrames * 2];
}

SoundEngine *SoundEngine::create(bool open_device) {
    SoundEngine *e = new SoundEngine;
    if (!open_device) return e;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            delete e;
            return nullptr;
        }
        e->own_subsystem = true;
    }
    for (int32_t frames : kDeviceFallbacks) {
        SDL_AudioSpec want;
        memset(&want, 0, sizeof want);
        want.freq = kRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = (Uint16)frames;
        want.callback = callback;
        want.userdata = e;
        e->pace.reset(new Pace(block_ns(frames)));
        // No "obtained" spec: SDL converts to whatever the hardware wants.
        if (SDL_OpenAudio(&want, nullptr) == 0) {
            e->device_frames_ = frames;
            break;
        }
    }
    if (!e->device_frames_) {   // no device at all, whatever the size: the caller reports that
        delete e;
        return nullptr;
    }
    if (e->device_frames_ != kDeviceFrames)
        fprintf(stderr, "audio device refused a buffer of %d frames; using %d\n", (int)kDeviceFrames,
                (int)e->device_frames_);
    e->device = true;
    SDL_PauseAudio(0);
    return e;
}

SoundEngine::~SoundEngine() {
    if (device) SDL_CloseAudio();   // the callback has stopped for good after this
    if (own_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    for (int32_t i = 0; i < kVoices; i++) {
        delete voices[i].decoder;
        delete[] voices[i].buf;
    }
    delete[] voices;
    delete[] mix;
}

void SoundEngine::lock() {
    if (device) SDL_LockAudio();
}

void SoundEngine::unlock() {
    if (device) SDL_UnlockAudio();
}

void SoundEngine::callback(void *self, uint8_t *stream, int len) {
    SoundEngine *e = (SoundEngine *)self;
    if (!e->pace->prioritised) {   // the first callback runs on the thread SDL mixes on
        e->pace->prioritised = true;
        audio_thread_prioritise();
    }
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch()).count();
    e->count_callback(now);
    e->render((int16_t *)stream, len / 4);
}

void SoundEngine::count_callback(int64_t now_ns) {
    pace->callbacks++;
    if (pace->clock.tick(now_ns)) pace->underruns++;
    pace->longest_gap = pace->clock.longest_gap_ns();
    pace->longest_gap_at = pace->clock.longest_gap_at_ns();
}

int64_t SoundEngine::callbacks() const { return pace->callbacks.load(); }
int64_t SoundEngine::underruns() const { return pace->underruns.load(); }
int64_t SoundEngine::longest_gap_ns() const { return pace->longest_gap.load(); }
int64_t SoundEngine::longest_gap_at_ns() const { return pace->longest_gap_at.load(); }

// ---- Sources ------------------------------------------------------------------------------------

static const float kMaxVolume = 16.0f;
static const size_t kMaxWholeFile = 64u << 20;   // files read into memory are refused above this

SoundSource *SoundEngine::add_source(const char *path, StreamMode mode) {
    if (!path) return nullptr;
    int64_t size = file_size(path);
    if (size <= 0) return nullptr;
    std::unique_ptr<SoundSource> s(new SoundSource);
    s->path = path;
    s->mode = mode;
    s->size = size;
    uint8_t head[4] = {0, 0, 0, 0};
    if (!file_read_head(path, head, 4)) memset(head, 0, 4);
    if (!memcmp(head, "OggS", 4)) {
        s->format = FORMAT_OGG;
        set_stream_mode(s.get(), mode);
        if (!s->pcm) {   // streamed: it must open now, so that a bad file fails here
            StreamDecoder *d = vorbis_open_file(path);
            if (!d) return nullptr;
            delete d;
        }
    } else {
        if (!file_read_all(path, &s->bytes, kMaxWholeFile)) return nullptr;
        s->format = sound_format_detect(s->bytes.data(), s->bytes.size());
        if (s->format == FORMAT_WAV) {
            std::shared_ptr<PcmData> pcm(new PcmData);
            if (!wav_decode(s->bytes, pcm.get(), whole_sample_limit)) return nullptr;
            s->pcm = pcm;
            s->bytes.clear();
            s->bytes.shrink_to_fit();
        } else if (s->format == FORMAT_MODULE) {
            StreamDecoder *d = module_open(&s->bytes);
            if (!d) return nullptr;
            delete d;
        } else {
            return nullptr;
        }
    }
    sources.emplace_back(std::move(s));
    return sources.back().get();
}

// Only Ogg sources change: WAV is always whole, a module always rendered live. A file whose whole
// decode failed once is not decoded again (a long silent file takes seconds to find out).
void SoundEngine::set_stream_mode(SoundSource *s, StreamMode mode) {
    if (!s) return;
    s->mode = mode;
    if (s->format != FORMAT_OGG) return;
    bool whole = mode == STREAM_WHOLE || (mode == STREAM_AUTO && s->size < stream_threshold);
    if (whole && !s->pcm && !s->whole_refused) {
        std::vector<uint8_t> bytes;
        std::shared_ptr<PcmData> pcm(new PcmData);
        if (file_read_all(s->path.c_str(), &bytes, kMaxWholeFile) &&
            vorbis_decode_all(bytes, pcm.get(), whole_sample_limit))
            s->pcm = pcm;
        else
            s->whole_refused = true;
    } else if (!whole) {
        s->pcm.reset();   // voices still playing it keep their own reference
    }
}

bool SoundEngine::is_streamed(const SoundSource *s) const { return s && !s->pcm; }

// ---- Voices -------------------------------------------------------------------------------------

SoundEngine::Voice *SoundEngine::voice(VoiceId id) {
    uint32_t slot = id % kVoices;
    if (id == 0) return nullptr;
    Voice &v = voices[slot];
    if (v.generation != id / kVoices || v.state == VOICE_FREE || v.state == VOICE_FINISHED) return nullptr;
    return &v;
}

VoiceId SoundEngine::play(SoundSource *s, bool looped, bool start_paused, bool track) {
    if (!s) return 0;
    // Everything that allocates happens before the lock.
    std::shared_ptr<PcmData> pcm = s->pcm;
    StreamDecoder *decoder = nullptr;
    int16_t *buf = nullptr;
    if (!pcm) {
        decoder = s->format == FORMAT_MODULE ? module_open(&s->bytes) : vorbis_open_file(s->path.c_str());
        if (!decoder) return 0;
        buf = new int16_t[kStreamFrames * 2];
    }
    StreamDecoder *old_decoder = nullptr;
    int16_t *old_buf = nullptr;
    std::shared_ptr<PcmData> old_pcm;
    VoiceId id = 0;
    lock();
    for (int32_t i = 0; i < kVoices; i++) {
        Voice &v = voices[i];
        if (v.state != VOICE_FREE && v.state != VOICE_FINISHED) continue;
        old_decoder = v.decoder;
        old_buf = v.buf;
        old_pcm.swap(v.pcm);
        v.generation = (v.generation + 1) % (0xFFFFFFFFu / kVoices);
        if (v.generation == 0) v.generation = 1;
        v.state = start_paused ? VOICE_PAUSED : VOICE_PLAYING;
        v.looped = looped;
        v.volume = 1.0f;
        v.pan = 0.0f;
        v.pcm = pcm;
        v.decoder = decoder;
        v.buf = buf;
        v.rate = pcm ? pcm->rate : decoder->rate;
        v.channels = pcm ? pcm->channels : decoder->channels;
        v.step = (double)v.rate / kRate;
        v.index = 0;
        v.buf_len = v.buf_pos = 0;
        v.primed = v.at_end = false;
        v.frac = 0.0;
        v.cur_pos = v.next_pos = v.read_pos = 0;
        id = v.generation * (uint32_t)kVoices + (uint32_t)i;
        decoder = nullptr;
        buf = nullptr;
        break;
    }
    unlock();
    delete old_decoder;   // freed here, on the game thread, never in the callback
    delete[] old_buf;
    delete decoder;       // not used when every slot is busy
    delete[] buf;
    return track ? id : 0;
}

void SoundEngine::set_pan(VoiceId id, float pan) {
    lock();
    if (pan != pan) pan = 0.0f;   // NaN: centre
    if (Voice *v = voice(id)) v->pan = pan < -1.0f ? -1.0f : pan > 1.0f ? 1.0f : pan;
    unlock();
}

void SoundEngine::set_volume(VoiceId id, float volume) {
    lock();
    // NaN is silence; the top is bounded so that no gain times a silent sample gives NaN.
    if (Voice *v = voice(id)) v->volume = volume > 0.0f ? (volume < kMaxVolume ? volume : kMaxVolume) : 0.0f;
    unlock();
}

void SoundEngine::set_paused(VoiceId id, bool paused) { set_paused(&id, 1, paused); }

void SoundEngine::set_paused(const VoiceId *ids, int32_t count, bool paused) {
    lock();
    for (int32_t i = 0; ids && i < count; i++)
        if (Voice *v = voice(ids[i])) v->state = paused ? VOICE_PAUSED : VOICE_PLAYING;
    unlock();
}

void SoundEngine::stop(VoiceId id) {
    lock();
    if (Voice *v = voice(id)) v->state = VOICE_FINISHED;
    unlock();
}

bool SoundEngine::set_position_ms(VoiceId id, int64_t ms) {
    bool ok = false;
    lock();
    if (Voice *v = voice(id); v && ms >= 0 && ms < INT64_MAX / 400000) {
        int64_t frame = (ms * v->rate + 999) / 1000;   // rounded up: reads back as `ms`
        if (v->pcm) {
            int64_t frames = v->pcm->frames();
            if (frame >= frames && v->looped && frames > 0) frame %= frames;
            if (frame < frames) {
                v->index = frame;
                ok = true;
            }
        } else {
            ok = v->decoder->seek_ms(ms);
            int64_t len = v->decoder->length_ms();
            if (!ok && v->looped && len > 0) {
                ms %= len;
                frame = (ms * v->rate + 999) / 1000;
                ok = v->decoder->seek_ms(ms);
            }
            v->buf_len = v->buf_pos = 0;
            if (!ok) {   // the decoder's position is unknown now: start over
                v->decoder->seek_ms(0);
                frame = 0;
            }
        }
        if (ok || !v->pcm) {
            v->read_pos = v->cur_pos = v->next_pos = frame;
            v->primed = v->at_end = false;
            v->frac = 0.0;
        }
    }
    unlock();
    return ok;
}

int64_t SoundEngine::position_ms(VoiceId id) {
    int64_t ms = -1;
    lock();
    if (Voice *v = voice(id)) ms = v->rate > 0 ? v->cur_pos * 1000 / v->rate : 0;
    unlock();
    return ms;
}

bool SoundEngine::is_finished(VoiceId id) {
    lock();
    bool gone = voice(id) == nullptr;
    unlock();
    return gone;
}

bool SoundEngine::is_paused(VoiceId id) {
    lock();
    Voice *v = voice(id);
    bool paused = v && v->state == VOICE_PAUSED;
    unlock();
    return paused;
}

float SoundEngine::volume(VoiceId id) {
    lock();
    Voice *v = voice(id);
    float x = v ? v->volume : 0.0f;
    unlock();
    return x;
}

float SoundEngine::pan(VoiceId id) {
    lock();
    Voice *v = voice(id);
    float x = v ? v->pan : 0.0f;
    unlock();
    return x;
}

int32_t SoundEngine::voices_playing() {
    int32_t n = 0;
    lock();
    for (int32_t i = 0; i < kVoices; i++) n += voices[i].state == VOICE_PLAYING;
    unlock();
    return n;
}

// ---- Mixing (audio thread) ----------------------------------------------------------------------

// The next source frame into `frame` (left, right), wrapping looped voices without a gap.
// False at the end of a voice that does not loop (or of a source that gives nothing).
bool SoundEngine::fetch(Voice &v, float *frame) {
    for (int attempt = 0; attempt < 2; attempt++) {
        const int16_t *p = nullptr;
        if (v.pcm) {
            if (v.index < v.pcm->frames()) p = &v.pcm->samples[(size_t)(v.index++ * v.channels)];
        } else {
            if (v.buf_pos >= v.buf_len) {
                v.buf_len = v.decoder->read(v.buf, kStreamFrames);
                v.buf_pos = 0;
            }
            if (v.buf_pos < v.buf_len) p = v.buf + v.buf_pos++ * v.channels;
        }
        if (p) {
            frame[0] = p[0];
            frame[1] = p[v.channels - 1];
            v.next_pos = v.read_pos++;
            return true;
        }
        if (!v.looped) return false;
        int64_t at = 0;
        if (v.pcm) v.index = 0;
        else if ((at = v.decoder->loop()) < 0) return false;
        v.buf_len = v.buf_pos = 0;
        v.read_pos = at;
    }
    return false;
}

bool SoundEngine::prime(Voice &v) {
    v.frac = 0.0;
    v.at_end = false;
    if (!fetch(v, v.cur)) return false;
    v.cur_pos = v.next_pos;
    if (!fetch(v, v.next)) {
        v.next[0] = v.next[1] = 0.0f;
        v.at_end = true;
    }
    v.primed = true;
    return true;
}

void SoundEngine::render(int16_t *out, int32_t frames) {
    while (frames > 0) {
        int32_t n = frames < kMixFrames ? frames : kMixFrames;
        memset(mix, 0, sizeof(float) * 2 * (size_t)n);
        for (int32_t i = 0; i < kVoices; i++) {
            Voice &v = voices[i];
            if (v.state != VOICE_PLAYING) continue;
            if (!v.primed && !prime(v)) {
                v.state = VOICE_FINISHED;
                continue;
            }
            // Balance: the centre plays fully on both sides, each side fades the other out.
            float gl = v.volume * (v.pan > 0.0f ? 1.0f - v.pan : 1.0f);
            float gr = v.volume * (v.pan < 0.0f ? 1.0f + v.pan : 1.0f);
            float *m = mix;
            for (int32_t f = 0; f < n; f++, m += 2) {
                float t = (float)v.frac;
                m[0] += (v.cur[0] + (v.next[0] - v.cur[0]) * t) * gl;
                m[1] += (v.cur[1] + (v.next[1] - v.cur[1]) * t) * gr;
                v.frac += v.step;
                while (v.frac >= 1.0 && !v.at_end) {
                    v.frac -= 1.0;
                    v.cur[0] = v.next[0];
                    v.cur[1] = v.next[1];
                    v.cur_pos = v.next_pos;
                    if (!fetch(v, v.next)) {
                        v.next[0] = v.next[1] = 0.0f;
                        v.at_end = true;
                    }
                }
                if (v.at_end && v.frac >= 1.0) {
                    v.state = VOICE_FINISHED;
                    break;
                }
            }
        }
        for (int32_t k = 0; k < n * 2; k++) {
            float x = mix[k];
            out[k] = (int16_t)(x > 32767.0f ? 32767 : x < -32768.0f ? -32768 : lrintf(x));
        }
        out += n * 2;
        frames -= n;
    }
}
