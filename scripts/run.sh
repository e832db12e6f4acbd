#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DMAILMOAT_BUILD_TESTS=OFF
exec "${MAILMOAT_BUILD_DIR:-$root/build}/src/mailmoat" "$@"
