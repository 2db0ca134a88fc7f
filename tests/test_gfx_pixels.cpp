// SPDX-License-Identifier: Zlib
// Drawing read back from a real OpenGL window (Mesa under Xvfb): uploads, clipping, fills, text.
#include <gtest/gtest.h>
#include <GL/glu.h>
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>
#include "gfx/mipmap.h"
#include "test_gfx_support.h"
#include "gfx/gfx_internal.h"
#include "gfx/font_internal.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

enum { W = 256, H = 256 };
static const int kThirds[9] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0xff00ff, 0x00ffff, 0x808080, 0xffffff, 0x804000};

struct Rgb { int r, g, b; };

static Rgb pixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glFinish();
    glReadPixels(x, H - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgb{p[0], p[1], p[2]};
}
static bool lit(int x, int y) { Rgb p = pixel(x, y); return p.r + p.g + p.b > 0; }

#define EXPECT_RGB(x, y, R, G, B, tol)                                                   \
    do {                                                                                 \
        Rgb p_ = pixel(x, y);                                                            \
        EXPECT_NEAR(p_.r, R, tol) << "at " << (x) << "," << (y);                       \
        EXPECT_NEAR(p_.g, G, tol) << "at " << (x) << "," << (y);                       \
        EXPECT_NEAR(p_.b, B, tol) << "at " << (x) << "," << (y);                       \
    } while (0)

static std::string tex_entry(const char *file, int w, int h) {
    return std::string("{\"fname\":\"") + file + "\",\"rect\":" + rect_json(0, 0, (float)w, (float)h) + "}";
}
static std::string img_entry(const char *tex, int w, int h) {
    return std::string("{\"texture\":\"") + tex + "\",\"rect\":" + rect_json(0, 0, (float)w, (float)h) +
           ",\"shape\":" + rect_json(0, 0, (float)w, (float)h) + "}";
}

// A 256 x 256 window whose canvas maps one to one onto its pixels, with a catalogue of test
// pictures: "half" (4 x 4, premultiplication), "ramp" (64 x 64 colour ramp), "white" (8 x 8),
// "thirds" (48 x 48, nine colours), "stripes" (64 x 64, columns 3 and 4 of every 8 white, the rest
// black), a font on "sheet", and images and fonts whose files or textures are missing.
struct Pixels : ::testing::Test {
    TempCatalogue cat{"{\"half\":" + img_entry("half_t", 4, 4) + ",\"half_t\":" + tex_entry("half.png", 4, 4) +
                      ",\"ramp\":" + img_entry("ramp_t", 64, 64) + ",\"ramp_t\":" + tex_entry("ramp.png", 64, 64) +
                      ",\"white\":" + img_entry("white_t", 8, 8) + ",\"white_t\":" + tex_entry("white.png", 8, 8) +
                      ",\"thirds\":" + img_entry("thirds_t", 48, 48) + ",\"thirds_t\":" + tex_entry("thirds.png", 48, 48) +
                      ",\"stripes\":" + img_entry("stripes_t", 64, 64) + ",\"stripes_t\":" + tex_entry("stripes.png", 64, 64) +
                      ",\"font\":" + font_entry_json("sheet") + ",\"sheet\":" + tex_entry("sheet.png", 64, 64) +
                      ",\"nofile\":" + img_entry("nofile_t", 8, 8) + ",\"nofile_t\":" + tex_entry("missing.png", 8, 8) +
                      ",\"nofont\":" + font_entry_json("nofile_t") + ",\"nosheet\":" + font_entry_json("gone") +
                      ",\"lost\":" + img_entry("gone", 8, 8) + "}",
                      W, H};
    GlWindow win{W, H};

