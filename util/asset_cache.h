// SPDX-License-Identifier: Zlib
// asset_cache.h - asset lookup by catalogue name, one cache per asset kind.
//
// Every loader (samples, streams, textures, images, fonts) follows one protocol:
//   1. a name already in the cache returns its handle at once, 0 included, silently;
//   2. print the kind's "trying" message;
//   3. a name missing from the catalogue prints the "missing" message and caches 0;
//   4. print the "loading" message (kinds that number their results print the index to be given);
//   5. run the kind's load step on the entry and cache its result, 0 included (never retried).
// Kinds kept in a fixed table (textures, images, fonts) hand out the next free slot as the index
// and pass the table's capacity: an index that does not fit prints the "full" message, caches 0
// and loads nothing. Their load step fills the slot and returns its number.
//
// The cache knows no files of its own: whoever creates it hands over the parsed catalogue and the
// data directory the entries' "fname" values are relative to.
//
//   static const AssetKind kSample = {":: trying load sample %s\n", "unable to find sample %s\n",
//                                     "doing load sample %s\n", nullptr};
//   AssetCache cache;  cache.create(catalogue, "./data");   // the parsed data.json and its folder
//   int h = cache.lookup(name, kSample, -1, [&](var &entry) { return load(cache.path(entry)); });
//   cache.destroy();
#pragma once
#include <cstdint>
#include <climits>
#include <map>
#include <string>
#include "util/zev_var.h"

// The messages of one kind of asset, printed by AssetCache::lookup (information lines: quiet drops
// them; "missing" and "full" always print).
struct AssetKind {
    const char *trying;   // printf format with the name, or null for no message
    const char *missing;  // printf format with the name
    const char *loading;  // printf format with the name (and the index for numbered kinds), or null
    const char *full;     // printf format with the table's usable size and the name, for kinds
                          // kept in a fixed table (announce with a capacity), else null
};

// Names to handles for one kind of asset, over a shared catalogue. A plain record: create() before
// use, destroy() at the end.
struct AssetCache {
    var root;                               // handle on the parsed catalogue
    std::string dir;                        // data directory of the entries' files
    std::map<std::string, int32_t> names;   // name -> handle; 0 = not available

    void create(const var &catalogue, const char *data_dir);   // shares the catalogue, copies dir
    void destroy();   // forgets every name and lets go of the catalogue

    // Runs the protocol above. `index` is printed as the second value of the loading message
    // (pass -1 for kinds whose message has none). `load` gets the entry and returns the handle.
    // `capacity` is the size of a fixed table (slot 0 unused) that `index` must fit in.
    template <class Load>
    int32_t lookup(const char *name, const AssetKind &kind, int32_t index, Load &&load,
                   int32_t capacity = INT32_MAX);

    bool find(const char *name, int32_t *handle) const;  // step 1
    // Steps 2-4; false when the name is missing or, for a table of `capacity` slots (slot 0 unused),
    // when `index` does not fit: the full message is printed and 0 cached. The caller caches the
    // index it hands out before loading.
    bool announce(const char *name, const AssetKind &kind, int32_t index, int32_t capacity = INT32_MAX);

    // "%s/%s" of the data directory and the entry's "fname" (a static buffer, valid until the next call).
    const char *path(var &entry) const;
};

template <class Load>
int32_t AssetCache::lookup(const char *name, const AssetKind &kind, int32_t index, Load &&load,
                           int32_t capacity) {
    int32_t handle = 0;
    if (find(name, &handle)) return handle;
    if (!announce(name, kind, index, capacity)) return 0;
    handle = load(root[name]);
    names[name] = handle;
    return handle;
}
