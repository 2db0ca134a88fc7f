// SPDX-License-Identifier: Zlib
// The generated data directory and the catalogue checker: the checker passes the generated
// data with the game's list of needs and the examples' data with none, names the file, the entry
// and the fault in broken copies, and takes a field exactly when the loaders read it as the
// number it holds; the generator is deterministic; the assets fit the screens that use them (font
// sizes, the instruction's two lines, picture sizes, sound lengths).
#include <gtest/gtest.h>

#include "gfx/gfx_internal.h"
#include "util/zev_json.h"
#include "util/zev_var_object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stb_image.h>
#include <sys/wait.h>
#include <vorbis/vorbisfile.h>
#include <xmp.h>

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

const std::string DATA = GLITZ_BINARY_DIR "/data";
const std::string CHECKER = GLITZ_BINARY_DIR "/glitz_check";
const std::string GENERATOR = GLITZ_BINARY_DIR "/tools/glitz_assets";
const std::string FONT_TOOL = GLITZ_BINARY_DIR "/tools/glitz_font";
const std::string GAME_NEEDS = GLITZ_SOURCE_DIR "/game/assets.needs";
// The checker as the game's check runs it.
const std::string GAME_CHECK = CHECKER + " --needs " + GAME_NEEDS;
const std::string TTF = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Output {
    int status = -1;
    std::vector<std::string> lines;
    // A whole line; '*' in the pattern stands for any text.
    bool has(const std::string& pattern) const {
        for (auto& l : lines)
            if (matches(l.c_str(), pattern.c_str())) return true;
        return false;
    }
    static bool matches(const char* l, const char* p) {
        if (*p == '*') return matches(l, p + 1) || (*l && matches(l + 1, p));
        return *p ? *l == *p && matches(l + 1, p + 1) : !*l;
    }
    std::string all() const {
        std::string s;
        for (auto& l : lines) s += l + "\n";
        return s;
    }
};

// Whether this system can start other programs and read their output (the web build's tests under
// node cannot): the checker and the generator are programs of the build machine.
bool can_run_programs() {
    FILE *p = popen("exit 0", "r");
    return p && pclose(p) == 0;
}
#define NEEDS_PROGRAMS() \
    if (!can_run_programs()) GTEST_SKIP() << "no command processor to start the build's tools"

Output run(const std::string& cmd) {
    Output r;
    FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    char buf[1024];
    while (fgets(buf, sizeof buf, p)) {
        std::string l = buf;
        if (!l.empty() && l.back() == '\n') l.pop_back();
        r.lines.push_back(l);
    }
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string first_line(const Output& o) { return o.lines.empty() ? "" : o.lines[0]; }

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void spit(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

json catalogue(const std::string& dir = DATA) { return json::parse(slurp(dir + "/data.json")); }

// A private copy of the generated data, removed again at the end of the test.
struct Copy {
    std::string dir;
    Copy() {
        char tmpl[] = "/tmp/glitz_assets_XXXXXX";
        dir = mkdtemp(tmpl);
        for (auto& e : fs::directory_iterator(DATA)) fs::copy(e.path(), dir + "/" + e.path().filename().string());
    }
    ~Copy() { fs::remove_all(dir); }
    void edit(const std::function<void(json&)>& f) {
        json j = catalogue(dir);
        f(j);
        spit(dir + "/data.json", j.dump(1));
    }
};

} // namespace

TEST(Assets, GeneratedDataPassesTheChecker) {
    NEEDS_PROGRAMS();
    ASSERT_TRUE(fs::exists(DATA + "/data.json")) << "the build writes " << DATA;
    for (const std::string& check : {GAME_CHECK, CHECKER}) {   // the game's list, and no needs
        Output r = run(check + " " + DATA);
        EXPECT_EQ(r.status, 0) << check << "\n" << r.all();
        EXPECT_TRUE(r.lines.empty()) << check << "\n" << r.all();
    }
}

// The examples' data as examples/CMakeLists.txt makes it (example_data of examples/data.cmake, with
// the names it passes there) holds none of the game's other names and checks clean with no needs.
TEST(Assets, ExamplesDataChecksCleanWithoutNeeds) {
    NEEDS_PROGRAMS();
    std::string lists = slurp(GLITZ_SOURCE_DIR "/examples/CMakeLists.txt");
    const std::string call = "example_data(${EXAMPLE_ASSETS} ${CMAKE_CURRENT_BINARY_DIR}/data";
    size_t at = lists.find(call);
    ASSERT_NE(at, std::string::npos) << "examples/CMakeLists.txt no longer calls " << call;
    at += call.size();
    std::string names = lists.substr(at, lists.find(')', at) - at);   // may run over lines
    for (char& c : names)
        if (c == '\n') c = ' ';
    char tmpl[] = "/tmp/glitz_example_XXXXXX";
    std::string dir = mkdtemp(tmpl);
    spit(dir + "/make.cmake", "include(" GLITZ_SOURCE_DIR "/examples/data.cmake)\nexample_data(" + DATA + " " + dir +
                                  "/data " + names + ")\n");
    ASSERT_EQ(run("cmake -P " + dir + "/make.cmake").status, 0);
    EXPECT_FALSE(catalogue(dir + "/data").contains("blank")) << "the examples' data holds only what they use";
    Output r = run(CHECKER + " " + dir + "/data");
    EXPECT_EQ(r.status, 0) << r.all();
    EXPECT_TRUE(r.lines.empty()) << r.all();
    // The game's list finds the game's names missing there, each named with its kind and list line.
    r = run(GAME_CHECK + " " + dir + "/data");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.has(dir + "/data/data.json: image \"blank\": missing, expected an entry the program looks up as "
                                "image (" + GAME_NEEDS + ":*)")) << r.all();
    fs::remove_all(dir);
}

