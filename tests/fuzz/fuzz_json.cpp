// libFuzzer target: json_parse on arbitrary bytes, a walk over the tree it built, and every
// pooled block back afterwards.
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/zev_json.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1 << 20)) return 0;
    {
        var out;
        json_parse(out, (const char*)data, (int)size);
        walk(out, 0);
    }
    // Pooled blocks are out of the leak checker's sight: every one must be back.
    if (var_pool_blocks_in_use() != 0) __builtin_trap();
    return 0;
}
