// SPDX-License-Identifier: Zlib
// Textures and images by catalogue name, without a window: slots, caches, messages, failures, limits.
#include <gtest/gtest.h>
#include <string>
#include "test_gfx_support.h"
#include "util/zev_json.h"
#include "util/zev_var_object.h"
#include "gfx/gfx_internal.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

static const uint8_t kPixels[4 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 0};

static std::string atlas_json() {
    return std::string("{") +
           "\"atlas\":{\"fname\":\"atlas.png\",\"rect\":" + rect_json(0, 0, 2, 2) + "}," +
           "\"a\":{\"texture\":\"atlas\",\"rect\":" + rect_json(0, 0, 1, 1) + ",\"shape\":" + rect_json(0, 0, 1, 1) + "}," +
           "\"b\":{\"texture\":\"atlas\",\"rect\":" + rect_json(1, 0, 1, 2) + ",\"shape\":" + rect_json(3, 4, 5, 6) + "}," +
           "\"lost\":{\"texture\":\"gone\"}," +
           "\"nofile\":{\"fname\":\"nothere.png\",\"rect\":" + rect_json(0, 0, 8, 8) + "}," +
           "\"garbage\":{\"fname\":\"garbage.png\",\"rect\":" + rect_json(0, 0, 8, 8) + "}}";
}

TEST(GfxCatalogue, ImagesShareTheirAtlasAndAreLoadedOnce) {
    TempCatalogue cat(atlas_json());
    cat.write_png("atlas.png", 2, 2, kPixels);
    gfx_init(data_catalogue(), data_dir());
    ASSERT_TRUE(gfx);
    EXPECT_EQ(gfx->view_w, 256);
    EXPECT_EQ(gfx->view_scale, 1);

    CaptureStderr();
    EXPECT_EQ(gfx_img_load("a"), 1);
    std::string log = GetCapturedStderr();
    EXPECT_EQ(log.find("trying load tex atlas\ndoing load tex atlas (1)\ndriver_tex_load ./data/atlas.png\n"), 0u) << log;
    EXPECT_NE(log.find("gfx_tex_load: "), std::string::npos);
    EXPECT_EQ(log.find("img"), std::string::npos);   // images print nothing of their own

    CaptureStderr();
    EXPECT_EQ(gfx_img_load("b"), 2);
    EXPECT_EQ(gfx_img_load("a"), 1);
    EXPECT_EQ(gfx_tex_load("atlas"), 1);
    EXPECT_EQ(GetCapturedStderr(), "");   // second image on the atlas: no texture messages
    const GfxImage &b = gfx->imgs[2];
    EXPECT_EQ(b.id, 2);
    EXPECT_EQ(b.tex, 1);
    EXPECT_EQ(b.rect.x, 1);
    EXPECT_EQ(b.rect.h, 2);
    EXPECT_EQ(b.shape.x, 3);
    EXPECT_EQ(b.shape.h, 6);
    EXPECT_EQ(gfx->texs[1].rect.w, 2);
    // A program learns an image's size from its frame, not its rectangle in the atlas.
    GfxRect size = gfx_img_size(2);
    EXPECT_EQ(size.x, 0);
    EXPECT_EQ(size.w, 5);
    EXPECT_EQ(size.h, 6);
    for (int32_t none : {0, 3, -1, (int32_t)GFX_MAX_IMAGES}) EXPECT_EQ(gfx_img_size(none).w, 0) << none;

    // Slots restart with a new context.
    gfx_destroy();
    gfx_init(data_catalogue(), data_dir());
    CaptureStderr();
    EXPECT_EQ(gfx_img_load("b"), 1);
    GetCapturedStderr();
}

// Decoding ahead reads an untrusted catalogue without a word and leaves it as it was, whatever an
// entry holds (faults: an element read that adds a key; a type error for an entry that is no
// object, or a string or list that happens to hold "texture").
TEST(GfxCatalogue, DecodingAheadIsSilentOnOddEntries) {
    const std::string text = R"({"n": 5, "s": "a texture", "l": ["texture"], "img": {"texture": "s"},
        "both": {"fname": "nothere.png", "texture": "n"}, "lost": {"texture": "gone"}, "num": {"texture": 5}})";
    var cat;
    ASSERT_EQ(json_parse(cat, text.c_str(), (int)text.size()), 0);
    const std::string before = cat.str();
    CaptureStderr();
    for (const char *name : {"n", "s", "l", "img", "both", "lost", "num", "missing"})
        gfx_tex_decode_ahead(cat, ".", name);
    gfx_tex_decode_ahead_drop();
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(cat.str(), before);
}

