// SPDX-License-Identifier: Zlib
// zev_json.cpp - JSON text to `var` trees: drives the push parser byte by byte and builds the
// tree from its events with a small builder.
#include "util/zev_json.h"
#include "util/zev_var_object.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "ext/json/JSON_parser.h"

namespace {

// One per json_parse call. `stack` holds the handle of every open container, outermost first, with
// its kind; those handles live in the parent containers, which do not grow while a child is open.
struct json_open {
    var* handle;
    bool dict;
};

// Every scalar gets an object of its own, even equal small numbers: a caller may change a number
// in place (__setnum__), and that must not show through another value of the document.
struct json_builder {
    std::vector<json_open> stack;
    var* current = nullptr;
    bool current_dict = false;
    var* root = nullptr;
    // The last key: its bytes are kept here until its value arrives.
    std::vector<char> key = std::vector<char>(64);
    size_t key_length = 0;
};

// Adds v to the current container; returns the handle that now holds it (null if dropped).
var* builder_add(json_builder* b, var&& v)
{
    if (!b->current) return nullptr;
    var_object* o = b->current->obj;
    if (!b->current_dict) {
        auto& items = static_cast<_var_list*>(o)->items;
        items.push_back(std::move(v));
        return &items.back();
    }
    // Keys that come in ascending order (a written-out dict) go straight to the end; a repeated
    // key keeps its place and takes the new value, as element access does.
    auto& items = static_cast<_var_dict*>(o)->items;
    auto slot = items.emplace_hint(items.end(), std::piecewise_construct,
                                   std::forward_as_tuple(b->key.data(), b->key_length), std::forward_as_tuple());
    slot->second = std::move(v);
    return &slot->second;
}

void builder_open(json_builder* b, var&& c, bool dict)
{
    if (b->stack.empty()) {
        *b->root = std::move(c);
        b->current = b->root;
    } else {
        b->current = builder_add(b, std::move(c));
    }
    b->current_dict = dict;
    b->stack.push_back(json_open{b->current, dict});
}

void builder_close(json_builder* b)
{
    b->current = nullptr;
    if (!b->stack.empty()) b->stack.pop_back();
    if (!b->stack.empty()) {
        b->current = b->stack.back().handle;
        b->current_dict = b->stack.back().dict;
    }
}

// A text value's length up to its first zero byte (a "\u0000" escape puts one in).
size_t text_length(const JSON_value* value)
{
    const char* s = value->vu.str.value;
    size_t n = value->vu.str.length, i = 0;
    while (i < n && s[i]) i++;
    return i;
}

// The parser callback json_parse uses (context: its builder). Always returns 1.
int json_event(void* ctx, int type, const JSON_value* value)
{
    json_builder* b = (json_builder*)ctx;
    switch (type) {
    case JSON_T_ARRAY_BEGIN: builder_open(b, var(VAR_LIST, 0, nullptr), false); break;
    case JSON_T_OBJECT_BEGIN: builder_open(b, var(VAR_DICT, 0, nullptr), true); break;
    case JSON_T_ARRAY_END:
    case JSON_T_OBJECT_END: builder_close(b); break;
    case JSON_T_INTEGER: builder_add(b, var(value->vu.integer_value)); break;
    case JSON_T_FLOAT: builder_add(b, var(value->vu.float_value)); break;
    case JSON_T_NULL: builder_add(b, var()); break;
    case JSON_T_TRUE: builder_add(b, var(1)); break;
    case JSON_T_FALSE: builder_add(b, var(0)); break;
    case JSON_T_STRING: builder_add(b, var(new _var_string(value->vu.str.value, text_length(value)))); break;
    case JSON_T_KEY:
        b->key_length = text_length(value);
        if (b->key.size() < b->key_length) b->key.resize(b->key_length * 2);
        memcpy(b->key.data(), value->vu.str.value, b->key_length);
        break;
    default:
        fprintf(stderr, "json_event: internal check failed: event type %d\n", type);
        abort();
    }
    return 1;
}

} // namespace

int json_parse_quiet(var& out, const char* text, int length, std::string& message)
{
    json_builder b;
    b.root = &out;

    JSON_config config;
    init_JSON_config(&config);
    config.callback = json_event;
    config.callback_ctx = &b;
    config.depth = 16;
    config.allow_comments = 1;
    config.handle_floats_manually = 0;
    message.clear();
    JSON_parser jc = JSON_parser_new(&config);
    if (!jc) {
        message = "json_parse: out of memory\n";
        return 1;
    }

    int status = 0;
    size_t n = text && length > 0 ? (size_t)length : 0;
    size_t fed = JSON_parser_chars(jc, text, n);
    if (fed < n && text[fed] != 0) {
        char line[64];
        snprintf(line, sizeof line, "JSON_parser_char: syntax error, byte %d\n", (int)fed);
        message = line;
        status = 1;
    } else if (!JSON_parser_end(jc)) {
        message = "JSON_parser_end: syntax error\n";
        status = 1;
    }
    JSON_parser_delete(jc);
    return status;
}

int json_parse(var& out, const char* text, int length)
{
    std::string message;
    int status = json_parse_quiet(out, text, length, message);
    if (!message.empty()) fputs(message.c_str(), stderr);
    return status;
}