    void SetUp() override {
        if (!win.ok) return;
        std::vector<uint8_t> px(64 * 64 * 4);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++) {
                const uint8_t left[4] = {255, 128, 0, 128}, right[4] = {200, 100, 50, 0};
                memcpy(&px[(y * 4 + x) * 4], x < 2 ? left : right, 4);
            }
        cat.write_png("half.png", 4, 4, px.data());
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) {
                uint8_t *p = &px[(y * 64 + x) * 4];
                p[0] = (uint8_t)(x * 4), p[1] = (uint8_t)(y * 4), p[2] = 128, p[3] = 255;
            }
        cat.write_png("ramp.png", 64, 64, px.data());
        for (int y = 0; y < 64; y++)   // glyph sheet: opaque white 16 x 16 top-left, rest clear
            for (int x = 0; x < 64; x++) {
                uint8_t v = x < 16 && y < 16 ? 255 : 0;
                memset(&px[(y * 64 + x) * 4], v, 4);
            }
        cat.write_png("sheet.png", 64, 64, px.data());
        std::fill(px.begin(), px.end(), 255);
        cat.write_png("white.png", 8, 8, px.data());
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 48; x++) {
                int c = kThirds[(y / 16) * 3 + x / 16];
                uint8_t *p = &px[(y * 48 + x) * 4];
                p[0] = (uint8_t)(c >> 16), p[1] = (uint8_t)(c >> 8), p[2] = (uint8_t)c, p[3] = 255;
            }
        cat.write_png("thirds.png", 48, 48, px.data());
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) {
                uint8_t *p = &px[(y * 64 + x) * 4];
                p[0] = p[1] = p[2] = x % 8 == 3 || x % 8 == 4 ? 255 : 0, p[3] = 255;
            }
        cat.write_png("stripes.png", 64, 64, px.data());
        gfx_init(data_catalogue(), data_dir());   // takes the window's size: no gfx_set_window here
        font_table_create(data_catalogue(), data_dir());
        gfx->view_w = W;
        gfx->view_h = H;
        gfx->view_scale = 1;
        gfx_view();
        CaptureStderr();   // keep the loaders' lines out of the test log
    }
    void TearDown() override {
        if (win.ok) GetCapturedStderr();
    }
};

TEST_F(Pixels, UploadIsPremultiplied) {
    REQUIRE_WINDOW(win);
    int32_t img = gfx_img_load("half");
    ASSERT_EQ(img, 1);
    uint32_t gl = gfx->texs[gfx->imgs[img].tex].gl;
    ASSERT_NE(gl, 0u);
    EXPECT_EQ(gfx_tex_gl(gfx->imgs[img].tex), gl);   // what a program's own GL calls would bind
    for (int32_t none : {0, -1, gfx->tex_next, (int32_t)GFX_MAX_TEXTURES}) EXPECT_EQ(gfx_tex_gl(none), 0u) << none;
    uint8_t tex[4 * 4 * 4];
    glBindTexture(GL_TEXTURE_2D, gl);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, tex);
    const uint8_t left[4] = {128, 64, 0, 128}, clear[4] = {0, 0, 0, 0};
    for (int i = 0; i < 16; i++) EXPECT_EQ(0, memcmp(&tex[i * 4], (i % 4) < 2 ? left : clear, 4)) << i;
    gfx_draw_img(img, 0, 0, 64, 64);   // blended onto black: the premultiplied colour shows as is
    EXPECT_RGB(20, 20, 128, 64, 0, 2);
    EXPECT_RGB(50, 20, 0, 0, 0, 0);
}

// Decoding ahead changes nothing a load shows: the same lines in the same order (numbers aside:
// times and GL names), the same slots and texels. A missing file still fails at its load, and a
// name the catalogue lacks is not added to it.
TEST_F(Pixels, DecodedAheadLoadsAsBefore) {
    REQUIRE_WINDOW(win);
    auto load_all = [] {
        return std::vector<int32_t>{gfx_img_load("half"), gfx_img_load("nofile"), gfx_tex_load("ramp_t")};
    };
    auto no_digits = [](std::string s) {
        s.erase(std::remove_if(s.begin(), s.end(), ::isdigit), s.end());
        return s;
    };
    GetCapturedStderr();
    CaptureStderr();
    std::vector<int32_t> slots = load_all();
    std::string plain = GetCapturedStderr();
    gfx_init(data_catalogue(), data_dir());   // a new context: every name loads again
    int64_t keys = data_catalogue().len();
    for (const char *name : {"half", "nofile", "ramp_t", "ghost"})
        gfx_tex_decode_ahead(data_catalogue(), data_dir(), name);
    EXPECT_EQ(data_catalogue().len(), keys);
    CaptureStderr();
    EXPECT_EQ(load_all(), slots);
    EXPECT_EQ(no_digits(GetCapturedStderr()), no_digits(plain));
    CaptureStderr();   // for TearDown
    uint8_t tex[4 * 4 * 4];
    glBindTexture(GL_TEXTURE_2D, gfx->texs[gfx->imgs[slots[0]].tex].gl);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, tex);
    const uint8_t left[4] = {128, 64, 0, 128}, clear[4] = {0, 0, 0, 0};
    for (int i = 0; i < 16; i++) EXPECT_EQ(0, memcmp(&tex[i * 4], (i % 4) < 2 ? left : clear, 4)) << i;
}

