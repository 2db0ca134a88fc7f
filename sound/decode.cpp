// SPDX-License-Identifier: Zlib
// decode.cpp - file decoders for the sound engine (see decode.h).
// Sections: Files, Down-mix, WAV, Ogg Vorbis, Modules.
#include "sound/decode.h"

#include <sndfile.h>
#include <vorbis/vorbisfile.h>
#include <xmp.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include "util/file_open.h"

static uint32_t read_le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

static int16_t float_to_s16(float x) {
    if (!(x > -1.0f)) return -32768;   // also NaN
    if (x >= 1.0f) return 32767;
    return (int16_t)(x * 32767.0f);
}

// ---- Files --------------------------------------------------------------------------------------

// Every sound file is opened here, for reading: only regular files (a FIFO would block).
static FILE *open_for_reading(const char *path) { return file_open_read(path); }

bool file_read_all(const char *path, std::vector<uint8_t> *out, size_t limit) {
    out->clear();
    FILE *f = open_for_reading(path);
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
    if (FILE *f = file_open_read(path, &size)) fclose(f);   // checked like every other open
    return size;
}

bool file_read_head(const char *path, uint8_t *out, size_t n) {
    FILE *f = open_for_reading(path);
    if (!f) return false;
    bool ok = fread(out, 1, n, f) == n;
    fclose(f);
    return ok;
}

SoundFormat sound_format_detect(const uint8_t *data, size_t size) {
    if (size >= 12 && !memcmp(data, "RIFF", 4) && !memcmp(data + 8, "WAVE", 4)) return FORMAT_WAV;
    if (size >= 4 && !memcmp(data, "OggS", 4)) return FORMAT_OGG;
    if (size > 0 && xmp_test_module_from_memory(data, (long)size, nullptr) == 0) return FORMAT_MODULE;
    return FORMAT_UNKNOWN;
}

// ---- Down-mix -----------------------------------------------------------------------------------

enum Speaker { SPK_MONO, SPK_LEFT, SPK_RIGHT, SPK_CENTRE, SPK_LFE, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT };

// Gains that fold the channels of one frame into the output's one or two. Filled on the thread
// that decodes; never allocates.
struct DownMix {
    static const int32_t kMaxChannels = 256;
    int32_t in = 0, out = 0;
    float gain[kMaxChannels][2];

    void set(const Speaker *layout, int32_t channels, int32_t out_channels) {
        static const float kHalfPower = 0.70710678f;   // -3 dB
        in = channels;
        out = out_channels;
        for (int32_t c = 0; c < channels; c++) {
            float l = 0.0f, r = 0.0f;
            switch (channels == 1 ? SPK_MONO : layout[c]) {
            case SPK_MONO: l = r = 1.0f; break;
            case SPK_LEFT: l = 1.0f; break;
            case SPK_RIGHT: r = 1.0f; break;
            case SPK_CENTRE: l = r = kHalfPower; break;
            case SPK_LFE: break;
            case SPK_SURROUND_LEFT: l = kHalfPower; break;
            case SPK_SURROUND_RIGHT: r = kHalfPower; break;
            }
            gain[c][0] = l;
            gain[c][1] = r;
        }
    }
    // One frame: `sample(c)` is channel c of it.
    template <class Sample> void frame(Sample sample, int16_t *dst) const {
        float l = 0.0f, r = 0.0f;
        for (int32_t c = 0; c < in; c++) {
            float x = sample(c);
            l += x * gain[c][0];
            r += x * gain[c][1];
        }
        if (out == 1) {
            dst[0] = float_to_s16(0.5f * (l + r));
        } else {
            dst[0] = float_to_s16(l);
            dst[1] = float_to_s16(r);
        }
    }
};

// Vorbis channel order for 1 to 8 channels; beyond that the order is the application's, and only
// the first two are kept, as left and right.
static void vorbis_layout(int32_t channels, Speaker *layout) {
    static const Speaker kOrders[8][8] = {
        {SPK_MONO},
        {SPK_LEFT, SPK_RIGHT},
        {SPK_LEFT, SPK_CENTRE, SPK_RIGHT},
        {SPK_LEFT, SPK_RIGHT, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT},
        {SPK_LEFT, SPK_CENTRE, SPK_RIGHT, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT},
        {SPK_LEFT, SPK_CENTRE, SPK_RIGHT, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT, SPK_LFE},
        {SPK_LEFT, SPK_CENTRE, SPK_RIGHT, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT, SPK_CENTRE, SPK_LFE},
        {SPK_LEFT, SPK_CENTRE, SPK_RIGHT, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT, SPK_SURROUND_LEFT,
         SPK_SURROUND_RIGHT, SPK_LFE},
    };
    for (int32_t c = 0; c < channels; c++)
        layout[c] = channels <= 8 ? kOrders[channels - 1][c] : c == 0 ? SPK_LEFT : c == 1 ? SPK_RIGHT : SPK_LFE;
}

