// SPDX-License-Identifier: Zlib
// check.cpp - the catalogue checker's rules (see check.h).
#include "tools/catalogue_check/check.h"
#include "sound/decode.h"
#include "util/file_open.h"
#include "util/zev_json.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <stb_image.h>
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>
#include <xmp.h>

namespace {

enum Kind { K_TEXTURE, K_IMAGE, K_FONT, K_SAMPLE, K_STREAM, K_UNKNOWN };
const char* kind_name(Kind k) {
    static const char* names[] = {"a texture", "an image", "a font", "a sample", "a stream", "unknown"};
    return names[k];
}

// The entries the game and its test screen look up, with the kind each must be.
const struct {
    const char* name;
    Kind kind;
} REQUIRED[] = {
    {"player", K_IMAGE}, {"ball", K_IMAGE},   {"blank", K_IMAGE},   {"font0", K_FONT},  {"font1", K_FONT},
    {"font2", K_FONT},   {"splat", K_SAMPLE}, {"death", K_SAMPLE},  {"music", K_STREAM}, {"img1", K_IMAGE},
    {"img2", K_IMAGE},   {"img3", K_IMAGE},   {"img4", K_TEXTURE}, {"atlas1", K_TEXTURE}, {"font.png", K_TEXTURE},
};

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
};

struct Checker {
    std::string dir;
    std::vector<std::string>& out;
    var root;
    struct Picture {
        int w = -1, h = -1;
        std::string fault; // why it does not decode; empty when it does
    };
    std::map<std::string, Picture> sizes; // texture file -> decoded size

    void say(const std::string& name, const char* fmt, ...) __attribute__((format(printf, 3, 4))) {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        out.push_back(name + ": " + buf);
    }

    static Kind kind_of(const var& e) {
        if (e.type() != VAR_DICT) return K_UNKNOWN;
        if (e.has("rects") || e.has("shapes") || e.has("height")) return K_FONT;
        if (e.has("texture")) return K_IMAGE;
        if (e.has("rect")) return K_TEXTURE;
        if (e.has("fname")) {
            std::string f = e["fname"].str();
            size_t dot = f.rfind('.');
            std::string ext = dot == std::string::npos ? "" : f.substr(dot + 1);
            for (char& c : ext) c = (char)tolower((unsigned char)c);
            return (ext == "wav" || ext == "ogg") ? K_SAMPLE : K_STREAM;
        }
        return K_UNKNOWN;
    }

    // A field of an entry, or none with a "missing field" line.
    bool field(const std::string& name, const var& e, const char* key, int type, var& v) {
        if (!e.has(key)) {
            say(name, "missing field \"%s\"", key);
            return false;
        }
        v = e[key];
        if (v.type() != type) {
            static const char* what[] = {"none", "a number", "a string", "a list", "an object"};
            say(name, "field \"%s\" is not %s", key, what[type]);
            return false;
        }
        return true;
    }

    bool rect_of(const std::string& name, const std::string& what, const var& v, Rect& r) {
        const char* keys[] = {"x", "y", "w", "h"};
        double* dst[] = {&r.x, &r.y, &r.w, &r.h};
        if (v.type() != VAR_DICT) {
            say(name, "%s is not a rectangle object", what.c_str());
            return false;
        }
        for (int i = 0; i < 4; i++) {
            if (!v.has(keys[i]) || v[keys[i]].type() != VAR_NUMBER) {
                say(name, "%s has no number \"%s\"", what.c_str(), keys[i]);
                return false;
            }
            *dst[i] = v[keys[i]].num();
        }
        return true;
    }

    std::string path_of(const std::string& fname) { return dir + "/" + fname; }

