// SPDX-License-Identifier: Zlib
// libFuzzer target: json_parse on arbitrary bytes, a walk over the tree it built, every pooled
// block back afterwards, and the bulk feeding path giving what byte-by-byte feeding gives.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ext/json/JSON_parser.h"
#include "util/zev_json.h"
#include "util/zev_var_object.h"

static size_t walk(const var& v, int depth)
{
    size_t n = 1;
    if (depth > 40) return n;
    int t = v.type();
    if (t == VAR_LIST || t == VAR_DICT) {
        var it = v.iter(), k, e;
        while (it.next(k, e)) n += walk(e, depth + 1) + k.str().size();
        if (t == VAR_LIST && v.len() > 0) n += v.slice(-2, 1).len() + (v[-1] == v[0]);
    } else {
        n += v.str().size() + (v.num() > 0) + (v < var("m"));
    }
    return n;
}

// The events of one parse as bytes: type, then the integer or the text; floats as text.
static int record(void* ctx, int type, const JSON_value* v)
{
    std::string& out = *(std::string*)ctx;
    out += (char)type;
    if (type == JSON_T_INTEGER) out.append((const char*)&v->vu.integer_value, sizeof(int));
    if (type == JSON_T_STRING || type == JSON_T_KEY || type == JSON_T_FLOAT) {
        out.append(v->vu.str.value, v->vu.str.length);
        out += '\0';
    }
    return 1;
}

// Byte by byte, or all at once through the bulk path: events, failing byte, end and error code.
static std::string feed(const uint8_t* data, size_t size, bool bulk)
{
    std::string out;
    JSON_config config;
    init_JSON_config(&config);
    config.callback = record;
    config.callback_ctx = &out;
    config.depth = 16;
    config.allow_comments = 1;
    config.handle_floats_manually = 1;
    JSON_parser jc = JSON_parser_new(&config);
    size_t i = 0;
    if (bulk)
        i = JSON_parser_chars(jc, (const char*)data, size);
    else
        while (i < size && data[i] && JSON_parser_char(jc, data[i])) i++;
    out += "|" + std::to_string(i) + "|" + std::to_string(i == size || !data[i] ? JSON_parser_end(jc) : -1) + "|" +
           std::to_string(JSON_parser_get_error(jc));
    JSON_parser_delete(jc);
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1 << 20)) return 0;
    {
        var out;
        json_parse(out, (const char*)data, (int)size);
        walk(out, 0);
    }
    if (feed(data, size, true) != feed(data, size, false)) __builtin_trap();
    // Pooled blocks are out of the leak checker's sight: every one must be back.
    if (var_pool_blocks_in_use() != 0) __builtin_trap();
    return 0;
}
