// SPDX-License-Identifier: Zlib
// sounds.cpp - the two sound effects: "splat" (16-bit PCM WAV) and "death" (Ogg Vorbis, encoded
// with libvorbisenc under a fixed stream serial so the file is the same on every run).
#include "gen.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vorbis/vorbisenc.h>

namespace {

const int RATE = 44100;
const float PI = 3.14159265f;

void put16(std::vector<uint8_t>& o, int v) { o.push_back(v & 255), o.push_back((v >> 8) & 255); }
void put32(std::vector<uint8_t>& o, uint32_t v) { put16(o, v & 0xffff), put16(o, v >> 16); }

// Scales a signal so its peak is `peak` (of full scale).
void normalise(std::vector<float>& s, float peak) {
    float m = 1e-9f;
    for (float v : s) m = std::max(m, std::fabs(v));
    for (float& v : s) v *= peak / m;
}

std::vector<uint8_t> wav_bytes(const std::vector<float>& s) {
    std::vector<uint8_t> o;
    uint32_t data = (uint32_t)s.size() * 2;
    o.insert(o.end(), {'R', 'I', 'F', 'F'});
    put32(o, 36 + data);
    o.insert(o.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(o, 16);
    put16(o, 1); // PCM
    put16(o, 1); // mono
    put32(o, RATE);
    put32(o, RATE * 2);
    put16(o, 2);
    put16(o, 16);
    o.insert(o.end(), {'d', 'a', 't', 'a'});
    put32(o, data);
    for (float v : s) put16(o, (int)std::lround(std::max(-1.f, std::min(1.f, v)) * 32767));
    return o;
}

// A wet splat: a low thump falling in pitch, a burst of noise whose brightness closes quickly,
// and a few rising droplet chirps.
std::vector<float> splat() {
    int n = (int)(0.5f * RATE);
    std::vector<float> s(n);
    Rng r(0x5f1a7);
    float lp = 0, lp2 = 0, phase = 0;
    for (int i = 0; i < n; i++) {
        float t = (float)i / RATE;
        float f = 45 + 130 * std::exp(-t / 0.035f);
        phase += 2 * PI * f / RATE;
        float thump = std::sin(phase) * std::exp(-t / 0.09f) * std::min(1.f, t / 0.002f);
        float cut = 300 + 5200 * std::exp(-t / 0.05f);
        float k = 1 - std::exp(-2 * PI * cut / RATE);
        lp += (r.range(-1, 1) - lp) * k;
        lp2 += (lp - lp2) * k;
        float noise = lp2 * 2.2f * std::exp(-t / 0.07f) * std::min(1.f, t / 0.001f);
        float drops = 0;
        const float at[] = {0.06f, 0.11f, 0.17f, 0.24f}, fr[] = {520, 760, 610, 900};
        for (int d = 0; d < 4; d++) {
            float u = t - at[d];
            if (u < 0 || u > 0.05f) continue;
            float fd = fr[d] * (1 + u * 14);
            drops += std::sin(2 * PI * fd * u) * std::exp(-u / 0.012f) * 0.35f * (1 - d * 0.18f);
        }
        s[i] = thump * 0.9f + noise + drops;
    }
    normalise(s, 0.85f);
    return s;
}

// A short sad sting: a muted brass voice sliding down four notes, the last one wobbling.
std::vector<float> sting() {
    const float notes[] = {62, 61, 60, 59}; // D4, C#4, C4, B3
    const float len[] = {0.30f, 0.30f, 0.30f, 0.95f};
    std::vector<float> s;
    float phase = 0;
    for (int k = 0; k < 4; k++) {
        int n = (int)(len[k] * RATE);
        float f0 = 440 * std::pow(2.f, (notes[k] - 69) / 12);
        for (int i = 0; i < n; i++) {
            float t = (float)i / RATE, u = t / len[k];
            float bend = 1 - 0.03f * std::exp(-t / 0.03f); // each note slides up into pitch
            float vib = k == 3 ? 1 + 0.012f * std::sin(2 * PI * 5.5f * t) * std::min(1.f, t / 0.2f) : 1;
            float f = f0 * bend * vib;
            phase += 2 * PI * f / RATE;
            // "Wah": the tone opens then closes within each note.
            float open = std::sin(PI * std::min(1.f, u * 1.4f));
            float bright = 0.35f + 0.45f * open;
            float v = 0, a = 1;
            for (int h = 1; h <= 14; h++, a *= bright) v += std::sin(phase * h) * a / std::sqrt((float)h);
            float env = std::min(1.f, t / 0.015f) * std::min(1.f, (len[k] - t) / 0.03f);
            if (k == 3) env *= std::exp(-t / 0.9f);
            s.push_back(v * env);
        }
    }
    normalise(s, 0.8f);
    return s;
}

bool ogg_bytes(const std::vector<float>& s, std::vector<uint8_t>& out) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, RATE, 0.4f)) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x474c5a46); // fixed serial number: the same file on every run
    ogg_packet hp, hc, hb;
    vorbis_analysis_headerout(&vd, &vc, &hp, &hc, &hb);
    ogg_stream_packetin(&os, &hp);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hb);
    ogg_page og;
    auto emit = [&](const ogg_page& p) {
        out.insert(out.end(), p.header, p.header + p.header_len);
        out.insert(out.end(), p.body, p.body + p.body_len);
    };
    while (ogg_stream_flush(&os, &og)) emit(og);
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min<size_t>(1024, s.size() - pos);
        if (n == 0) vorbis_analysis_wrote(&vd, 0);
        else {
            float** buf = vorbis_analysis_buffer(&vd, (int)n);
            memcpy(buf[0], s.data() + pos, n * sizeof(float));
            vorbis_analysis_wrote(&vd, (int)n);
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    emit(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) { // flush whatever the stream still holds
            while (ogg_stream_flush(&os, &og)) emit(og);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return true;
}

} // namespace

bool make_sounds(const std::string& dir, Catalogue& cat) {
    if (!write_file(dir + "/splat.wav", wav_bytes(splat()))) return false;
    cat.sound("splat", "splat.wav");
    std::vector<uint8_t> ogg;
    if (!ogg_bytes(sting(), ogg)) {
        fprintf(stderr, "glitz_assets: the Vorbis encoder refused its settings\n");
        return false;
    }
    if (!write_file(dir + "/death.ogg", ogg)) return false;
    cat.sound("death", "death.ogg");
    return true;
}
