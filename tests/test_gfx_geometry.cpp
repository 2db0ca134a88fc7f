// SPDX-License-Identifier: Zlib
// Geometry of the drawing layer, without a window: clipping, image quads, box parts, unproject, and
// the size and scaling of pictures the mipmap chain takes as they are not (GLU's, for the browser).
#include <gtest/gtest.h>
#include <climits>
#include <cmath>
#include <vector>
#include "gfx/gfx_internal.h"
#include "gfx/mipmap.h"

static void expect_rect(const GfxRect &r, float x, float y, float w, float h) {
    EXPECT_NEAR(r.x, x, 1e-4f);
    EXPECT_NEAR(r.y, y, 1e-4f);
    EXPECT_NEAR(r.w, w, 1e-4f);
    EXPECT_NEAR(r.h, h, 1e-4f);
}

// A bare context (no catalogue, no OpenGL calls) for the clip stack and origin.
struct BareGfx : ::testing::Test {
    void SetUp() override { gfx = new Gfx(); }
    void TearDown() override { delete gfx; gfx = nullptr; }
};

TEST(GfxClip, EachEdgeCutsTheTextureInProportion) {
    const GfxRect c = {0, 0, 20, 40};
    GfxRect a = {-10, 0, 40, 40}, t = {0, 0, 1, 1};   // left: a quarter goes
    ASSERT_TRUE(gfx_clip_rect(c, a, &t));
    expect_rect(a, 0, 0, 20, 40);
    expect_rect(t, 0.25f, 0, 0.5f, 1);   // then the right cut takes a third of what is left
    a = {0, -20, 20, 80}, t = {0, 0, 1, 1};         // top a quarter, bottom the rest past 40
    ASSERT_TRUE(gfx_clip_rect(c, a, &t));
    expect_rect(a, 0, 0, 20, 40);
    expect_rect(t, 0, 0.25f, 1, 0.5f);
    a = {-10, -20, 40, 80}, t = {0.5f, 0.5f, 0.5f, 0.5f};   // all four, offset texture rectangle
    ASSERT_TRUE(gfx_clip_rect(c, a, &t));
    expect_rect(a, 0, 0, 20, 40);
    expect_rect(t, 0.625f, 0.625f, 0.25f, 0.25f);
    a = {5, 5, 10, 10};                              // inside: untouched, no texture needed
    ASSERT_TRUE(gfx_clip_rect(c, a, nullptr));
    expect_rect(a, 5, 5, 10, 10);
}

TEST(GfxClip, NothingLeftIsRefused) {
    const GfxRect c = {0, 0, 100, 100};
    GfxRect t = {0, 0, 1, 1};
    GfxRect left = {-30, 10, 20, 20}, right = {120, 10, 20, 20}, above = {10, -50, 20, 20},
            below = {10, 150, 20, 20}, flat = {10, 10, 0, 20}, touching = {100, 10, 20, 20};
    for (GfxRect *a : {&left, &right, &above, &below, &flat, &touching})
        EXPECT_FALSE(gfx_clip_rect(c, *a, &t));
    GfxRect empty_clip = {50, 50, 0, 0}, a = {0, 0, 100, 100};
    EXPECT_FALSE(gfx_clip_rect(empty_clip, a, nullptr));
}

TEST_F(BareGfx, ClipStackNestsInOriginCoordinates) {
    GfxRect a = {-5, -5, 500, 500};
    EXPECT_TRUE(gfx_clip(a, nullptr));   // depth 0: everything passes unchanged
    expect_rect(a, -5, -5, 500, 500);

    gfx_clip_push(100, 100);
    gfx_translate(80, 60);
    gfx_clip_push(50, 50);
    expect_rect(gfx->clips[2], 80, 60, 20, 40);   // the inner one is cut to its parent
    a = {0, 0, 50, 50};                           // in current (translated) units, x and y each by its own
    ASSERT_TRUE(gfx_clip(a, nullptr));
    expect_rect(a, 0, 0, 20, 40);

    gfx_translate(30, 0);   // a child entirely outside its parent clips everything away
    gfx_clip_push(10, 10);
    a = {0, 0, 10, 10};
    EXPECT_FALSE(gfx_clip(a, nullptr));
    gfx_clip_pop();
    gfx_translate(-30, 0);
    gfx_clip_pop();
    gfx_translate(-80, -60);
    a = {90, 90, 20, 20};
    ASSERT_TRUE(gfx_clip(a, nullptr));
    expect_rect(a, 90, 90, 10, 10);
    gfx_clip_pop();
    EXPECT_EQ(gfx->clip_depth, 0);
    EXPECT_EQ(gfx->origin[0], 0);
    EXPECT_EQ(gfx->origin[1], 0);
}

