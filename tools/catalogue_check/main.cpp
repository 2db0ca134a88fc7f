// SPDX-License-Identifier: Zlib
// glitz_check - checks a data directory before a program on the framework reads it.
//
// USAGE
//   glitz_check [--need NAME:KIND]... [--needs LISTFILE]... [DATA_DIR]   (default "./data")
//
// Prints one line per problem on stdout ("<file>: <kind> "<entry>": <problem>, expected ...")
// and a count on stderr. Exit status: 0 sound, 1 problems found, 2 wrong usage.
#include "tools/catalogue_check/check.h"

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: glitz_check [--need NAME:KIND]... [--needs LISTFILE]... [DATA_DIR]\n"
    "Checks DATA_DIR/data.json (DATA_DIR is ./data when not given) and the files it names: fields\n"
    "of the right type, files that exist and decode, rectangles inside their textures, textures\n"
    "named by images and fonts. Every entry that is there is checked.\n"
    "\n"
    "  --need NAME:KIND   the program looks NAME up as KIND: it must be there and of that kind\n"
    "  --needs LISTFILE   the same for each line of LISTFILE: \"NAME KIND\", '#' starts a comment,\n"
    "                     blank lines are skipped; a bad line is reported as a problem\n"
    "  --help             this text\n"
    "KIND is texture, image, font, sample or stream.\n"
    "\n"
    "Prints one line per problem (file, entry, what was expected) and a count on stderr.\n"
    "Exit status: 0 no problems, 1 problems found, 2 wrong usage.\n";

int usage_error(const char* what) {
    fprintf(stderr, "glitz_check: %s\n%s", what, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<CatalogueNeed> needs;
    std::vector<std::string> problems;
    const char* dir = nullptr;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--need" || arg == "--needs") {
            if (i + 1 >= argc) return usage_error((arg + " wants a value").c_str());
            std::string value = argv[++i];
            if (arg == "--needs") {
                (void)catalogue_needs_read(value, needs, problems);   // bad lines are problems
                continue;
            }
            CatalogueNeed need;
            std::string why;
            if (!catalogue_need_parse(value, &need, &why)) return usage_error(("--need " + why).c_str());
            needs.push_back(need);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error(("unknown option " + arg).c_str());
        } else if (dir) {
            return usage_error("more than one DATA_DIR");
        } else {
            dir = argv[i];
        }
    }
    catalogue_check(dir ? dir : "./data", needs, problems);
    for (const std::string& p : problems) printf("%s\n", p.c_str());
    fprintf(stderr, "glitz_check: %zu problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}
