#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own or from a sibling
# layer. Layers, lowest first: platform < core < mail < filter < check, archive, update, diag
# < ui < app; check, archive, update and diag are siblings. Filter sits above mail because
# rule evaluation reads the message model.
#
#   bash scripts/check-layers.sh [SRC_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${1:-$here/../src}
src=$(cd "$src" && pwd)

mapfile -t files < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] || { echo "check-layers: no sources under $src"; exit 1; }

awk -v src="$src" '
BEGIN {
  split("platform:0 core:1 mail:2 filter:3 check:4 archive:4 update:4 diag:4 ui:5 app:6", pairs, " ")
  for (i in pairs) { split(pairs[i], kv, ":"); rank[kv[1]] = kv[2] }
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
  printf "%s:%d: %s may not include %s\n", file, FNR, own, header
  bad = 1
}
END { exit bad }' "${files[@]}"
