// SPDX-License-Identifier: Zlib
// worker_threads.cpp - work ahead of need on a thread of its own (gfx/worker.h).
#include "gfx/worker.h"

std::launch gfx_worker_launch() { return std::launch::async; }
