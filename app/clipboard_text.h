// SPDX-License-Identifier: Zlib
// clipboard_text.h - conversions at the clipboard's border, shared by every platform's clipboard.
//
// Our text is Latin-1 (like the fonts and the text field); systems that speak UTF-8 (X11
// selections, a browser) get and give UTF-8. Both calls take any bytes and never fail.
#pragma once
#include <string>

// Latin-1 as UTF-8: bytes from 0x80 up take two bytes.
std::string clipboard_latin1_to_utf8(const std::string &in);
// UTF-8 as Latin-1: a character above 0xFF becomes one '?', and so does each ill-formed piece (a
// stray byte, an overlong form, a surrogate, a sequence cut short: as many bytes as were valid).
std::string clipboard_utf8_to_latin1(const std::string &in);