    bool exists(const std::string& name, const std::string& fname) {
        struct stat st;
        if (fname.empty()) {
            say(name, "field \"fname\" is empty");
            return false;
        }
        if (stat(path_of(fname).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            say(name, "file \"%s\" does not exist", fname.c_str());
            return false;
        }
        return true;
    }

    // stb_image accepts a PNG that stops early (the missing rows come out blank), so PNG files
    // are also walked chunk by chunk up to their end chunk.
    static const char* png_cut(const std::string& path) {
        FILE* f = file_open_read(path.c_str());
        if (!f) return "cannot open";
        unsigned char sig[8], head[8];
        const char* why = nullptr;
        if (fread(sig, 1, 8, f) != 8 || memcmp(sig, "\x89PNG\r\n\x1a\n", 8)) why = nullptr; // not a PNG
        else
            for (why = "PNG cut short (no end chunk)"; fread(head, 1, 8, f) == 8;) {
                uint32_t len = (uint32_t)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
                if (!memcmp(head + 4, "IEND", 4)) {
                    why = nullptr;
                    break;
                }
                if (len > 0x7fffffff || fseek(f, (long)len + 4, SEEK_CUR) != 0) break;
            }
        fclose(f);
        return why;
    }

    // Decodes a picture once and gives its size, or reports why it does not decode.
    bool picture_size(const std::string& name, const std::string& fname, int& w, int& h) {
        auto it = sizes.find(fname);
        if (it == sizes.end()) {
            Picture p;
            int n;
            FILE* f = file_open_read(path_of(fname).c_str());
            unsigned char* px = f ? stbi_load_from_file(f, &p.w, &p.h, &n, 4) : nullptr;
            const char* cut = px ? png_cut(path_of(fname)) : nullptr;
            if (!px || cut) p.fault = px ? cut : f ? stbi_failure_reason() : "cannot open";
            if (f) fclose(f);
            stbi_image_free(px);
            it = sizes.emplace(fname, p).first;
        }
        if (!it->second.fault.empty()) {
            say(name, "file \"%s\" does not decode: %s", fname.c_str(), it->second.fault.c_str());
            return false;
        }
        w = it->second.w, h = it->second.h;
        return true;
    }

    // A texture entry: its file decodes and its "rect" is the file's size. Gives the size.
    bool texture(const std::string& name, const var& e, Rect& size) {
        var f, r;
        bool ok_f = field(name, e, "fname", VAR_STRING, f);
        bool ok_r = e.has("rect") ? rect_of(name, "\"rect\"", e["rect"], size) : (say(name, "missing field \"rect\""), false);
        if (!ok_f || !exists(name, f.str())) return false;
        int w, h;
        if (!picture_size(name, f.str(), w, h)) return false;
        if (ok_r && (size.x != 0 || size.y != 0 || size.w != w || size.h != h)) {
            say(name, "\"rect\" %g x %g at %g, %g differs from the file's size %d x %d", size.w, size.h, size.x, size.y, w, h);
            return false;
        }
        return ok_r;
    }

    // The texture an image or a font names, with its size; reported once per entry.
    bool texture_named(const std::string& name, const var& e, Rect& size, std::string& tex) {
        var t;
        if (!field(name, e, "texture", VAR_STRING, t)) return false;
        tex = t.str();
        if (!root.has(tex)) {
            say(name, "texture \"%s\" is not in the catalogue", tex.c_str());
            return false;
        }
        var te = root[tex];
        if (kind_of(te) != K_TEXTURE) {
            say(name, "\"%s\" is not a texture entry", tex.c_str());
            return false;
        }
        std::vector<std::string> quiet; // the texture reports its own problems under its name
        Checker sub{dir, quiet, root, sizes};
        bool ok = sub.texture(tex, te, size);
        sizes = sub.sizes;
        return ok;
    }

    bool inside(const Rect& r, const Rect& tex) {
        return r.w >= 0 && r.h >= 0 && r.x >= 0 && r.y >= 0 && r.x + r.w <= tex.w && r.y + r.h <= tex.h;
    }

    void image(const std::string& name, const var& e) {
        Rect tex, r, s;
        std::string tname;
        bool ok_t = texture_named(name, e, tex, tname);
        bool ok_r = e.has("rect") ? rect_of(name, "\"rect\"", e["rect"], r) : (say(name, "missing field \"rect\""), false);
        bool ok_s = e.has("shape") ? rect_of(name, "\"shape\"", e["shape"], s) : (say(name, "missing field \"shape\""), false);
        if (ok_t && ok_r && !inside(r, tex))
            say(name, "rect {%g, %g, %g, %g} lies outside texture \"%s\" (%g x %g)", r.x, r.y, r.w, r.h, tname.c_str(),
                tex.w, tex.h);
        if (ok_s && (s.w <= 0 || s.h <= 0)) say(name, "\"shape\" has no size (%g x %g)", s.w, s.h);
    }

    void font(const std::string& name, const var& e) {
        var v;
        if (field(name, e, "height", VAR_NUMBER, v) && v.num() <= 0) say(name, "\"height\" %g is not positive", v.num());
        Rect tex, fr;
        std::string tname;
        bool ok_t = texture_named(name, e, tex, tname);
        if (e.has("rect") ? rect_of(name, "\"rect\"", e["rect"], fr) : (say(name, "missing field \"rect\""), false))
            if (ok_t && (fr.w != tex.w || fr.h != tex.h))
                say(name, "\"rect\" %g x %g differs from texture \"%s\" (%g x %g)", fr.w, fr.h, tname.c_str(), tex.w, tex.h);
        for (const char* key : {"rects", "shapes"}) {
            var l;
            if (!field(name, e, key, VAR_LIST, l)) continue;
            int n = l.len();
            if (n != 256) say(name, "\"%s\" has %d glyphs, a font needs 256", key, n);
            for (int b = 0; b < n && b < 256; b++) {
                Rect r;
                std::string what = std::string("glyph ") + std::to_string(b) + " of \"" + key + "\"";
                if (!rect_of(name, what, l[b], r)) continue;
                if (key[0] == 'r' && ok_t && !inside(r, tex))
                    say(name, "%s {%g, %g, %g, %g} lies outside texture \"%s\" (%g x %g)", what.c_str(), r.x, r.y, r.w,
                        r.h, tname.c_str(), tex.w, tex.h);
            }
        }
    }

    // The engine's own WAV decoder decides, so the checker accepts exactly what the game plays.
    bool wav_decodes(const std::string& path, std::string& why) {
        std::vector<uint8_t> b;
        if (!file_read_all(path.c_str(), &b, 64u << 20)) return why = "cannot read (or larger than 64 MB)", false;
        PcmData pcm;
        if (!wav_decode(b, &pcm, 32u << 20))
            return why = "not a WAV file the engine decodes (cut short, damaged or an unknown encoding)", false;
        return true;
    }

    bool sound_decodes(const std::string& path, std::string& why) {
        unsigned char magic[4] = {0};
        FILE* f = file_open_read(path.c_str());
        if (!f) return why = "cannot open", false;
        size_t got = fread(magic, 1, 4, f);
        fclose(f);
        if (got == 4 && !memcmp(magic, "RIFF", 4)) return wav_decodes(path, why);
        if (got == 4 && !memcmp(magic, "OggS", 4)) {
            OggVorbis_File vf;
            FILE* ogg = file_open_read(path.c_str());
            if (!ogg) return why = "cannot open", false;
            if (ov_open(ogg, &vf, nullptr, 0) != 0) {   // refused: the file is still ours to close
                fclose(ogg);
                return why = "not a readable Ogg Vorbis stream", false;
            }
            char pcm[4096];
            int section;
            long n = ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section);
            ov_clear(&vf);
            if (n <= 0) return why = "Ogg Vorbis stream has no samples", false;
            return true;
        }
        int64_t size = -1;
        FILE* mod = file_open_read(path.c_str(), &size);
        if (!mod) return why = "cannot open", false;
        xmp_context c = xmp_create_context();
        int r = xmp_load_module_from_file(c, mod, (long)size);
        fclose(mod);
        if (r == 0) xmp_release_module(c);
        xmp_free_context(c);
        if (r != 0) return why = "not a WAV, Ogg Vorbis or tracker module (MOD, XM, S3M, IT)", false;
        return true;
    }

