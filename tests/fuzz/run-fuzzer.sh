#!/usr/bin/env bash
# Runs one fuzz target for a few seconds from its seed corpus: run-fuzzer.sh BINARY CORPUS SECONDS
# New inputs go to a scratch corpus, so the committed seeds stay as they are. A crash fails the
# test and leaves its input beside the binary (crash-*), to be minimised and kept as a
# regression case.
set -euo pipefail
binary=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$binary")"
corpora=("$work")
[ -d "$seeds" ] && corpora+=("$seeds")
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  "${corpora[@]}" 2>&1 | tail -n 25
exit "${PIPESTATUS[0]}"
