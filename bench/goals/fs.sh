#!/usr/bin/env bash
# File-system objects: directory search against find(1), folder copying against cp -r. The
# trees live in the scratch directory for this run only and are removed at the end.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
cli=$HOSTKIT_CLI
work=$HOSTKIT_BENCH_TMP/fs
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# best_of N CLEANUP CMD...: the best wall time of N runs of CMD, running CLEANUP (untimed)
# before each.
best_of() {
  local runs=$1 cleanup=$2
  shift 2
  local best=""
  for _ in $(seq "$runs"); do
    eval "$cleanup"
    local start end t
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f' "$best"
}

# 100,000 files in one directory.
flat=$work/flat
mkdir -p "$flat"
(cd "$flat" && seq -f 'file%06g.dat' 1 100000 | xargs touch)
mkdir -p "$flat/dir1" "$flat/dir2"
ours=$(best_of 5 : "$cli" find "$flat" --files)
peer=$(best_of 5 : find "$flat" -maxdepth 1 -type f)
count=$("$cli" find "$flat" --files | wc -l)
[ "$count" = 100000 ] || { echo "hostkit find listed $count files, not 100000" >&2; exit 1; }
r=$(ratio "$ours" "$peer")
goal_line "CNuFileFinder, 100,000 files (hostkit find vs find)" "${ours}s" "${peer}s" "$r" "<= 1.2x" "$(at_most "$r" 1.2)"
rm -rf "$flat"

# 10,000 files totalling 1 GiB in 100 folders of 100 files, each file 107,374 bytes or so.
tree=$work/tree
mkdir -p "$tree"
head -c $((1 << 30)) /dev/urandom > "$work/blob"
for d in $(seq -w 0 99); do mkdir -p "$tree/d$d"; done
split -n 10000 -a 4 -d "$work/blob" "$work/part."
i=0
for f in "$work"/part.*; do
  mv "$f" "$tree/d$(printf '%02d' $((i / 100)))/f$i"
  i=$((i + 1))
done
rm -f "$work/blob"
sync
ours=$(best_of 3 "rm -rf '$work/copy'; sync" "$cli" copy-folder "$tree" "$work/copy")
diff -r "$tree" "$work/copy" >/dev/null || { echo "hostkit copy-folder made a different tree" >&2; exit 1; }
peer=$(best_of 3 "rm -rf '$work/copy'; sync" cp -r "$tree" "$work/copy")
rm -rf "$work/copy"
r=$(ratio "$ours" "$peer")
goal_line "CopyFolder, 10,000 files / 1 GiB (hostkit copy-folder vs cp -r)" "${ours}s" "${peer}s" "$r" "<= 1.2x" "$(at_most "$r" 1.2)"
