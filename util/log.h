// SPDX-License-Identifier: Zlib
// log.h - the framework's informational lines, and the switch that keeps a program to its
// warnings and errors.
//
//   glitz_info("loaded %s as %d\n", path, name);       // stderr, unless quiet
//   glitz_info_to(stdout, "data folder: %s\n", dir);   // the same on another stream
//   glitz_set_quiet(true);                             // from here on only failures are printed
//
// Information is what a good run prints anyway: start-up lines, sizes, timings, files found and
// loaded. Reports of a failure (unable to, error, syntax error, TypeError, a missing file the
// program needed) are printed with fprintf as before and never silenced.
//
// Quiet starts as the environment asks: GLITZ_QUIET set to anything but "" or "0", read on the
// first call. glitz_set_quiet overrides it either way. Any thread may call these; the lines go
// out exactly as fprintf would write them.
#pragma once
#include <cstdio>

// Marks a printf-like function (format argument `fmt`, first value `args`) for the compiler's checks.
#if defined(__GNUC__)
#define GLITZ_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define GLITZ_PRINTF(fmt, args)
#endif

// True while informational lines are dropped.
bool glitz_quiet();
// Quiet on or off, whatever GLITZ_QUIET says.
void glitz_set_quiet(bool quiet);

// fprintf(stderr, ...) unless quiet.
void glitz_info(const char *fmt, ...) GLITZ_PRINTF(1, 2);
// fprintf(stream, ...) unless quiet.
void glitz_info_to(FILE *stream, const char *fmt, ...) GLITZ_PRINTF(2, 3);