// A WAV file's speakers: libsndfile's map (from an extensible file's channel mask) or, without
// one, the speakers of the mask bits in order, as a plain WAV file with many channels means them.
static void wav_layout(SNDFILE *f, int32_t channels, Speaker *layout) {
    static const Speaker kMaskOrder[] = {
        SPK_LEFT, SPK_RIGHT, SPK_CENTRE, SPK_LFE, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT,   // FL FR FC LFE BL BR
        SPK_LEFT, SPK_RIGHT, SPK_CENTRE, SPK_SURROUND_LEFT, SPK_SURROUND_RIGHT,           // FLC FRC BC SL SR
        SPK_CENTRE, SPK_SURROUND_LEFT, SPK_CENTRE, SPK_SURROUND_RIGHT,                    // TC TFL TFC TFR
        SPK_SURROUND_LEFT, SPK_CENTRE, SPK_SURROUND_RIGHT};                               // TBL TBC TBR
    const int32_t known = (int32_t)(sizeof kMaskOrder / sizeof kMaskOrder[0]);
    std::vector<int> map((size_t)channels, SF_CHANNEL_MAP_INVALID);
    bool have_map = sf_command(f, SFC_GET_CHANNEL_MAP_INFO, map.data(), (int)(map.size() * sizeof(int))) == SF_TRUE;
    for (int32_t c = 0; c < channels; c++) {
        Speaker s = c < known ? kMaskOrder[c] : SPK_CENTRE;
        if (have_map) {
            switch (map[(size_t)c]) {
            case SF_CHANNEL_MAP_LEFT: case SF_CHANNEL_MAP_FRONT_LEFT: case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
                s = SPK_LEFT; break;
            case SF_CHANNEL_MAP_RIGHT: case SF_CHANNEL_MAP_FRONT_RIGHT: case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
                s = SPK_RIGHT; break;
            case SF_CHANNEL_MAP_REAR_LEFT: case SF_CHANNEL_MAP_SIDE_LEFT: case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
            case SF_CHANNEL_MAP_TOP_REAR_LEFT:
                s = SPK_SURROUND_LEFT; break;
            case SF_CHANNEL_MAP_REAR_RIGHT: case SF_CHANNEL_MAP_SIDE_RIGHT: case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
            case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
                s = SPK_SURROUND_RIGHT; break;
            case SF_CHANNEL_MAP_LFE: s = SPK_LFE; break;
            default: s = SPK_CENTRE; break;   // centres, mono, and what has no side
            }
        }
        layout[c] = s;
    }
}

// ---- WAV ----------------------------------------------------------------------------------------

// What the chunk walk found: the lengths libsndfile is to see in place of placeholders.
struct WavLayout {
    size_t riff_at = 4, data_len_at = 0;    // offsets of the two length fields
    uint32_t riff_len = 0, data_len = 0;    // their values, placeholders replaced
};

static bool is_placeholder(uint32_t len) { return len == 0 || len == 0xFFFFFFFFu; }

// Walks the RIFF chunks ahead of libsndfile, which takes a data length of 0 for an empty sound
// and reads a truncated file up to where it stops. Every chunk must lie inside the RIFF chunk,
// "fmt " must come before "data" and "data" must be whole, unless a length is a placeholder.
static bool wav_check(const std::vector<uint8_t> &file, WavLayout *w) {
    size_t size = file.size();
    if (size < 12 || size > 0xFFFFFFFFu) return false;
    uint32_t riff_len = read_le32(&file[4]);
    if (is_placeholder(riff_len)) riff_len = (uint32_t)(size - 8);
    if (riff_len < 4 || riff_len > size - 8) return false;
    w->riff_len = riff_len;
    size_t end = 8 + (size_t)riff_len;
    bool have_fmt = false;
    for (size_t at = 12; at + 8 <= end;) {
        const uint8_t *chunk = &file[at];
        uint32_t len = read_le32(chunk + 4);
        if (!memcmp(chunk, "data", 4)) {
            if (!have_fmt) return false;
            if (is_placeholder(len)) len = (uint32_t)(end - at - 8);
            if (len > end - at - 8) return false;   // truncated
            w->data_len_at = at + 4;
            w->data_len = len;
            return true;
        }
        if (len > end - at - 8) return false;
        if (!memcmp(chunk, "fmt ", 4)) {
            if (len < 16) return false;
            have_fmt = true;
        }
        at += 8 + (size_t)len + (len & 1);
    }
    return false;
}