TEST_F(BareGfx, DepthBeyondEightClipsEverythingUntilPopped) {
    for (int i = 0; i < GFX_MAX_CLIPS; i++) gfx_clip_push(100 - i, 100);
    GfxRect a = {0, 0, 200, 200};
    ASSERT_TRUE(gfx_clip(a, nullptr));
    expect_rect(a, 0, 0, 93, 100);
    gfx_clip_push(50, 50);   // 9th and 10th: stored nowhere
    gfx_clip_push(50, 50);
    EXPECT_EQ(gfx->clip_depth, 10);
    a = {0, 0, 10, 10};
    EXPECT_FALSE(gfx_clip(a, nullptr));
    gfx_clip_pop();
    a = {0, 0, 10, 10};
    EXPECT_FALSE(gfx_clip(a, nullptr));
    gfx_clip_pop();
    a = {0, 0, 200, 200};
    ASSERT_TRUE(gfx_clip(a, nullptr));   // back at depth 8: rectangle 8 again
    expect_rect(a, 0, 0, 93, 100);
    for (int i = 0; i < 20; i++) gfx_clip_pop();   // pops at depth 0 do nothing
    EXPECT_EQ(gfx->clip_depth, 0);
}

TEST(GfxImageQuad, FrameStretchedOverTheRectangle) {
    GfxImage trimmed = {1, 1, {0, 0, 80, 40}, {10, 5, 100, 50}};
    expect_rect(gfx_img_quad(trimmed, 0, 0, 200, 100), 20, 10, 160, 80);
    expect_rect(gfx_img_quad(trimmed, 7, 3, 100, 50), 17, 8, 80, 40);   // frame size: 1:1
    GfxImage plain = {2, 1, {64, 0, 64, 64}, {0, 0, 64, 64}};
    expect_rect(gfx_img_quad(plain, 80, 80, 64, 64), 80, 80, 64, 64);
    GfxImage frameless = {3, 1, {0, 0, 10, 10}, {0, 0, 0, 0}};   // catalogue without "shape"
    GfxRect q = gfx_img_quad(frameless, 5, 5, 20, 20);
    EXPECT_EQ(q.w, 0);
    EXPECT_FALSE(std::isnan(q.x));

    const GfxRect tex = {0, 0, 256, 128};
    expect_rect(gfx_img_tex_rect(plain, tex, 0, 0, 1, 1), 0.25f, 0, 0.25f, 0.5f);
    expect_rect(gfx_img_tex_rect(plain, tex, 0.5f, 0.25f, 0.5f, 0.5f), 0.375f, 0.125f, 0.125f, 0.25f);
    expect_rect(gfx_img_tex_rect(plain, GfxRect{0, 0, 0, 0}, 0, 0, 1, 1), 0, 0, 0, 0);
}