// Every level of the texture bound to GL_TEXTURE_2D, from 0 to the first empty one.
struct TexLevel {
    GLint w, h;
    std::vector<uint8_t> rgba;
};
static std::vector<TexLevel> read_chain() {
    std::vector<TexLevel> chain;
    for (int level = 0;; level++) {
        TexLevel l{0, 0, {}};
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.h);
        if (l.w == 0 || l.h == 0) return chain;
        l.rgba.resize((size_t)l.w * l.h * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, l.rgba.data());
        chain.push_back(std::move(l));
        if (chain.back().w == 1 && chain.back().h == 1) return chain;   // (no level beyond the largest's)
    }
}

// The chain GLU's gluBuild2DMipmaps makes of a w x h picture.
static std::vector<TexLevel> glu_chain(int w, int h, const std::vector<uint8_t> &px) {
    GLuint tex;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    EXPECT_EQ(0, gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data()));
    std::vector<TexLevel> chain = read_chain();
    glDeleteTextures(1, &tex);
    return chain;
}

static std::vector<uint8_t> random_rgba(int w, int h, uint32_t &seed) {
    std::vector<uint8_t> px((size_t)w * h * 4);
    for (uint8_t &b : px) b = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 16);
    return px;
}

// The largest difference between two pictures' bytes, or 256 when their sizes differ.
static int worst_difference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); i++) worst = std::max(worst, abs(a[i] - b[i]));
    return worst;
}

// Level sizes equal at every level, and, unless sizes_only, the bytes too.
static void expect_same_chain(const std::vector<TexLevel> &got, const std::vector<TexLevel> &want,
                              bool sizes_only = false) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t level = 0; level < got.size(); level++) {
        ASSERT_EQ(got[level].w, want[level].w) << "level " << level;
        ASSERT_EQ(got[level].h, want[level].h) << "level " << level;
        if (!sizes_only) {
            EXPECT_TRUE(got[level].rgba == want[level].rgba) << "level " << level;
        }
    }
}

