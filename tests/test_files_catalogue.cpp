// SPDX-License-Identifier: Zlib
// The asset catalogue's lookup protocol: messages, cached failures, names, one namespace.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/driver_internal.h"
#include "app/files_internal.h"
#include "util/asset_cache.h"
#include "test_program_support.h"

namespace {

const AssetKind kSample = {":: trying load sample %s\n", "unable to find sample %s\n", "doing load sample %s\n", nullptr};
const AssetKind kTex = {"trying load tex %s\n", "unable to find tex %s\n", "doing load tex %s (%d)\n", nullptr};
const AssetKind kImg = {nullptr, "unable to find img %s\n", nullptr, nullptr};

// A working directory holding data/data.json, and a Driver to keep the parsed catalogue.
struct CatalogueTest : testing::Test {
    Driver d{};
    TempDir dir;
    void SetUp() override {
        ASSERT_TRUE(dir.make("glitz_cat"));
        ASSERT_TRUE(dir.enter());
        d.aspect = 1;
        driver = &d;
    }
    void TearDown() override {
        driver = nullptr;
        ASSERT_TRUE(dir.remove());
    }
    void catalogue(const std::string &text) {
        mkdir("data", 0755);
        write_file("data/data.json", text.data(), text.size());
    }
};

const char *kCatalogue =
    "{\"splat\": {\"fname\": \"splat.wav\"},"
    " \"ball\": {\"texture\": \"atlas\", \"rect\": {\"x\": 0, \"y\": 0, \"w\": 8, \"h\": 8}},"
    " \"atlas\": {\"fname\": \"atlas.png\"},"
    " \"nofile\": {}}";

}  // namespace

TEST_F(CatalogueTest, MissingNamesPrintOnceAndCacheZero) {
    catalogue(kCatalogue);
    AssetCache cache;
    cache.create(data_catalogue(), data_dir());
    int loads = 0;
    auto load = [&](var &) { loads++; return 5; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("nothing", kSample, -1, load), 0);
    EXPECT_EQ(cache.lookup("nothing", kSample, -1, load), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              ":: trying load sample nothing\nunable to find sample nothing\n");
    EXPECT_EQ(loads, 0);
    cache.destroy();
}

TEST_F(CatalogueTest, FoundNamesLoadOnceAndReturnTheSameHandleSilently) {
    catalogue(kCatalogue);
    AssetCache cache;
    cache.create(data_catalogue(), data_dir());
    int loads = 0;
    std::string path;
    auto load = [&](var &entry) { loads++; path = cache.path(entry); return 7; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("atlas", kTex, 1, load), 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "trying load tex atlas\ndoing load tex atlas (1)\n");
    EXPECT_EQ(path, "./data/atlas.png");
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("atlas", kTex, 2, load), 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(loads, 1);

    // A load step that fails is cached as 0 and not tried again; a missing "fname" gives the
    // data directory and a slash.
    EXPECT_EQ(cache.lookup("nofile", kTex, 2, load), 7);
    EXPECT_EQ(path, "./data/");
    auto failing = [&](var &) { loads++; return 0; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("splat", kSample, -1, failing), 0);
    EXPECT_EQ(cache.lookup("splat", kSample, -1, failing), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ":: trying load sample splat\ndoing load sample splat\n");
    EXPECT_EQ(loads, 3);
    cache.destroy();
    EXPECT_TRUE(cache.names.empty());

    // Files are found in the folder the cache was handed, whatever the working folder holds.
    cache.create(data_catalogue(), "/opt/glitz/data");
    EXPECT_EQ(cache.lookup("atlas", kTex, 1, load), 7);
    EXPECT_EQ(path, "/opt/glitz/data/atlas.png");
    cache.destroy();
}

TEST_F(CatalogueTest, NamesAreCaseSensitiveAndKindsShareOneNamespace) {
    catalogue(kCatalogue);
    AssetCache samples, images;
    samples.create(data_catalogue(), data_dir());
    images.create(data_catalogue(), data_dir());
    testing::internal::CaptureStderr();
    EXPECT_EQ(samples.lookup("Splat", kSample, -1, [](var &) { return 1; }), 0);
    EXPECT_EQ(images.lookup("BALL", kImg, -1, [](var &) { return 1; }), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              ":: trying load sample Splat\nunable to find sample Splat\nunable to find img BALL\n");

    // The same entry through two kinds: each cache runs its own load step and keeps its own handle.
    std::string seen_by_sample, seen_by_image;
    testing::internal::CaptureStderr();
    EXPECT_EQ(samples.lookup("ball", kSample, -1, [&](var &e) { seen_by_sample = e["texture"].str(); return 3; }), 3);
    EXPECT_EQ(images.lookup("ball", kImg, -1, [&](var &e) { seen_by_image = e["texture"].str(); return 9; }), 9);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ":: trying load sample ball\ndoing load sample ball\n");
    EXPECT_EQ(seen_by_sample, "atlas");
    EXPECT_EQ(seen_by_image, "atlas");
    EXPECT_EQ(samples.lookup("ball", kSample, -1, [](var &) { return 100; }), 3);
    EXPECT_EQ(images.lookup("ball", kImg, -1, [](var &) { return 100; }), 9);

    // Both caches hold the one parsed catalogue.
    EXPECT_EQ(samples.root.get(), images.root.get());
    EXPECT_EQ(samples.root.get(), d.data.get());
    samples.destroy();
    images.destroy();
}

