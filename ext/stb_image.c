// SPDX-License-Identifier: Zlib
/* stb_image.c - stb_image's code, compiled here where no library of the system holds it (on Linux
   Debian's libstb does). The header comes from the same place on every platform. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