// glitz_font's sheet and entries in place of the generator's font1 pass the checker (256 glyphs,
// rectangles inside the sheet, the texture's size that of its file) and draw the game's texts.
TEST(Assets, FontToolWritesEntriesTheCheckerAccepts) {
    NEEDS_PROGRAMS();
    Copy c;
    const std::string out = c.dir + "/printed.txt";
    ASSERT_EQ(run(FONT_TOOL + " " + TTF + " 30 font1 " + c.dir + " >" + out).status, 0);
    json printed = json::parse("{" + slurp(out) + "}", nullptr, false);
    fs::remove(out);
    ASSERT_FALSE(printed.is_discarded()) << "two members of a JSON object";
    ASSERT_EQ(printed.size(), 2u);
    c.edit([&](json& j) {
        for (auto& [k, v] : printed.items()) j[k] = v;
        j["font.png"] = printed["font1.png"];   // the test screen's name for the same sheet
    });
    Output check = run(GAME_CHECK + " " + c.dir);
    EXPECT_EQ(check.status, 0) << check.all();
    EXPECT_TRUE(check.lines.empty()) << check.all();
    for (int b = 32; b < 127; b++) EXPECT_GT(printed["font1"]["shapes"][b]["w"].get<double>(), 0) << "glyph " << b;

    // Bad input writes nothing: a name that would leave the folder, a size out of range, a file
    // that is no font.
    for (const std::string &args : {TTF + " 30 ../font1 " + c.dir, TTF + " 5000 big " + c.dir, TTF + " 30", "/etc/hostname 30 x " + c.dir}) {
        Output bad = run(FONT_TOOL + " " + args);
        EXPECT_NE(bad.status, 0) << args;
        EXPECT_TRUE(bad.lines.empty()) << args;
    }
    EXPECT_FALSE(fs::exists(c.dir + "/../font1.png"));
    EXPECT_FALSE(fs::exists(c.dir + "/x.png"));

    // Options before and after the names, the last one ending the line (its value is the last
    // word); a missing, unreadable or too large value is bad usage (20 px: at most 5).
    EXPECT_EQ(run(FONT_TOOL + " --shadow 0 " + TTF + " 20 opt " + c.dir + " --outline 5 >/dev/null").status, 0);
    EXPECT_TRUE(fs::exists(c.dir + "/opt.png"));
    for (const char *opt : {" --outline", " --outline 6", " --shadow x", " --shadow -1"})
        EXPECT_EQ(run(FONT_TOOL + " " + TTF + " 20 bad " + c.dir + opt).status, 2) << opt;
    EXPECT_FALSE(fs::exists(c.dir + "/bad.png"));
}

