// SPDX-License-Identifier: Zlib
// The sound engine without a device: decoding each format, mixing levels, pause, loops, positions,
// voice ids outliving their voices, and refusing broken files.
#define SOUND_FILES_OGG
#include "tests/test_sound_files.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>
#include <unistd.h>
#include "sound/engine.h"

namespace {

struct EngineTest : ::testing::Test {
    std::string dir;
    SoundEngine *e = nullptr;
    void SetUp() override {
        char tmpl[] = "/tmp/glitz_sound_XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
        e = SoundEngine::create(false);
        ASSERT_TRUE(e);
    }
    void TearDown() override {
        delete e;
        system(("rm -rf " + dir).c_str());
    }
    std::string file(const char *name, const std::vector<uint8_t> &bytes) {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(write_file(path, bytes));
        return path;
    }
    std::vector<int16_t> render(int frames) {
        std::vector<int16_t> out((size_t)frames * 2);
        e->render(out.data(), frames);
        return out;
    }
};

const double kSineRms = 0.70710678;

TEST_F(EngineTest, WavOfEachLayoutPlaysItsToneAtTheOutputRate) {
    struct Case { int rate, channels, bits; } cases[] = {
        {44100, 1, 16}, {44100, 2, 16}, {22050, 1, 16}, {11025, 2, 8}, {48000, 2, 16}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.channels << " ch " << c.bits << " bit");
        SoundSource *s = e->add_source(file("tone.wav", make_wav(c.rate, c.channels, c.bits, 441.0, 1.2, 0.5)).c_str());
        ASSERT_TRUE(s);
        EXPECT_FALSE(e->is_streamed(s));
        VoiceId v = e->play(s, false, false, true);
        ASSERT_NE(v, 0u);
        std::vector<int16_t> out = render(44100);
        double want = 0.5 * 32767 * kSineRms;
        EXPECT_NEAR(channel_rms(out, 0), want, want * 0.03);
        EXPECT_NEAR(channel_rms(out, 1), want, want * 0.03);
        EXPECT_NEAR(rising_crossings(out, 0), 441, 2);   // pitch kept through the rate change
        EXPECT_EQ(e->position_ms(v), 1000);
        render(44100);
        EXPECT_TRUE(e->is_finished(v));   // ended by itself after 1.2 s
    }
}

// WAV files in every common encoding and layout, some with the header damage recorders and
// editors leave, each checked for its level on each side, its pitch and its length.
enum WavEdit { AS_WRITTEN, LENGTHS_ZERO, LENGTHS_ALL_ONES, ODD_CHUNK_BEFORE_DATA };

struct WavCase {
    const char *name;
    int format, rate;
    std::vector<double> amps;   // tone amplitude in each channel
    uint32_t mask;              // speakers of an extensible file (0: as written)
    double left, right;         // amplitude expected on each side
    WavEdit edit;
};

void PrintTo(const WavCase &c, std::ostream *os) { *os << c.name; }

struct WavVariantTest : EngineTest, ::testing::WithParamInterface<WavCase> {};

// Offset of the chunk `id` in a RIFF file, 0 when missing.
size_t find_chunk(const std::vector<uint8_t> &b, const char *id) {
    for (size_t at = 12; at + 8 <= b.size();) {
        if (!memcmp(&b[at], id, 4)) return at;
        uint32_t len = b[at + 4] | b[at + 5] << 8 | b[at + 6] << 16 | (uint32_t)b[at + 7] << 24;
        at += 8 + (size_t)len + (len & 1);
    }
    return 0;
}

void set_le32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; k++) b[at + k] = (uint8_t)(v >> (8 * k));
}

