// SPDX-License-Identifier: Zlib
// music.cpp - "music": a party house loop in A minor written as a FastTracker 2 module (XM), with
// every instrument synthesised here.
//
// Song: 125 BPM, 4 rows a beat, 64-row patterns of four bars over Am - F - C - G.
// Channels: 0 kick, 1 clap, 2 hats, 3 bass, 4-6 chord voices, 7 lead, 8 lead echo, 9 crash.
// Order: intro, groove, hook A, hook B, breakdown, hook A, hook B; it loops back to the groove.
#include "gen.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const float PI = 3.14159265f;
const int ROWS = 64, CHANNELS = 10;

// ---- instruments ---------------------------------------------------------------------------

struct Instrument {
    std::string name;
    std::vector<int16_t> pcm;
    int loop_start = 0, loop_len = 0; // in samples; 0 length = no loop
    int rel = 0, fine = 0;            // pitch: relative note and finetune
    int volume = 64, pan = 128;
    std::vector<std::pair<int, int>> env; // volume envelope (tick, 0..64); empty = none
    int sustain = -1;                     // envelope sustain point, -1 = none
    int fadeout = 0;
    int vib_depth = 0, vib_rate = 0, vib_sweep = 0;
};

// Tunes an instrument so that note C-4 plays it at `rate` samples a second.
void tune(Instrument& in, double rate) {
    double semis = 12 * std::log2(rate / 8363.0);
    in.rel = (int)std::lround(semis);
    in.fine = (int)std::lround((semis - in.rel) * 128);
    if (in.fine > 127) in.fine = 127;
    if (in.fine < -128) in.fine = -128;
}

std::vector<int16_t> to_pcm(const std::vector<float>& s, float peak) {
    float m = 1e-9f;
    for (float v : s) m = std::max(m, std::fabs(v));
    std::vector<int16_t> o(s.size());
    for (size_t i = 0; i < s.size(); i++) o[i] = (int16_t)std::lround(s[i] / m * peak * 32767);
    return o;
}

// Drums are recorded at 33452 Hz (C-4 with relative note +24) and played at C-4.
const int DRUM_RATE = 33452;

Instrument kick() {
    Instrument in;
    in.name = "kick";
    int n = DRUM_RATE * 35 / 100;
    std::vector<float> s(n);
    float ph = 0;
    Rng r(11);
    for (int i = 0; i < n; i++) {
        float t = (float)i / DRUM_RATE;
        ph += 2 * PI * (48 + 150 * std::exp(-t / 0.03f)) / DRUM_RATE;
        float body = std::sin(ph) * std::exp(-t / 0.16f);
        body = std::tanh(body * 1.8f); // a little drive for punch
        float click = r.range(-1, 1) * std::exp(-t / 0.0015f) * 0.5f;
        s[i] = (body + click) * std::min(1.f, (0.35f - t) / 0.02f);
    }
    in.pcm = to_pcm(s, 0.95f);
    tune(in, DRUM_RATE);
    return in;
}

// Noise through a resonant band-pass (state-variable filter).
struct Svf {
    float lp = 0, bp = 0;
    float band(float x, float f, float q, float rate) {
        float k = 2 * std::sin(PI * f / rate);
        lp += k * bp;
        float hp = x - lp - bp / q;
        bp += k * hp;
        return bp;
    }
    float high(float x, float f, float q, float rate) {
        float k = 2 * std::sin(PI * f / rate);
        lp += k * bp;
        float hp = x - lp - bp / q;
        bp += k * hp;
        return hp;
    }
};

Instrument clap() {
    Instrument in;
    in.name = "clap";
    int n = DRUM_RATE * 4 / 10;
    std::vector<float> s(n);
    Rng r(23);
    Svf f;
    float ph = 0;
    for (int i = 0; i < n; i++) {
        float t = (float)i / DRUM_RATE;
        float env = 0; // three quick claps then a tail
        for (int k = 0; k < 3; k++) {
            float u = t - k * 0.011f;
            if (u >= 0) env = std::max(env, std::exp(-u / 0.006f));
        }
        if (t >= 0.022f) env = std::max(env, 0.8f * std::exp(-(t - 0.022f) / 0.11f));
        float noise = f.band(r.range(-1, 1), 1400, 1.4f, DRUM_RATE) * env;
        ph += 2 * PI * 190 / DRUM_RATE;
        float tone = std::sin(ph) * std::exp(-t / 0.04f) * 0.35f; // a snare's body under the clap
        s[i] = noise * 1.6f + tone;
    }
    in.pcm = to_pcm(s, 0.9f);
    tune(in, DRUM_RATE);
    return in;
}

