// censor.cpp - the word censor: every listed word, in any case and inside other words, becomes '*'.
//
// The result keeps the text's length, so character positions are the same before and after.
// Working storage is static and grows for long texts (1024 bytes to start with); the returned
// text stays valid until the next text operation.
#include "gfx/font.h"

#include <cctype>
#include <cstring>
#include <vector>

static const char *const kCensorWords[] = {
    "bastard", "bitch", "clit", "cunt", "damn", "dick", "fag", "fuck", "nigger", "penis",
    "piss", "pussy", "shit", "fck", "fuk", "phuck", "wtf", "phuk", "asshole", "cuunt",
    "f@g", "fuuck", "vagina", "smeg", "klit", "kunt", "wank", "fock",
};

static std::vector<char> s_lower(1024);   // lower-case working copy
static std::vector<char> s_result(1024);  // the censored text handed out

const char *text_censor(const char *text) {
    if (!text) text = "";
    size_t n = strlen(text);
    if (s_lower.size() < n + 1) {   // grow only; never shrink, so short texts allocate nothing
        s_lower.resize(n + 1);
        s_result.resize(n + 1);
    }
    char *low = s_lower.data(), *out = s_result.data();
    for (size_t i = 0; i < n; i++) low[i] = (char)tolower((unsigned char)text[i]);
    low[n] = 0;
    memcpy(out, text, n + 1);
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
