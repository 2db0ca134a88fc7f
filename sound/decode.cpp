#include "sound/decode.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>
#include <xmp.h>
#include <cstdio>
#include <cstring>
#include "util/file_open.h"

static uint32_t read_le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
static uint16_t read_le16(const uint8_t *p) { return (uint16_t)(p[0] | p[1] << 8); }

static int16_t float_to_s16(float x) {
    if (!(x > -1.0f)) return -32768;   // also NaN
    if (x >= 1.0f) return 32767;
    return (int16_t)(x * 32767.0f);
}

bool file_read_all(const char *path, std::vector<uint8_t> *out, size_t limit) {
    out->clear();
    FILE *f = file_open_read(path);
    if (!f) return false;
    uint8_t chunk[16384];
    bool ok = true;
    for (;;) {
        size_t n = fread(chunk, 1, sizeof chunk, f);
        if (out->size() + n > limit) { ok = false; break; }
        out->insert(out->end(), chunk, chunk + n);
        if (n < sizeof chunk) { ok = !ferror(f); break; }
    }
    fclose(f);
    if (!ok) out->clear();
    return ok;
}

int64_t file_size(const char *path) {
    int64_t size = -1;
    if (FILE *f = file_open_read(path, &size)) fclose(f);
    return size;
}

SoundFormat sound_format_detect(const uint8_t *data, size_t size) {
    if (size >= 12 && !memcmp(data, "RIFF", 4) && !memcmp(data + 8, "WAVE", 4)) return FORMAT_WAV;
    if (size >= 4 && !memcmp(data, "OggS", 4)) return FORMAT_OGG;
    if (size > 0 && xmp_test_module_from_memory(data, (long)size, nullptr) == 0) return FORMAT_MODULE;
    return FORMAT_UNKNOWN;
}

// ---- WAV ----------------------------------------------------------------------------------------

// Walks the RIFF chunks ahead of SDL: every chunk must lie inside the file, "fmt " must describe
// plain PCM SDL can take, and the "data" chunk must be whole. SDL's own reader trusts the lengths.
static bool wav_check(const std::vector<uint8_t> &file) {
    size_t size = file.size();
    if (size < 12) return false;
    uint32_t riff_len = read_le32(&file[4]);
    if (riff_len < 4 || riff_len > size - 8) return false;
    size_t end = 8 + (size_t)riff_len;
    bool have_fmt = false, have_data = false;
    for (size_t at = 12; at + 8 <= end;) {
        const uint8_t *chunk = &file[at];
        uint32_t len = read_le32(chunk + 4);
        if (len > end - at - 8) return false;   // chunk runs past the end: truncated
        if (!memcmp(chunk, "fmt ", 4)) {
            if (len < 16) return false;
            uint16_t tag = read_le16(chunk + 8), channels = read_le16(chunk + 10);
            uint32_t rate = read_le32(chunk + 12);
            uint16_t align = read_le16(chunk + 20), bits = read_le16(chunk + 22);
            if (tag != 1 || channels < 1 || channels > 8 || rate < 1 || rate > 384000) return false;
            if ((bits != 8 && bits != 16) || align != channels * bits / 8) return false;
            have_fmt = true;
        } else if (!memcmp(chunk, "data", 4)) {
            if (!have_fmt) return false;
            have_data = true;
            break;
        }
        at += 8 + (size_t)len + (len & 1);
    }
    return have_fmt && have_data;
}

bool wav_decode(const std::vector<uint8_t> &file, PcmData *out) {
    if (!wav_check(file)) return false;
    SDL_RWops *rw = SDL_RWFromConstMem(file.data(), (int)file.size());
    if (!rw) return false;
    SDL_AudioSpec spec;
    Uint8 *buf = nullptr;
    Uint32 len = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &buf, &len)) return false;
    bool ok = spec.freq > 0 && spec.channels > 0;
    int bytes = (spec.format == AUDIO_U8 || spec.format == AUDIO_S8) ? 1 : 2;
    int in_ch = spec.channels, out_ch = in_ch > 1 ? 2 : 1;
    int64_t frames = ok ? len / (bytes * in_ch) : 0;
    out->rate = spec.freq;
    out->channels = out_ch;
    out->samples.assign((size_t)(frames * out_ch), 0);
    for (int64_t f = 0; ok && f < frames; f++) {
        for (int c = 0; c < out_ch; c++) {
            const Uint8 *p = buf + (f * in_ch + c) * bytes;
            int16_t s;
            switch (spec.format) {
            case AUDIO_U8: s = (int16_t)((p[0] - 128) * 256); break;
            case AUDIO_S8: s = (int16_t)((int8_t)p[0] * 256); break;
            case AUDIO_S16LSB: s = (int16_t)(p[0] | p[1] << 8); break;
            case AUDIO_S16MSB: s = (int16_t)(p[1] | p[0] << 8); break;
            case AUDIO_U16LSB: s = (int16_t)((p[0] | p[1] << 8) - 32768); break;
            case AUDIO_U16MSB: s = (int16_t)((p[1] | p[0] << 8) - 32768); break;
            default: ok = false; s = 0; break;
            }
            out->samples[(size_t)(f * out_ch + c)] = s;
        }
    }
    SDL_FreeWAV(buf);
    return ok && frames > 0;
}