Instrument hat(bool open) {
    Instrument in;
    in.name = open ? "open hat" : "hat";
    float decay = open ? 0.16f : 0.022f;
    int n = (int)(DRUM_RATE * (open ? 0.45f : 0.12f));
    std::vector<float> s(n);
    Rng r(open ? 37 : 31);
    Svf f;
    for (int i = 0; i < n; i++) {
        float t = (float)i / DRUM_RATE;
        // Metallic: noise mixed with detuned square waves, then high-passed.
        float m = 0;
        const float fr[] = {3210, 4570, 5380, 6890};
        for (float q : fr) m += std::sin(2 * PI * q * t) > 0 ? 0.25f : -0.25f;
        float x = r.range(-1, 1) * 0.8f + m * 0.35f;
        s[i] = f.high(x, 7000, 0.9f, DRUM_RATE) * std::exp(-t / decay) * std::min(1.f, (n - i) / 200.f);
    }
    in.pcm = to_pcm(s, 0.8f);
    tune(in, DRUM_RATE);
    return in;
}

Instrument crash() {
    Instrument in;
    in.name = "crash";
    int n = DRUM_RATE * 18 / 10;
    std::vector<float> s(n);
    Rng r(41);
    Svf f;
    for (int i = 0; i < n; i++) {
        float t = (float)i / DRUM_RATE;
        float x = r.range(-1, 1) + (std::sin(2 * PI * 4123 * t) > 0 ? 0.2f : -0.2f);
        s[i] = f.high(x, 4500, 0.8f, DRUM_RATE) * std::exp(-t / 0.55f) * std::min(1.f, t / 0.002f) *
               std::min(1.f, (n - i) / 2000.f);
    }
    in.pcm = to_pcm(s, 0.8f);
    tune(in, DRUM_RATE);
    return in;
}

// A looped wave of `cycles` periods of 64 samples each. Every voice of the sum has a whole
// number of cycles in the loop, so the loop is seamless; voices with cycles +- 1 give a chorus.
// `harm(h)` is the amplitude of harmonic h (h < 32 stays below the loop's Nyquist limit).
template <class Harm>
std::vector<float> loop_wave(int cycles, const int* voices, int nvoices, Harm harm, uint32_t seed) {
    int n = cycles * 64;
    std::vector<float> s(n, 0.f);
    Rng r(seed);
    for (int v = 0; v < nvoices; v++) {
        int c = voices[v];
        for (int h = 1; h < 31 && h * c < cycles * 32; h++) {
            float a = harm(h);
            if (a == 0) continue;
            float ph = r.range(0, 2 * PI);
            for (int i = 0; i < n; i++) s[i] += a * std::sin(2 * PI * h * c * (float)i / n + ph);
        }
    }
    return s;
}

// Melodic instruments hold a 64-sample period: at C-4 they must play at 64 x C3 (130.81 Hz) so that
// tracker note = MIDI note + 1.
const double MELODIC_RATE = 64 * 130.8128;

Instrument bass() {
    Instrument in;
    in.name = "bass";
    const int v[] = {64};
    std::vector<float> s = loop_wave(64, v, 1, [](int h) {
        float saw = 1.f / h, sq = (h % 2) ? 1.f / h : 0;
        return (0.6f * saw + 0.5f * sq) * std::exp(-h / 9.f) + (h == 1 ? 0.6f : 0);
    }, 5);
    in.pcm = to_pcm(s, 0.9f);
    in.loop_len = (int)in.pcm.size();
    tune(in, MELODIC_RATE);
    in.env = {{0, 64}, {4, 52}, {12, 30}, {26, 8}, {40, 0}};
    in.volume = 60;
    return in;
}

std::vector<float> supersaw() {
    const int v[] = {95, 96, 97};
    return loop_wave(96, v, 3, [](int h) { return std::exp(-h / 11.f) / h; }, 9);
}

Instrument stab() {
    Instrument in;
    in.name = "stab";
    in.pcm = to_pcm(supersaw(), 0.9f);
    in.loop_len = (int)in.pcm.size();
    tune(in, MELODIC_RATE);
    in.env = {{0, 64}, {2, 58}, {10, 34}, {24, 16}, {50, 0}};
    in.volume = 44;
    return in;
}

