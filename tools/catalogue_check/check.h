// SPDX-License-Identifier: Zlib
// check.h - checks a data directory's catalogue (data.json) and the files it names.
//
// USAGE
//   std::vector<std::string> problems;
//   catalogue_check("./data", problems);   // one human-readable line per problem, no newline
//   for (auto& p : problems) puts(p.c_str());
//
// What counts as a problem: an entry the game uses is missing or of the wrong kind; a field is
// missing or has the wrong type; a named file does not exist or does not decode; an image's or a
// glyph's rectangle leaves its texture; a texture's "rect" differs from its file's size; a font
// lacks any of its 256 glyph rectangles or shapes. Each line starts with the entry's name (or
// "data.json" for the document itself). Nothing here crashes on bad input.
#pragma once
#include <string>
#include <vector>

void catalogue_check(const std::string& dir, std::vector<std::string>& problems);
