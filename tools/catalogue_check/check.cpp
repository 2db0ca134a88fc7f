// SPDX-License-Identifier: Zlib
// check.cpp - the catalogue checker's rules (see check.h).
//
// Sections: the list of needs; the document; entries by kind (texture, image, font, sound);
// picture and sound decoding. Every message goes through Checker::say, which puts the
// catalogue's path and the entry's kind and name in front.
#include "tools/catalogue_check/check.h"
#include "gfx/gfx_internal.h"
#include "sound/decode.h"
#include "util/file_open.h"
#include "util/zev_json.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <stb_image.h>
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>
#include <xmp.h>

namespace {

// A font holds a picture and a shape for each byte value.
constexpr int kGlyphs = 256;
// Limits on what is read whole: the catalogue and a WAV file (and the PCM decoded from it).
constexpr size_t kCatalogueMax = 0x7fffffff;
constexpr size_t kWavFileMax = 64u << 20;
constexpr size_t kWavPcmMax = 32u << 20;

const char* const kKindNames[] = {"texture", "image", "font", "sample", "stream"};

// The kinds an entry's fields make it; a sample and a stream share the sound form.
enum Form { F_TEXTURE, F_IMAGE, F_FONT, F_SOUND, F_UNKNOWN };

Form form_of_kind(CatalogueKind k) {
    switch (k) {
    case CatalogueKind::texture: return F_TEXTURE;
    case CatalogueKind::image: return F_IMAGE;
    case CatalogueKind::font: return F_FONT;
    default: return F_SOUND;
    }
}

const char* form_name(Form f) {
    static const char* names[] = {"texture", "image", "font", "sound", "entry"};
    return names[f];
}

bool kind_parse(const std::string& word, CatalogueKind* out) {
    for (int k = 0; k < 5; k++)
        if (word == kKindNames[k]) return *out = (CatalogueKind)k, true;
    return false;
}

std::string printed(const char* fmt, va_list ap) {
    char buf[768];
    vsnprintf(buf, sizeof buf, fmt, ap);
    return buf;
}

std::string rect_text(const GfxRect& r) {
    char buf[128];
    snprintf(buf, sizeof buf, "%g,%g,%g,%g", r.x, r.y, r.w, r.h);
    return buf;
}

} // namespace

// ---- the list of needs ------------------------------------------------------------------------

const char* catalogue_kind_name(CatalogueKind kind) { return kKindNames[(int)kind]; }

static const char kKindChoice[] = "texture, image, font, sample or stream";

bool catalogue_need_parse(const std::string& arg, CatalogueNeed* out, std::string* why) {
    size_t colon = arg.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        *why = "\"" + arg + "\" is not NAME:KIND";
        return false;
    }
    out->name = arg.substr(0, colon);
    out->from = "--need " + arg;
    if (!kind_parse(arg.substr(colon + 1), &out->kind)) {
        *why = "\"" + arg + "\": unknown kind \"" + arg.substr(colon + 1) + "\", expected " + kKindChoice;
        return false;
    }
    return true;
}

bool catalogue_needs_read(const std::string& path, std::vector<CatalogueNeed>& needs,
                          std::vector<std::string>& problems) {
    FILE* f = file_open_read(path.c_str());
    if (!f) {
        problems.push_back(path + ": cannot read the list of needs (" + strerror(errno) +
                           "), expected lines of NAME KIND");
        return false;
    }
    bool good = true;
    std::string line;
    int number = 0;
    for (int c = 0; c != EOF;) {
        line.clear();
        while ((c = fgetc(f)) != EOF && c != '\n') line += (char)c;
        if (c == EOF && line.empty()) break;
        number++;
        size_t hash = line.find('#');
        std::string text = line.substr(0, hash);
        std::vector<std::string> words;
        for (size_t i = 0; i < text.size();) {
            while (i < text.size() && isspace((unsigned char)text[i])) i++;
            size_t start = i;
            while (i < text.size() && !isspace((unsigned char)text[i])) i++;
            if (i > start) words.push_back(text.substr(start, i - start));
        }
        if (words.empty()) continue;
        std::string where = path + ":" + std::to_string(number) + ": ";
        size_t first = text.find_first_not_of(" \t\r\f\v");
        std::string shown = text.substr(first, 60);   // the words as written, without the spaces around
        while (!shown.empty() && isspace((unsigned char)shown.back())) shown.pop_back();
        CatalogueNeed need;
        if (words.size() != 2) {
            problems.push_back(where + "\"" + shown + "\" has " + std::to_string(words.size()) +
                               " word" + (words.size() == 1 ? "" : "s") + ", expected NAME KIND");
            good = false;
        } else if (!kind_parse(words[1], &need.kind)) {
            problems.push_back(where + "\"" + shown + "\": unknown kind \"" + words[1] + "\", expected " + kKindChoice);
            good = false;
        } else {
            need.name = words[0];
            need.from = path + ":" + std::to_string(number);
            needs.push_back(need);
        }
    }
    fclose(f);
    return good;
}