Instrument pad() {
    Instrument in;
    in.name = "pad";
    in.pcm = to_pcm(supersaw(), 0.9f);
    in.loop_len = (int)in.pcm.size();
    tune(in, MELODIC_RATE);
    in.env = {{0, 0}, {30, 48}, {60, 40}};
    in.sustain = 2;
    in.fadeout = 0x180;
    in.volume = 40;
    return in;
}

Instrument lead() {
    Instrument in;
    in.name = "lead";
    const int v[] = {127, 128, 129};
    std::vector<float> s = loop_wave(128, v, 3, [](int h) {
        float pulse = std::sin(PI * h * 0.3f) / h; // 30 % pulse
        return (0.7f * std::fabs(pulse) * (pulse < 0 ? -1 : 1) + 0.4f / h) * std::exp(-h / 14.f);
    }, 13);
    in.pcm = to_pcm(s, 0.9f);
    in.loop_len = (int)in.pcm.size();
    tune(in, MELODIC_RATE);
    in.env = {{0, 0}, {1, 64}, {6, 50}, {30, 42}};
    in.sustain = 3;
    in.fadeout = 0x300;
    in.volume = 48;
    in.vib_depth = 3, in.vib_rate = 10, in.vib_sweep = 30;
    return in;
}

// ---- patterns ------------------------------------------------------------------------------

struct Cell {
    int note = 0, ins = 0, vol = 0, fx = 0, param = 0; // vol 0 = none, else 0x10 + volume
};
using Pattern = std::vector<Cell>; // ROWS x CHANNELS
const int KEY_OFF = 97;
enum { I_KICK = 1, I_CLAP, I_HAT, I_OHAT, I_BASS, I_STAB, I_PAD, I_LEAD, I_CRASH };

Cell& at(Pattern& p, int row, int ch) { return p[row * CHANNELS + ch]; }
void put(Pattern& p, int row, int ch, int note, int ins, int vol = -1) {
    Cell& c = at(p, row, ch);
    c.note = note, c.ins = ins;
    if (vol >= 0) c.vol = 0x10 + std::min(64, vol);
}
int midi(int m) { return m + 1; } // tracker note for a MIDI note

const int CHORDS[4][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62}}; // Am F C G
const int ROOTS[4] = {33, 29, 36, 31};                                         // A1 F1 C2 G1

struct Parts {
    bool kick = true, clap = true, hats = true, bass = true, stabs = true, pad = false, crash = false;
    bool fill = false;
    int stab_vol = 40;
    const int (*melody)[3] = nullptr; // {row, MIDI note, length in rows}, ends with row -1
    int lead_vol = 48;
};

// Hook A: a call over the first two bars, an answer over the last two.
const int HOOK_A[][3] = {
    {0, 69, 3}, {3, 72, 3},  {6, 76, 2},  {8, 74, 2},  {10, 72, 2}, {12, 74, 2}, {14, 76, 2},
    {16, 72, 3}, {19, 69, 3}, {22, 72, 2}, {24, 77, 4}, {28, 76, 2}, {30, 74, 2},
    {32, 76, 3}, {35, 79, 3}, {38, 76, 2}, {40, 72, 2}, {42, 74, 2}, {44, 76, 4},
    {48, 74, 3}, {51, 71, 3}, {54, 67, 2}, {56, 71, 2}, {58, 74, 2}, {60, 79, 2}, {62, 74, 2},
    {-1, 0, 0}};
// Hook B: the same shape an octave's reach higher, landing on a high D to hand back to A.
const int HOOK_B[][3] = {
    {0, 81, 2}, {2, 79, 2},  {4, 76, 2},  {6, 79, 2},  {8, 81, 4},  {12, 76, 2}, {14, 79, 2},
    {16, 81, 2}, {18, 79, 2}, {20, 77, 2}, {22, 76, 2}, {24, 77, 4}, {28, 72, 2}, {30, 74, 2},
    {32, 76, 2}, {34, 79, 2}, {36, 84, 4}, {40, 83, 2}, {42, 79, 2}, {44, 76, 4},
    {48, 74, 3}, {51, 79, 3}, {54, 81, 2}, {56, 83, 4}, {60, 86, 4},
    {-1, 0, 0}};

