// SPDX-License-Identifier: Zlib
// support_windows.cpp - what the test programs take from Linux libraries, for their Windows build.
// Linked into every test program there (tests/CMakeLists.txt).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>   // Debian's libstb holds this code on Linux

// test_display_support.h holds one X connection so that an Xvfb without clients never resets
// under the tests. Under wine the program's windows go through wine's own connection, which lives
// as long as the program: there is nothing to hold, and the answer is "held".
extern "C" struct _XDisplay *XOpenDisplay(const char *) {
    static char held;
    return reinterpret_cast<struct _XDisplay *>(&held);
}
