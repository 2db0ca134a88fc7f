// SPDX-License-Identifier: Zlib
// gfx.cpp - the graphics context: OpenGL state, texture and image tables filled by catalogue name.
#include "gfx/gfx_internal.h"

#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <string>
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <stb_image.h>   // implementation comes from libstb
#include "gfx/mipmap.h"
#include "gfx/worker.h"
#include "util/file_open.h"
#include "util/log.h"

Gfx *gfx = nullptr;

static const AssetKind kTexKind = {"trying load tex %s\n", "unable to find tex %s\n",
                                   "doing load tex %s (%d)\n", "texture table full (%d), not loading tex %s\n"};
static const AssetKind kImgKind = {nullptr, "unable to find img %s\n", nullptr,
                                   "image table full (%d), not loading img %s\n"};

static long s_tex_load_total_ms = 0;   // all texture loads of the run, across video resets

void gfx_batch_reset();   // draw.cpp
static bool gl_context_ready();

void gfx_init(const var &catalogue, const char *data_dir) {
    if (gfx) gfx_destroy();
    gfx_batch_reset();
    gfx = new Gfx();   // value-initialised: every number and record zero
    gfx->gl = gl_context_ready();
    if (gfx->gl) {   // without a window (tests, tools) there is no GL state to set
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    gfx->img_cache.create(catalogue, data_dir);
    gfx->tex_cache.create(catalogue, data_dir);
    gfx->img_next = 1;
    gfx->tex_next = 1;
    gfx->view_w = gfx->view_h = 256.0f;
    gfx->view_rot = 0.0f;
    gfx->view_scale = 1.0f;
    // The window the context is made for: its size is known from here on, without a caller
    // having to pass it (gfx_set_window follows later changes).
    if (SDL_Surface *s = SDL_GetVideoSurface()) gfx_set_window(s->w, s->h);
}

void gfx_set_window(int32_t w, int32_t h) {
    if (!gfx) return;
    gfx->win_w = w;
    gfx->win_h = h;
}

bool gfx_set_view(float w, float h) {
    if (!gfx) return false;
    gfx->view_w = w;
    gfx->view_h = h;
    if (float scale = gfx_fit_scale(gfx->win_w, gfx->win_h, w, h, gfx->view_rot); scale > 0) gfx->view_scale = scale;
    return true;
}

void gfx_destroy() {
    gfx_tex_decode_ahead_drop();
    if (!gfx) return;
    gfx_batch_reset();
    // GL texture names are not deleted: the window and its context are re-created right after.
    gfx->tex_cache.destroy();
    gfx->img_cache.destroy();
    delete gfx;
    gfx = nullptr;
}

GfxRect read_rect(var &v) {
    // Element access whatever the kind: a dict gives its fields (a missing one reads as 0), a list
    // its first element for every field, and any other kind a TypeError line per field and 0.
    GfxRect r;
    r.x = (float)v["x"].num();
    r.y = (float)v["y"].num();
    r.w = (float)v["w"].num();
    r.h = (float)v["h"].num();
    return r;
}

bool read_rect_exact(const var &v, GfxRect *out, std::string *why) {
    *out = GfxRect();
    if (v.type() != VAR_DICT) {
        if (why) *why = "is " + var_described(v) + ", expected an object with the numbers \"x\", \"y\", \"w\", \"h\"";
        return false;
    }
    for (const char *key : {"x", "y", "w", "h"}) {
        if (!v.has(key)) {
            if (why) *why = std::string("\"") + key + "\" is missing, expected a number";
            return false;
        }
    }
    var copy = v;
    *out = read_rect(copy);
    for (const char *key : {"x", "y", "w", "h"}) {
        if (!var_num_exact(v[key], nullptr)) {
            if (why) *why = std::string("\"") + key + "\" is " + var_described(v[key]) + ", expected a number";
            return false;
        }
    }
    return true;
}

int32_t gfx_tex_load(const char *name) {
    if (!gfx || !name) return 0;
    return gfx->tex_cache.lookup(name, kTexKind, gfx->tex_next, [](var &entry) {
        int32_t slot = gfx->tex_next;
        uint32_t start = SDL_GetTicks();
        GfxTexture &t = gfx->texs[slot];
        t.id = slot;
        t.gl = driver_tex_load(gfx->tex_cache.dir.c_str(), entry["fname"].str().c_str());
        t.rect = read_rect(entry["rect"]);
        gfx->tex_next++;
        long ms = (long)(SDL_GetTicks() - start);
        s_tex_load_total_ms += ms;
        glitz_info("gfx_tex_load: %ld ms, total %ld ms\n", ms, s_tex_load_total_ms);
        return slot;
    }, GFX_MAX_TEXTURES);
}

int32_t gfx_img_load(const char *name) {
    if (!gfx || !name) return 0;
    return gfx->img_cache.lookup(name, kImgKind, gfx->img_next, [](var &entry) {
        int32_t slot = gfx->img_next;
        // Read the entry before loading the texture: the texture load may add keys to the catalogue.
        std::string tex_name = entry["texture"].str();
        GfxRect rect = read_rect(entry["rect"]);
        GfxRect shape = read_rect(entry["shape"]);
        GfxImage &img = gfx->imgs[slot];
        img.id = slot;
        img.tex = gfx_tex_load(tex_name.c_str());
        img.rect = rect;
        img.shape = shape;
        gfx->img_next++;
        return slot;
    }, GFX_MAX_IMAGES);
}

void gfx_premultiply(uint8_t *rgba, size_t pixels) {
    for (size_t i = 0; i < pixels; i++, rgba += 4) {
        unsigned a = rgba[3];
        rgba[0] = (uint8_t)(rgba[0] * a / 255);
        rgba[1] = (uint8_t)(rgba[1] * a / 255);
        rgba[2] = (uint8_t)(rgba[2] * a / 255);
    }
}

// ---- decoding -------------------------------------------------------------------------------

// A picture decoded to premultiplied RGBA, or why not ("can't fopen" or stb_image's reason).
struct Decoded {
    uint8_t *pixels = nullptr;   // stbi_image_free'd by whoever takes it
    int w = 0, h = 0;
    const char *failure = nullptr;
};

// Reads and decodes one file. Touches nothing shared, so it runs on any thread: stb_image keeps no
// state between calls and its failure reason is per thread.
static Decoded decode_file(const std::string &path) {
    Decoded d;
    FILE *f = file_open_read(path.c_str());   // a FIFO, directory or device is refused unopened
    if (!f) {
        d.failure = "can't fopen";
        return d;
    }
    int n = 0;
    d.pixels = stbi_load_from_file(f, &d.w, &d.h, &n, 4);
    fclose(f);
    if (!d.pixels) {
        d.failure = stbi_failure_reason();
        if (!d.failure) d.failure = "unknown";
        return d;
    }
    gfx_premultiply(d.pixels, (size_t)d.w * (size_t)d.h);
    return d;
}

// Pictures being decoded ahead, by path. Main thread only; the workers see only their own path.
static std::map<std::string, std::future<Decoded>> s_ahead;

static std::string data_path(const char *dir, const char *file) {
    char path[1024];
    snprintf(path, sizeof path, "%s/%s", dir ? dir : "", file ? file : "");
    return path;
}

void gfx_tex_decode_ahead(var &catalogue, const char *data_dir, const char *name) {
    // has() before every element access: reading a missing key would add it to the catalogue.
    if (!name || catalogue.type() != VAR_DICT || !catalogue.has(name)) return;
    var entry = catalogue[name];
    if (entry.type() == VAR_DICT && !entry.has("fname") && entry.has("texture")) {
        std::string tex = entry["texture"].str();
        if (!catalogue.has(tex.c_str())) return;
        entry = catalogue[tex.c_str()];
    }
    if (entry.type() != VAR_DICT || !entry.has("fname")) return;
    std::string path = data_path(data_dir, entry["fname"].str().c_str());
    if (s_ahead.count(path)) return;
    s_ahead[path] = std::async(gfx_worker_launch(), decode_file, path);
}

// The decoded picture of `path`: taken from the decoding ahead when there is one, else decoded now.
static Decoded decode_taken(const std::string &path) {
    auto it = s_ahead.find(path);
    if (it == s_ahead.end()) return decode_file(path);
    Decoded d = it->second.get();
    s_ahead.erase(it);
    return d;
}

void gfx_tex_decode_ahead_drop() {
    for (auto &ahead : s_ahead)   // waits for each worker; work that never started stays undone
        if (ahead.second.wait_for(std::chrono::seconds(0)) != std::future_status::deferred)
            stbi_image_free(ahead.second.get().pixels);
    s_ahead.clear();
}

// True when an OpenGL window is open; uploads without a context would go nowhere (or worse).
static bool gl_context_ready() {
    SDL_Surface *s = SDL_GetVideoSurface();
    return s && (s->flags & SDL_OPENGL);
}

uint32_t driver_tex_load(const char *dir, const char *file) {
    std::string path = data_path(dir, file);
    glitz_info("driver_tex_load %s\n", path.c_str());
    Decoded d = decode_taken(path);
    if (!d.pixels) {
        fprintf(stderr, "stbi_load failed %s - %s\n", path.c_str(), d.failure);
        return 0;
    }
    if (!gl_context_ready()) {   // unit tests and tools without a window: decoded, not uploaded
        fprintf(stderr, "driver_tex_load: no OpenGL context for %s\n", path.c_str());
        stbi_image_free(d.pixels);
        return 0;
    }
    GLuint name = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    const char *why = "unknown";
    bool uploaded = gfx_mipmap_upload(d.w, d.h, d.pixels, &why);
    stbi_image_free(d.pixels);   // the driver holds its own copy of every level now
    if (!uploaded) {   // no picture in it: hand out no name rather than an incomplete texture
        fprintf(stderr, "mipmap upload failed %s - %s\n", path.c_str(), why);
        glDeleteTextures(1, &name);
        return 0;
    }
    glitz_info("loaded %s as %d\n", path.c_str(), (int)name);
    return name;
}