// The chain built here against GLU's: the same random pictures uploaded both ways read back equal at
// every level down to 1 x 1 (square, wide, tall, a single row, a single column). A size that is no
// power of two takes GLU's path, which rescales it. At the driver's maximum side the chain is still
// built here; a power of two beyond it goes to GLU, which halves it to fit (fault: the maximum not
// checked, or only on one side: the driver refuses the level and the texture stays empty).
TEST_F(Pixels, MipmapChainIsGlusByteForByte) {
    REQUIRE_WINDOW(win);
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    const std::vector<std::pair<int, int>> sizes = {{64, 64}, {256, 32}, {16, 128}, {1, 16}, {32, 1}, {1, 1},
                                                    {48, 20}, {3, 1}, {1, 12}, {max, 1}, {1, max}, {2 * max, 1},
                                                    {1, 2 * max}, {2 * max, 4}, {4, 2 * max}};
    uint32_t seed = 1;
    for (const auto &size : sizes) {
        const int w = size.first, h = size.second;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint8_t> px = random_rgba(w, h, seed);
        std::vector<TexLevel> want = glu_chain(w, h, px);
        GLuint tex;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        const char *why = nullptr;
        ASSERT_TRUE(gfx_mipmap_upload(w, h, px.data(), &why)) << why;
        expect_same_chain(read_chain(), want);
        glDeleteTextures(1, &tex);
    }

    // A side below 1 is refused with GLU's reason, and the texture keeps the level it had (faults:
    // 0 taken for a power of two, which halves nothing into a chain; a refusal reported as success).
    GLuint tex;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    const uint8_t texel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    const std::vector<TexLevel> before = read_chain();
    for (const auto &size : std::vector<std::pair<int, int>>{{0, 4}, {4, 0}, {0, 0}, {-4, 4}, {4, -1}, {0, 1}, {1, 0}}) {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        const char *why = nullptr;
        EXPECT_FALSE(gfx_mipmap_upload(size.first, size.second, nullptr, &why));
        EXPECT_STREQ(why, (const char *)gluErrorString(GLU_INVALID_VALUE));
        EXPECT_FALSE(gfx_mipmap_upload(size.first, size.second, nullptr, nullptr));   // no reason wanted
        expect_same_chain(read_chain(), before);
    }
    glDeleteTextures(1, &tex);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// What a platform without GLU does with the other sizes (mipmap_web.cpp: gfx_mipmap_fit, then
// gfx_mipmap_scale, then the chain) against GLU itself. The size: every side 1..300, across and
// down, and sides beyond the maximum, as gluBuild2DMipmaps gives them (faults: rounding down or up
// where GLU rounds the other way, one side halved alone). The scaled picture: within 1 of
// gluScaleImage's, whole, enlarged, shrunk and both (faults: a box of the wrong width or place, no
// wrapping at the edges when enlarging); then the chain made from it has GLU's level sizes.
// (gluBuild2DMipmaps' own bytes are no reference: it interpolates linearly where it enlarges.)
TEST_F(Pixels, MipmapFitAndScaleAreGlus) {
    REQUIRE_WINDOW(win);
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    std::vector<std::pair<int, int>> sizes;
    for (int n = 1; n <= 300; n++) sizes.insert(sizes.end(), {{n, 1}, {1, n}});
    for (const std::pair<int, int> &s : std::vector<std::pair<int, int>>{
             {max, 1}, {max + 1, 1}, {max * 3 / 2 - 1, 1}, {max * 3 / 2, 1}, {2 * max, 64}, {64, 2 * max},
             {max * 3 / 2, 3}, {4 * max, 2}})
        sizes.push_back(s);
    std::vector<uint8_t> px(4 * (size_t)max * 4 * 64);
    std::string wrong;
    for (const auto &size : sizes) {
        const int w = size.first, h = size.second;
        GLuint tex;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        ASSERT_EQ(0, gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data()));
        GLint glu_w = 0, glu_h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &glu_w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &glu_h);
        glDeleteTextures(1, &tex);
        int32_t fit_w = 0, fit_h = 0;
        EXPECT_TRUE(gfx_mipmap_fit(w, h, max, &fit_w, &fit_h));
        if (fit_w != glu_w || fit_h != glu_h)
            wrong += " " + std::to_string(w) + "x" + std::to_string(h) + ": " + std::to_string(fit_w) + "x" +
                     std::to_string(fit_h) + ", GLU " + std::to_string(glu_w) + "x" + std::to_string(glu_h);
    }
    EXPECT_EQ(wrong, "");

    uint32_t seed = 3;
    const std::vector<std::pair<int, int>> scaled = {{3, 1}, {1, 3}, {6, 5}, {12, 20}, {7, 3}, {48, 20},
                                                     {5, 300}, {300, 7}, {max * 3 / 2, 3}};
    for (const auto &size : scaled) {
        const int w = size.first, h = size.second;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint8_t> src = random_rgba(w, h, seed);
        int32_t fit_w = 0, fit_h = 0;
        ASSERT_TRUE(gfx_mipmap_fit(w, h, max, &fit_w, &fit_h));
        std::vector<uint8_t> fitted((size_t)fit_w * fit_h * 4), glu(fitted.size());
        gfx_mipmap_scale(src.data(), w, h, fitted.data(), fit_w, fit_h);
        ASSERT_EQ(0, gluScaleImage(GL_RGBA, w, h, GL_UNSIGNED_BYTE, src.data(), fit_w, fit_h, GL_UNSIGNED_BYTE, glu.data()));
        EXPECT_LE(worst_difference(fitted, glu), 1);
        const std::vector<TexLevel> want = glu_chain(w, h, src);
        GLuint tex;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        const char *why = nullptr;
        ASSERT_TRUE(gfx_mipmap_upload(fit_w, fit_h, fitted.data(), &why)) << why;
        expect_same_chain(read_chain(), want, true);
        glDeleteTextures(1, &tex);
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Magnified, neighbouring texels blend; shrunk eight times, every pixel shows the average of its
// 8 x 8 texels (the mipmap chain), not the texels nearest its centre, which are both white.
TEST_F(Pixels, ScaledImagesAreFiltered) {
    REQUIRE_WINDOW(win);
    gfx_draw_img(gfx_img_load("half"), 0, 0, 64, 64);   // texel columns 1 | 2 meet at x = 32
    EXPECT_RGB(31, 20, 68, 34, 0, 8);
    EXPECT_RGB(32, 20, 60, 30, 0, 8);
    gfx_draw_img(gfx_img_load("stripes"), 100, 100, 8, 8);
    for (int x = 100; x < 108; x += 3) EXPECT_RGB(x, 104, 64, 64, 64, 8);
}

TEST_F(Pixels, ClippedImageShowsItsTopLeft) {
    REQUIRE_WINDOW(win);
    int32_t img = gfx_img_load("ramp");
    gfx_clip_push(100, 100);
    gfx_draw_img(img, 80, 80, 0, 0);
    gfx_clip_pop();
    for (int y = 80; y < 100; y += 3)
        for (int x = 80; x < 100; x += 3) EXPECT_RGB(x, y, 4 * (x - 80), 4 * (y - 80), 128, 2);
    EXPECT_RGB(99, 99, 76, 76, 128, 2);
    EXPECT_FALSE(lit(100, 90));
    EXPECT_FALSE(lit(90, 100));
    EXPECT_FALSE(lit(79, 85));
    EXPECT_FALSE(lit(150, 150));

    // A part: the right half of the ramp stretched over 32 x 64 at (150, 0).
    gfx_draw_img_part(img, 0.5f, 0, 0.5f, 1, 150, 0, 32, 64);
    EXPECT_RGB(150, 10, 128, 40, 128, 3);
    EXPECT_RGB(181, 10, 252, 40, 128, 3);
}

TEST_F(Pixels, BoxKeepsCornersAndStretchesTheMiddle) {
    REQUIRE_WINDOW(win);
    int32_t img = gfx_img_load("thirds");
    gfx_draw_box(img, 10, 10, 120, 80, 16);
    const int xs[3] = {18, 70, 122}, ys[3] = {18, 50, 82};
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) {
            int want = kThirds[r * 3 + c];
            SCOPED_TRACE(r * 3 + c);
            EXPECT_RGB(xs[c], ys[r], want >> 16, (want >> 8) & 255, want & 255, 6);
        }
    EXPECT_FALSE(lit(9, 50));
    EXPECT_FALSE(lit(130, 50));

    // A negative border: mirrored corners and wider edges reach 4 pixels beyond every side.
    gfx_draw_box(img, 160, 10, 40, 40, -4);
    for (int xy : {157, 202}) {
        EXPECT_TRUE(lit(xy, 30)) << xy;
        EXPECT_TRUE(lit(180, xy - 150)) << xy;
    }
    EXPECT_FALSE(lit(155, 30));
    EXPECT_FALSE(lit(204, 30));
}