TEST(GfxBox, NineThirdsWithCornersUpToTheBorder) {
    GfxBoxPart p[9];
    gfx_box_parts(10, 20, 100, 60, 12, p);
    const float third = 1.0f / 3.0f;
    expect_rect(p[0].quad, 10, 20, 12, 12);
    expect_rect(p[1].quad, 22, 20, 76, 12);
    expect_rect(p[2].quad, 98, 20, 12, 12);
    expect_rect(p[3].quad, 10, 32, 12, 36);
    expect_rect(p[4].quad, 22, 32, 76, 36);
    expect_rect(p[5].quad, 98, 32, 12, 36);
    expect_rect(p[6].quad, 10, 68, 12, 12);
    expect_rect(p[7].quad, 22, 68, 76, 12);
    expect_rect(p[8].quad, 98, 68, 12, 12);
    for (int i = 0; i < 9; i++) {
        EXPECT_FLOAT_EQ(p[i].fx, (i % 3) * third) << i;
        EXPECT_FLOAT_EQ(p[i].fy, (i / 3) * third) << i;
    }
    gfx_box_parts(0, 0, 10, 40, 8, p);   // narrow: corners half the width, no top edge
    expect_rect(p[0].quad, 0, 0, 5, 8);
    EXPECT_EQ(p[1].quad.w, 0);
    expect_rect(p[2].quad, 5, 0, 5, 8);
    gfx_box_parts(0, 0, 40, 10, 8, p);   // flat: corners half the height, no left edge
    expect_rect(p[0].quad, 0, 0, 8, 5);
    EXPECT_EQ(p[3].quad.h, 0);
    expect_rect(p[8].quad, 32, 5, 8, 5);
    gfx_box_parts(0, 0, 30, 30, -5, p);   // a negative border: corners of negative size, not clamped
    expect_rect(p[0].quad, 0, 0, -5, -5);
    expect_rect(p[1].quad, -5, 0, 40, -5);
    expect_rect(p[4].quad, -5, -5, 40, 40);
    expect_rect(p[8].quad, 35, 35, -5, -5);
    gfx_box_parts(INT32_MAX, INT32_MIN, INT32_MAX, 10, INT32_MIN, p);   // sums beyond 32 bits
    EXPECT_FLOAT_EQ(p[2].quad.x, 2.0f * (float)INT32_MAX - (float)INT32_MIN);
    EXPECT_FLOAT_EQ(p[1].quad.w, (float)INT32_MAX - 2.0f * INT32_MIN);
    EXPECT_EQ(p[7].quad.y, 10);   // y + h - ch, with ch = INT32_MIN
}

TEST(GfxPremultiply, ColoursScaledByAlpha) {
    uint8_t px[] = {255, 128, 0, 128, 200, 100, 50, 0, 10, 20, 30, 255, 255, 255, 255, 1};
    gfx_premultiply(px, 4);
    const uint8_t want[] = {128, 64, 0, 128, 0, 0, 0, 0, 10, 20, 30, 255, 1, 1, 1, 1};
    for (int i = 0; i < 16; i++) EXPECT_EQ(px[i], want[i]) << i;
}

// The sizes chosen on the way to a mipmap chain (the pixel tests hold them against GLU for every side
// 1..300 at the real maximum); here small maxima, where both sides halve together.
TEST(GfxMipmapFit, NearestPowersHalvedTogetherUntilTheyFit) {
    struct Case { int32_t w, h, max, fit_w, fit_h; };
    const Case cases[] = {
        {7, 1, 8, 8, 1},       // up to the nearest power, which fits exactly (fault: >= max)
        {7, 1, 4, 4, 1},       // 8 is too wide: halved, the height stays 1
        {12, 3, 4, 4, 1},      // 16 x 4 -> 8 x 2 -> 4 x 1: both halve while one is too big (fault: &&)
        {3, 12, 4, 1, 4},      // the same the other way round
        {3, 300, 1024, 4, 256},
        {1, 1, 1, 1, 1},
        {INT32_MAX, 1, 16384, 16384, 1},   // the nearest power is 2^31 (fault: doubling in 32 bits)
    };
    for (const Case &c : cases) {
        int32_t w = -1, h = -1;
        EXPECT_TRUE(gfx_mipmap_fit(c.w, c.h, c.max, &w, &h)) << c.w << "x" << c.h;
        EXPECT_EQ(w, c.fit_w) << c.w << "x" << c.h << " max " << c.max;
        EXPECT_EQ(h, c.fit_h) << c.w << "x" << c.h << " max " << c.max;
    }
    // A side or maximum below 1 is refused and the answer left alone (fault: 0 taken as a power).
    const int32_t refused[][3] = {{0, 4, 16}, {4, 0, 16}, {-4, 4, 16}, {4, -1, 16}, {4, 4, 0}, {INT32_MIN, 4, 16}};
    for (const auto &r : refused) {
        int32_t w = -1, h = -1;
        EXPECT_FALSE(gfx_mipmap_fit(r[0], r[1], r[2], &w, &h)) << r[0] << "x" << r[1] << " max " << r[2];
        EXPECT_EQ(w, -1);
        EXPECT_EQ(h, -1);
    }
}