// Each fault in a copy of the game's data gives its line: the catalogue (or list) file, the
// entry, what was found and what was expected. "D" stands for the copy's folder, '*' for any text.
TEST(Assets, CheckerNamesTheFaultInBrokenCopies) {
    NEEDS_PROGRAMS();
    struct Case {
        const char* what;
        std::function<void(Copy&)> breakit;
        const char* line;
        const char* options = "";   // beside the game's list
        size_t lines = 0;           // how many lines in all, where that is sure (0: not counted)
    } cases[] = {
        {"entry removed", [](Copy& c) { c.edit([](json& j) { j.erase("ball"); }); },
         "D/data.json: image \"ball\": missing, expected an entry the program looks up as image (NEEDS:*)"},
        {"needed as another kind", [](Copy&) {}, "D/data.json: image \"ball\": is an image entry, expected a font (--need ball:font)",
         " --need ball:font"},
        {"bad line in a list", [](Copy& c) { spit(c.dir + "/more.needs", "# more\n\nsplat sample\n  ball imag  # typo\n"); },
         "D/more.needs:4: \"ball imag\": unknown kind \"imag\", expected texture, image, font, sample or stream",
         " --needs D/more.needs"},
        {"list line of one word", [](Copy& c) { spit(c.dir + "/more.needs", "ball\n"); },
         "D/more.needs:1: \"ball\" has 1 word, expected NAME KIND", " --needs D/more.needs"},
        {"list missing", [](Copy&) {}, "D/none.needs: cannot read the list of needs (No such file or directory), expected lines of NAME KIND",
         " --needs D/none.needs"},
        {"file name empty", [](Copy& c) { c.edit([](json& j) { j["splat"]["fname"] = ""; }); },
         "D/data.json: sample \"splat\": \"fname\" is empty, expected a file name in *", "", 1},
        {"field removed", [](Copy& c) { c.edit([](json& j) { j["splat"].erase("fname"); }); },
         "D/data.json: sample \"splat\": \"fname\" is missing, expected a string"},
        {"number as a word", [](Copy& c) { c.edit([](json& j) { j["font2"]["height"] = "big"; }); },
         "D/data.json: font \"font2\": \"height\" is the text \"big\", expected a number"},
        {"number as a list", [](Copy& c) { c.edit([](json& j) { j["img2"]["rect"]["w"] = json::array({96}); }); },
         "D/data.json: image \"img2\": \"rect\": \"w\" is a list, expected a number"},
        {"file removed", [](Copy& c) { fs::remove(c.dir + "/death.ogg"); },
         "D/data.json: sample \"death\": D/death.ogg does not exist, expected the file \"fname\" names"},
        {"font's sheet removed", [](Copy& c) { fs::remove(c.dir + "/font2.png"); },
         "D/data.json: font \"font2\": texture \"font2.png\" (D/font2.png) has a problem (its own line says what), expected a sound texture",
         "", 2},   // and the texture's own line, once
        {"font's sheet named by no text", [](Copy& c) { c.edit([](json& j) { j["font2.png"]["fname"] = json::array({1}); }); },
         "D/data.json: font \"font2\": texture \"font2.png\" (no file) has a problem (its own line says what), expected a sound texture"},
        {"font's sheet named by an empty text", [](Copy& c) { c.edit([](json& j) { j["font2.png"]["fname"] = ""; }); },
         "D/data.json: font \"font2\": texture \"font2.png\" (no file) has a problem (its own line says what), expected a sound texture"},
        {"font's sheet removed, its texture", [](Copy& c) { fs::remove(c.dir + "/font2.png"); },
         "D/data.json: texture \"font2.png\": D/font2.png does not exist, expected the file \"fname\" names"},
        {"picture cut short", [](Copy& c) { spit(c.dir + "/ball.png", slurp(c.dir + "/ball.png").substr(0, 100)); },
         "D/data.json: texture \"ball.png\": D/ball.png does not decode (*), expected a PNG, JPEG, BMP, TGA, GIF, PSD, HDR or PNM picture"},
        {"module garbage", [](Copy& c) { spit(c.dir + "/music.xm", std::string(5000, 'x')); },
         "D/data.json: stream \"music\": D/music.xm does not decode (*), expected a WAV, Ogg Vorbis or tracker module file"},
        {"wave without data", [](Copy& c) { spit(c.dir + "/splat.wav", slurp(c.dir + "/splat.wav").substr(0, 40)); },
         "D/data.json: sample \"splat\": D/splat.wav does not decode (*), expected a WAV, Ogg Vorbis or tracker module file"},
        {"ogg garbage", [](Copy& c) { spit(c.dir + "/death.ogg", "OggS" + std::string(300, '\1')); },
         "D/data.json: sample \"death\": D/death.ogg does not decode (not a readable Ogg Vorbis stream), expected *"},
        {"image outside its texture", [](Copy& c) { c.edit([](json& j) { j["img2"]["rect"]["x"] = 200; }); },
         "D/data.json: image \"img2\": rect 200,0,96,88 goes past texture \"atlas1\" (D/atlas1.png is 256x256)"},
        {"image of negative size", [](Copy& c) { c.edit([](json& j) { j["img2"]["rect"]["h"] = "-1"; }); },
         "D/data.json: image \"img2\": rect *,0,96,-1 has a negative size, expected a width and height of 0 or more"},
        {"texture rect not the file's size", [](Copy& c) { c.edit([](json& j) { j["atlas1"]["rect"]["w"] = 512; }); },
         "D/data.json: texture \"atlas1\": \"rect\" 0,0,512,256 differs from D/atlas1.png (256x256), expected 0,0,256,256"},
        {"font short of glyphs", [](Copy& c) { c.edit([](json& j) { j["font1"]["rects"].erase(255); }); },
         "D/data.json: font \"font1\": \"rects\" has 255 glyphs, expected 256"},
        {"glyph shape missing a number", [](Copy& c) { c.edit([](json& j) { j["font0"]["shapes"][65].erase("w"); }); },
         "D/data.json: font \"font0\": glyph 65 of \"shapes\": \"w\" is missing, expected a number"},
        {"glyph outside the sheet", [](Copy& c) { c.edit([](json& j) { j["font0"]["rects"][65]["y"] = 5000; }); },
         "D/data.json: font \"font0\": glyph 65 of \"rects\" *,5000,* goes past texture \"font0.png\" (D/font0.png is *)"},
        {"font rect not its texture's size", [](Copy& c) { c.edit([](json& j) { j["font2"]["rect"]["h"] = 7; }); },
         "D/data.json: font \"font2\": \"rect\" 1024x7 differs from texture \"font2.png\" (D/font2.png is *), expected the sheet's size"},
        {"texture name unknown", [](Copy& c) { c.edit([](json& j) { j["player"]["texture"] = "nope.png"; }); },
         "D/data.json: image \"player\": texture \"nope.png\" is not in the catalogue, expected the name of a texture entry"},
        {"image naming a sound", [](Copy& c) { c.edit([](json& j) { j["img1"]["texture"] = "splat"; }); },
         "D/data.json: image \"img1\": \"texture\" names \"splat\", which is a sound, expected a texture entry (\"fname\" and \"rect\")"},
        {"frame without size", [](Copy& c) { c.edit([](json& j) { j["blank"]["shape"]["w"] = 0; }); },
         "D/data.json: image \"blank\": \"shape\" 0,0,0,* has no area, expected the frame's width and height above 0"},
        {"frame without height", [](Copy& c) { c.edit([](json& j) { j["blank"]["shape"]["h"] = 0; }); },
         "D/data.json: image \"blank\": \"shape\" *,0 has no area, expected the frame's width and height above 0", "", 1},
        {"texture not a name", [](Copy& c) { c.edit([](json& j) { j["player"]["texture"] = json::array({1}); }); },
         "D/data.json: image \"player\": \"texture\" is a list, expected a string", "", 1},
        {"font's texture not a name", [](Copy& c) { c.edit([](json& j) { j["font2"]["texture"] = json::array({1}); }); },
         "D/data.json: font \"font2\": \"texture\" is a list, expected a string", "", 1},
        {"font without shapes", [](Copy& c) { c.edit([](json& j) { j["font1"].erase("shapes"); }); },
         "D/data.json: font \"font1\": \"shapes\" is missing, expected a list of 256 rectangles", "", 1},
        {"entry not an object", [](Copy& c) { c.edit([](json& j) { j["img3"] = 5; }); },
         "D/data.json: image \"img3\": is 5, expected an object"},
        {"entry of no kind", [](Copy& c) { c.edit([](json& j) { j["extra"] = json::object({{"size", 1}}); }); },
         "D/data.json: entry \"extra\": has none of \"fname\", \"texture\", \"rects\", expected the fields of a texture, image, font, sample or stream"},
        {"text cut short", [](Copy& c) { spit(c.dir + "/data.json", "{\"ball\": {\"texture\": "); },
         "D/data.json:1: byte 21 (column 22): the text ends inside the catalogue, expected the rest of the JSON object; the entries before it are checked"},
        {"syntax error", [](Copy& c) { spit(c.dir + "/data.json", "{\n\"ball\": {\"texture\": x}}"); },
         "D/data.json:2: byte 22 (column 21): syntax error, expected JSON; the entries before it are checked"},
        {"// comment", [](Copy& c) { spit(c.dir + "/data.json", "{ /* fine */\n  \"ball\": 1, // not fine\n}"); },
         "D/data.json:2: byte *: a // comment, expected JSON: only /* */ comments are allowed; the entries before it are checked"},
        {"no catalogue", [](Copy& c) { fs::remove(c.dir + "/data.json"); },
         "D/data.json: cannot read the catalogue (No such file or directory), expected a JSON object of named entries"},
        {"catalogue not an object", [](Copy& c) { spit(c.dir + "/data.json", "[1, 2]"); },
         "D/data.json: the document is a list, expected an object of named entries"},
    };
    auto in = [](const std::string& dir, std::string t) {
        for (size_t at = 0; (at = t.find("D/", at)) != std::string::npos; at += dir.size()) t.replace(at, 1, dir);
        for (size_t at = 0; (at = t.find("NEEDS", at)) != std::string::npos; at += GAME_NEEDS.size())
            t.replace(at, 5, GAME_NEEDS);
        return t;
    };
    for (auto& k : cases) {
        Copy c;
        k.breakit(c);
        Output r = run(GAME_CHECK + in(c.dir, k.options) + " " + c.dir);
        EXPECT_EQ(r.status, 1) << k.what;
        EXPECT_TRUE(r.has(in(c.dir, k.line))) << k.what << ": expected the line\n" << in(c.dir, k.line) << "\ngot\n" << r.all();
        if (k.lines) {
            EXPECT_EQ(r.lines.size(), k.lines) << k.what << ": one fault, told once\n" << r.all();
        }
        // Every line names a file in the copy (the catalogue, or a list beside it).
        for (auto& l : r.lines) EXPECT_EQ(l.compare(0, c.dir.size() + 1, c.dir + "/"), 0) << k.what << ": " << l;
    }
    // A syntax error leaves the entries after it missing, and each one the game needs is reported.
    Copy c;
    spit(c.dir + "/data.json", "{\"ball\": {\"texture\": ");
    Output r = run(GAME_CHECK + " " + c.dir);
    EXPECT_TRUE(r.has(c.dir + "/data.json: stream \"music\": missing, expected an entry the program looks up as stream (" +
                      GAME_NEEDS + ":*)")) << r.all();
}