TEST_F(Pixels, FillRectColourAndTint) {
    REQUIRE_WINDOW(win);
    gfx_fill_rect(0xff8000, 10, 10, 20, 20);
    EXPECT_RGB(10, 10, 255, 128, 0, 0);
    EXPECT_RGB(29, 29, 255, 128, 0, 0);
    EXPECT_FALSE(lit(30, 15));
    EXPECT_FALSE(lit(15, 30));
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_EQ(c[0] + c[1] + c[2] + c[3], 4.0f);   // back to opaque white
    gfx_translate(100, 100);
    gfx_clip_push(15, 15);
    gfx_fill_rect(0x00ff00, -50, -50, 200, 200);
    gfx_clip_pop();
    gfx_translate(-100, -100);
    EXPECT_RGB(100, 100, 0, 255, 0, 0);
    EXPECT_RGB(114, 114, 0, 255, 0, 0);
    EXPECT_FALSE(lit(115, 110));
    EXPECT_FALSE(lit(99, 110));

    // The next image is textured again, tinted: the ramp's own colours at half strength.
    gfx_color(255, 255, 255, 128);
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_NEAR(c[0] * 255, 128, 0.01);
    EXPECT_NEAR(c[3] * 255, 128, 0.01);
    gfx_draw_img(gfx_img_load("ramp"), 180, 10, 0, 0);
    gfx_color(255, 255, 255, 255);
    EXPECT_RGB(184, 14, 8, 8, 64, 1);
    EXPECT_RGB(220, 50, 80, 80, 64, 1);
}