// The file as libsndfile reads it: the bytes in memory, with the two length fields as checked.
struct WavView {
    const std::vector<uint8_t> *file;
    const WavLayout *layout;
    sf_count_t pos;
};

static sf_count_t view_length(void *user) { return (sf_count_t)((WavView *)user)->file->size(); }

static sf_count_t view_seek(sf_count_t offset, int whence, void *user) {
    WavView *v = (WavView *)user;
    sf_count_t size = (sf_count_t)v->file->size();
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? v->pos : size;
    if (offset < -base || offset > size - base) return -1;
    v->pos = base + offset;
    return v->pos;
}

static sf_count_t view_read(void *dst, sf_count_t count, void *user) {
    WavView *v = (WavView *)user;
    sf_count_t size = (sf_count_t)v->file->size();
    if (count < 0 || v->pos >= size) return 0;
    if (count > size - v->pos) count = size - v->pos;
    uint8_t *out = (uint8_t *)dst;
    memcpy(out, v->file->data() + v->pos, (size_t)count);
    const size_t fields[2] = {v->layout->riff_at, v->layout->data_len_at};
    const uint32_t values[2] = {v->layout->riff_len, v->layout->data_len};
    for (int i = 0; i < 2; i++)
        for (size_t k = 0; k < 4; k++) {
            sf_count_t at = (sf_count_t)(fields[i] + k);
            if (at >= v->pos && at < v->pos + count) out[at - v->pos] = (uint8_t)(values[i] >> (8 * k));
        }
    v->pos += count;
    return count;
}

static sf_count_t view_write(const void *, sf_count_t, void *) { return 0; }
static sf_count_t view_tell(void *user) { return ((WavView *)user)->pos; }

