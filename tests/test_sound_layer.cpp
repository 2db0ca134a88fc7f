// SPDX-License-Identifier: Zlib
// The sound layer over an engine without a device: the two-voice sample playback, streams and their
// handles, the catalogue lookups, full tables, bad handles and the missing engine.
#define SOUND_FILES_OGG
#include "tests/test_sound_files.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>
#include "app/driver_internal.h"
#include "app/files.h"
#include "sound/sound_layer.h"

namespace {

struct LayerTest : ::testing::Test {
    std::string dir, old_cwd;
    Driver d{};
    void SetUp() override {
        char tmpl[] = "/tmp/glitz_sound_XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
        char cwd[1024];
        ASSERT_TRUE(getcwd(cwd, sizeof cwd));
        old_cwd = cwd;
        ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        d.aspect = 1;
        driver = &d;
        sound_init_with(SoundEngine::create(false));
        ASSERT_TRUE(sound_layer && sound_layer->engine);
    }
    void TearDown() override {
        sound_caches_destroy();
        sound_quit();
        driver = nullptr;
        EXPECT_EQ(chdir(old_cwd.c_str()), 0);
        system(("rm -rf " + dir).c_str());
    }
    // data/<name>; the returned path is the one the catalogue would build.
    std::string file(const char *name, const std::vector<uint8_t> &bytes) {
        EXPECT_TRUE(write_file(std::string("data/") + name, bytes));
        return std::string("./data/") + name;
    }
    SoundEngine *engine() { return sound_layer->engine; }
    std::vector<int16_t> render(int frames) {
        std::vector<int16_t> out((size_t)frames * 2);
        engine()->render(out.data(), frames);
        return out;
    }
};

const double kToneRms = 0.8 * 32767 * 0.70710678;

TEST_F(LayerTest, SamplePlaysAsTwoVoicesAtHalfVolumeCentreAndLeft) {
    std::string path = file("splat.wav", make_wav(44100, 1, 16, 441.0, 1.0, 0.8));
    testing::internal::CaptureStderr();
    int32_t h = driver_sound_load(path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "loading: ./data/splat.wav as 1\n");
    ASSERT_EQ(h, 1);
    sound_play(h, 0.5f, 0.0f);
    SoundVoicePair pair = sound_layer->voices[h];
    EXPECT_FLOAT_EQ(engine()->volume(pair.a), 0.25f);
    EXPECT_FLOAT_EQ(engine()->pan(pair.a), 0.0f);
    EXPECT_FLOAT_EQ(engine()->volume(pair.b), 0.25f);
    EXPECT_FLOAT_EQ(engine()->pan(pair.b), -1.0f);
    std::vector<int16_t> out = render(4410);
    EXPECT_NEAR(channel_rms(out, 0), 0.5 * kToneRms, 20);    // both voices
    EXPECT_NEAR(channel_rms(out, 1), 0.25 * kToneRms, 20);   // the centre voice only
    // Pan moves the volume between the voices: +1 all centre, -1 all left.
    sound_play(h, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(engine()->volume(sound_layer->voices[h].a), 0.0f);
    EXPECT_FLOAT_EQ(engine()->volume(sound_layer->voices[h].b), 1.0f);
}

TEST_F(LayerTest, PlayingASampleAgainCutsThePreviousPair) {
    int32_t h = driver_sound_load(file("splat.wav", make_wav(44100, 1, 16, 441.0, 1.0, 0.8)).c_str());
    int32_t other = driver_sound_load(file("pop.wav", make_wav(22050, 2, 8, 300.0, 1.0, 0.5)).c_str());
    ASSERT_EQ(other, 2);
    sound_play(h, 0.5f, 0.0f);
    sound_play(other, 0.5f, 0.0f);
    SoundVoicePair first = sound_layer->voices[h];
    render(4410);
    sound_play(h, 0.5f, 0.0f);
    EXPECT_TRUE(engine()->is_finished(first.a));
    EXPECT_TRUE(engine()->is_finished(first.b));
    EXPECT_EQ(engine()->voices_playing(), 4);   // the new pair and the other sample's pair
    EXPECT_EQ(engine()->position_ms(sound_layer->voices[h].a), 0);
    std::vector<int16_t> out = render(4410);
    EXPECT_LT(channel_rms(out, 1), 0.25 * kToneRms + 0.25 * 0.5 * 32767 * 0.71 + 100);
    // Voices that ended by themselves leave the layer's ids harmless.
    render(44100);
    EXPECT_EQ(engine()->voices_playing(), 0);
    sound_play(h, 0.5f, 0.0f);
    EXPECT_EQ(engine()->voices_playing(), 2);
}

TEST_F(LayerTest, StreamStartsAtTheGivenSecondsForOggAndModule) {
    engine()->stream_threshold = 0;
    int32_t ogg = stream_load(file("music.ogg", make_ogg(44100, 2, 441.0, 3.0, 0.5)).c_str());
    int32_t mod = stream_load(file("music.mod", make_mod(1)).c_str());
    ASSERT_EQ(ogg, 1);
    ASSERT_EQ(mod, 2);
    EXPECT_EQ(engine()->voices_playing(), 0);   // loaded paused
    for (int32_t h : {ogg, mod}) {
        testing::internal::CaptureStderr();
        stream_play(h, 0.5f, 1.5f);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Pos: set: 1500 get: 1500\n"), std::string::npos) << err;
        EXPECT_NE(err.find("setvol: "), std::string::npos);
        EXPECT_NE(err.find("setplayposition: "), std::string::npos);
        EXPECT_NE(err.find("setispaused: "), std::string::npos);
        EXPECT_FLOAT_EQ(engine()->volume(sound_layer->streams[h]), 0.5f);
    }
    std::vector<int16_t> out = render(44100 * 2);
    EXPECT_GT(channel_rms(out, 0), 1000.0);
    // Both loop: 2 s later the 3 s Ogg has wrapped to 0.5 s.
    EXPECT_EQ(engine()->position_ms(sound_layer->streams[ogg]), 500);
    EXPECT_FALSE(engine()->is_finished(sound_layer->streams[mod]));
}

TEST_F(LayerTest, FailedStreamStillUsesUpItsHandle) {
    testing::internal::CaptureStderr();
    int32_t bad = stream_load("./data/none.ogg");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(err.find("stream_load (soundSource) error: ./data/none.ogg\n"), 0u) << err;
    EXPECT_NE(err.find("stream_load in ticks: "), std::string::npos);
    EXPECT_EQ(stream_load(file("music.mod", make_mod(1)).c_str()), 2);
    testing::internal::CaptureStderr();
    stream_play(1, 0.5f, 0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "stream_play error: 1 - missing stream\n");
}

TEST_F(LayerTest, HandlesOutsideTheTablesAreRefused) {
    testing::internal::CaptureStderr();
    sound_play(0, 1.0f, 0.0f);
    stream_play(0, 1.0f, 0.0f);
    sound_play(-3, 1.0f, 0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    sound_play(7, 1.0f, 0.0f);
    sound_play(256, 1.0f, 0.0f);
    sound_play(1 << 30, 1.0f, 0.0f);
    stream_play(256, 1.0f, 0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "sound_play error: 7 - missing sample\n"
              "sound_play error: 256 - missing sample\n"
              "sound_play error: 1073741824 - missing sample\n"
              "stream_play error: 256 - missing stream\n");
}

// Quitting prints nothing when every callback came on time (fault: the line printed on every exit,
// or for a count of 0), and one whole line when one or more came late (faults: no line for a single
// late callback, a line per late callback, a count or gap left unrecorded).
TEST_F(LayerTest, QuitSaysNothingUnlessCallbacksCameLate) {
    const int64_t ms = 1000000, block = 11609977;   // block: 512 frames at 44100 Hz
    struct Case { std::vector<int64_t> callbacks; const char *printed; };
    const Case cases[] = {
        {{1000, 1000 + block, 1000 + 2 * block, 1000 + 4 * block}, ""},
        {{0, 10 * ms, 500 * ms, 510 * ms},
         "audio: 1 late callbacks (underruns) of 4, longest gap 490.0 ms at 0.5 s, buffer 0 frames\n"},
        {{0, 10 * ms, 500 * ms, 530 * ms, 540 * ms},
         "audio: 2 late callbacks (underruns) of 5, longest gap 490.0 ms at 0.5 s, buffer 0 frames\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.printed);
        if (!sound_layer) sound_init_with(SoundEngine::create(false));
        for (int64_t t : c.callbacks) engine()->count_callback(t);
        testing::internal::CaptureStderr();
        sound_quit();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed);
    }
}

TEST_F(LayerTest, FullTablesRefuseFurtherLoads) {
    std::string wav = file("tick.wav", make_wav(8000, 1, 8, 400.0, 0.01, 0.5));
    testing::internal::CaptureStderr();
    for (int32_t i = 1; i <= 255; i++) ASSERT_EQ(driver_sound_load(wav.c_str()), i);
    for (int32_t i = 1; i <= 255; i++) ASSERT_EQ(stream_load(wav.c_str()), i);
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver_sound_load(wav.c_str()), 0);
    EXPECT_EQ(stream_load(wav.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error loading: ./data/tick.wav\nstream_load (soundSource) error: ./data/tick.wav\n");
    EXPECT_EQ(sound_layer->next_sample, 256);
    EXPECT_EQ(sound_layer->next_stream, 256);
    sound_play(255, 1.0f, 0.0f);
    stream_play(255, 1.0f, 0.0f);
    EXPECT_EQ(engine()->voices_playing(), 3);
}

TEST_F(LayerTest, BrokenFilesGiveTheirMessagesAndHandleZero) {
    std::vector<uint8_t> wav = make_wav(44100, 1, 16, 441.0, 0.5, 0.5);
    wav.resize(wav.size() / 2);
    std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};
    std::string cut = file("cut.wav", wav), junk = file("junk.ogg", text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver_sound_load(cut.c_str()), 0);
    EXPECT_EQ(driver_sound_load(junk.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "loading: ./data/cut.wav as 1\nerror loading: ./data/cut.wav\n"
              "loading: ./data/junk.ogg as 1\nerror loading: ./data/junk.ogg\n");
    EXPECT_EQ(sound_layer->next_sample, 1);
}

TEST_F(LayerTest, CatalogueLookupsFollowTheCommonProtocol) {
    file("splat.wav", make_wav(44100, 1, 16, 441.0, 0.5, 0.8));
    file("tune.mod", make_mod(1));
    ASSERT_TRUE(write_file("data/data.json", [] {
        std::string j = R"({"splat": {"fname": "splat.wav"}, "music": {"fname": "tune.mod"},
                           "broken": {"fname": "nothing.wav"}, "nofile": {}})";
        return std::vector<uint8_t>(j.begin(), j.end());
    }()));
    sound_caches_create(data_catalogue(), data_dir());
    testing::internal::CaptureStderr();
    EXPECT_EQ(sound_load("splat"), 1);
    EXPECT_EQ(sound_load("splat"), 1);
    EXPECT_EQ(sound_load("Splat"), 0);
    EXPECT_EQ(sound_load("Splat"), 0);
    EXPECT_EQ(sound_load("broken"), 0);
    EXPECT_EQ(sound_load("broken"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              ":: trying load sample splat\ndoing load sample splat\nloading: ./data/splat.wav as 1\n"
              ":: trying load sample Splat\nunable to find sample Splat\n"
              ":: trying load sample broken\ndoing load sample broken\n"
              "loading: ./data/nothing.wav as 2\nerror loading: ./data/nothing.wav\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(stream_open("nofile"), 1);   // "./data/" is no sound, but the handle is used up
    EXPECT_EQ(stream_open("splat"), 2);    // its own cache: the sample of that name does not count
    music = stream_open("music");
    EXPECT_EQ(music, 3);
    EXPECT_EQ(stream_open("music"), 3);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("trying load stream nofile\ndoing load stream nofile\n"
                       "stream_load (soundSource) error: ./data/\n"), 0u) << err;
    // The start-up sequence: the music plays at the default volume.
    stream_play(music, 50 / 100.0f, 0.0f);
    std::vector<int16_t> out = render(44100);
    EXPECT_GT(channel_rms(out, 0), 1000.0);
    EXPECT_GT(channel_rms(out, 1), 1000.0);
    music = 0;
}

TEST(SoundLayerNoEngine, EverythingIsAQuietNoOp) {
    testing::internal::CaptureStderr();
    sound_init_with(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "IrrKlang init error\n");
    ASSERT_TRUE(sound_layer);
    sound_init();   // the layer exists: nothing happens
    EXPECT_EQ(sound_layer->engine, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(driver_sound_load("./data/splat.wav"), 0);
    EXPECT_EQ(stream_load("./data/music.mod"), 0);
    sound_play(1, 1.0f, 0.0f);
    stream_play(1, 1.0f, 0.0f);
    EXPECT_EQ(sound_load("splat"), 0);   // no caches yet
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    sound_quit();
    EXPECT_EQ(sound_layer, nullptr);
    sound_quit();
    sound_play(1, 1.0f, 0.0f);   // no layer at all
}

TEST(SoundLayerNoEngine, MissingAudioDevicePrintsTheInitError) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    testing::internal::CaptureStderr();
    sound_init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "IrrKlang init error\n");
    ASSERT_TRUE(sound_layer);
    EXPECT_EQ(sound_layer->engine, nullptr);
    EXPECT_EQ(sound_layer->next_sample, 1);
    EXPECT_EQ(sound_layer->next_stream, 1);
    sound_quit();
    unsetenv("SDL_AUDIODRIVER");
}

TEST(SoundLayerDevice, DummyDeviceOpensPlaysAndCloses) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::internal::CaptureStderr();
    sound_init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(sound_layer && sound_layer->engine);
    std::string path = "/tmp/glitz_sound_dummy.mod";
    ASSERT_TRUE(write_file(path, make_mod(1)));
    testing::internal::CaptureStderr();
    int32_t h = stream_load(path.c_str());
    stream_play(h, 0.5f, 0.0f);
    testing::internal::GetCapturedStderr();
    SDL_Delay(200);   // the callback runs on SDL's audio thread meanwhile
    EXPECT_GT(sound_layer->engine->position_ms(sound_layer->streams[h]), 0);
    // The device's callbacks are counted (the late-callback line depends on the count).
    EXPECT_GT(sound_layer->engine->callbacks(), 0);
    // Voices started, cut and ending by themselves while the callback mixes them.
    std::string wav = "/tmp/glitz_sound_dummy.wav";
    ASSERT_TRUE(write_file(wav, make_wav(22050, 1, 8, 500.0, 0.002, 0.5)));
    testing::internal::CaptureStderr();
    int32_t s = driver_sound_load(wav.c_str());
    testing::internal::GetCapturedStderr();
    for (int i = 0; i < 400; i++) {
        sound_play(s, 0.5f, 0.0f);
        if (i % 50 == 0) SDL_Delay(5);
    }
    SDL_Delay(100);
    EXPECT_EQ(sound_layer->engine->voices_playing(), 1);   // the music; the short pair has ended
    sound_quit();
    unlink(wav.c_str());
    unlink(path.c_str());
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