TEST(GfxCatalogue, MissingEntriesAndFilesGiveSlotZeroOnce) {
    TempCatalogue cat(atlas_json());
    cat.write("garbage.png", "this is not a picture at all");
    gfx_init(data_catalogue(), data_dir());

    CaptureStderr();
    EXPECT_EQ(gfx_img_load("ghost"), 0);
    EXPECT_EQ(gfx_img_load("ghost"), 0);
    EXPECT_EQ(gfx_img_load("A"), 0);
    EXPECT_EQ(GetCapturedStderr(), "unable to find img ghost\nunable to find img A\n");

    CaptureStderr();
    EXPECT_EQ(gfx_tex_load("ghost"), 0);   // its own cache: the image miss does not count
    EXPECT_EQ(gfx_tex_load("ghost"), 0);
    EXPECT_EQ(GetCapturedStderr(), "trying load tex ghost\nunable to find tex ghost\n");

    CaptureStderr();
    int32_t t = gfx_tex_load("nofile");
    std::string log = GetCapturedStderr();
    EXPECT_EQ(t, 1);   // the slot is filled, without a GL name
    EXPECT_EQ(gfx->texs[1].gl, 0u);
    EXPECT_EQ(gfx->texs[1].rect.w, 8);
    EXPECT_NE(log.find("stbi_load failed ./data/nothere.png - can't fopen\n"), std::string::npos) << log;

    CaptureStderr();
    EXPECT_EQ(gfx_tex_load("garbage"), 2);
    log = GetCapturedStderr();
    size_t at = log.find("stbi_load failed ./data/garbage.png - ");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find("can't fopen"), std::string::npos);   // stb_image's own reason instead
    CaptureStderr();
    EXPECT_EQ(gfx_tex_load("garbage"), 2);   // never tried again
    EXPECT_EQ(GetCapturedStderr(), "");

    CaptureStderr();
    EXPECT_EQ(gfx_img_load("lost"), 1);   // its texture is missing: texture slot 0, zero sizes
    log = GetCapturedStderr();
    EXPECT_NE(log.find("unable to find tex gone\n"), std::string::npos);
    EXPECT_EQ(gfx->imgs[1].tex, 0);
    EXPECT_EQ(gfx->imgs[1].shape.w, 0);
    EXPECT_EQ(gfx_img_size(1).h, 0);
    gfx_draw_img(1, 0, 0, 0, 0);   // drawing it and slot 0 is harmless
    gfx_draw_box(0, 0, 0, 10, 10, 3);
}

TEST(GfxCatalogue, NoCatalogueAtAll) {
    TempCatalogue cat("");
    remove((cat.dir + "/data/data.json").c_str());
    gfx_init(data_catalogue(), data_dir());
    CaptureStderr();
    EXPECT_EQ(gfx_img_load("ball"), 0);
    EXPECT_EQ(gfx_tex_load("ball"), 0);
    std::string log = GetCapturedStderr();
    EXPECT_NE(log.find("unable to find img ball\n"), std::string::npos) << log;
    EXPECT_NE(log.find("unable to find tex ball\n"), std::string::npos) << log;
}

TEST(GfxCatalogue, TablesFullRefuseWithSlotZero) {
    std::string json = "{\"t\":{\"fname\":\"none.png\"}";
    for (int i = 0; i < 2100; i++) {
        std::string n = std::to_string(i);
        json += ",\"img" + n + "\":{\"texture\":\"t\",\"rect\":" + rect_json(0, 0, 1, 1) + "}";
        if (i < 300) json += ",\"tex" + n + "\":{\"fname\":\"none.png\"}";
    }
    TempCatalogue cat(json + "}");
    gfx_init(data_catalogue(), data_dir());
    CaptureStderr();
    for (int i = 0; i < GFX_MAX_IMAGES - 1; i++) ASSERT_EQ(gfx_img_load(("img" + std::to_string(i)).c_str()), i + 1);
    EXPECT_EQ(gfx_img_load("img2047"), 0);
    EXPECT_EQ(gfx_img_load("img2047"), 0);
    EXPECT_EQ(gfx_img_load("img2046"), 2047);
    // texture slot 1 is "t"; 254 more fit
    for (int i = 0; i < GFX_MAX_TEXTURES - 2; i++) ASSERT_EQ(gfx_tex_load(("tex" + std::to_string(i)).c_str()), i + 2);
    GetCapturedStderr();
    CaptureStderr();
    EXPECT_EQ(gfx_tex_load("tex254"), 0);
    EXPECT_EQ(gfx_tex_load("tex254"), 0);
    EXPECT_EQ(GetCapturedStderr(), "trying load tex tex254\ntexture table full (255), not loading tex tex254\n");
    CaptureStderr();
    EXPECT_EQ(gfx_img_load("img2048"), 0);
    EXPECT_EQ(GetCapturedStderr(), "image table full (2047), not loading img img2048\n");
    EXPECT_EQ(gfx->img_next, GFX_MAX_IMAGES);
    EXPECT_EQ(gfx->tex_next, GFX_MAX_TEXTURES);
}

TEST(GfxCatalogue, ReadRectReadsEveryKindByElementAccess) {
    var r(VAR_DICT, {var("x"), var(1.5), var("y"), var(-2), var("w"), var("text"), var("h"), var(4)});
    GfxRect g = read_rect(r);
    EXPECT_EQ(g.x, 1.5f);
    EXPECT_EQ(g.y, -2);
    EXPECT_EQ(g.w, 0);   // a non-number reads as 0
    EXPECT_EQ(g.h, 4);
    // Every kind through element access: a list gives its first element for each field, the
    // scalar kinds a TypeError line per field and zeros.
    var list(VAR_LIST, {var(5), var(6), var(7), var(8)});
    g = read_rect(list);
    EXPECT_EQ(g.x, 5);
    EXPECT_EQ(g.h, 5);
    for (const var &v : {var(), var(3), var("x: 1")}) {
        SCOPED_TRACE(v.str());
        var wrong = v;
        CaptureStderr();
        g = read_rect(wrong);
        std::string log = GetCapturedStderr(), line = std::string("TypeError: '") +
                                                      var_kind_name(v.type()) + "' object does not support '__get__'\n";
        size_t lines = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) lines++;
        EXPECT_EQ(lines, 4u) << log;
        EXPECT_EQ(g.x, 0);
        EXPECT_EQ(g.h, 0);
    }
}