bool wav_decode(const std::vector<uint8_t> &file, PcmData *out, size_t max_samples) {
    WavLayout layout;
    if (!wav_check(file, &layout)) return false;
    WavView view = {&file, &layout, 0};
    SF_VIRTUAL_IO io = {view_length, view_seek, view_read, view_write, view_tell};
    SF_INFO info;
    memset(&info, 0, sizeof info);
    SNDFILE *f = sf_open_virtual(&io, SFM_READ, &info, &view);
    if (!f) return false;
    int major = info.format & SF_FORMAT_TYPEMASK;
    int32_t in_ch = info.channels, out_ch = in_ch > 1 ? 2 : 1;
    bool ok = (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) && in_ch >= 1 && in_ch <= DownMix::kMaxChannels &&
              info.samplerate >= 1 && info.samplerate <= 384000 && info.frames > 0 &&
              (uint64_t)info.frames <= max_samples / (size_t)out_ch;
    if (ok) {
        std::vector<Speaker> speakers((size_t)in_ch);
        wav_layout(f, in_ch, speakers.data());
        DownMix mix;
        mix.set(speakers.data(), in_ch, out_ch);
        out->rate = info.samplerate;
        out->channels = out_ch;
        out->samples.assign((size_t)info.frames * (size_t)out_ch, 0);
        std::vector<float> block((size_t)4096 * (size_t)in_ch);
        sf_count_t done = 0;
        while (done < info.frames) {
            sf_count_t want = info.frames - done < 4096 ? info.frames - done : 4096;
            sf_count_t n = sf_readf_float(f, block.data(), want);
            if (n <= 0) break;
            for (sf_count_t k = 0; k < n; k++) {
                const float *frame = &block[(size_t)(k * in_ch)];
                mix.frame([frame](int32_t c) { return frame[c]; }, &out->samples[(size_t)((done + k) * out_ch)]);
            }
            done += n;
        }
        ok = sf_error(f) == SF_ERR_NO_ERROR && done > 0;
        out->samples.resize((size_t)done * (size_t)out_ch);
    }
    sf_close(f);
    return ok;
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

// Interleaved 16-bit from vorbis' float planes, mixed down by the link's channel count.
static void vorbis_fold(DownMix *mix, float **planes, int32_t in_ch, int32_t out_ch, int64_t frames, int16_t *out) {
    if (mix->in != in_ch || mix->out != out_ch) {
        Speaker layout[DownMix::kMaxChannels];
        vorbis_layout(in_ch, layout);
        mix->set(layout, in_ch, out_ch);
    }
    for (int64_t f = 0; f < frames; f++) mix->frame([planes, f](int32_t c) { return planes[c][f]; }, out + f * out_ch);
}

bool vorbis_decode_all(const std::vector<uint8_t> &file, PcmData *out, size_t max_samples) {
    MemReader m = {file.data(), file.size(), 0};
    ov_callbacks cb = {mem_read, mem_seek, nullptr, mem_tell};
    OggVorbis_File vf;
    if (ov_open_callbacks(&m, &vf, nullptr, 0, cb) != 0) return false;
    vorbis_info *vi = ov_info(&vf, -1);
    bool ok = vi && vi->channels > 0 && vi->rate > 0 && vi->rate <= 384000;
    std::unique_ptr<DownMix> mix(new DownMix);
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
        if (!li || li->channels < 1 || li->channels > DownMix::kMaxChannels) { ok = false; break; }
        size_t at = out->samples.size();
        if ((size_t)n * out->channels > max_samples - at) { ok = false; break; }
        out->samples.resize(at + (size_t)n * out->channels);
        vorbis_fold(mix.get(), planes, li->channels, out->channels, n, &out->samples[at]);
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
    DownMix mix;   // filled by the audio thread for each link's channel count
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
            if (!li || li->channels < 1 || li->channels > DownMix::kMaxChannels) break;
            vorbis_fold(&mix, planes, li->channels, channels, n, out + done * channels);
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

static size_t stdio_read(void *dst, size_t size, size_t count, void *f) { return fread(dst, size, count, (FILE *)f); }
static int stdio_seek(void *f, ogg_int64_t offset, int whence) { return fseeko((FILE *)f, (off_t)offset, whence); }
static int stdio_close(void *f) { return fclose((FILE *)f); }
static long stdio_tell(void *f) { return (long)ftello((FILE *)f); }

StreamDecoder *vorbis_open_file(const char *path) {
    FILE *f = open_for_reading(path);
    if (!f) return nullptr;
    VorbisStream *s = new VorbisStream;
    ov_callbacks cb = {stdio_read, stdio_seek, stdio_close, stdio_tell};
    if (ov_open_callbacks(f, &s->vf, nullptr, 0, cb) != 0) {
        fclose(f);   // a refused file stays ours to close
    } else {
        s->is_open = true;   // the file is closed by ov_clear from here on
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
    bool wrapped = false;           // the pass ended where the song loops; fi holds the tick after
    int loop_base = 0;              // the song's loop count when this pass began
    const int16_t *pending = nullptr;
    int32_t pending_frames = 0;     // frames of the last rendered tick not handed out yet
    xmp_frame_info fi;              // large: kept here, off the audio thread's stack

    ~ModuleStream() override {
        if (started) xmp_end_player(ctx);
        if (loaded) xmp_release_module(ctx);
        if (ctx) xmp_free_context(ctx);
    }
    // Renders one tick; false at the end of the pass. libxmp goes on by itself where the song
    // loops to, so the tick that ends a pass is the first of the next one.
    bool tick() {
        if (xmp_play_frame(ctx) != 0) return false;
        xmp_get_frame_info(ctx, &fi);
        if (fi.buffer_size <= 0) return false;
        if (fi.loop_count > loop_base) {
            wrapped = true;
            return false;
        }
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
        ended = wrapped = false;
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
    // Goes on with the tick that ended the pass, already rendered at the loop's target.
    int64_t loop() override {
        if (!wrapped) return seek_ms(0) ? 0 : -1;
        wrapped = ended = false;
        loop_base = fi.loop_count;
        pending = (const int16_t *)fi.buffer;
        pending_frames = fi.buffer_size / 4;
        int64_t start_ms = fi.time - (int64_t)fi.frame_time / 1000;
        return start_ms > 0 ? start_ms * 44100 / 1000 : 0;
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