// Pixels lit inside and outside the rectangle (x, y, w, h).
static void count_lit(int x, int y, int w, int h, size_t &in, size_t &out) {
    std::vector<uint8_t> all(W * H * 4);
    glFinish();
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
    in = out = 0;
    for (int py = 0; py < H; py++)
        for (int px = 0; px < W; px++) {
            const uint8_t *p = &all[((H - 1 - py) * W + px) * 4];
            bool inside = px >= x && px < x + w && py >= y && py < y + h;
            if (p[0] + p[1] + p[2] > 0) (inside ? in : out)++;
        }
}

// An image or font whose texture file did not load draws untextured quads in the current colour
// (GL name 0); images without a texture entry, missing images and slots out of range draw nothing.
TEST_F(Pixels, MissingFilesDrawInTheCurrentColourMissingEntriesNothing) {
    REQUIRE_WINDOW(win);
    for (const char *name : {"lost", "ghost"}) {
        int32_t img = gfx_img_load(name);
        gfx_draw_img(img, 0, 0, 200, 200);
        gfx_draw_img_part(img, 0, 0, 1, 1, 0, 0, 200, 200);
        gfx_draw_box(img, 0, 0, 200, 200, 10);
    }
    gfx_draw_img(4000, 0, 0, 100, 100);
    font_draw(font_load("nosheet"), "ABC", 0, 0, 0, -1);
    size_t in = 0, out = 0;
    count_lit(0, 0, 0, 0, in, out);
    EXPECT_EQ(out, 0u);

    int32_t nofile = gfx_img_load("nofile");
    gfx_color(255, 128, 0, 255);
    gfx_draw_img(nofile, 10, 10, 30, 20);
    count_lit(10, 10, 30, 20, in, out);
    EXPECT_EQ(in, 30u * 20u);
    EXPECT_EQ(out, 0u);
    EXPECT_RGB(25, 20, 255, 128, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    gfx_draw_img_part(nofile, 0.5f, 0, 0.5f, 1, 50, 10, 10, 10);
    gfx_draw_box(nofile, 100, 10, 40, 40, 8);
    count_lit(50, 10, 10, 10, in, out);
    EXPECT_EQ(in, 100u);
    count_lit(100, 10, 40, 40, in, out);
    EXPECT_EQ(in, 1600u);
    glClear(GL_COLOR_BUFFER_BIT);
    gfx_translate(-700, 0);   // the preview square sits at x 800
    gfx_draw_tex(0, 60);
    gfx_translate(700, 0);
    count_lit(100, 60, 100, 100, in, out);
    EXPECT_EQ(in, 100u * 100u);
    EXPECT_EQ(out, 0u);

    // Glyphs: the 8 x 8 block of each, 1 right and 2 down of the pen, in the current colour.
    glClear(GL_COLOR_BUFFER_BIT);
    gfx_color(0, 255, 0, 255);
    font_draw(font_load("nofont"), "A B", 10, 20, 0, -1);
    gfx_color(255, 255, 255, 255);
    count_lit(11, 22, 28, 8, in, out);
    EXPECT_EQ(in, 2u * 64u);
    EXPECT_EQ(out, 0u);
    EXPECT_RGB(14, 25, 0, 255, 0, 0);
    EXPECT_RGB(34, 25, 0, 255, 0, 0);

    // Where GL name 0 samples as black (WebGL), as it does here once the default texture holds a
    // black texel, the quads on it still show the current colour: they are drawn untextured
    // (fault: texturing left on for name 0 draws black squares). The textured quads after them, in
    // the same batch span and outside one, show their texels again (fault: texturing left off
    // draws them white).
    struct BlackDefaultTexture {
        BlackDefaultTexture() { set(1); }
        ~BlackDefaultTexture() { set(0); }
        static void set(int size) {
            const uint8_t black[4] = {0, 0, 0, 255};
            glBindTexture(GL_TEXTURE_2D, 0);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, black);
        }
    } black_default;
    int32_t ramp = gfx_img_load("ramp");
    for (bool batched : {false, true}) {
        SCOPED_TRACE(batched ? "in a batch span" : "one by one");
        glClear(GL_COLOR_BUFFER_BIT);
        if (batched) gfx_batch_begin();
        gfx_color(255, 0, 0, 255);
        gfx_draw_img(nofile, 10, 10, 30, 30);
        gfx_draw_img(ramp, 50, 10, 64, 64);
        gfx_draw_img(nofile, 120, 10, 30, 30);
        gfx_color(255, 255, 255, 255);
        gfx_draw_img(ramp, 160, 10, 64, 64);
        if (batched) gfx_batch_end();
        count_lit(10, 10, 30, 30, in, out);
        EXPECT_EQ(in, 30u * 30u);
        EXPECT_RGB(25, 25, 255, 0, 0, 0);
        EXPECT_RGB(135, 25, 255, 0, 0, 0);
        EXPECT_RGB(55, 15, 20, 0, 0, 2);       // ramp texel (5, 5) tinted red: green and blue gone
        EXPECT_RGB(165, 15, 20, 20, 128, 2);   // the same texel in white
    }
}