// The options: --help, and wrong usage (exit 2, nothing on stdout, nothing checked).
TEST(Assets, CheckerOptions) {
    NEEDS_PROGRAMS();
    Output help = run(CHECKER + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.has("usage: glitz_check [--need NAME:KIND]... [--needs LISTFILE]... [DATA_DIR]")) << help.all();
    EXPECT_TRUE(help.has("KIND is texture, image, font, sample or stream.")) << help.all();
    for (const char* bad : {" --need", " --needs", " --need ball", " --need :image", " --need ball:picture",
                            " --frob", " a b"}) {
        Output r = run(CHECKER + " " + DATA + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(r.lines.empty()) << bad << "\n" << r.all();
    }
    // A short option is an option too, not a data folder named "-x".
    Output dash = run(CHECKER + " -x");
    EXPECT_EQ(dash.status, 2) << dash.all();
    EXPECT_TRUE(dash.lines.empty()) << dash.all();
    // A name may be needed as a sample and as a stream (one form), and as the kind it is.
    Output r = run(CHECKER + " --need music:sample --need music:stream --need font.png:texture " + DATA);
    EXPECT_EQ(r.status, 0) << r.all();
}

// A number field read by the loaders (read_rect for a rectangle, num() for a font's height) and by
// the checker, for each form a value may take: the checker passes a value exactly when the
// loaders' reader says it reads as the number it holds, and then says what it says of that number
// written plainly; else it names the field and the number it expected.
TEST(Assets, CheckerReadsFieldsAsTheLoadersDo) {
    NEEDS_PROGRAMS();
    struct Value {
        const char* json;   // the field's value, or "" for a field left out
        bool exact;         // the loaders read it as the number it holds
        double number;      // that number
    } values[] = {
        {"40", true, 40},      {"\"40\"", true, 40},    {"\" 40 \"", true, 40},   {"\"4e1\"", true, 40},
        {"-3", true, -3},      {"\"-3\"", true, -3},    {"0.5", true, 0.5},       {"\"40px\"", false, 0},
        {"\"big\"", false, 0}, {"\"\"", false, 0},      {"[40]", false, 0},       {"{\"v\": 40}", false, 0},
        {"null", false, 0},    {"\"inf\"", false, 0},   {"\"nan\"", false, 0},    {"", false, 0},
    };
    char tmpl[] = "/tmp/glitz_fields_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    fs::copy(DATA + "/atlas1.png", dir + "/atlas1.png");
    // A texture, an image on it and a font on it; `field` is "w" of the image's rect or the font's
    // "height", `value` its text.
    auto write = [&](const std::string& field, const std::string& value) {
        std::string glyphs = "[";
        for (int b = 0; b < 256; b++) glyphs += std::string(b ? "," : "") + "{\"x\": 0, \"y\": 0, \"w\": 8, \"h\": 8}";
        glyphs += "]";
        auto member = [&](const char* key, const char* plain) {
            if (field != key) return std::string("\"") + key + "\": " + plain + ", ";
            return value.empty() ? std::string() : std::string("\"") + key + "\": " + value + ", ";
        };
        spit(dir + "/data.json",
             "{\"atlas1\": {\"fname\": \"atlas1.png\", \"rect\": {\"x\": 0, \"y\": 0, \"w\": 256, \"h\": 256}},\n"
             " \"pic\": {\"texture\": \"atlas1\", \"rect\": {" + member("w", "40") + "\"x\": 0, \"y\": 0, \"h\": 40},"
             " \"shape\": {\"x\": 0, \"y\": 0, \"w\": 40, \"h\": 40}},\n"
             " \"type\": {" + member("height", "20") + "\"texture\": \"atlas1\", \"rect\": {\"x\": 0, \"y\": 0, \"w\": 256, \"h\": 256},"
             " \"rects\": " + glyphs + ", \"shapes\": " + glyphs + "}}\n");
    };
    for (const char* field : {"w", "height"}) {
        const bool rect = std::string(field) == "w";
        for (const Value& v : values) {
            // The loaders' side: the value in the object the loader reads it from.
            var holder;
            std::string doc = std::string("{") + (*v.json ? std::string("\"") + field + "\": " + v.json + ", " : "") +
                              (rect ? "\"x\": 0, \"y\": 0, \"h\": 40}" : "\"texture\": \"atlas1\"}");
            ASSERT_EQ(json_parse(holder, doc.data(), (int)doc.size()), 0) << doc;
            bool exact;
            double number;
            if (rect) {
                GfxRect r;
                exact = read_rect_exact(holder, &r, nullptr);
                number = r.w;
                float loaded = read_rect(holder).w;
                EXPECT_TRUE(r.w == loaded || (std::isnan(r.w) && std::isnan(loaded)))
                    << v.json << ": read_rect_exact reads " << r.w << ", read_rect " << loaded;
            } else {
                exact = var_num_exact(holder[field], &number);
                double loaded = holder[field].num();
                EXPECT_TRUE(number == loaded || (std::isnan(number) && std::isnan(loaded))) << v.json;
            }
            EXPECT_EQ(exact, v.exact) << field << " " << v.json;
            if (exact) {
                EXPECT_EQ(number, v.number) << field << " " << v.json;
            }

            // The checker's side.
            write(field, v.json);
            Output r = run(CHECKER + " --need pic:image --need type:font " + dir);
            std::string fault = dir + "/data.json: " + (rect ? "image \"pic\": \"rect\": \"w\" is " : "font \"type\": \"height\" is ");
            bool named = r.has(fault + "*, expected a number");
            EXPECT_EQ(!named, exact) << field << " " << v.json << "\n" << r.all();
            if (exact) {   // as the number written plainly
                write(field, var_number_text(number));
                Output plain = run(CHECKER + " --need pic:image --need type:font " + dir);
                EXPECT_EQ(r.lines, plain.lines) << field << " " << v.json;
                EXPECT_EQ(r.status, plain.status) << field << " " << v.json;
            }
        }
    }
    fs::remove_all(dir);
}

TEST(Assets, GeneratorIsDeterministic) {
    NEEDS_PROGRAMS();
    char tmpl[] = "/tmp/glitz_gen_XXXXXX";
    std::string dir = mkdtemp(tmpl);
    Output r = run(GENERATOR + " " + dir + "/data");
    ASSERT_EQ(r.status, 0);
    int files = 0;
    for (auto& e : fs::directory_iterator(DATA)) {
        std::string name = e.path().filename().string();
        EXPECT_EQ(slurp(e.path().string()), slurp(dir + "/data/" + name)) << name << " differs between runs";
        files++;
    }
    EXPECT_GE(files, 11);

    // And byte for byte the files of tests/expected/assets.sha256, made with the libraries named in
    // its second line (other versions may draw or encode differently: then only the above holds).
    // Catches a changed picture no property test looks at: a glyph mirrored or a pixel off, no
    // outline, a shifted baseline.
    const std::string sums = GLITZ_EXPECTED "/assets.sha256";
    std::ifstream in(sums);
    std::string header, versions;
    std::getline(in, header);
    std::getline(in, versions);
    std::string now = "# ";
    for (const char *pkg : {"fonts-dejavu-core", "libfreetype6", "libstb0", "libvorbisenc2", "libvorbis0a", "libogg0",
                            "libpng16-16", "zlib1g"})
        now += std::string(pkg) + "=" + first_line(run(std::string("dpkg-query -W -f '${Version}' ") + pkg)) + " ";
    if (versions == now) {
        Output check = run("cd " + dir + "/data && grep -v '^#' " + sums + " | sha256sum -c --quiet");
        EXPECT_EQ(check.status, 0) << check.all();
        EXPECT_EQ(first_line(run("grep -vc '^#' " + sums)), std::to_string(files)) << "a file of every name";
    } else {
        std::printf("assets.sha256 not checked: made with\n%s\nthis machine has\n%s\n", versions.c_str(), now.c_str());
    }
    fs::remove_all(dir);
}

// Breaks a text into lines the way the game does (at spaces once the width passes `width`).
static std::vector<std::string> wrap(const std::string& t, const json& shapes, double width) {
    std::vector<std::string> lines;
    size_t start = 0, brk = 0;
    double w = 0;
    for (size_t i = 0; i <= t.size(); i++) {
        int c = i < t.size() ? (unsigned char)t[i] : 0;
        double adv = shapes[c]["w"].get<double>();
        if (c != 0 && w + adv <= width) {
            if (c == ' ' && i) brk = i;
            w += adv;
            continue;
        }
        if (c != 0 && brk) i = brk, c = ' ';
        lines.push_back(t.substr(start, i - start));
        if (c == 0) break;
        w = 0, brk = 0;
        if (c == ' ') start = i + 1;
        else start = i--;
    }
    return lines;
}

TEST(Assets, FontsFitTheScreens) {
    json j = catalogue();
    double h0 = j["font0"]["height"], h1 = j["font1"]["height"], h2 = j["font2"]["height"];
    EXPECT_GE(h2, 90);
    EXPECT_LE(h2, 120);
    EXPECT_GT(h1, h0);
    EXPECT_LT(h1, h2);
    const std::string instruction =
        "TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!";
    ASSERT_EQ(instruction.size(), 87u);
    std::vector<std::string> lines = wrap(instruction, j["font0"]["shapes"], 768);
    ASSERT_EQ(lines.size(), 2u) << lines[0];
    EXPECT_GT(lines[1].size(), 20u) << "the lines should be balanced: " << lines[0] << " / " << lines[1];
    // The title and the banner fit the screen width; every printable glyph moves the pen.
    for (const char* t : {"GLITZ FALL!!", "GLITZ FAIL!!"}) EXPECT_EQ(wrap(t, j["font2"]["shapes"], 1024).size(), 1u);
    for (const char* f : {"font0", "font1", "font2"})
        for (int b = 32; b < 127; b++) EXPECT_GT(j[f]["shapes"][b]["w"].get<double>(), 0) << f << " glyph " << b;
}

TEST(Assets, PicturesHaveTheirSizesAndTransparency) {
    json j = catalogue();
    auto load = [](const std::string& f, int& w, int& h) {
        int n;
        return stbi_load((DATA + "/" + f).c_str(), &w, &h, &n, 4);
    };
    int w, h;
    // The ball: at least 512 across, round, transparent corners, opaque middle.
    EXPECT_GE(j["ball"]["rect"]["w"].get<int>(), 512);
    unsigned char* ball = load(j["ball.png"]["fname"], w, h);
    ASSERT_TRUE(ball);
    EXPECT_EQ(ball[3], 0);
    EXPECT_EQ(ball[((h / 2) * w + w / 2) * 4 + 3], 255);
    int partial = 0; // an anti-aliased rim
    for (int i = 0; i < w * h; i++) partial += ball[i * 4 + 3] > 0 && ball[i * 4 + 3] < 255;
    EXPECT_GT(partial, 500);
    stbi_image_free(ball);
    // The figure: a 170 x 170 frame with a see-through background; "blank" shows nothing.
    EXPECT_EQ(j["player"]["shape"]["w"], 170);
    EXPECT_EQ(j["player"]["shape"]["h"], 170);
    unsigned char* sheet = load(j["player.png"]["fname"], w, h);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet[3], 0);
    int opaque = 0;
    for (int y = 0; y < 170; y++)
        for (int x = 0; x < 170; x++) opaque += sheet[(y * w + x) * 4 + 3] == 255;
    EXPECT_GT(opaque, 170 * 170 / 5);
    auto r = j["blank"]["rect"];
    for (int y = r["y"]; y < r["y"].get<int>() + r["h"].get<int>(); y++)
        for (int x = r["x"]; x < r["x"].get<int>() + r["w"].get<int>(); x++) ASSERT_EQ(sheet[(y * w + x) * 4 + 3], 0);
    stbi_image_free(sheet);
}