TEST_P(WavVariantTest, DecodesWithItsLevelOnEachSide) {
    const WavCase &c = GetParam();
    std::string path = dir + "/tone.wav";
    ASSERT_TRUE(write_sf_wav(path, c.format, c.rate, c.amps, 441.0, 0.5));
    std::vector<uint8_t> b;
    ASSERT_TRUE(file_read_all(path.c_str(), &b, 1u << 24));
    const std::vector<uint8_t> written = b;
    size_t fmt = find_chunk(b, "fmt "), data = find_chunk(b, "data");
    ASSERT_TRUE(fmt && data);
    if (c.mask) set_le32(b, fmt + 8 + 20, c.mask);
    if (c.edit == LENGTHS_ZERO || c.edit == LENGTHS_ALL_ONES) {
        uint32_t v = c.edit == LENGTHS_ZERO ? 0 : 0xFFFFFFFFu;
        set_le32(b, 4, v);
        set_le32(b, data + 4, v);
    } else if (c.edit == ODD_CHUNK_BEFORE_DATA) {
        const uint8_t odd[] = {'x', 'y', 'z', 'w', 3, 0, 0, 0, 1, 2, 3, 0};   // 3 bytes and the pad
        b.insert(b.begin() + (long)data, odd, odd + sizeof odd);
        set_le32(b, 4, (uint32_t)b.size() - 8);
    }
    SoundSource *s = e->add_source(file("tone.wav", b).c_str());
    ASSERT_TRUE(s);
    VoiceId v = e->play(s, false, false, true);
    std::vector<int16_t> out = render(19845);   // 0.45 s
    for (int side = 0; side < 2; side++) {
        double want = (side ? c.right : c.left) * 32767 * kSineRms;
        EXPECT_NEAR(channel_rms(out, side), want, want * 0.04 + 60) << (side ? "right" : "left");
    }
    EXPECT_NEAR(rising_crossings(out, c.left >= c.right ? 0 : 1), 198, 2);   // pitch kept
    EXPECT_NEAR(e->position_ms(v), 450, 1);
    render(6615);
    EXPECT_TRUE(e->is_finished(v));   // 0.5 s long (ADPCM up to a block more), placeholders included
    if (c.edit == LENGTHS_ZERO || c.edit == LENGTHS_ALL_ONES) {
        // Placeholder lengths change nothing that is heard, up to the last frame.
        auto whole = [&](const std::vector<uint8_t> &bytes, const char *name) {
            SoundSource *src = e->add_source(file(name, bytes).c_str());
            EXPECT_TRUE(src);
            if (src) e->play(src, false, false, true);
            return render(26460);
        };
        std::vector<int16_t> edited = whole(b, "edited.wav"), as_written = whole(written, "written.wav");
        EXPECT_TRUE(edited == as_written);
    }
}

const int kWav = SF_FORMAT_WAV, kWavEx = SF_FORMAT_WAVEX;
const double kHalf = 0.5, kHalfAt3dB = 0.5 * 0.70710678;

