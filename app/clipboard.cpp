// SPDX-License-Identifier: Zlib
// clipboard.cpp - the part of the clipboard every platform compiles: the Latin-1 / UTF-8 border.
// The system clipboard itself is one file per platform (clipboard_x11.cpp, clipboard_win32.cpp).
#include "app/clipboard_text.h"

#include <cstdint>

std::string clipboard_latin1_to_utf8(const std::string &in) {
    std::string out;
    out.reserve(in.size());
    for (unsigned char b : in) {
        if (b < 0x80) {
            out += (char)b;
        } else {
            out += (char)(0xC0 | b >> 6);
            out += (char)(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string clipboard_utf8_to_latin1(const std::string &in) {
    std::string out;
    size_t n = in.size();
    for (size_t i = 0; i < n;) {
        unsigned char b = (unsigned char)in[i];
        if (b < 0x80) {
            out += (char)b;
            i++;
            continue;
        }
        size_t len = 0;
        uint32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;   // range of the next byte
        if (b >= 0xC2 && b <= 0xDF) len = 2, cp = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF) len = 3, cp = b & 0x0F, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4) len = 4, cp = b & 0x07, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        size_t k = 1;
        for (; k < len && i + k < n; k++) {
            unsigned char c = (unsigned char)in[i + k];
            if (c < lo || c > hi) break;
            cp = cp << 6 | (c & 0x3F);
            lo = 0x80, hi = 0xBF;
        }
        out += len && k == len && cp <= 0xFF ? (char)cp : '?';
        i += k;
    }
    return out;
}
