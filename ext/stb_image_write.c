// SPDX-License-Identifier: Zlib
/* stb_image_write.c - stb_image_write's code, for the test programs of builds where no library of the
   system holds it (on Linux Debian's libstb does). */
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