TEST_F(Pixels, TextLightsWhereTheCaretSays) {
    REQUIRE_WINDOW(win);
    int32_t f = font_load("font");
    ASSERT_EQ(f, 1);
    const char *text = "AB C";
    font_draw(f, text, 10, 20, 0, -1);
    for (int pos : {0, 1, 3}) {
        GfxRect r = font_caret(f, text, pos, 0);
        int gx = 10 + (int)r.x + 1, gy = 20 + (int)r.y + 2;   // glyph picture: 1 right, 2 down
        EXPECT_TRUE(lit(gx, gy)) << pos;
        EXPECT_TRUE(lit(gx + 7, gy + 7)) << pos;
        EXPECT_FALSE(lit(gx + 8, gy + 3)) << pos;   // the gap before the next pen position
        EXPECT_FALSE(lit(gx - 1, gy + 3)) << pos;
    }
    GfxRect space = font_caret(f, text, 2, 0);
    EXPECT_FALSE(lit(10 + (int)space.x + 4, 20 + 6));

    // Wrapped: the second line starts one line height lower, at the left edge again.
    font_draw(f, "AB CD", 10, 40, 35, -1);
    GfxRect c = font_caret(f, "AB CD", 3, 35);
    EXPECT_EQ(c.y, 12);
    EXPECT_TRUE(lit(10 + 1, 40 + 12 + 2));
    EXPECT_FALSE(lit(10 + 31, 40 + 4));
}

// The first lit column of row y between x0 and x1, or -1.
static int first_lit(int y, int x0, int x1) {
    for (int x = x0; x < x1; x++)
        if (lit(x, y)) return x;
    return -1;
}

TEST_F(Pixels, AlignedLinesStartWhereTheyShould) {
    REQUIRE_WINDOW(win);
    int32_t f = font_load("font");
    ASSERT_EQ(font_width(f, "ABCDEF"), 60);
    font_draw(f, "ABCDEF", 10, 10, 100, -1);
    font_draw(f, "ABCDEF", 10, 30, 100, 0);
    font_draw(f, "ABCDEF", 10, 50, 100, 1);
    EXPECT_EQ(first_lit(15, 0, W), 10 + 1);
    EXPECT_EQ(first_lit(35, 0, W), 10 + 20 + 1);
    EXPECT_EQ(first_lit(55, 0, W), 10 + 40 + 1);
    EXPECT_FALSE(lit(10 + 40 + 60, 55));
}