// ---- the checker ------------------------------------------------------------------------------

namespace {

struct Checker {
    std::string dir;
    std::string catalogue;   // dir + "/data.json", the file every entry's message names
    std::vector<std::string>& out;
    var root;
    struct Picture {
        int w = -1, h = -1;
        std::string fault;   // why it does not decode; empty when it does
    };
    std::map<std::string, Picture> pictures;   // file -> decoded size
    std::map<std::string, std::string> labels; // entry -> the kind its messages call it
    bool quiet = false;                        // checking a texture for an image: no lines

    // "<catalogue>: <kind> "<name>": <text>"
    void say(const std::string& name, const char* fmt, ...) __attribute__((format(printf, 3, 4))) {
        if (quiet) return;
        va_list ap;
        va_start(ap, fmt);
        std::string text = printed(fmt, ap);
        va_end(ap);
        auto l = labels.find(name);
        out.push_back(catalogue + ": " + (l == labels.end() ? form_name(F_UNKNOWN) : l->second) + " \"" + name +
                      "\": " + text);
    }
    void say_document(const std::string& text) { out.push_back(catalogue + ": " + text); }

    static Form form_of(const var& e) {
        if (e.type() != VAR_DICT) return F_UNKNOWN;
        if (e.has("rects") || e.has("shapes") || e.has("height")) return F_FONT;
        if (e.has("texture")) return F_IMAGE;
        if (e.has("rect")) return F_TEXTURE;
        if (e.has("fname")) return F_SOUND;
        return F_UNKNOWN;
    }

    std::string path_of(const std::string& fname) const { return dir + "/" + fname; }

    // A text field, read as the loaders read it (str()).
    bool text_field(const std::string& name, const var& e, const char* key, std::string& v) {
        if (!e.has(key)) {
            say(name, "\"%s\" is missing, expected a string", key);
            return false;
        }
        if (!var_str_exact(e[key], &v)) {
            say(name, "\"%s\" is %s, expected a string", key, var_described(e[key]).c_str());
            return false;
        }
        return true;
    }

    // A number field, read as the loaders read it (num()).
    bool number_field(const std::string& name, const var& e, const char* key, double& v) {
        if (!e.has(key)) {
            say(name, "\"%s\" is missing, expected a number", key);
            return false;
        }
        if (!var_num_exact(e[key], &v)) {
            say(name, "\"%s\" is %s, expected a number", key, var_described(e[key]).c_str());
            return false;
        }
        return true;
    }

    // A rectangle field, read as the loaders read it (read_rect).
    bool rect_field(const std::string& name, const std::string& what, const var& v, GfxRect& r) {
        std::string why;
        if (read_rect_exact(v, &r, &why)) return true;
        say(name, "%s: %s", what.c_str(), why.c_str());
        return false;
    }
    bool rect_of(const std::string& name, const var& e, const char* key, GfxRect& r) {
        if (e.has(key)) return rect_field(name, std::string("\"") + key + "\"", e[key], r);
        say(name, "\"%s\" is missing, expected an object with the numbers \"x\", \"y\", \"w\", \"h\"", key);
        return false;
    }