static std::vector<uint8_t> random_rgba(int32_t w, int32_t h, uint32_t &seed) {
    std::vector<uint8_t> px((size_t)w * h * 4);
    for (uint8_t &b : px) b = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 16);
    return px;
}

// The scaling, whole pictures each (the pixel tests hold it within 1 of gluScaleImage).
TEST(GfxMipmapScale, AreaWeightedBoxesWrappingWhenEnlarged) {
    // Enlarged 3 -> 4: each new pixel covers 3/4 of a source pixel, averaged over a box one source
    // pixel wide round its centre: 7/8 p0 + 1/8 p2 (wrapped round from the far edge), 3/8 p0 + 5/8 p1,
    // 5/8 p1 + 3/8 p2, 7/8 p2 + 1/8 p0, rounded to nearest (faults: no wrap, a box as wide as the
    // new pixel, truncation).
    const uint8_t row[12] = {0, 100, 200, 255, 30, 60, 90, 120, 255, 0, 255, 0};
    const std::vector<uint8_t> want = {32, 88, 207, 223, 19, 75, 131, 171, 114, 38, 152, 75, 223, 13, 248, 32};
    std::vector<uint8_t> got(16);
    gfx_mipmap_scale(row, 3, 1, got.data(), 4, 1);
    EXPECT_EQ(got, want);
    gfx_mipmap_scale(row, 1, 3, got.data(), 1, 4);   // a column the same
    EXPECT_EQ(got, want);

    // For every pair of sizes 1..9 -> 1..16, a picture of one colour keeps it exactly (faults: a
    // source pixel left out of a box or counted twice, weights not adding up to the whole).
    const uint8_t colour[4] = {201, 7, 255, 128};
    for (int32_t n = 1; n <= 9; n++)
        for (int32_t m = 1; m <= 16; m++) {
            std::vector<uint8_t> src((size_t)n * 3 * 4), dst((size_t)m * 5 * 4);
            for (size_t i = 0; i < src.size(); i++) src[i] = colour[i % 4];
            gfx_mipmap_scale(src.data(), n, 3, dst.data(), m, 5);
            bool same = true;
            for (size_t i = 0; i < dst.size(); i++) same = same && dst[i] == colour[i % 4];
            EXPECT_TRUE(same) << n << "x3 -> " << m << "x5";
        }

    // The same size is a copy, and halving both sides is the chain's own halving, byte for byte
    // (faults: a box off centre by a pixel, rounding other than (a + b + c + d + 2) / 4).
    uint32_t seed = 7;
    for (const auto &size : {std::pair<int32_t, int32_t>{5, 3}, {2, 2}, {8, 4}, {4, 16}, {32, 32}}) {
        const int32_t w = size.first, h = size.second;
        std::vector<uint8_t> src = random_rgba(w, h, seed), copy(src.size());
        gfx_mipmap_scale(src.data(), w, h, copy.data(), w, h);
        EXPECT_EQ(copy, src) << w << "x" << h;
        if (w % 2 || h % 2) continue;
        std::vector<uint8_t> half((size_t)w / 2 * (h / 2) * 4);
        gfx_mipmap_scale(src.data(), w, h, half.data(), w / 2, h / 2);
        gfx_mipmap_halve(src.data(), w, h);
        src.resize(half.size());
        EXPECT_EQ(half, src) << w << "x" << h;
    }
}

// Where the view puts a canvas point: window centre + S x (p - canvas centre) rotated by R.
static void project(float W, float H, float VW, float VH, float R, float S, float x, float y, float &px, float &py) {
    float a = R * (float)M_PI / 180, ux = (x - VW / 2) * S, uy = (y - VH / 2) * S;
    px = W / 2 + cosf(a) * ux - sinf(a) * uy;
    py = H / 2 + sinf(a) * ux + cosf(a) * uy;
}