TEST(Assets, SoundsDecodeAndMusicIsALongCleanLoop) {
    json j = catalogue();
    // "death": a short Ogg Vorbis sting.
    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen((DATA + "/" + j["death"]["fname"].get<std::string>()).c_str(), &vf), 0);
    double secs = ov_time_total(&vf, -1);
    ov_clear(&vf);
    EXPECT_GT(secs, 0.5);
    EXPECT_LT(secs, 3.0);
    // "splat": 16-bit PCM WAV, under a second.
    std::string wav = slurp(DATA + "/" + j["splat"]["fname"].get<std::string>());
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_LT(wav.size(), 44100u * 2);
    // "music": renders for at least 30 s before it loops, never silent, never clipping.
    xmp_context c = xmp_create_context();
    ASSERT_EQ(xmp_load_module(c, (char*)(DATA + "/" + j["music"]["fname"].get<std::string>()).c_str()), 0);
    ASSERT_EQ(xmp_start_player(c, 44100, 0), 0);
    xmp_frame_info fi;
    long n = 0, clipped = 0, quiet_seconds = 0;
    double sum = 0, second = 0;
    long in_second = 0;
    while (xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &fi);
        if (fi.loop_count > 0) break;
        const short* b = (const short*)fi.buffer;
        for (int i = 0; i < fi.buffer_size / 2; i++, n++) {
            clipped += b[i] >= 32767 || b[i] <= -32768;
            sum += (double)b[i] * b[i];
            second += (double)b[i] * b[i];
            if (++in_second == 88200) {
                quiet_seconds += std::sqrt(second / in_second) < 500;
                second = 0, in_second = 0;
            }
        }
    }
    xmp_end_player(c);
    xmp_release_module(c);
    xmp_free_context(c);
    EXPECT_GE(n / 2 / 44100.0, 30.0);
    EXPECT_EQ(clipped, 0);
    EXPECT_EQ(quiet_seconds, 0);
    EXPECT_GT(std::sqrt(sum / n), 1500);
}
