// SPDX-License-Identifier: Zlib
// The generated data directory and the catalogue checker: the checker passes the generated
// data and names the fault in broken copies; the generator is deterministic; the assets fit the
// screens that use them (font sizes, the instruction's two lines, picture sizes, sound lengths).
#include <gtest/gtest.h>

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
const std::string TTF = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Output {
    int status = -1;
    std::vector<std::string> lines;
    bool has(const std::string& start) const {
        for (auto& l : lines)
            if (l.compare(0, start.size(), start) == 0) return true;
        return false;
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
    Output r = run(CHECKER + " " + DATA);
    EXPECT_EQ(r.status, 0) << r.all();
    EXPECT_TRUE(r.lines.empty()) << r.all();
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
    Output check = run(CHECKER + " " + c.dir);
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

TEST(Assets, CheckerNamesTheFaultInBrokenCopies) {
    NEEDS_PROGRAMS();
    struct Case {
        const char* what;
        std::function<void(Copy&)> breakit;
        const char* line;
    } cases[] = {
        {"entry removed", [](Copy& c) { c.edit([](json& j) { j.erase("ball"); }); }, "ball: missing entry"},
        {"field removed", [](Copy& c) { c.edit([](json& j) { j["splat"].erase("fname"); }); },
         "splat: missing field \"fname\""},
        {"field of the wrong type", [](Copy& c) { c.edit([](json& j) { j["font2"]["height"] = "big"; }); },
         "font2: field \"height\" is not a number"},
        {"file removed", [](Copy& c) { fs::remove(c.dir + "/death.ogg"); }, "death: file \"death.ogg\" does not exist"},
        {"picture cut short", [](Copy& c) { spit(c.dir + "/ball.png", slurp(c.dir + "/ball.png").substr(0, 100)); },
         "ball.png: file \"ball.png\" does not decode"},
        {"module garbage", [](Copy& c) { spit(c.dir + "/music.xm", std::string(5000, 'x')); },
         "music: file \"music.xm\" does not decode"},
        {"wave without data", [](Copy& c) { spit(c.dir + "/splat.wav", slurp(c.dir + "/splat.wav").substr(0, 40)); },
         "splat: file \"splat.wav\" does not decode"},
        {"ogg garbage", [](Copy& c) { spit(c.dir + "/death.ogg", "OggS" + std::string(300, '\1')); },
         "death: file \"death.ogg\" does not decode"},
        {"image outside its texture", [](Copy& c) { c.edit([](json& j) { j["img2"]["rect"]["x"] = 200; }); },
         "img2: rect {200, 0, 96, 88} lies outside texture \"atlas1\" (256 x 256)"},
        {"texture rect not the file's size", [](Copy& c) { c.edit([](json& j) { j["atlas1"]["rect"]["w"] = 512; }); },
         "atlas1: \"rect\" 512 x 256 at 0, 0 differs from the file's size 256 x 256"},
        {"font short of glyphs", [](Copy& c) { c.edit([](json& j) { j["font1"]["rects"].erase(255); }); },
         "font1: \"rects\" has 255 glyphs, a font needs 256"},
        {"glyph shape missing a number", [](Copy& c) { c.edit([](json& j) { j["font0"]["shapes"][65].erase("w"); }); },
         "font0: glyph 65 of \"shapes\" has no number \"w\""},
        {"glyph outside the sheet", [](Copy& c) { c.edit([](json& j) { j["font0"]["rects"][65]["y"] = 5000; }); },
         "font0: glyph 65 of \"rects\""},
        {"font rect not its texture's size", [](Copy& c) { c.edit([](json& j) { j["font2"]["rect"]["h"] = 7; }); },
         "font2: \"rect\" 1024 x 7 differs from texture \"font2.png\""},
        {"texture name unknown", [](Copy& c) { c.edit([](json& j) { j["player"]["texture"] = "nope.png"; }); },
         "player: texture \"nope.png\" is not in the catalogue"},
        {"image naming a sound", [](Copy& c) { c.edit([](json& j) { j["img1"]["texture"] = "splat"; }); },
         "img1: \"splat\" is not a texture entry"},
        {"frame without size", [](Copy& c) { c.edit([](json& j) { j["blank"]["shape"]["w"] = 0; }); },
         "blank: \"shape\" has no size"},
        {"entry not an object", [](Copy& c) { c.edit([](json& j) { j["img3"] = 5; }); }, "img3: entry is not an object"},
        {"syntax error", [](Copy& c) { spit(c.dir + "/data.json", "{\"ball\": {\"texture\": "); }, "data.json: syntax error"},
        {"no catalogue", [](Copy& c) { fs::remove(c.dir + "/data.json"); }, "data.json: cannot read"},
        {"catalogue not an object", [](Copy& c) { spit(c.dir + "/data.json", "[1, 2]"); },
         "data.json: the document is not an object"},
    };
    for (auto& k : cases) {
        Copy c;
        k.breakit(c);
        Output r = run(CHECKER + " " + c.dir);
        EXPECT_EQ(r.status, 1) << k.what;
        EXPECT_TRUE(r.has(k.line)) << k.what << ": expected a line starting \"" << k.line << "\", got\n" << r.all();
    }
    // A syntax error leaves the entries after it missing, and each is reported.
    Copy c;
    spit(c.dir + "/data.json", "{\"ball\": {\"texture\": ");
    Output r = run(CHECKER + " " + c.dir);
    EXPECT_TRUE(r.has("music: missing entry")) << r.all();
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