TEST(GfxUnproject, InverseOfTheViewAtEveryQuarterTurn) {
    const float pts[][2] = {{0, 0}, {1024, 768}, {100, 700}, {512, 384}, {1000, 3}};
    for (float rot : {0.0f, 90.0f, 180.0f, 270.0f})
        for (float scale : {1.0f, 0.625f, 0.75f})
            for (auto &p : pts) {
                float W = rot == 90 || rot == 270 ? 768 : 1024, H = rot == 90 || rot == 270 ? 1024 : 768;
                float px, py, qx, qy;
                project(W, H, 1024, 768, rot, scale, p[0], p[1], px, py);
                project(W, H, 1024, 768, rot, scale, p[0] + 8, p[1] - 4, qx, qy);
                GfxPoint c = gfx_unproject_view(W, H, 1024, 768, rot, scale, px, py, qx - px, qy - py);
                EXPECT_NEAR(c.x, p[0], 1e-2) << rot << " " << scale;
                EXPECT_NEAR(c.y, p[1], 1e-2) << rot << " " << scale;
                EXPECT_NEAR(c.dx, 8, 1e-2) << rot;
                EXPECT_NEAR(c.dy, -4, 1e-2) << rot;
            }
    // A quarter turn puts the canvas's top-left corner at the portrait window's top-right.
    GfxPoint c = gfx_unproject_view(768, 1024, 1024, 768, 90, 1, 768, 0, 0, 0);
    EXPECT_NEAR(c.x, 0, 1e-3);
    EXPECT_NEAR(c.y, 0, 1e-3);
}

TEST_F(BareGfx, UnprojectAtTheSmallWindowScale) {
    gfx_set_window(640, 480);
    gfx->view_w = 1024;
    gfx->view_h = 768;
    gfx->view_scale = 0.625f;
    GfxPoint c = gfx_unproject(320, 240, 10, -5);
    EXPECT_NEAR(c.x, 512, 1e-3);
    EXPECT_NEAR(c.y, 384, 1e-3);
    EXPECT_NEAR(c.dx, 16, 1e-3);
    EXPECT_NEAR(c.dy, -8, 1e-3);
    c = gfx_unproject(640, 480, 0, 0);
    EXPECT_NEAR(c.x, 1024, 1e-3);
    EXPECT_NEAR(c.y, 768, 1e-3);
    gfx->view_scale = 0;   // never fitted: no division by zero
    c = gfx_unproject(320, 240, 0, 0);
    EXPECT_TRUE(std::isfinite(c.x));
}

// The fit: the smaller quotient, the window's sides swapped for a quarter turn only, and 0 (the
// caller keeps its scale) when any one side is empty or negative, never for a side of 1.
TEST(GfxFitScale, SmallerQuotientOrZeroForAnEmptySide) {
    const struct { int32_t ww, wh; float vw, vh, rot, scale; } cases[] = {
        {1024, 768, 1024, 768, 0, 1},      {640, 480, 1024, 768, 0, 0.625f}, {1280, 768, 1024, 768, 0, 1},
        {1024, 768, 1024, 768, 180, 1},    {1024, 768, 1024, 768, 90, 0.75f}, {1024, 768, 1024, 768, 270, 0.75f},
        {768, 1024, 1024, 768, -90, 1},    {1024, 768, 1024, 768, 360, 1},   {1024, 768, 1024.7f, 768.7f, 0.5f, 1},
        {1, 1, 1, 1, 0, 1},                {1, 768, 1024, 768, 0, 1.0f / 1024}, {1024, 1, 1024, 768, 0, 1.0f / 768},
        {1024, 768, 1, 768, 0, 1},         {1024, 768, 1024, 1, 0, 1},
        {0, 768, 1024, 768, 0, 0},         {1024, 0, 1024, 768, 0, 0},        {1024, 768, 0.9f, 768, 0, 0},
        {1024, 768, 1024, 0, 0, 0},        {-1024, 768, 1024, 768, 0, 0},     {1024, -768, 1024, 768, 0, 0},
        {1024, 768, -1024, 768, 0, 0},     {1024, 768, 1024, -768, 0, 0}};
    for (const auto &c : cases)
        EXPECT_FLOAT_EQ(gfx_fit_scale(c.ww, c.wh, c.vw, c.vh, c.rot), c.scale)
            << c.ww << " x " << c.wh << ", view " << c.vw << " x " << c.vh << " at " << c.rot;
}