    // The file a "fname" names: there, and a regular file.
    bool file_there(const std::string& name, const var& e, std::string& fname) {
        if (!text_field(name, e, "fname", fname)) return false;
        if (fname.empty()) {
            say(name, "\"fname\" is empty, expected a file name in %s", dir.c_str());
            return false;
        }
        struct stat st;
        if (stat(path_of(fname).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            say(name, "%s does not exist, expected the file \"fname\" names", path_of(fname).c_str());
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
        auto it = pictures.find(fname);
        if (it == pictures.end()) {
            Picture p;
            int n;
            FILE* f = file_open_read(path_of(fname).c_str());
            unsigned char* px = f ? stbi_load_from_file(f, &p.w, &p.h, &n, 4) : nullptr;
            const char* cut = px ? png_cut(path_of(fname)) : nullptr;
            if (!px || cut) p.fault = px ? cut : f ? stbi_failure_reason() : "cannot open";
            if (f) fclose(f);
            stbi_image_free(px);
            it = pictures.emplace(fname, p).first;
        }
        if (!it->second.fault.empty()) {
            say(name, "%s does not decode (%s), expected a PNG, JPEG, BMP, TGA, GIF, PSD, HDR or PNM picture",
                path_of(fname).c_str(), it->second.fault.c_str());
            return false;
        }
        w = it->second.w, h = it->second.h;
        return true;
    }

    // A texture entry: its file decodes and its "rect" is the file's size. Gives the size and the
    // file's path.
    bool texture(const std::string& name, const var& e, GfxRect& size, std::string& path) {
        std::string fname;
        bool ok_r = rect_of(name, e, "rect", size);
        if (!file_there(name, e, fname)) return false;
        path = path_of(fname);
        int w, h;
        if (!picture_size(name, fname, w, h)) return false;
        if (ok_r && (size.x != 0 || size.y != 0 || size.w != w || size.h != h)) {
            say(name, "\"rect\" %s differs from %s (%dx%d), expected 0,0,%d,%d", rect_text(size).c_str(),
                path.c_str(), w, h, w, h);
            return false;
        }
        return ok_r;
    }

    // The texture an image or a font names, with its size and file; a fault of the texture entry
    // itself is reported under its own name.
    bool texture_named(const std::string& name, const var& e, GfxRect& size, std::string& tex, std::string& path) {
        if (!text_field(name, e, "texture", tex)) return false;
        if (!root.has(tex)) {
            say(name, "texture \"%s\" is not in the catalogue, expected the name of a texture entry", tex.c_str());
            return false;
        }
        var te = root[tex];
        Form f = form_of(te);
        if (f != F_TEXTURE) {
            say(name, "\"texture\" names \"%s\", which is %s %s, expected a texture entry (\"fname\" and \"rect\")",
                tex.c_str(), f == F_UNKNOWN || f == F_IMAGE ? "an" : "a", form_name(f));
            return false;
        }
        bool was = quiet;
        quiet = true;
        bool ok = texture(tex, te, size, path);
        quiet = was;
        if (!ok) {
            std::string fname;
            bool named = te.has("fname") && var_str_exact(te["fname"], &fname) && !fname.empty();
            say(name, "texture \"%s\" (%s) has a problem (its own line says what), expected a sound texture",
                tex.c_str(), named ? path_of(fname).c_str() : "no file");
        }
        return ok;
    }

    // A rectangle of a picture inside its texture.
    void inside(const std::string& name, const std::string& what, const GfxRect& r, const std::string& tex,
                const GfxRect& size, const std::string& path) {
        if (r.w < 0 || r.h < 0)
            say(name, "%s %s has a negative size, expected a width and height of 0 or more", what.c_str(),
                rect_text(r).c_str());
        else if (r.x < 0 || r.y < 0 || r.x + r.w > size.w || r.y + r.h > size.h)
            say(name, "%s %s goes past texture \"%s\" (%s is %gx%g)", what.c_str(), rect_text(r).c_str(), tex.c_str(),
                path.c_str(), size.w, size.h);
    }

    void image(const std::string& name, const var& e) {
        GfxRect tex, r, s;
        std::string tname, path;
        bool ok_t = texture_named(name, e, tex, tname, path);
        bool ok_r = rect_of(name, e, "rect", r);
        bool ok_s = rect_of(name, e, "shape", s);
        if (ok_t && ok_r) inside(name, "rect", r, tname, tex, path);
        if (ok_s && (s.w <= 0 || s.h <= 0))
            say(name, "\"shape\" %s has no area, expected the frame's width and height above 0", rect_text(s).c_str());
    }

    void font(const std::string& name, const var& e) {
        double height;
        if (number_field(name, e, "height", height) && height <= 0)
            say(name, "\"height\" %g is not above 0, expected the line height in pixels", height);
        GfxRect tex, fr;
        std::string tname, path;
        bool ok_t = texture_named(name, e, tex, tname, path);
        if (rect_of(name, e, "rect", fr) && ok_t && (fr.w != tex.w || fr.h != tex.h))
            say(name, "\"rect\" %gx%g differs from texture \"%s\" (%s is %gx%g), expected the sheet's size", fr.w,
                fr.h, tname.c_str(), path.c_str(), tex.w, tex.h);
        for (const char* key : {"rects", "shapes"}) {
            if (!e.has(key)) {
                say(name, "\"%s\" is missing, expected a list of %d rectangles", key, kGlyphs);
                continue;
            }
            var l = e[key];
            if (l.type() != VAR_LIST) {
                say(name, "\"%s\" is %s, expected a list of %d rectangles", key, var_described(l).c_str(), kGlyphs);
                continue;
            }
            int n = l.len();
            if (n != kGlyphs) say(name, "\"%s\" has %d glyphs, expected %d", key, n, kGlyphs);
            for (int b = 0; b < n && b < kGlyphs; b++) {
                GfxRect r;
                std::string what = "glyph " + std::to_string(b) + " of \"" + key + "\"";
                if (rect_field(name, what, l[b], r) && key[0] == 'r' && ok_t) inside(name, what, r, tname, tex, path);
            }
        }
    }

    // The engine's own WAV decoder decides, so the checker accepts exactly what the game plays.
    bool wav_decodes(const std::string& path, std::string& why) {
        std::vector<uint8_t> b;
        if (!file_read_all(path.c_str(), &b, kWavFileMax)) return why = "cannot read (or larger than 64 MB)", false;
        PcmData pcm;
        if (!wav_decode(b, &pcm, kWavPcmMax))
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
        std::string fname, why;
        if (!file_there(name, e, fname)) return;
        if (!sound_decodes(path_of(fname), why))
            say(name, "%s does not decode (%s), expected a WAV, Ogg Vorbis or tracker module file",
                path_of(fname).c_str(), why.c_str());
    }

    void entry(const std::string& name, const var& e, Form form) {
        labels.emplace(name, form_name(form));   // unless a need named its kind
        if (e.type() != VAR_DICT) {
            say(name, "is %s, expected an object", var_described(e).c_str());
            return;
        }
        GfxRect size;
        std::string path;
        switch (form) {
        case F_TEXTURE: texture(name, e, size, path); break;
        case F_IMAGE: image(name, e); break;
        case F_FONT: font(name, e); break;
        case F_SOUND: sound(name, e); break;
        default:
            say(name, "has none of \"fname\", \"texture\", \"rects\", expected the fields of a texture, image, "
                      "font, sample or stream");
            break;
        }
    }

    // The syntax error json_parse_quiet reported, said with its place in the text.
    void syntax_error(const std::string& text, const std::string& message) {
        int byte = -1;
        bool cut = sscanf(message.c_str(), "JSON_parser_char: syntax error, byte %d", &byte) != 1;
        if (cut) byte = (int)text.size();
        int line = 1, column = 1;
        for (int i = 0; i < byte && i < (int)text.size(); i++, column++)
            if (text[i] == '\n') line++, column = 0;
        // The parser takes a '/' as the start of a /* */ comment and stops on the second '/' of "//".
        bool slashes = byte > 0 && byte < (int)text.size() && text[byte] == '/' && text[byte - 1] == '/';
        char where[96];   // "data/data.json:3: byte 40 (column 5): ", a place editors jump to
        snprintf(where, sizeof where, ":%d: byte %d (column %d): ", line, byte, column);
        const char* what = slashes ? "a // comment, expected JSON: only /* */ comments are allowed"
                           : cut   ? "the text ends inside the catalogue, expected the rest of the JSON object"
                                   : "syntax error, expected JSON";
        out.push_back(catalogue + where + what + "; the entries before it are checked");
    }

    void run(const std::vector<CatalogueNeed>& needs) {
        FILE* f = file_open_read(catalogue.c_str());
        if (!f) {
            say_document(std::string("cannot read the catalogue (") + strerror(errno) +
                         "), expected a JSON object of named entries");
            return;
        }
        std::string text;
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0 && text.size() <= kCatalogueMax) text.append(buf, n);
        fclose(f);
        if (text.size() > kCatalogueMax) {
            say_document("larger than 2 GB, expected a catalogue the JSON reader takes");
            return;
        }
        std::string message;
        if (json_parse_quiet(root, text.data(), (int)text.size(), message) != 0) syntax_error(text, message);
        if (root.type() != VAR_DICT) {
            say_document("the document is " + var_described(root) + ", expected an object of named entries");
            return;
        }
        // What each entry is checked as: the kind a program needs, else what its fields make it.
        std::map<std::string, Form> forms;
        for (const CatalogueNeed& need : needs) {
            Form want = form_of_kind(need.kind);
            labels[need.name] = catalogue_kind_name(need.kind);
            if (!root.has(need.name)) {
                say(need.name, "missing, expected an entry the program looks up as %s (%s)",
                    catalogue_kind_name(need.kind), need.from.c_str());
                continue;
            }
            var e = root[need.name];
            Form is = form_of(e);
            if (is != F_UNKNOWN && is != want) {
                labels[need.name] = form_name(is);
                say(need.name, "is %s %s entry, expected %s %s (%s)", is == F_IMAGE ? "an" : "a", form_name(is),
                    need.kind == CatalogueKind::image ? "an" : "a", catalogue_kind_name(need.kind), need.from.c_str());
                forms[need.name] = is;
            } else if (!forms.count(need.name)) {
                forms[need.name] = want;
            }
        }
        for (var it = root.iter(), k, v; it.next(k, v);) {
            auto w = forms.find(k.str());
            entry(k.str(), v, w == forms.end() ? form_of(v) : w->second);
        }
    }
};

} // namespace

void catalogue_check(const std::string& dir, const std::vector<CatalogueNeed>& needs,
                     std::vector<std::string>& problems) {
    Checker c{dir, dir + "/data.json", problems, var(), {}, {}, false};
    c.run(needs);
}
