// SPDX-License-Identifier: Zlib
// worker_web.cpp - a page built without threads (no shared memory asked of the web host): work
// ahead of need runs when it is taken, on the calling thread (gfx/worker.h).
#include "gfx/worker.h"

std::launch gfx_worker_launch() { return std::launch::deferred; }