INSTANTIATE_TEST_SUITE_P(Encodings, WavVariantTest, ::testing::Values(
    WavCase{"u8", kWav | SF_FORMAT_PCM_U8, 8000, {0.5}, 0, kHalf, kHalf, AS_WRITTEN},
    WavCase{"s16", kWav | SF_FORMAT_PCM_16, 44100, {0.5, 0.25}, 0, 0.5, 0.25, AS_WRITTEN},
    WavCase{"s24", kWav | SF_FORMAT_PCM_24, 96000, {0.25, 0.5}, 0, 0.25, 0.5, AS_WRITTEN},
    WavCase{"s32", kWav | SF_FORMAT_PCM_32, 192000, {0.5}, 0, kHalf, kHalf, AS_WRITTEN},
    WavCase{"f32", kWav | SF_FORMAT_FLOAT, 48000, {0.5, 0.0}, 0, 0.5, 0.0, AS_WRITTEN},
    WavCase{"f64", kWav | SF_FORMAT_DOUBLE, 22050, {0.0, 0.5}, 0, 0.0, 0.5, AS_WRITTEN},
    WavCase{"alaw", kWav | SF_FORMAT_ALAW, 8000, {0.5}, 0, kHalf, kHalf, AS_WRITTEN},
    WavCase{"ulaw", kWav | SF_FORMAT_ULAW, 8000, {0.5, 0.25}, 0, 0.5, 0.25, AS_WRITTEN},
    WavCase{"ima_adpcm", kWav | SF_FORMAT_IMA_ADPCM, 22050, {0.5, 0.25}, 0, 0.5, 0.25, AS_WRITTEN},
    WavCase{"ms_adpcm", kWav | SF_FORMAT_MS_ADPCM, 11025, {0.5}, 0, kHalf, kHalf, AS_WRITTEN},
    // Down-mix by the mask: FL FR BL BR; FL FR FC LFE BL BR; FL FR FC LFE BL BR SL SR; FR FC LFE.
    WavCase{"ext_s16_quad_back_left", kWavEx | SF_FORMAT_PCM_16, 44100, {0, 0, 0.5, 0}, 0x33, kHalfAt3dB, 0,
            AS_WRITTEN},
    WavCase{"ext_s24_5_1_front_right", kWavEx | SF_FORMAT_PCM_24, 48000, {0, 0.5, 0, 0, 0, 0}, 0x3F, 0, kHalf,
            AS_WRITTEN},
    WavCase{"ext_f32_7_1_centre_and_lfe", kWavEx | SF_FORMAT_FLOAT, 44100, {0, 0, 0.5, 0.5, 0, 0, 0, 0}, 0x63F,
            kHalfAt3dB, kHalfAt3dB, AS_WRITTEN},
    WavCase{"ext_f32_7_1_side_right", kWavEx | SF_FORMAT_FLOAT, 44100, {0, 0, 0, 0, 0, 0, 0, 0.5}, 0x63F, 0,
            kHalfAt3dB, AS_WRITTEN},
    WavCase{"ext_s16_front_right_first", kWavEx | SF_FORMAT_PCM_16, 44100, {0.5, 0, 0}, 0x0E, 0, kHalf,
            AS_WRITTEN},
    // Without a mask, many channels are in mask order.
    WavCase{"s16_5_1_front_right", kWav | SF_FORMAT_PCM_16, 44100, {0, 0.5, 0, 0, 0, 0}, 0, 0, kHalf, AS_WRITTEN},
    WavCase{"s16_lengths_zero", kWav | SF_FORMAT_PCM_16, 44100, {0.5, 0.25}, 0, 0.5, 0.25, LENGTHS_ZERO},
    WavCase{"ima_lengths_all_ones", kWav | SF_FORMAT_IMA_ADPCM, 44100, {0.5}, 0, kHalf, kHalf, LENGTHS_ALL_ONES},
    WavCase{"ext_f32_lengths_zero", kWavEx | SF_FORMAT_FLOAT, 44100, {0.25, 0.5}, 0x3, 0.25, 0.5, LENGTHS_ZERO},
    WavCase{"u8_odd_chunk", kWav | SF_FORMAT_PCM_U8, 11025, {0.5}, 0, kHalf, kHalf, ODD_CHUNK_BEFORE_DATA}),
    [](const ::testing::TestParamInfo<WavCase> &i) { return std::string(i.param.name); });

TEST_F(EngineTest, VolumeAndPanSetTheChannelLevels) {
    SoundSource *s = e->add_source(file("tone.wav", make_wav(44100, 1, 16, 441.0, 2.0, 0.8)).c_str());
    ASSERT_TRUE(s);
    double full = 0.8 * 32767 * kSineRms;
    struct Case { float volume, pan; double left, right; } cases[] = {
        {1.0f, 0.0f, 1.0, 1.0}, {0.25f, 0.0f, 0.25, 0.25}, {0.5f, -1.0f, 0.5, 0.0},
        {0.5f, 1.0f, 0.0, 0.5}, {1.0f, -0.5f, 1.0, 0.5}, {0.0f, 0.0f, 0.0, 0.0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " pan " << c.pan);
        VoiceId v = e->play(s, false, true, true);
        e->set_volume(v, c.volume);
        e->set_pan(v, c.pan);
        EXPECT_FLOAT_EQ(e->volume(v), c.volume);
        EXPECT_FLOAT_EQ(e->pan(v), c.pan);
        e->set_paused(v, false);
        std::vector<int16_t> out = render(4410);
        EXPECT_NEAR(channel_rms(out, 0), c.left * full, 30);
        EXPECT_NEAR(channel_rms(out, 1), c.right * full, 30);
        e->stop(v);
    }
    // Values from outside: NaN is silence / centre, huge volumes clip but stay finite.
    VoiceId v = e->play(s, false, false, true);
    e->set_volume(v, NAN);
    e->set_pan(v, NAN);
    EXPECT_EQ(e->volume(v), 0.0f);
    EXPECT_EQ(e->pan(v), 0.0f);
    e->set_volume(v, INFINITY);
    e->set_pan(v, -INFINITY);
    EXPECT_EQ(e->pan(v), -1.0f);
    std::vector<int16_t> out = render(4410);
    EXPECT_GT(channel_rms(out, 0), 20000.0);
    EXPECT_EQ(channel_rms(out, 1), 0.0);
    int16_t lo = 0, hi = 0;   // clipped, not wrapped round: the peaks sit at full scale
    for (size_t k = 0; k < out.size(); k += 2) {
        lo = std::min(lo, out[k]);
        hi = std::max(hi, out[k]);
    }
    EXPECT_EQ(hi, 32767);
    EXPECT_EQ(lo, -32768);
}

