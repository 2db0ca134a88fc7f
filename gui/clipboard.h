// SPDX-License-Identifier: Zlib
// clipboard.h - the clipboard's old place, kept so programs that include "gui/clipboard.h" still
// build: the clipboard belongs to the platform layer now, app/clipboard.h.
#pragma once
#include "app/clipboard.h"
