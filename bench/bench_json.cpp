// SPDX-License-Identifier: Zlib
// bench_json.cpp - json_parse into var trees against nlohmann::json and RapidJSON DOMs, on a
// generated catalogue-shaped document (~5 MB) pretty-printed and without white space.
// Run by hand:  build/bench/bench_json [runs]     (prints MB/s per parser and the ratios)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include "util/zev_json.h"

using nlohmann::ordered_json;

static ordered_json rect(int x, int y, int w, int h)
{
    return ordered_json{{"x", x}, {"y", y}, {"w", w}, {"h", h}};
}

// A top-level dict of entries: fonts with 256 "rects" and "shapes", images with "rect" and
// "shape", sounds with "fname"; about `target` bytes when pretty-printed.
static ordered_json make_catalogue(size_t target)
{
    ordered_json doc = ordered_json::object();
    unsigned seed = 12345;
    auto rnd = [&](int n) { seed = seed * 1103515245u + 12345u; return (int)((seed >> 16) % (unsigned)n); };
    size_t approx = 0;
    for (int group = 0; approx < target; group++) {
        ordered_json font = {{"type", "font"}, {"tex", "fonts/font" + std::to_string(group) + ".png"},
                             {"height", 16 + rnd(32)}, {"baseline", 12.5 + rnd(8)}};
        ordered_json rects = ordered_json::array(), shapes = ordered_json::array();
        for (int i = 0; i < 256; i++) {
            rects.push_back(rect(rnd(1024), rnd(1024), 1 + rnd(40), 1 + rnd(40)));
            shapes.push_back(rect(-rnd(4), -rnd(4), 1 + rnd(44), 1 + rnd(44)));
        }
        font["rects"] = std::move(rects);
        font["shapes"] = std::move(shapes);
        doc["font" + std::to_string(group)] = std::move(font);
        approx += 512 * 90;
        for (int i = 0; i < 40; i++) {
            ordered_json img = {{"type", "img"}, {"tex", "atlas" + std::to_string(rnd(8)) + ".png"},
                                {"rect", rect(rnd(2048), rnd(2048), 1 + rnd(256), 1 + rnd(256))},
                                {"shape", rect(rnd(8), rnd(8), 1 + rnd(260), 1 + rnd(260))},
                                {"scale", 0.25 * (1 + rnd(8))}};
            doc["img_" + std::to_string(group) + "_" + std::to_string(i)] = std::move(img);
            approx += 330;
        }
        for (int i = 0; i < 8; i++) {
            doc["snd_" + std::to_string(group) + "_" + std::to_string(i)] =
                ordered_json{{"type", "sound"}, {"fname", "sounds/effect" + std::to_string(rnd(100)) + ".wav"},
                             {"volume", 0.5 + 0.125 * rnd(4)}};
            approx += 100;
        }
    }
    return doc;
}

template <class F>
static double seconds(F&& parse_once)
{
    auto t0 = std::chrono::steady_clock::now();
    parse_once();
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(t1 - t0).count();
}

// The three parsers take turns in every round, so that load from elsewhere hits them alike;
// each keeps its best round.
static void bench(const char* name, const std::string& text, int runs)
{
    double mb = text.size() / 1e6;
    size_t check_var = 0, check_nl = 0, check_rj = 0;
    double t_var = 1e30, t_nl = 1e30, t_rj = 1e30;
    for (int r = 0; r < runs; r++) {
        t_var = std::min(t_var, seconds([&] {
            var doc;
            if (json_parse(doc, text.data(), (int)text.size()) != 0) { fprintf(stderr, "json_parse failed\n"); exit(1); }
            check_var = (size_t)doc.len();
        }));
        t_nl = std::min(t_nl, seconds([&] {
            nlohmann::json doc = nlohmann::json::parse(text);
            check_nl = doc.size();
        }));
        t_rj = std::min(t_rj, seconds([&] {
            rapidjson::Document doc;
            doc.Parse(text.data(), text.size());
            if (doc.HasParseError()) { fprintf(stderr, "RapidJSON failed\n"); exit(1); }
            check_rj = doc.MemberCount();
        }));
    }
    if (check_var != check_nl || check_var != check_rj)
        fprintf(stderr, "entry counts differ: %zu %zu %zu\n", check_var, check_nl, check_rj);

    printf("%-9s %6.2f MB  json_parse %7.1f MB/s  nlohmann %7.1f MB/s  RapidJSON %7.1f MB/s"
           "  ratio vs nlohmann %.2f  vs RapidJSON %.2f\n",
        name, mb, mb / t_var, mb / t_nl, mb / t_rj, t_nl / t_var, t_rj / t_var);
}

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    ordered_json doc = make_catalogue(5300000);
    std::string pretty = doc.dump(2);
    std::string minified = doc.dump();
    printf("catalogue: %zu entries, best of %d runs (parse into a DOM, destruction included)\n", doc.size(), runs);
    bench("pretty", pretty, runs);
    bench("minified", minified, runs);
    return 0;
}