TEST_F(EngineTest, PausedVoiceIsSilentAndKeepsItsPlaceUntilUnpaused) {
    SoundSource *s = e->add_source(file("tone.wav", make_wav(44100, 1, 16, 441.0, 1.0, 0.5)).c_str());
    VoiceId v = e->play(s, false, true, true);
    EXPECT_TRUE(e->is_paused(v));
    EXPECT_EQ(e->voices_playing(), 0);
    std::vector<int16_t> out = render(4410);
    EXPECT_EQ(channel_rms(out, 0), 0.0);
    EXPECT_EQ(e->position_ms(v), 0);
    e->set_paused(v, false);
    out = render(4410);
    EXPECT_GT(channel_rms(out, 0), 10000.0);
    EXPECT_EQ(e->position_ms(v), 100);
    e->set_paused(v, true);
    render(4410);
    EXPECT_EQ(e->position_ms(v), 100);
}

TEST_F(EngineTest, EndedVoiceIdsStayHarmlessAfterTheirSlotIsReused) {
    SoundSource *s = e->add_source(file("short.wav", make_wav(44100, 1, 16, 441.0, 0.05, 0.5)).c_str());
    VoiceId old = e->play(s, false, false, true);
    render(4410);
    ASSERT_TRUE(e->is_finished(old));
    EXPECT_EQ(e->position_ms(old), -1);
    // Every slot is taken again; the old id must reach none of the new voices.
    std::vector<VoiceId> ids;
    for (int i = 0; i < SoundEngine::kVoices; i++) ids.push_back(e->play(s, true, true, true));
    for (VoiceId id : ids) ASSERT_NE(id, 0u);
    EXPECT_EQ(e->play(s, false, false, true), 0u);   // no free slot: refused, nothing breaks
    e->set_paused(old, false);
    e->set_volume(old, 0.0f);
    e->stop(old);
    EXPECT_EQ(e->voices_playing(), 0);
    for (VoiceId id : ids) EXPECT_FLOAT_EQ(e->volume(id), 1.0f);
    e->stop(ids[0]);
    EXPECT_NE(e->play(s, false, false, true), 0u);
    // Ids that were never handed out are ignored too.
    e->stop(0);
    e->set_pan(0xFFFFFFFFu, 1.0f);
    EXPECT_EQ(e->position_ms(12345), -1);
}

TEST_F(EngineTest, LoopedWholeSoundWrapsWithoutAGap) {
    // 0.1 s of a 441 Hz tone is a whole number of periods: a gapless loop is a clean tone.
    SoundSource *s = e->add_source(file("loop.wav", make_wav(44100, 1, 16, 441.0, 0.1, 0.5)).c_str());
    VoiceId v = e->play(s, true, false, true);
    std::vector<int16_t> out = render(44100);
    EXPECT_FALSE(e->is_finished(v));
    EXPECT_LE(longest_quiet_run(out, 0, 200), 3u);
    EXPECT_NEAR(rising_crossings(out, 0), 440, 1);
    EXPECT_EQ(e->position_ms(v), 0);   // ten passes, back at the start
}

TEST_F(EngineTest, OggDecodesWholeOrStreamedToTheSameTone) {
    std::string path = file("tone.ogg", make_ogg(22050, 2, 441.0, 1.0, 0.5));
    SoundSource *whole = e->add_source(path.c_str());
    ASSERT_TRUE(whole);
    EXPECT_FALSE(e->is_streamed(whole));   // small file
    e->stream_threshold = 0;
    SoundSource *streamed = e->add_source(path.c_str());
    ASSERT_TRUE(streamed);
    EXPECT_TRUE(e->is_streamed(streamed));
    e->set_stream_mode(whole, STREAM_FROM_DISK);
    EXPECT_TRUE(e->is_streamed(whole));
    e->set_stream_mode(whole, STREAM_WHOLE);
    EXPECT_FALSE(e->is_streamed(whole));
    double want = 0.5 * 32767 * kSineRms;
    for (SoundSource *s : {whole, streamed}) {
        VoiceId v = e->play(s, false, false, true);
        std::vector<int16_t> out = render(22050);
        EXPECT_NEAR(channel_rms(out, 0, 2000, 20000), want, want * 0.05);
        EXPECT_NEAR(channel_rms(out, 1, 2000, 20000), want, want * 0.05);
        EXPECT_NEAR(rising_crossings(out, 0), 220, 2);
        EXPECT_EQ(e->position_ms(v), 500);
        e->stop(v);
    }
}

