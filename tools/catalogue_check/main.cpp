// SPDX-License-Identifier: Zlib
// glitz_check - checks a data directory before the game reads it.
//
// USAGE
//   glitz_check [DATA_DIR]          (default "./data", where the game looks)
//
// Prints one line per problem on stdout ("<entry>: <problem>") and a count on stderr.
// Exit status: 0 sound, 1 problems found, 2 wrong usage.
#include "tools/catalogue_check/check.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 2) {
        fprintf(stderr, "usage: %s [DATA_DIR]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> problems;
    catalogue_check(argc > 1 ? argv[1] : "./data", problems);
    for (const std::string& p : problems) printf("%s\n", p.c_str());
    fprintf(stderr, "glitz_check: %zu problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}
