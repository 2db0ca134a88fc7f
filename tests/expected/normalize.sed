# SPDX-License-Identifier: Zlib
# normalize.sed - a start-up transcript without what differs from one machine or run to the next:
# the per-user folder, the display's and GL visual's sizes, times, GL texture names, the source
# path of the value type's messages, and the end-of-run reports. Everything else stays, in order.
# Used by tests/test_program.cpp and tools/cross/wine_check.sh: sed -E -f normalize.sed FILE
s/\r$//
s#^file not found: .*[/\\]GameName/#file not found: <user>/#
s/^VideoInfo->vfmt->BitsPerPixel:[0-9]+$/VideoInfo->vfmt->BitsPerPixel:<n>/
s/^(GL_[A-Z_]+):[0-9]+$/\1:<n>/
s/^vinfo: [0-9]+ x [0-9]+$/vinfo: <w> x <h>/
s/^gfx_tex_load: [0-9]+ ms, total [0-9]+ ms$/gfx_tex_load: <t> ms, total <t> ms/
s/^(loaded .*) as [0-9]+$/\1 as <gl>/
s/^stream_load in ticks: [0-9]+$/stream_load in ticks: <t>/
s/^(setvol|setplayposition|setispaused): [0-9]+$/\1: <t>/
s/^Pos: set: ([0-9-]+) get: [0-9-]+$/Pos: set: \1 get: <t>/
s#^[^ ]*zev_var\.cpp:[0-9]+: #zev_var.cpp:<line>: #
/^first frame at /d
/^frames [0-9]+ ticks /d
/^audio: [0-9]+ late callbacks /d
