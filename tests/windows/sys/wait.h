// SPDX-License-Identifier: Zlib
// sys/wait.h for the test programs' Windows build: the status macros only (no fork there; the
// tests that wait for child processes are not built for Windows).
#pragma once
#define WIFEXITED(status) 1
#define WEXITSTATUS(status) (status)