// Every channel of every count from 1 to 8, alone in its file, goes to its speaker's side: Ogg
// Vorbis by Vorbis order (whole and streamed alike), a plain WAV file (no channel mask) by the
// order of the mask bits. Left and right go to their sides, a centre to both and a surround to its
// side at -3 dB, the LFE nowhere; a single channel plays on both sides in full.
TEST_F(EngineTest, EveryChannelOfOneToEightIsMixedDownByItsSpeaker) {
    // Speakers: M mono, L R left and right, C centre, l r surround left and right, E LFE. Vorbis I
    // (section 4.3.9) orders; the WAVE_FORMAT_EXTENSIBLE mask bits FL FR FC LFE BL BR FLC FRC.
    const char *const kVorbis[8] = {"M", "LR", "LCR", "LRlr", "LCRlr", "LCRlrE", "LCRlrCE", "LCRlrlrE"};
    const char *const kWavMask = "LRCElrLR";
    const double side = 0.70710678;
    for (int channels = 1; channels <= 8; channels++) {
        for (int tone = 0; tone < channels; tone++) {
            std::string ogg = file("one.ogg", make_ogg(22050, channels, 441.0, 0.5, 0.5, tone));
            std::vector<double> amps((size_t)channels, 0.0);
            amps[(size_t)tone] = 0.5;
            std::string wav = dir + "/one.wav";
            ASSERT_TRUE(write_sf_wav(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, amps, 441.0, 0.5));
            const struct { const char *name; std::string path; int64_t threshold; char speaker; } plays[] = {
                {"Ogg whole", ogg, int64_t(1) << 30, kVorbis[channels - 1][tone]},
                {"Ogg streamed", ogg, 0, kVorbis[channels - 1][tone]},
                {"WAV", wav, int64_t(1) << 30, channels == 1 ? 'M' : kWavMask[tone]},
            };
            for (const auto &p : plays) {
                SCOPED_TRACE(testing::Message() << p.name << ", " << channels << " channels, tone in " << tone
                                                << " (" << p.speaker << ")");
                const char *at = strchr("MLRClrE", p.speaker);
                ASSERT_TRUE(at && *at);
                const double gains[7][2] = {{1, 1}, {1, 0}, {0, 1}, {side, side}, {side, 0}, {0, side}, {0, 0}};
                const double *gain = gains[at - "MLRClrE"];
                e->stream_threshold = p.threshold;
                SoundSource *s = e->add_source(p.path.c_str());
                ASSERT_TRUE(s);
                VoiceId v = e->play(s, false, false, true);
                std::vector<int16_t> out = render(11025);
                for (int k = 0; k < 2; k++) {
                    double want = gain[k] * 0.5 * 32767 * kSineRms;
                    EXPECT_NEAR(channel_rms(out, k, 2000, 10000), want, want * 0.05 + 80) << (k ? "right" : "left");
                }
                e->stop(v);
            }
        }
    }
}

