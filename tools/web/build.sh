#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/web/build.sh [targets...] - the browser build: tools/cross/build.sh web, under the name the
# README and the test command use. Into build-web/: dist/ (index.html, glitzfall.js, .wasm, .data)
# and tests/test_*.js.
exec bash "$(dirname "$0")/../cross/build.sh" web "$@"