    void sound(const std::string& name, const var& e) {
        var f;
        if (!field(name, e, "fname", VAR_STRING, f) || !exists(name, f.str())) return;
        std::string why;
        if (!sound_decodes(path_of(f.str()), why)) say(name, "file \"%s\" does not decode: %s", f.str().c_str(), why.c_str());
    }

    void entry(const std::string& name, const var& e, Kind want) {
        if (e.type() != VAR_DICT) {
            say(name, "entry is not an object");
            return;
        }
        Kind k = want != K_UNKNOWN ? want : kind_of(e);
        Rect size;
        switch (k) {
        case K_TEXTURE: texture(name, e, size); break;
        case K_IMAGE: image(name, e); break;
        case K_FONT: font(name, e); break;
        case K_SAMPLE:
        case K_STREAM: sound(name, e); break;
        default: say(name, "entry of unknown kind (no \"fname\", \"texture\" or \"rects\")"); break;
        }
    }

    void run() {
        std::string path = dir + "/data.json";
        FILE* f = file_open_read(path.c_str());
        if (!f) {
            out.push_back("data.json: cannot read " + path);
            return;
        }
        std::string text;
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        fclose(f);
        if (text.size() > 0x7fffffff) {
            out.push_back("data.json: too large");
            return;
        }
        if (json_parse(root, text.data(), (int)text.size()) != 0)
            out.push_back("data.json: syntax error (the line above says where); checking what was read");
        if (root.type() != VAR_DICT) {
            out.push_back("data.json: the document is not an object of named entries");
            return;
        }
        std::map<std::string, Kind> want;
        for (auto& r : REQUIRED) {
            want[r.name] = r.kind;
            if (!root.has(r.name)) say(r.name, "missing entry (the game uses it as %s)", kind_name(r.kind));
        }
        for (var it = root.iter(), k, v; it.next(k, v);) {
            auto w = want.find(k.str());
            entry(k.str(), v, w == want.end() ? K_UNKNOWN : w->second);
        }
    }
};

} // namespace

void catalogue_check(const std::string& dir, std::vector<std::string>& problems) {
    Checker c{dir, problems, var(), {}};
    c.run();
}
