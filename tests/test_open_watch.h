// SPDX-License-Identifier: Zlib
// test_open_watch.h - whether anything opened a path, as the system under the program saw it (not
// as the opener reports it), and a FIFO to watch: for the tests that check that a loader never
// opens what is not a regular file. Looking at a path (stat) is not opening it.
//
//   OpenWatch dir("data/dir.ogg");        // an existing path, watched from here on
//   FifoWatch fifo("data/fifo.ogg");      // a FIFO made here and watched
//   ASSERT_TRUE(dir.watching() && fifo.ready());
//   ... the code under test ...
//   EXPECT_FALSE(dir.opened());
//   EXPECT_FALSE(fifo.release());         // true when some reader opened it; the FIFO is removed
//
// One implementation per platform, picked by the build (GLITZ_TEST_SUPPORT_SOURCES in
// cmake/platform_*.cmake): tests/linux/open_watch_inotify.cpp asks the kernel (inotify);
// tests/web/open_watch_web.cpp asks emscripten's file system, through which every open of a
// program built for the web goes. Main thread only.
#pragma once
#include <memory>
#include <string>

class OpenWatch {
public:
    explicit OpenWatch(const std::string &path);
    ~OpenWatch();
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;
    // False when the path could not be watched (it does not exist, or is "").
    bool watching() const;
    // Whether the path was opened since the watch began; each opening is reported once.
    bool opened();
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// A FIFO at `path` under a watch. Opening a FIFO for reading waits for a writer, so one waits on
// the other side where the platform can open it: a reader that does get in is let go at once
// instead of hanging the test.
class FifoWatch {
public:
    explicit FifoWatch(const std::string &path);
    ~FifoWatch();   // release()
    FifoWatch(const FifoWatch &) = delete;
    FifoWatch &operator=(const FifoWatch &) = delete;
    // False when the FIFO could not be made (path "" or taken) or watched.
    bool ready() const;
    // True when some reader opened the FIFO; the FIFO is removed. Later calls return false.
    bool release();
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
