# SPDX-License-Identifier: Zlib
# doxygen_filter.awk - shows Doxygen the framework's headers with their plain // comments read as
# documentation (the headers themselves stay as they are):
#   - the comment block that opens the file documents the file;
#   - a comment after code on the same line documents that code (///<), and so do the comment
#     lines right below it that start in the same column;
#   - any other comment documents the declaration that follows it (///).
# A line that holds a quote keeps its // as it is: it may be inside a string.
function comment_at(line) { return match(line, /\/\//) ? RSTART : 0 }
/\/\/[\/!<]/ { print; next }   # already a Doxygen comment
{
    line = $0
    if (NR == 1 && line ~ /^\/\/ /) {
        print "/// \\file"
        in_head = 1
    }
    if (in_head) {
        if (line ~ /^\/\//) { sub(/^\/\//, "///", line); print line; next }
        in_head = 0
    }
    if (line ~ /^[ \t]*\/\//) {
        col = comment_at(line)
        if (after_col && col == after_col) sub(/\/\//, "///<", line)
        else { sub(/\/\//, "///", line); after_col = 0 }
        print line
        next
    }
    after_col = 0
    if (line !~ /"/ && (col = comment_at(line)) > 1 && substr(line, col - 1, 1) != ":") {
        line = substr(line, 1, col - 1) "///<" substr(line, col + 2)
        after_col = col
    }
    print line
}