TEST_F(CatalogueTest, MissingOrBrokenCatalogue) {
    // No data.json: one line names the file and the cause, however often the catalogue is asked
    // for; every name is then missing, nothing crashes.
    AssetCache cache;
    testing::internal::CaptureStderr();
    cache.create(data_catalogue(), data_dir());
    data_catalogue();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "unable to read catalogue ./data/data.json: No such file or directory\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("splat", kSample, -1, [](var &) { return 1; }), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("unable to find sample splat\n"), std::string::npos);
    cache.destroy();

    // Unusable files: a folder in its place, an empty file, a document that is no object. Each
    // cause is told once, and a file that turns up later is read.
    mkdir("data", 0755);
    mkdir("data/data.json", 0755);
    testing::internal::CaptureStderr();
    data_catalogue();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "unable to read catalogue ./data/data.json: Is a directory\n");
    rmdir("data/data.json");
    for (const char *text : {"", "[1, 2]"}) {
        d.data = var();
        catalogue(text);
        testing::internal::CaptureStderr();
        data_catalogue();
        data_catalogue();
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("unable to read catalogue ./data/data.json: ") +
                      (*text ? "no JSON object of assets\n" : "empty file\n"));
    }
    // A cause comes back after another one (empty, no object, empty): told again.
    d.data = var();
    catalogue("");
    testing::internal::CaptureStderr();
    data_catalogue();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "unable to read catalogue ./data/data.json: empty file\n");
    d.data = var();
    catalogue(kCatalogue);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(data_catalogue().has("splat"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The cause told last, again after a good read (a new start-up in the same process): told again.
    d.data = var();
    catalogue("");
    testing::internal::CaptureStderr();
    data_catalogue();
    data_catalogue();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "unable to read catalogue ./data/data.json: empty file\n");
    d.data = var();
    catalogue(kCatalogue);

    // A syntax error after the first entry keeps what was complete before it.
    catalogue("{\"splat\": {\"fname\": \"a.wav\"}, \"ball\": {\"fname\": ");
    cache.create(data_catalogue(), data_dir());
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.lookup("splat", kSample, -1, [](var &) { return 4; }), 4);
    EXPECT_EQ(cache.lookup("music", kSample, -1, [](var &) { return 4; }), 0);
    testing::internal::GetCapturedStderr();
    cache.destroy();
}

// Read ahead (start-up decodes pictures while the window opens): nothing is printed then; the next
// data_catalogue() takes that parse, prints what reading and parsing it would have printed, and
// does not read the file again. Once the catalogue is parsed, ahead is the catalogue itself.
TEST_F(CatalogueTest, ReadAheadPrintsItsLinesWhereTheCatalogueIsDue) {
    const struct { const char *text; const char *lines; } cases[] = {
        {"// c\n{}", "JSON_parser_char: syntax error, byte 1\nunable to read catalogue ./data/data.json: no JSON object of assets\n"},
        {"{\"splat\": {\"fname\": ", "JSON_parser_end: syntax error\n"},
        {nullptr, "unable to read catalogue ./data/data.json: No such file or directory\n"},
        {kCatalogue, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(no file)");
        d.data = var();
        if (c.text) catalogue(c.text);
        else unlink("data/data.json");
        testing::internal::CaptureStderr();
        var &ahead = data_catalogue_ahead();
        EXPECT_EQ(&data_catalogue_ahead(), &ahead);   // read once
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(d.data.type(), VAR_NONE);
        const bool has_splat = ahead.type() == VAR_DICT && ahead.has("splat");
        unlink("data/data.json");   // the parse taken next is the one made ahead
        testing::internal::CaptureStderr();
        var &parsed = data_catalogue();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.lines);
        EXPECT_EQ(parsed.type() == VAR_DICT && parsed.has("splat"), has_splat);
        EXPECT_EQ(has_splat, c.text != nullptr && c.text[0] == '{');
    }
    catalogue(kCatalogue);
    EXPECT_EQ(&data_catalogue_ahead(), &data_catalogue());
}
