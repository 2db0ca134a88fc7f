// SPDX-License-Identifier: Zlib
// open_watch_inotify.cpp - tests/test_open_watch.h on Linux: the kernel reports each opening of the
// watched path (inotify's IN_OPEN), and the FIFO is a real one with a writer thread waiting for a
// reader.
#include "tests/test_open_watch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

struct OpenWatch::Impl {
    int fd = -1;
};

OpenWatch::OpenWatch(const std::string &path) : impl_(new Impl) {
    impl_->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (impl_->fd >= 0 && inotify_add_watch(impl_->fd, path.c_str(), IN_OPEN) < 0) {
        close(impl_->fd);
        impl_->fd = -1;
    }
}

OpenWatch::~OpenWatch() {
    if (impl_->fd >= 0) close(impl_->fd);
}

bool OpenWatch::watching() const { return impl_->fd >= 0; }

bool OpenWatch::opened() {
    if (impl_->fd < 0) return false;
    alignas(inotify_event) char buf[4096];
    bool any = false;
    for (ssize_t n; (n = read(impl_->fd, buf, sizeof buf)) > 0;)
        for (char *p = buf; p < buf + n; p += sizeof(inotify_event) + ((inotify_event *)p)->len)
            any |= (((inotify_event *)p)->mask & IN_OPEN) != 0;
    return any;
}

// The writer's own open completes only once a reader came, so any open seen before release() was
// a reader's.
struct FifoWatch::Impl {
    std::string path;
    std::unique_ptr<OpenWatch> watch;
    std::thread writer;
};

FifoWatch::FifoWatch(const std::string &path) : impl_(new Impl) {
    Impl &f = *impl_;
    f.path = path;
    if (mkfifo(path.c_str(), 0644) != 0) return;
    f.watch.reset(new OpenWatch(path));
    f.writer = std::thread([&f] {
        int fd = open(f.path.c_str(), O_WRONLY);
        if (fd >= 0) close(fd);
    });
}

FifoWatch::~FifoWatch() { release(); }

bool FifoWatch::ready() const { return impl_->watch && impl_->watch->watching(); }

bool FifoWatch::release() {
    Impl &f = *impl_;
    if (!f.writer.joinable()) return false;
    bool opened = f.watch->opened();
    int fd = open(f.path.c_str(), O_RDONLY | O_NONBLOCK);   // lets the writer go
    f.writer.join();
    if (fd >= 0) close(fd);
    unlink(f.path.c_str());
    return opened;
}