// ---- Ogg Vorbis ---------------------------------------------------------------------------------

struct MemReader {
    const uint8_t *data;
    size_t size, pos;
};

static size_t mem_read(void *dst, size_t size, size_t count, void *src) {
    MemReader *m = (MemReader *)src;
    if (size == 0) return 0;
    size_t n = (m->size - m->pos) / size;
    if (n > count) n = count;
    memcpy(dst, m->data + m->pos, n * size);
    m->pos += n * size;
    return n;
}

static int mem_seek(void *src, ogg_int64_t offset, int whence) {
    MemReader *m = (MemReader *)src;
    ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? (ogg_int64_t)m->pos : (ogg_int64_t)m->size;
    ogg_int64_t to = base + offset;
    if (to < 0 || to > (ogg_int64_t)m->size) return -1;
    m->pos = (size_t)to;
    return 0;
}

static long mem_tell(void *src) { return (long)((MemReader *)src)->pos; }

// Stereo or mono interleaved 16-bit from vorbis' float planes; more channels keep the first two.
static void vorbis_fold(float **planes, int in_ch, int out_ch, int64_t frames, int16_t *out) {
    for (int64_t f = 0; f < frames; f++)
        for (int c = 0; c < out_ch; c++) out[f * out_ch + c] = float_to_s16(planes[c < in_ch ? c : 0][f]);
}

bool vorbis_decode_all(const std::vector<uint8_t> &file, PcmData *out, size_t max_samples) {
    MemReader m = {file.data(), file.size(), 0};
    ov_callbacks cb = {mem_read, mem_seek, nullptr, mem_tell};
    OggVorbis_File vf;
    if (ov_open_callbacks(&m, &vf, nullptr, 0, cb) != 0) return false;
    vorbis_info *vi = ov_info(&vf, -1);
    bool ok = vi && vi->channels > 0 && vi->rate > 0 && vi->rate <= 384000;
    if (ok) {
        out->rate = (int32_t)vi->rate;
        out->channels = vi->channels > 1 ? 2 : 1;
        out->samples.clear();
    }
    while (ok) {
        float **planes;
        int link;
        long n = ov_read_float(&vf, &planes, 4096, &link);
        if (n == 0) break;
        if (n < 0) { ok = false; break; }   // a hole or a bad link: corrupt data
        vorbis_info *li = ov_info(&vf, link);
        if (!li || li->channels < 1) { ok = false; break; }
        size_t at = out->samples.size();
        if ((size_t)n * out->channels > max_samples - at) { ok = false; break; }
        out->samples.resize(at + (size_t)n * out->channels);
        vorbis_fold(planes, li->channels, out->channels, n, &out->samples[at]);
    }
    // A file cut inside a page decodes up to the last whole page; the cut shows as bytes after it.
    if (ok && ov_raw_tell(&vf) != (ogg_int64_t)file.size()) ok = false;
    ov_clear(&vf);
    return ok && out->frames() > 0;
}

class VorbisStream : public StreamDecoder {
public:
    OggVorbis_File vf;
    bool is_open = false;
    ~VorbisStream() override {
        if (is_open) ov_clear(&vf);
    }
    int32_t read(int16_t *out, int32_t frames) override {
        int32_t done = 0, troubles = 0;
        while (done < frames) {
            float **planes;
            int link;
            long n = ov_read_float(&vf, &planes, frames - done, &link);
            if (n == 0) break;
            if (n < 0) {   // a hole is skipped; anything else ends the pass
                if (n != OV_HOLE || ++troubles > 8) break;
                continue;
            }
            vorbis_info *li = ov_info(&vf, link);
            if (!li || li->channels < 1) break;
            vorbis_fold(planes, li->channels, channels, n, out + done * channels);
            done += (int32_t)n;
        }
        return done;
    }
    bool seek_ms(int64_t ms) override {
        if (ms < 0) return false;
        return ov_pcm_seek(&vf, (ogg_int64_t)(ms * rate / 1000)) == 0;
    }
    int64_t length_ms() override {
        double t = ov_time_total(&vf, -1);
        return t < 0 ? -1 : (int64_t)(t * 1000.0);
    }
};