// Whole decoding is bounded (a small Ogg of long silence decodes to gigabytes); past the bound the
// engine streams the file instead, and decides so once per source: setting the mode again (as
// every stream load does) does not decode it whole again. A WAV file past the bound is refused.
TEST_F(EngineTest, OggDecodedWholeStopsAtTheSampleLimitOnce) {
    std::vector<uint8_t> ogg = make_ogg(22050, 2, 441.0, 1.0, 0.5);   // 44100 samples
    PcmData pcm;
    EXPECT_TRUE(vorbis_decode_all(ogg, &pcm, 44100));
    EXPECT_FALSE(vorbis_decode_all(ogg, &pcm, 40000));
    e->whole_sample_limit = 40000;
    std::string path = file("long.ogg", ogg);
    SoundSource *s = e->add_source(path.c_str());
    ASSERT_TRUE(s);
    EXPECT_TRUE(e->is_streamed(s));
    file("long.ogg", make_ogg(22050, 2, 441.0, 0.5, 0.5));   // would fit, were it decoded again
    e->set_stream_mode(s, STREAM_AUTO);
    EXPECT_TRUE(e->is_streamed(s));
    EXPECT_FALSE(e->is_streamed(e->add_source(path.c_str())));
    EXPECT_EQ(e->add_source(file("long.wav", make_wav(22050, 2, 16, 441.0, 1.0, 0.5)).c_str()), nullptr);
    EXPECT_NE(e->add_source(file("short.wav", make_wav(22050, 2, 16, 441.0, 0.5, 0.5)).c_str()), nullptr);
}

TEST_F(EngineTest, LoopedOggStreamLoopsWithoutAGap) {
    e->stream_threshold = 0;
    SoundSource *s = e->add_source(file("loop.ogg", make_ogg(44100, 1, 441.0, 0.3, 0.5)).c_str());
    ASSERT_TRUE(e->is_streamed(s));
    VoiceId v = e->play(s, true, false, true);
    std::vector<int16_t> out = render(44100 * 2);
    EXPECT_FALSE(e->is_finished(v));
    EXPECT_LE(longest_quiet_run(out, 0, 300), 4u);
    EXPECT_GT(channel_rms(out, 0, 44100, 88200), 10000.0);
}

TEST_F(EngineTest, PlayPositionIsSetAndReadInMilliseconds) {
    e->stream_threshold = 0;
    std::string ogg = file("tone.ogg", make_ogg(44100, 2, 441.0, 3.0, 0.5));
    std::string mod = file("tune.mod", make_mod(2));
    std::string wav = file("tone.wav", make_wav(22050, 1, 16, 441.0, 3.0, 0.5));
    for (const std::string &path : {ogg, mod, wav}) {
        SCOPED_TRACE(path);
        SoundSource *s = e->add_source(path.c_str());
        ASSERT_TRUE(s);
        VoiceId v = e->play(s, true, true, true);
        EXPECT_TRUE(e->set_position_ms(v, 1500));
        EXPECT_EQ(e->position_ms(v), 1500);
        e->set_paused(v, false);
        std::vector<int16_t> out = render(4410);
        EXPECT_EQ(e->position_ms(v), 1600);
        EXPECT_GT(channel_rms(out, 0), 1000.0);
        EXPECT_FALSE(e->set_position_ms(v, -5));
        e->stop(v);
    }
}

TEST_F(EngineTest, SeekingLandsOnTheSameAudioAsPlayingThere) {
    e->stream_threshold = 0;
    std::string ogg = file("tone.ogg", make_ogg(44100, 2, 300.0, 3.0, 0.5));
    std::string mod = file("tune.mod", make_mod(2));
    for (const std::string &path : {ogg, mod}) {
        SCOPED_TRACE(path);
        SoundSource *s = e->add_source(path.c_str());
        VoiceId v = e->play(s, false, false, true);
        std::vector<int16_t> straight = render(66150 + 4410);
        e->stop(v);
        v = e->play(s, false, true, true);
        e->set_position_ms(v, 1500);
        e->set_paused(v, false);
        std::vector<int16_t> sought = render(4410);
        int worst = 0;
        for (size_t i = 0; i < sought.size(); i++) worst = std::max(worst, abs(sought[i] - straight[66150 * 2 + i]));
        EXPECT_LE(worst, 64);
        e->stop(v);
    }
}

// A module played once stops at its end; looped, it goes on where the module says: from the start,
// or from its restart position (the second order here, whose pattern plays an octave lower).
TEST_F(EngineTest, ModuleRendersAndLoopsAtItsRestartPosition) {
    struct Case { int restart; int64_t loop_ms; int crossings; } cases[] = {{127, 0, 518}, {1, 7680, 259}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "restart " << c.restart);
        SoundSource *s = e->add_source(file("tune.mod", make_mod(2, 2, c.restart)).c_str());
        ASSERT_TRUE(s);
        EXPECT_TRUE(e->is_streamed(s));
        VoiceId once = e->play(s, false, false, true);
        std::vector<int16_t> out = render(44100);
        EXPECT_GT(channel_rms(out, 0), 1000.0);
        EXPECT_GT(channel_rms(out, 1), 100.0);
        EXPECT_NEAR(rising_crossings(out, 0), 518, 3);
        render(44100 * 15);   // the song is 15.36 s long
        EXPECT_TRUE(e->is_finished(once));
        VoiceId looped = e->play(s, true, false, true);
        render(44100 * 16);
        out = render(44100);   // 16 to 17 s: 0.64 to 1.64 s into the second pass
        EXPECT_FALSE(e->is_finished(looped));
        EXPECT_NEAR(rising_crossings(out, 0), c.crossings, 3);
        EXPECT_NEAR(e->position_ms(looped), c.loop_ms + 17000 - 15360, 30);
        e->stop(looped);
    }
}

