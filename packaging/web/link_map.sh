#!/bin/sh
# SPDX-License-Identifier: Zlib
# link_map.sh MAP COMMAND... - runs a link command with its standard output written to MAP: the
# link map wasm-ld prints for --print-map (packaging/web.cmake). Its messages go to stderr as usual.
map=$1
shift
exec "$@" >"$map"
