#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice: once as built for
# users, once under AddressSanitizer and UndefinedBehaviorSanitizer (skip that pass with
# MAILMOAT_SKIP_SANITIZE=1). Warnings are errors here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${MAILMOAT_JOBS:-2}
bash "$root/scripts/install-deps.sh"

echo "== build and test"
MAILMOAT_BUILD_DIR=$root/build bash "$root/scripts/build.sh" -DMAILMOAT_WERROR=ON -DMAILMOAT_BUILD_TESTS=ON
if command -v clang-format >/dev/null; then
  cmake --build "$root/build" --target format-check
else
  echo "test: clang-format is not installed, so the formatting check is skipped"
fi
(cd "$root/build" && ctest --output-on-failure --parallel "$jobs")

echo "== build without the windows"
# The headless program must build and run with no Qt at all.
MAILMOAT_BUILD_DIR=$root/build-nogui bash "$root/scripts/build.sh" \
  -DMAILMOAT_WERROR=ON -DMAILMOAT_BUILD_TESTS=OFF -DMAILMOAT_BUILD_GUI=OFF
if ldd "$root/build-nogui/src/mailmoat" | grep -q 'libQt'; then
  echo "test: the build without windows links Qt" >&2
  exit 1
fi
"$root/build-nogui/src/mailmoat" --version

if [ "${MAILMOAT_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== build and test with sanitizers"
  MAILMOAT_BUILD_DIR=$root/build-sanitize bash "$root/scripts/build.sh" \
    -DMAILMOAT_WERROR=ON -DMAILMOAT_SANITIZE=ON -DMAILMOAT_BUILD_TESTS=ON
  # The fuzz targets carry their own sanitizers; running them once is enough.
  # Leaks of system libraries that the program cannot free are listed in lsan.supp.
  (cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
     LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0 \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     ctest --output-on-failure --parallel "$jobs" -E '^fuzz_')
fi
