// SPDX-License-Identifier: Zlib
// open_watch_web.cpp - tests/test_open_watch.h for a program built with emscripten, run under node.
// Every open() of the program goes through emscripten's FS.open: it is wrapped, once, to log the
// absolute path of each stream it opened, and a watch looks for its own path in that log.
//
// The folders the tests use are the machine's, mounted at their own paths (tests/web/node_fs.js).
// A FIFO there is made on the machine (mkfifo, through node), where emscripten's file system cannot
// represent it: looking it up fails (EINVAL), so neither stat() nor open() gets through to it and
// nothing can wait on it. It needs no writer on the other side; its absolute name is watched.
#include "tests/test_open_watch.h"

#include <emscripten.h>

// A watch on `path`, an index: -1 when the path cannot be looked up. Without look_up the name
// itself is watched (made absolute from the working folder), for what cannot be looked up.
EM_JS(int, open_watch_js_add, (const char *path, int look_up), {
    if (!Module.glitzOpens) {
        Module.glitzOpens = [];
        Module.glitzWatches = [];
        var open = FS.open;
        FS.open = function() {
            var stream = open.apply(FS, arguments);
            Module.glitzOpens.push(stream.path);
            return stream;
        };
    }
    var name = UTF8ToString(path);
    try {
        name = look_up ? FS.getPath(FS.lookupPath(name, { follow: true }).node)
                       : require('path').resolve(FS.cwd(), name);
    } catch (e) {
        return -1;
    }
    return Module.glitzWatches.push({ path: name, seen: Module.glitzOpens.length }) - 1;
});

// Whether the watch's path was opened since the last look.
EM_JS(int, open_watch_js_opened, (int id), {
    var watch = Module.glitzWatches[id];
    var any = Module.glitzOpens.slice(watch.seen).indexOf(watch.path) >= 0;
    watch.seen = Module.glitzOpens.length;
    return any;
});

// A FIFO on the machine at `path` (from the program's working folder): 1 when made.
EM_JS(int, open_watch_js_mkfifo, (const char *path), {
    var name = require('path').resolve(FS.cwd(), UTF8ToString(path));
    return require('child_process').spawnSync('mkfifo', [name]).status === 0 ? 1 : 0;
});

EM_JS(void, open_watch_js_unlink, (const char *path), {
    try {
        require('fs').unlinkSync(require('path').resolve(FS.cwd(), UTF8ToString(path)));
    } catch (e) {
    }
});

struct OpenWatch::Impl {
    int id = -1;
};

OpenWatch::OpenWatch(const std::string &path) : impl_(new Impl) {
    if (!path.empty()) impl_->id = open_watch_js_add(path.c_str(), 1);
}

OpenWatch::~OpenWatch() = default;

bool OpenWatch::watching() const { return impl_->id >= 0; }

bool OpenWatch::opened() { return impl_->id >= 0 && open_watch_js_opened(impl_->id); }

struct FifoWatch::Impl {
    std::string path;
    int id = -1;   // the watch while the FIFO exists
};

FifoWatch::FifoWatch(const std::string &path) : impl_(new Impl) {
    impl_->path = path;
    if (!path.empty() && open_watch_js_mkfifo(path.c_str())) impl_->id = open_watch_js_add(path.c_str(), 0);
}

FifoWatch::~FifoWatch() { release(); }

bool FifoWatch::ready() const { return impl_->id >= 0; }

bool FifoWatch::release() {
    if (impl_->id < 0) return false;
    bool opened = open_watch_js_opened(impl_->id);
    impl_->id = -1;
    open_watch_js_unlink(impl_->path.c_str());
    return opened;
}
