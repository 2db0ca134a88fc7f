// SPDX-License-Identifier: Zlib
// test_sound_files.h - small sound files made on the spot for the sound tests and the mixer
// benchmark: a WAV tone (by hand, or through libsndfile in any of its WAV encodings), a MOD module
// with looped square-ish waves and (with SOUND_FILES_OGG, which needs libvorbisenc) an Ogg Vorbis
// tone. Plus level measurements.
#pragma once
#include <sndfile.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#ifdef SOUND_FILES_OGG
#include <vorbis/vorbisenc.h>
#endif

static inline void put_le16(std::vector<uint8_t> &b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
static inline void put_le32(std::vector<uint8_t> &b, uint32_t v) {
    put_le16(b, v & 0xFFFF);
    put_le16(b, v >> 16);
}
static inline void put_be16(std::vector<uint8_t> &b, uint32_t v) {
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}

static inline bool write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// A sine tone of `amplitude` (of full scale 32767) in every channel.
static inline std::vector<uint8_t> make_wav(int rate, int channels, int bits, double hz, double seconds,
                                            double amplitude) {
    int frames = (int)(rate * seconds);
    int bytes = bits / 8;
    std::vector<uint8_t> b;
    uint32_t data_len = (uint32_t)(frames * channels * bytes);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put_le32(b, 36 + data_len);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_le32(b, 16);
    put_le16(b, 1);
    put_le16(b, channels);
    put_le32(b, rate);
    put_le32(b, rate * channels * bytes);
    put_le16(b, channels * bytes);
    put_le16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put_le32(b, data_len);
    for (int f = 0; f < frames; f++) {
        double s = amplitude * sin(2.0 * M_PI * hz * f / rate);
        for (int c = 0; c < channels; c++) {
            if (bits == 8) b.push_back((uint8_t)(128 + (int)lrint(s * 127.0)));
            else put_le16(b, (uint16_t)(int16_t)lrint(s * 32767.0));
        }
    }
    return b;
}

// A sine tone of `hz` written by libsndfile in `format` (major and subtype), one amplitude (of full
// scale) per channel.
static inline bool write_sf_wav(const std::string &path, int format, int rate, const std::vector<double> &amps,
                                double hz, double seconds) {
    SF_INFO info;
    memset(&info, 0, sizeof info);
    info.samplerate = rate;
    info.channels = (int)amps.size();
    info.format = format;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    int frames = (int)(rate * seconds);
    std::vector<double> frame(amps.size());
    bool ok = true;
    for (int i = 0; i < frames && ok; i++) {
        for (size_t c = 0; c < amps.size(); c++) frame[c] = amps[c] * sin(2.0 * M_PI * hz * i / rate);
        ok = sf_writef_double(f, frame.data(), 1) == 1;
    }
    return sf_close(f) == 0 && ok;
}

// A 4-channel "M.K." module: `orders` orders, order k playing pattern k % `patterns`. Each pattern
// is 64 rows (7.68 s at the default tempo) whose first row starts a looped 32-byte wave on
// channels 1 and 2 at full volume, pattern p an octave below pattern p - 1. The song loops to order
// `restart` (127: the start).
static inline std::vector<uint8_t> make_mod(int orders, int patterns = 1, int restart = 127) {
    std::vector<uint8_t> b(20, 0);
    memcpy(b.data(), "test module", 11);
    for (int s = 0; s < 31; s++) {
        size_t at = b.size();
        b.resize(at + 30, 0);
        if (s == 0) {
            memcpy(&b[at], "wave", 4);
            std::vector<uint8_t> h;
            put_be16(h, 16);   // length in words
            h.push_back(0);    // finetune
            h.push_back(64);   // volume
            put_be16(h, 0);    // loop start
            put_be16(h, 16);   // loop length
            memcpy(&b[at + 22], h.data(), 8);
        }
    }
    b.push_back((uint8_t)orders);
    b.push_back((uint8_t)restart);
    for (int i = 0; i < 128; i++) b.push_back((uint8_t)(i < orders ? i % patterns : 0));
    b.insert(b.end(), {'M', '.', 'K', '.'});
    for (int p = 0; p < patterns; p++) {
        std::vector<uint8_t> pattern(64 * 4 * 4, 0);
        // row 0, channel 0: sample 1, period 214 (C-3) for pattern 0
        int period = 214 << p;
        pattern[0] = (uint8_t)(period >> 8);
        pattern[1] = period & 0xFF;
        pattern[2] = 0x10;
        pattern[3] = 0;
        memcpy(&pattern[4], &pattern[0], 4);   // and channel 2, panned to the other side
        b.insert(b.end(), pattern.begin(), pattern.end());
    }
    for (int i = 0; i < 32; i++) b.push_back((uint8_t)(int8_t)(i < 16 ? 100 : -100));
    return b;
}

// A ScreamTracker 3 module: one order of one 64-row pattern whose first row starts a looped
// 32-byte wave on a left and a right channel.
static inline std::vector<uint8_t> make_s3m() {
    std::vector<uint8_t> b(272 + 32, 0);
    memcpy(&b[0], "test s3m", 8);
    b[28] = 0x1A;
    b[29] = 16;
    b[32] = 2;                 // orders
    b[34] = 1;                 // instruments
    b[36] = 1;                 // patterns
    b[40] = 0x20, b[41] = 0x13;
    b[42] = 2;                 // unsigned samples
    memcpy(&b[44], "SCRM", 4);
    b[48] = 64, b[49] = 6, b[50] = 125, b[51] = 0xB0;
    for (int c = 0; c < 32; c++) b[64 + c] = 255;
    b[64] = 0, b[65] = 8;      // left 1, right 1
    b[96] = 0, b[97] = 255;    // order list
    b[98] = 112 / 16;          // instrument at 112
    b[100] = 192 / 16;         // pattern at 192
    uint8_t *ins = &b[112];
    ins[0] = 1;
    ins[14] = 272 / 16;        // sample data at 272
    ins[16] = 32;              // length
    ins[24] = 32;              // loop end
    ins[28] = 64;              // volume
    ins[31] = 1;               // looped
    ins[32] = 0xAB, ins[33] = 0x20;   // C2 speed 8363
    memcpy(ins + 76, "SCRS", 4);
    const uint8_t pattern[] = {0x20 | 0, 0x40, 1, 0x20 | 1, 0x40, 1, 0};
    uint8_t *p = &b[192];
    p[0] = (uint8_t)(2 + sizeof pattern + 63);
    memcpy(p + 2, pattern, sizeof pattern);   // rows 1..63 are the zero bytes already there
    for (int i = 0; i < 32; i++) b[272 + i] = (uint8_t)(i < 16 ? 228 : 28);
    return b;
}

#ifdef SOUND_FILES_OGG
// A sine tone through libvorbisenc (quality 0.4), in every channel or only in `only_channel`.
static inline std::vector<uint8_t> make_ogg(int rate, int channels, double hz, double seconds, double amplitude,
                                            int only_channel = -1) {
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.4f) != 0) return out;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);
    ogg_packet hdr, hdr_comm, hdr_code;
    vorbis_analysis_headerout(&vd, &vc, &hdr, &hdr_comm, &hdr_code);
    ogg_stream_packetin(&os, &hdr);
    ogg_stream_packetin(&os, &hdr_comm);
    ogg_stream_packetin(&os, &hdr_code);
    ogg_page og;
    auto put_page = [&]() {
        out.insert(out.end(), og.header, og.header + og.header_len);
        out.insert(out.end(), og.body, og.body + og.body_len);
    };
    while (ogg_stream_flush(&os, &og)) put_page();
    int frames = (int)(rate * seconds), done = 0;
    bool eos = false;
    while (!eos) {
        int n = frames - done < 1024 ? frames - done : 1024;
        if (n > 0) {
            float **buf = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; i++)
                for (int c = 0; c < channels; c++)
                    buf[c][i] = only_channel < 0 || c == only_channel
                                    ? (float)(amplitude * sin(2.0 * M_PI * hz * (done + i) / rate)) : 0.0f;
            vorbis_analysis_wrote(&vd, n);
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    put_page();
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}
#endif

// Root mean square of one channel (0 left, 1 right) of interleaved stereo.
static inline double channel_rms(const std::vector<int16_t> &s, int channel, size_t from = 0, size_t to = ~(size_t)0) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = from * 2 + channel; i < s.size() && i / 2 < to; i += 2, n++) sum += (double)s[i] * s[i];
    return n ? sqrt(sum / n) : 0.0;
}

// Longest run of frames in which a channel stays within +-`quiet`.
static inline size_t longest_quiet_run(const std::vector<int16_t> &s, int channel, int quiet) {
    size_t best = 0, run = 0;
    for (size_t i = channel; i < s.size(); i += 2) {
        run = (s[i] <= quiet && s[i] >= -quiet) ? run + 1 : 0;
        if (run > best) best = run;
    }
    return best;
}

// Upward zero crossings of a channel.
static inline int rising_crossings(const std::vector<int16_t> &s, int channel) {
    int n = 0;
    for (size_t i = channel + 2; i < s.size(); i += 2) n += s[i - 2] < 0 && s[i] >= 0;
    return n;
}