TEST_F(EngineTest, ScreamTrackerModuleRendersOnBothSides) {
    SoundSource *s = e->add_source(file("tune.s3m", make_s3m()).c_str());
    ASSERT_TRUE(s);
    VoiceId v = e->play(s, true, false, true);
    std::vector<int16_t> out = render(44100);
    EXPECT_GT(channel_rms(out, 0), 1000.0);
    EXPECT_GT(channel_rms(out, 1), 1000.0);
    EXPECT_TRUE(e->set_position_ms(v, 1500));
    EXPECT_EQ(e->position_ms(v), 1500);
}

// The game's generated sounds, when the build has made them (WAV, Ogg, XM module).
TEST_F(EngineTest, GeneratedGameSoundsDecodeWhenPresent) {
    std::string data = std::string(GLITZ_BINARY_DIR) + "/data/";
    int found = 0;
    for (const char *name : {"splat.wav", "death.ogg", "music.xm", "music.mod", "music.s3m", "music.it"}) {
        std::string path = data + name;
        if (access(path.c_str(), R_OK) != 0) continue;
        SCOPED_TRACE(name);
        found++;
        SoundSource *s = e->add_source(path.c_str());
        ASSERT_TRUE(s);
        VoiceId v = e->play(s, false, false, true);
        std::vector<int16_t> out = render(22050);
        EXPECT_GT(channel_rms(out, 0) + channel_rms(out, 1), 100.0);
        e->stop(v);
    }
    if (!found) GTEST_SKIP() << "no generated sounds in " << data;
}

