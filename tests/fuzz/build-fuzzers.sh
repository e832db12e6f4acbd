#!/usr/bin/env bash
# Configures and builds the fuzz targets with clang: build-fuzzers.sh FUZZ_DIR BUILD_DIR GENERATED_DIR
set -euo pipefail
fuzz_dir=$1 build_dir=$2 generated=$3
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$fuzz_dir/project" -B "$build_dir" "${generator[@]}" "${launcher[@]}" \
  -DCMAKE_CXX_COMPILER=clang++ -DMAILMOAT_GENERATED_DIR="$generated" >/dev/null
cmake --build "$build_dir" -j2
