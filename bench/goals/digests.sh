#!/usr/bin/env bash
# Digests of files in the page cache, against the system's tools on the same files in the same
# run: `hostkit md5` of 1,000 files of 512 KiB and of 10,000 files of 4 KiB against md5sum,
# `hostkit md5 -c` of a 1,000-line list against md5sum -c, `hostkit crc32` of the 1,000 files
# against cksum, and one 512 MiB file (MD5 against md5sum, CRC-32 against cksum, with the peak
# resident memory of the CRC-32 run). Figures are wall times, the best of several runs taken in
# turn with the peer's: the tool spreads many files over every core, which processor time would
# not show.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
cli=$HOSTKIT_CLI
work=$HOSTKIT_BENCH_TMP/digests
mkdir -p "$work/mid" "$work/small"
trap 'rm -rf "$work"' EXIT

# best_pair ROUNDS -- OURS... -- PEER...: "ours peer", each the best wall time of ROUNDS runs,
# the two run in turn so that a change in the machine's load falls on both alike.
best_pair() {
  local rounds=$1
  shift 2
  local ours=() peer=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  peer=("$@")
  local best_ours="" best_peer="" t
  for _ in $(seq "$rounds"); do
    t=$(seconds_of_one "${ours[@]}")
    if [ -z "$best_ours" ] || [ "$(echo "$t < $best_ours" | bc -l)" = 1 ]; then best_ours=$t; fi
    t=$(seconds_of_one "${peer[@]}")
    if [ -z "$best_peer" ] || [ "$(echo "$t < $best_peer" | bc -l)" = 1 ]; then best_peer=$t; fi
  done
  echo "$best_ours $best_peer"
}

seconds_of_one() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  printf '%.4f' "$(echo "$end - $start" | bc -l)"
}

# goal WHAT LIMIT OURS PEER
goal() {
  local r
  r=$(ratio "$3" "$4")
  goal_line "$1" "${3}s" "${4}s" "$r" "<= ${2}x" "$(at_most "$r" "$2")"
}

head -c $((1000 * 512 * 1024)) /dev/urandom | split -b $((512 * 1024)) -a 3 -d - "$work/mid/f"
head -c $((10000 * 4096)) /dev/urandom | split -b 4096 -a 4 -d - "$work/small/f"
big=$work/big.bin
head -c $((512 * 1024 * 1024)) /dev/urandom >"$big"
cat "$work"/mid/* "$work"/small/* "$big" >/dev/null  # into the page cache
(cd "$work" && md5sum mid/* >"$work/mid.md5")

# The tool must print what the peer prints before its time means anything.
cd "$work"
cmp -s <("$cli" md5 mid/*) mid.md5 || { echo "hostkit md5 differs from md5sum" >&2; exit 1; }
cmp -s <("$cli" md5 -c mid.md5) <(md5sum -c mid.md5) || { echo "hostkit md5 -c differs from md5sum -c" >&2; exit 1; }

read -r o p < <(best_pair 5 -- "$cli" md5 mid/* -- md5sum mid/*)
goal "hostkit md5 vs md5sum, 1,000 x 512 KiB" 0.25 "$o" "$p"
read -r o p < <(best_pair 5 -- "$cli" md5 small/* -- md5sum small/*)
goal "hostkit md5 vs md5sum, 10,000 x 4 KiB" 0.5 "$o" "$p"
read -r o p < <(best_pair 5 -- "$cli" md5 -c mid.md5 -- md5sum -c mid.md5)
goal "hostkit md5 -c vs md5sum -c, 1,000-line list" 0.3 "$o" "$p"
read -r o p < <(best_pair 5 -- "$cli" crc32 mid/* -- cksum mid/*)
goal "hostkit crc32 vs cksum, 1,000 x 512 KiB" 0.5 "$o" "$p"

read -r o p < <(best_pair 3 -- "$cli" md5 "$big" -- md5sum "$big")
goal "hostkit md5 vs md5sum, one 512 MiB file" 1.0 "$o" "$p"
read -r o p < <(best_pair 5 -- "$cli" crc32 "$big" -- cksum "$big")
goal "hostkit crc32 vs cksum, one 512 MiB file" 0.6 "$o" "$p"
# Peak resident memory of the CRC-32 run (GNU time's maximum resident set size, in KiB).
rss=$(/usr/bin/time -f %M "$cli" crc32 "$big" 2>&1 >/dev/null | tail -1)
goal_line "hostkit crc32 peak resident memory, one 512 MiB file (MiB)" "$((rss / 1024))" "n/a" "n/a" \
  "<= 64 MiB" "$([ "$rss" -le $((64 * 1024)) ] && echo yes || echo no)"