TEST_F(Pixels, LongLinesAreDrawnWhole) {
    REQUIRE_WINDOW(win);
    int32_t f = font_load("font");
    std::string text(300, 'A');
    font_draw(f, text.c_str(), -2600, 100, 0, -1);   // glyph i at -2600 + 10 i: glyphs 260.. show
    EXPECT_TRUE(lit(5, 105));       // glyph 260, in the second batch
    EXPECT_TRUE(lit(55, 105));      // glyph 265
    EXPECT_EQ(first_lit(105, 0, W), 1);
    gfx_clip_push(50, 256);         // and clipped glyph by glyph
    font_draw(f, text.c_str(), -2600, 150, 0, -1);
    gfx_clip_pop();
    EXPECT_TRUE(lit(45, 155));
    EXPECT_FALSE(lit(51, 155));
    EXPECT_FALSE(lit(55, 155));
}

// In a batch span quads wait; each state change must draw them first, as they were added.
TEST_F(Pixels, BatchedQuadsKeepTheirTextureColourPlaceAndOrder) {
    REQUIRE_WINDOW(win);
    int32_t white = gfx_img_load("white"), ramp = gfx_img_load("ramp");
    gfx_batch_begin();
    gfx_draw_img(white, 10, 10, 20, 20);   // another texture over its right half
    gfx_draw_img(ramp, 20, 10, 0, 0);
    gfx_color(255, 0, 0, 255);             // the next colour does not tint the waiting quad
    gfx_draw_img(white, 100, 10, 8, 8);
    gfx_color(0, 0, 255, 255);
    gfx_draw_img(white, 110, 10, 8, 8);
    gfx_color(255, 255, 255, 255);
    gfx_draw_img(white, 130, 10, 8, 8);    // a translation does not move the waiting quad
    gfx_translate(20, 0);
    gfx_draw_img(white, 130, 30, 8, 8);
    gfx_translate(-20, 0);
    gfx_draw_img(white, 200, 10, 20, 20);  // a fill comes after it, on top
    gfx_fill_rect(0x00ff00, 205, 15, 10, 10);
    for (int i = 0; i < 1100; i++)         // more quads than one draw call takes
        gfx_draw_img(white, (float)(10 + i % 110 * 2), (float)(100 + i / 110 * 2), 1, 1);
    gfx_batch_end();
    EXPECT_RGB(14, 20, 255, 255, 255, 0);
    EXPECT_RGB(25, 15, 20, 20, 128, 2);    // ramp texel (5, 5)
    EXPECT_RGB(104, 14, 255, 0, 0, 0);
    EXPECT_RGB(114, 14, 0, 0, 255, 0);
    EXPECT_TRUE(lit(134, 14));
    EXPECT_FALSE(lit(154, 14));
    EXPECT_TRUE(lit(154, 34));
    EXPECT_FALSE(lit(134, 34));
    EXPECT_RGB(210, 20, 0, 255, 0, 0);
    EXPECT_RGB(202, 12, 255, 255, 255, 0);
    EXPECT_TRUE(lit(10, 100));             // the first quad and the last
    EXPECT_TRUE(lit(10 + 109 * 2, 100 + 9 * 2));
    EXPECT_FALSE(lit(11, 100));
}

TEST_F(Pixels, ViewAndUnprojectAgreeAtEveryQuarterTurn) {
    REQUIRE_WINDOW(win);
    gfx->view_w = 1024;
    gfx->view_h = 768;
    gfx->view_scale = 0.2f;
    for (float rot : {0.0f, 90.0f, 180.0f, 270.0f}) {
        gfx->view_rot = rot;
        gfx_view();
        glClear(GL_COLOR_BUFFER_BIT);
        gfx_fill_rect(0xffffff, 200, 100, 50, 40);   // canvas centre (225, 120)
        std::vector<uint8_t> all(W * H * 4);
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
        double sx = 0, sy = 0, n = 0;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (all[(y * W + x) * 4]) sx += x + 0.5, sy += (H - 1 - y) + 0.5, n++;
        ASSERT_GT(n, 0) << rot;
        EXPECT_NEAR(n, 50 * 40 * 0.04, 8) << rot;
        GfxPoint p = gfx_unproject((float)(sx / n), (float)(sy / n), 0, 0);
        EXPECT_NEAR(p.x, 225, 3) << rot;
        EXPECT_NEAR(p.y, 120, 3) << rot;
    }
}
