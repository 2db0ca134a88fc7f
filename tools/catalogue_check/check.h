// SPDX-License-Identifier: Zlib
// check.h - checks a data directory's catalogue (data.json) and the files it names, for any
// program on the framework.
//
// USAGE
//   std::vector<CatalogueNeed> needs;              // the names the program looks up, if known
//   std::vector<std::string> problems;             // one human-readable line per problem
//   catalogue_needs_read("game/assets.needs", needs, problems);
//   catalogue_check("./data", needs, problems);
//   for (auto& p : problems) puts(p.c_str());
//
// Every entry that is there is checked: fields of the right type, read as the loaders read them
// (read_rect_exact, var_num_exact, var_str_exact: a number written as a string passes as the
// loaders take it); named files exist and decode; an image's texture exists and holds its rect;
// a texture's "rect" is its file's size; a font has 256 glyph rectangles and shapes inside its
// sheet. A needed name must be there and of its kind; without needs nothing is "missing".
// Each line names the file (the catalogue, or a list of needs with its line), the entry and what
// was expected: `data/data.json: image "ball": rect 0,0,64,80 goes past texture "sprites"
// (data/sprites.png is 64x64)`. Nothing here crashes on bad input.
#pragma once
#include <string>
#include <vector>

// The kinds a program looks names up as: gfx_tex_load, gfx_img_load, font_load, sound_load,
// stream_open. A sample and a stream have the same entry form.
enum class CatalogueKind { texture, image, font, sample, stream };

struct CatalogueNeed {
    std::string name;
    CatalogueKind kind = CatalogueKind::texture;
    std::string from;   // where it was asked for, for messages: "game/assets.needs:3", "--need"
};

const char* catalogue_kind_name(CatalogueKind kind);   // "texture", "image", ...
// Reads "NAME:KIND" (split at the last colon) as a --need argument; false for an empty name or
// an unknown kind, with the reason in *why.
[[nodiscard]] bool catalogue_need_parse(const std::string& arg, CatalogueNeed* out, std::string* why);
// Appends the needs of a list file: one "NAME KIND" a line, '#' starts a comment, blank lines
// are skipped. Each bad line adds "FILE:LINE: ..." to problems, as does a file that cannot be
// read; false then (the good lines are still appended).
[[nodiscard]] bool catalogue_needs_read(const std::string& path, std::vector<CatalogueNeed>& needs,
                                        std::vector<std::string>& problems);
// Checks dir/data.json; appends one line per problem.
void catalogue_check(const std::string& dir, const std::vector<CatalogueNeed>& needs,
                     std::vector<std::string>& problems);
