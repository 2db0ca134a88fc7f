// SPDX-License-Identifier: Zlib
// zev_json.h - JSON text to `var` trees (objects -> dict, arrays -> list, strings -> string,
// numbers and true/false -> number, null -> none). Comments "/* */" are allowed.
//
// USAGE
//   var doc;
//   int bad = json_parse(doc, text, length); // 0 ok, 1 after a syntax-error line on stderr
//
// - The text ends at `length` bytes or at the first zero byte.
// - The top level must be an object or array; nesting deeper than 16 is a syntax error.
// - On error `out` keeps the partial tree built so far; empty text leaves `out` unchanged.
// - Integers that do not fit 32 bits are kept as the nearest double, not wrapped.
// - Every value in the tree is an object of its own: equal numbers never share one, so a number
//   changed in place changes only that value.
#pragma once
#include <string>
#include "util/zev_var.h"

// Parses `length` bytes of text (or up to its first zero byte) into out: 0 ok, 1 after a
// syntax-error line on stderr (out then holds the part built so far).
int json_parse(var& out, const char* text, int length);
// As json_parse, but the syntax-error line goes into `message` (empty when there is none) instead
// of stderr, for a caller that prints it later.
int json_parse_quiet(var& out, const char* text, int length, std::string& message);
