#!/usr/bin/env bash
# Configures and builds into build/ (or $MAILMOAT_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MAILMOAT_BUILD_DIR:-$root/build}
# The configure summary stays visible: it says which optional parts (benchmarks, fuzz
# targets, X11 tests) this machine skips.
cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "${MAILMOAT_JOBS:-2}"
