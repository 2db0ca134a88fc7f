// SPDX-License-Identifier: Zlib
// worker.h - how the graphics layer runs work ahead of need (decoding pictures while the window
// opens), as the platform allows.
//
//   std::future<T> f = std::async(gfx_worker_launch(), work, args...);   // f.get() when needed
//
// One file per platform gives it: worker_threads.cpp (a thread of its own: desktop systems),
// worker_web.cpp (a page without threads: the work runs in get(), on the calling thread).
#pragma once
#include <future>

std::launch gfx_worker_launch();