Pattern make_pattern(const Parts& pt) {
    Pattern p(ROWS * CHANNELS);
    // Channel panning, set at the top of every pattern (effect 8xx).
    const int pan[CHANNELS] = {0x80, 0x78, 0xb0, 0x80, 0x50, 0x80, 0xb0, 0x70, 0xa8, 0x90};
    for (int ch = 0; ch < CHANNELS; ch++) at(p, 0, ch).fx = 8, at(p, 0, ch).param = pan[ch];
    for (int bar = 0; bar < 4; bar++) {
        int r0 = bar * 16;
        for (int beat = 0; beat < 4; beat++) {
            int r = r0 + beat * 4;
            if (pt.kick) put(p, r, 0, midi(48), I_KICK, 64);
            if (pt.hats) {
                put(p, r + 2, 2, midi(48), (beat == 3 && bar % 2) ? I_OHAT : I_HAT, 44);
                if (pt.kick) put(p, r + 1, 2, midi(48), I_HAT, 16), put(p, r + 3, 2, midi(48), I_HAT, 22);
            }
        }
        if (pt.clap) put(p, r0 + 4, 1, midi(48), I_CLAP, 52), put(p, r0 + 12, 1, midi(48), I_CLAP, 52);
        int root = ROOTS[bar];
        if (pt.bass) {
            if (pt.kick) { // off-beat house bass with an octave jump
                const int rows[] = {2, 6, 10, 14}, up[] = {0, 12, 0, 12};
                for (int k = 0; k < 4; k++) put(p, r0 + rows[k], 3, midi(root + up[k]), I_BASS, 56);
                if (bar == 3) put(p, r0 + 15, 3, midi(root + 7), I_BASS, 40);
            } else { // breakdown: one long low note a bar
                put(p, r0, 3, midi(root), I_BASS, 50);
                put(p, r0 + 8, 3, midi(root + 12), I_BASS, 36);
            }
        }
        for (int v = 0; v < 3; v++) {
            int n = midi(CHORDS[bar][v]);
            if (pt.pad) {
                put(p, r0, 4 + v, n, I_PAD, 40);
                if (bar == 3) put(p, r0 + 15, 4 + v, KEY_OFF, 0);
            }
            if (pt.stabs) {
                const int rows[] = {0, 3, 6, 10, 12};
                for (int r : rows) put(p, r0 + r, 4 + v, n, I_STAB, r == 0 ? pt.stab_vol : pt.stab_vol - 6);
            }
        }
    }
    if (pt.crash) put(p, 0, 9, midi(48), I_CRASH, 40);
    if (pt.fill) { // a clap roll rising into the next pattern
        for (int r = 56; r < 64; r++) put(p, r, 1, midi(48), I_CLAP, 20 + (r - 56) * 5);
        put(p, 60, 0, midi(48), I_KICK, 60), put(p, 62, 0, midi(48), I_KICK, 60);
    }
    if (pt.melody) {
        for (int k = 0; pt.melody[k][0] >= 0; k++) {
            int row = pt.melody[k][0], note = midi(pt.melody[k][1]), len = pt.melody[k][2];
            put(p, row, 7, note, I_LEAD, pt.lead_vol);
            int end = row + len, next = pt.melody[k + 1][0];
            if (end < ROWS && end != next) put(p, end, 7, KEY_OFF, 0);
            // A dotted-eighth echo on its own channel, quieter.
            if (row + 3 < ROWS) put(p, row + 3, 8, note, I_LEAD, pt.lead_vol / 3);
            if (end + 3 < ROWS && end != next) put(p, end + 3, 8, KEY_OFF, 0);
        }
    }
    return p;
}

// ---- XM writer -----------------------------------------------------------------------------

struct Out {
    std::vector<uint8_t> b;
    void u8(int v) { b.push_back((uint8_t)v); }
    void u16(int v) { u8(v & 255), u8((v >> 8) & 255); }
    void u32(uint32_t v) { u16(v & 0xffff), u16(v >> 16); }
    void text(const std::string& s, size_t n) {
        for (size_t i = 0; i < n; i++) u8(i < s.size() ? s[i] : 0);
    }
};

