// SPDX-License-Identifier: Zlib
// censor.cpp - the word censor: every listed word, in any case and inside other words, becomes '*'.
//
// The result keeps the text's length, so character positions are the same before and after.
// Working storage is static and grows for long texts (1024 bytes to start with); the returned
// text stays valid until the next text operation.
#include "gfx/font.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

static const char *const kCensorWords[] = {
    "bastard", "bitch", "clit", "cunt", "damn", "dick", "fag", "fuck", "nigger", "penis",
    "piss", "pussy", "shit", "fck", "fuk", "phuck", "wtf", "phuk", "asshole", "cuunt",
    "f@g", "fuuck", "vagina", "smeg", "klit", "kunt", "wank", "fock",
};

static std::vector<char> s_lower(1024);   // lower-case working copy
static std::vector<char> s_result(1024);  // the censored text handed out
static std::vector<char> s_input(1024);   // the text s_result was made from
static size_t s_input_len = SIZE_MAX;     // its length; SIZE_MAX before the first call

const char *text_censor(const char *text) {
    if (!text) text = "";
    size_t n = strlen(text);
    // A widget measures and draws the same text several times a frame: a repeat is answered at once.
    if (n == s_input_len && memcmp(text, s_input.data(), n) == 0) return s_result.data();
    if (s_lower.size() < n + 1) {   // grow only; never shrink, so short texts allocate nothing
        s_lower.resize(n + 1);
        s_result.resize(n + 1);
        s_input.resize(n + 1);
    }
    memcpy(s_input.data(), text, n);   // before writing s_result: text may be a result handed out
    s_input_len = n;
    char *low = s_lower.data(), *out = s_result.data();
    for (size_t i = 0; i < n; i++) low[i] = (char)tolower((unsigned char)text[i]);
    low[n] = 0;
    memmove(out, text, n + 1);   // text may be out itself
    for (const char *word : kCensorWords) {
        size_t len = strlen(word);
        // Stars never match a word, so every match lies at or after the previous one.
        for (char *p = strstr(low, word); p; p = strstr(p, word)) {
            memset(p, '*', len);
            memset(out + (p - low), '*', len);
        }
    }
    return out;
}
