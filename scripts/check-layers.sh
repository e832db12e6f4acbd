#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own or from a sibling
# layer. Layers, lowest first: platform < core < filter, mail < check, archive, update, diag
# < ui < app; filter and mail are siblings, and so are check, archive, update and diag.
#
#   bash scripts/check-layers.sh [SRC_DIR [EXCEPTIONS_FILE]]
#
# EXCEPTIONS_FILE (default: scripts/layer-exceptions.txt) lists includes that break the rule
# today, one "FILE -> HEADER" a line, both relative to SRC_DIR. An entry that no longer
# matches an include fails the check too, so the list can only shrink.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${1:-$here/../src}
exceptions=${2:-$here/layer-exceptions.txt}
src=$(cd "$src" && pwd)

mapfile -t files < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] || { echo "check-layers: no sources under $src"; exit 1; }

awk -v src="$src" -v exceptions="$exceptions" '
BEGIN {
  split("platform:0 core:1 filter:2 mail:2 check:3 archive:3 update:3 diag:3 ui:4 app:5", pairs, " ")
  for (i in pairs) { split(pairs[i], kv, ":"); rank[kv[1]] = kv[2] }
  while ((getline line < exceptions) > 0) {
    sub(/#.*/, "", line); gsub(/^[ \t]+|[ \t]+$/, "", line)
    if (line != "") allowed[line] = 1
  }
  bad = 0
}
FNR == 1 {
  file = substr(FILENAME, length(src) + 2)
  own = substr(file, 1, index(file, "/") - 1)
  if (!(own in rank)) { printf "%s: folder %s is not a known layer; give it a place in %s\n", file, own, "check-layers.sh"; bad = 1 }
}
/^[ \t]*#[ \t]*include[ \t]*"[a-z]+\// {
  match($0, /"[^"]*"/)
  header = substr($0, RSTART + 1, RLENGTH - 2)
  layer = substr(header, 1, index(header, "/") - 1)
  if (!(layer in rank) || !(own in rank) || layer == own || rank[layer] < rank[own]) next
  key = file " -> " header
  if (key in allowed) { used[key] = 1; next }
  printf "%s:%d: %s may not include %s\n", file, FNR, own, header
  bad = 1
}
END {
  for (key in allowed) if (!(key in used)) {
    printf "%s: no longer needed; remove it from %s\n", key, exceptions
    bad = 1
  }
  exit bad
}' "${files[@]}"