// A program's own canvas is fitted into the window as it is set, letterboxed, not stretched
// (faults: the scale kept from the last video reset; the larger quotient; sizes not truncated).
TEST_F(BareGfx, SetViewFitsTheCanvasIntoTheWindow) {
    gfx->view_scale = 1;
    EXPECT_TRUE(gfx_set_view(512, 384));   // no window known yet: the scale stays
    EXPECT_EQ(gfx->view_scale, 1.0f);
    gfx_set_window(1024, 768);
    const struct { float w, h, scale; } cases[] = {
        {512, 384, 2}, {800, 600, 1.28f}, {1280, 768, 0.8f}, {1024, 1536, 0.5f}, {1024.9f, 768.9f, 1}};
    for (const auto &c : cases) {
        EXPECT_TRUE(gfx_set_view(c.w, c.h));
        EXPECT_FLOAT_EQ(gfx->view_scale, c.scale) << c.w << " x " << c.h;
    }
    gfx_set_view(512, 384);   // the window's centre and corner are the canvas's
    GfxPoint c = gfx_unproject(512, 384, 0, 0);
    EXPECT_NEAR(c.x, 256, 1e-3);
    EXPECT_NEAR(c.y, 192, 1e-3);
    c = gfx_unproject(1024, 768, 0, 0);
    EXPECT_NEAR(c.x, 512, 1e-3);
    EXPECT_NEAR(c.y, 384, 1e-3);
    gfx->view_rot = 90;   // a quarter turn lays the canvas across the window
    gfx_set_view(768, 1024);
    EXPECT_FLOAT_EQ(gfx->view_scale, 1.0f);
    gfx_set_view(1024, 768);
    EXPECT_FLOAT_EQ(gfx->view_scale, 0.75f);
    gfx_set_view(0, 768);   // no size: the scale stays
    EXPECT_FLOAT_EQ(gfx->view_scale, 0.75f);
}

TEST(GfxNoContext, EveryCallIsHarmless) {
    ASSERT_EQ(gfx, nullptr);
    gfx_view();
    gfx_draw_img(1, 0, 0, 10, 10);
    gfx_draw_img_part(1, 0, 0, 1, 1, 0, 0, 10, 10);
    gfx_draw_box(1, 0, 0, 10, 10, 2);
    gfx_fill_rect(0xffffff, 0, 0, 10, 10);
    gfx_color(1, 2, 3, 4);
    gfx_draw_tex(1, 0);
    EXPECT_EQ(gfx_tex_gl(1), 0u);
    gfx_translate(5, 5);
    gfx_clip_push(10, 10);
    gfx_clip_pop();
    GfxRect a = {0, 0, 10, 10};
    EXPECT_TRUE(gfx_clip(a, nullptr));
    EXPECT_EQ(gfx_tex_load("x"), 0);
    EXPECT_EQ(gfx_img_load("x"), 0);
    GfxPoint p = gfx_unproject(3, 4, 5, 6);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.dy, 6);
}

TEST_F(BareGfx, SlotsOutOfRangeDrawNothing) {
    gfx->img_next = 2;   // slot 1 "loaded" on texture slot 1 that never got a GL name
    gfx->imgs[1] = GfxImage{1, 1, {0, 0, 8, 8}, {0, 0, 8, 8}};
    gfx->texs[1] = GfxTexture{1, 0, {0, 0, 8, 8}};
    for (int32_t slot : {-1, 0, 1, 2, (int32_t)GFX_MAX_IMAGES, INT32_MAX, INT32_MIN}) {
        gfx_draw_img(slot, 0, 0, 0, 0);
        gfx_draw_img_part(slot, 0, 0, 1, 1, 0, 0, 4, 4);
        gfx_draw_box(slot, 0, 0, 20, 20, 4);
    }
    gfx->imgs[1].tex = 9999;   // a corrupted record is still refused
    gfx_draw_img(1, 0, 0, 0, 0);
}
