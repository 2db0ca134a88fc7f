// SPDX-License-Identifier: Zlib
// asset_cache.cpp - the lookup protocol shared by every asset kind: name -> handle, failures remembered.
#include "util/asset_cache.h"

#include <cstdio>
#include "util/log.h"

void AssetCache::create(const var &catalogue, const char *data_dir) {
    root = catalogue;
    dir = data_dir ? data_dir : "";
    names.clear();
}

void AssetCache::destroy() {
    names.clear();
    root = var();
}

bool AssetCache::find(const char *name, int32_t *handle) const {
    auto it = names.find(name);
    if (it == names.end()) return false;
    *handle = it->second;
    return true;
}

bool AssetCache::announce(const char *name, const AssetKind &kind, int32_t index, int32_t capacity) {
    if (kind.trying) glitz_info(kind.trying, name);
    if (!root.has(name)) {
        fprintf(stderr, kind.missing, name);
        names[name] = 0;
        return false;
    }
    if (index >= capacity) {
        if (kind.full) fprintf(stderr, kind.full, capacity - 1, name);
        names[name] = 0;
        return false;
    }
    if (kind.loading) glitz_info(kind.loading, name, index);
    return true;
}

const char *AssetCache::path(var &entry) const {
    static char path[1024];
    snprintf(path, sizeof path, "%s/%s", dir.c_str(), entry["fname"].str().c_str());
    return path;
}