StreamDecoder *vorbis_open_file(const char *path) {
    FILE *f = file_open_read(path);
    if (!f) return nullptr;
    VorbisStream *s = new VorbisStream;
    if (ov_open(f, &s->vf, nullptr, 0) != 0) {
        fclose(f);   // a refused file stays the caller's to close
    } else {
        s->is_open = true;
        vorbis_info *vi = ov_info(&s->vf, -1);
        if (vi && vi->channels > 0 && vi->rate > 0 && vi->rate <= 384000 && ov_seekable(&s->vf)) {
            s->rate = (int32_t)vi->rate;
            s->channels = vi->channels > 1 ? 2 : 1;
            return s;
        }
    }
    delete s;
    return nullptr;
}

// ---- Modules ------------------------------------------------------------------------------------

class ModuleStream : public StreamDecoder {
public:
    xmp_context ctx = nullptr;
    bool loaded = false, started = false, ended = false;
    int loop_base = 0;              // the song's loop count when this pass began
    const int16_t *pending = nullptr;
    int32_t pending_frames = 0;     // frames of the last rendered tick not handed out yet
    xmp_frame_info fi;              // large: kept here, off the audio thread's stack

    ~ModuleStream() override {
        if (started) xmp_end_player(ctx);
        if (loaded) xmp_release_module(ctx);
        if (ctx) xmp_free_context(ctx);
    }
    // Renders one tick; false at the end of the pass.
    bool tick() {
        if (xmp_play_frame(ctx) != 0) return false;
        xmp_get_frame_info(ctx, &fi);
        if (fi.loop_count > loop_base || fi.buffer_size <= 0) return false;
        pending = (const int16_t *)fi.buffer;
        pending_frames = fi.buffer_size / 4;
        return true;
    }
    int32_t read(int16_t *out, int32_t frames) override {
        int32_t done = 0;
        while (done < frames && !ended) {
            if (pending_frames == 0 && !tick()) { ended = true; pending_frames = 0; break; }
            int32_t n = frames - done < pending_frames ? frames - done : pending_frames;
            memcpy(out + done * 2, pending, (size_t)n * 4);
            pending += n * 2;
            pending_frames -= n;
            done += n;
        }
        return done;
    }
    bool seek_ms(int64_t ms) override {
        if (ms < 0 || ms > 24LL * 3600 * 1000) return false;
        xmp_seek_time(ctx, (int)ms);
        xmp_get_frame_info(ctx, &fi);
        loop_base = fi.loop_count;
        ended = false;
        pending_frames = 0;
        // The seek lands on the start of a pattern position; ticks are rendered from there up to
        // the one that holds `ms`, and the frames before it inside that tick are skipped.
        for (int guard = 0; guard < 1000000; guard++) {
            if (!tick()) { ended = true; pending_frames = 0; return false; }
            int64_t start = fi.time - (int64_t)fi.frame_time / 1000;
            int64_t end = start + (int64_t)pending_frames * 1000 / 44100;
            if (end > ms) {
                int64_t skip = (ms - start) * 44100 / 1000;
                if (skip < 0) skip = 0;
                if (skip > pending_frames) skip = pending_frames;
                pending += skip * 2;
                pending_frames -= (int32_t)skip;
                return true;
            }
        }
        return false;
    }
    int64_t length_ms() override {
        xmp_module_info mi;
        xmp_get_module_info(ctx, &mi);
        return mi.seq_data[0].duration;
    }
};

StreamDecoder *module_open(const std::vector<uint8_t> *bytes) {
    if (bytes->empty()) return nullptr;
    ModuleStream *s = new ModuleStream;
    s->ctx = xmp_create_context();
    if (s->ctx && xmp_load_module_from_memory(s->ctx, bytes->data(), (long)bytes->size()) == 0) {
        s->loaded = true;
        if (xmp_start_player(s->ctx, 44100, 0) == 0) {
            s->started = true;
            s->rate = 44100;
            s->channels = 2;
            xmp_get_frame_info(s->ctx, &s->fi);
            s->loop_base = s->fi.loop_count;
            return s;
        }
    }
    delete s;
    return nullptr;
}