TEST_F(EngineTest, TruncatedGarbageAndMissingFilesAreRefused) {
    std::vector<uint8_t> wav = make_wav(44100, 1, 16, 441.0, 0.5, 0.5), ima, ext;
    ASSERT_TRUE(write_sf_wav(dir + "/ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, {0.5, 0.5}, 441, 0.3));
    ASSERT_TRUE(write_sf_wav(dir + "/ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 8000, {0.5, 0, 0.5}, 441, 0.3));
    ASSERT_TRUE(file_read_all((dir + "/ima.wav").c_str(), &ima, 1u << 20));
    ASSERT_TRUE(file_read_all((dir + "/ext.wav").c_str(), &ext, 1u << 20));
    std::vector<uint8_t> ogg = make_ogg(44100, 1, 441.0, 0.5, 0.5);
    std::vector<uint8_t> mod = make_mod(1);
    std::vector<uint8_t> s3m = make_s3m();
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); i++) garbage[i] = (uint8_t)(i * 2654435761u >> 13);
    auto cut = [](std::vector<uint8_t> b, size_t n) { b.resize(n); return b; };
    auto poke = [](std::vector<uint8_t> b, size_t at, uint8_t v) { b[at] = v; return b; };
    struct Case { const char *name; std::vector<uint8_t> bytes; } cases[] = {
        {"cut.wav", cut(wav, wav.size() / 2)},
        {"cut_ima.wav", cut(ima, ima.size() - 100)},
        {"cut_ext.wav", cut(ext, 60)},
        {"header.wav", cut(wav, 30)},
        {"huge_chunk.wav", poke(poke(wav, 43, 0x7F), 7, 0x7F)},
        {"zero_channels.wav", poke(wav, 22, 0)},
        {"garbage.wav", garbage},
        {"cut.ogg", cut(ogg, ogg.size() * 2 / 3)},
        {"header.ogg", cut(ogg, 200)},
        {"garbage.ogg", [&] { std::vector<uint8_t> g = garbage; memcpy(g.data(), "OggS", 4); return g; }()},
        {"cut.mod", cut(mod, 600)},
        {"garbage.mod", cut(garbage, 1084)},
        {"cut.s3m", cut(s3m, 150)},
        {"empty.wav", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = file(c.name, c.bytes);
        EXPECT_EQ(e->add_source(path.c_str()), nullptr);
        e->stream_threshold = 0;   // streamed Ogg is checked on opening too
        EXPECT_EQ(e->add_source(path.c_str()), nullptr);
        e->stream_threshold = 512 * 1024;
    }
    // Damaged copies either load or not; whatever loads plays and seeks without harm.
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (const std::vector<uint8_t> *good : {&wav, &ima, &ext, &ogg, &mod, &s3m}) {
        for (int round = 0; round < 60; round++) {
            std::vector<uint8_t> b = *good;
            for (int k = 0; k < 1 + round % 8; k++) b[next() % b.size()] = (uint8_t)next();
            if (round % 5 == 4) b.resize(next() % b.size());
            e->stream_threshold = round % 2 ? 0 : 512 * 1024;
            SoundSource *s = e->add_source(file("damaged", b).c_str());
            if (!s) continue;
            VoiceId v = e->play(s, round % 3 == 0, false, true);
            render(2048);
            e->set_position_ms(v, next() % 3000);
            render(2048);
            e->stop(v);
        }
    }
    e->stream_threshold = 512 * 1024;
    EXPECT_EQ(e->add_source((dir + "/none.wav").c_str()), nullptr);
    EXPECT_EQ(e->add_source(dir.c_str()), nullptr);
    EXPECT_EQ(e->add_source(nullptr), nullptr);
    EXPECT_EQ(e->play(nullptr, true, false, true), 0u);
}

// A callback is late when more than two blocks' time passed since the one before: by then the block
// it follows and the one SDL held ready have both been played.
TEST(CallbackClock, CountsOnlyCallbacksMoreThanTwoBlocksApart) {
    const int64_t block = 11609977;                // 512 frames at 44100 Hz, in nanoseconds
    CallbackClock clock(block);
    EXPECT_FALSE(clock.tick(5 * block));           // the first has nothing to be late for
    EXPECT_FALSE(clock.tick(6 * block));           // on time
    EXPECT_FALSE(clock.tick(8 * block));           // two blocks: the spare block covered the gap
    EXPECT_TRUE(clock.tick(10 * block + 1));       // more than two: the device ran dry
    EXPECT_FALSE(clock.tick(11 * block));          // measured from the late one, not from a schedule
    EXPECT_EQ(clock.longest_gap_ns(), 2 * block + 1);
    EXPECT_EQ(clock.longest_gap_at_ns(), 5 * block + 1);   // counted from the first callback

    // Step by step on a clock that reads 0 at the first callback: after each tick, whether it was
    // late, the longest gap and when it ended.
    struct Step { int64_t at; bool late; int64_t longest, longest_at; };
    const int64_t ten_s = 10000000000;
    const Step steps[] = {
        {0, false, 0, 0},
        // Late from a first callback at 0 (fault: "last_ns_ > 0" takes 0 for "no callback yet"
        // and sees no gap; "last_ns_ <= 0" restarts the count of time here: longest_at 0).
        {2 * block + 1, true, 2 * block + 1, 2 * block + 1},
        {4 * block + 1, false, 2 * block + 1, 2 * block + 1},   // exactly two blocks: not late
        // As long as the longest so far: late, but the longest keeps its first end (fault: >=).
        {6 * block + 2, true, 2 * block + 1, 2 * block + 1},
        // A ten-second gap is one late callback, and the new longest.
        {6 * block + 2 + ten_s, true, ten_s, 6 * block + 2 + ten_s},
        {7 * block + 2 + ten_s, false, ten_s, 6 * block + 2 + ten_s},
        {9 * block + 3 + ten_s, true, ten_s, 6 * block + 2 + ten_s},   // a shorter late one
    };
    CallbackClock zero(block);
    for (const Step &s : steps) {
        SCOPED_TRACE(s.at);
        EXPECT_EQ(zero.tick(s.at), s.late);
        EXPECT_EQ(zero.longest_gap_ns(), s.longest);
        EXPECT_EQ(zero.longest_gap_at_ns(), s.longest_at);
    }
}

}  // namespace