void write_pattern(Out& o, const Pattern& p) {
    Out d;
    for (const Cell& c : p) {
        int flags = 0x80 | (c.note ? 1 : 0) | (c.ins ? 2 : 0) | (c.vol ? 4 : 0) | (c.fx ? 8 : 0) | (c.param ? 16 : 0);
        d.u8(flags);
        if (c.note) d.u8(c.note);
        if (c.ins) d.u8(c.ins);
        if (c.vol) d.u8(c.vol);
        if (c.fx) d.u8(c.fx);
        if (c.param) d.u8(c.param);
    }
    o.u32(9);
    o.u8(0);
    o.u16(ROWS);
    o.u16((int)d.b.size());
    o.b.insert(o.b.end(), d.b.begin(), d.b.end());
}

void write_instrument(Out& o, const Instrument& in) {
    o.u32(263);
    o.text(in.name, 22);
    o.u8(0);
    o.u16(1);  // one sample
    o.u32(40); // sample header size
    for (int i = 0; i < 96; i++) o.u8(0);
    for (int i = 0; i < 12; i++) { // volume envelope
        bool on = i < (int)in.env.size();
        o.u16(on ? in.env[i].first : 0);
        o.u16(on ? in.env[i].second : 0);
    }
    for (int i = 0; i < 24; i++) o.u16(0); // panning envelope
    o.u8((int)in.env.size());
    o.u8(0);
    o.u8(in.sustain < 0 ? 0 : in.sustain);
    o.u8(0), o.u8(0);         // volume loop
    o.u8(0), o.u8(0), o.u8(0); // panning sustain and loop
    o.u8(in.env.empty() ? 0 : (1 | (in.sustain >= 0 ? 2 : 0)));
    o.u8(0);
    o.u8(0); // vibrato: sine
    o.u8(in.vib_sweep), o.u8(in.vib_depth), o.u8(in.vib_rate);
    o.u16(in.fadeout);
    for (int i = 0; i < 22; i++) o.u8(0);
    // Sample header: sizes in bytes (16-bit samples).
    o.u32((uint32_t)in.pcm.size() * 2);
    o.u32((uint32_t)in.loop_start * 2);
    o.u32((uint32_t)in.loop_len * 2);
    o.u8(in.volume);
    o.u8(in.fine & 255);
    o.u8((in.loop_len ? 1 : 0) | 0x10);
    o.u8(in.pan);
    o.u8(in.rel & 255);
    o.u8(0);
    o.text(in.name, 22);
    int16_t prev = 0; // delta coded
    for (int16_t v : in.pcm) {
        o.u16((uint16_t)(int16_t)(v - prev));
        prev = v;
    }
}

} // namespace

bool make_music(const std::string& dir, Catalogue& cat) {
    std::vector<Instrument> ins = {kick(), clap(), hat(false), hat(true), bass(), stab(), pad(), lead(), crash()};

    Parts intro;
    intro.clap = false, intro.stab_vol = 30, intro.crash = true, intro.fill = true;
    Parts groove;
    groove.fill = true;
    Parts hook_a;
    hook_a.crash = true, hook_a.melody = HOOK_A;
    Parts hook_b;
    hook_b.melody = HOOK_B, hook_b.fill = true;
    Parts breakdown;
    breakdown.kick = false, breakdown.stabs = false, breakdown.pad = true, breakdown.crash = true;
    breakdown.fill = true, breakdown.melody = HOOK_A, breakdown.lead_vol = 38;
    std::vector<Pattern> pats = {make_pattern(intro), make_pattern(groove), make_pattern(hook_a),
                                 make_pattern(hook_b), make_pattern(breakdown)};
    const int order[] = {0, 1, 2, 3, 4, 2, 3};
    const int norder = sizeof order / sizeof order[0];

    Out o;
    o.text("Extended Module: ", 17);
    o.text("Glitz Fall party", 20);
    o.u8(0x1a);
    o.text("glitz_assets", 20);
    o.u16(0x0104);
    o.u32(276);
    o.u16(norder);
    o.u16(1); // restart at the groove
    o.u16(CHANNELS);
    o.u16((int)pats.size());
    o.u16((int)ins.size());
    o.u16(1);   // linear frequency table
    o.u16(6);   // ticks per row
    o.u16(125); // BPM
    for (int i = 0; i < 256; i++) o.u8(i < norder ? order[i] : 0);
    for (const Pattern& p : pats) write_pattern(o, p);
    for (const Instrument& in : ins) write_instrument(o, in);
    if (!write_file(dir + "/music.xm", o.b)) return false;
    cat.sound("music", "music.xm");
    return true;
}
