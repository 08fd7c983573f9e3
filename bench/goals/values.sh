#!/usr/bin/env bash
# Checksum goals. On one 512 MiB file in the page cache: `hostkit crc32` takes no longer than
# the cksum utility and `hostkit md5` at most 1.05 times as long as md5sum. In memory:
# GetCRC32 and CNuMD5::GetBufferMD5 throughput on 4 KiB, 1 MiB and 256 MiB buffers (reported,
# no peer).
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

# Best of five processor times (user + system) of a command: the machine may be shared, and
# wall time would measure the other programs as well.
cpu_seconds_of() {
  local best="" t
  for _ in 1 2 3 4 5; do
    t=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.4f", $1 + $2 }')
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%s' "$best"
}

file=$HOSTKIT_BENCH_TMP/values-512MiB.bin
head -c $((512 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null  # into the page cache

ours=$(cpu_seconds_of "$HOSTKIT_CLI" crc32 "$file")
peer=$(cpu_seconds_of cksum "$file")
r=$(ratio "$ours" "$peer")
goal_line "hostkit crc32 vs cksum, 512 MiB cached file (cpu s)" "$ours" "$peer" "$r" "<= 1.0" "$(at_most "$r" 1.0)"

ours=$(cpu_seconds_of "$HOSTKIT_CLI" md5 "$file")
peer=$(cpu_seconds_of md5sum "$file")
r=$(ratio "$ours" "$peer")
goal_line "hostkit md5 vs md5sum, 512 MiB cached file (cpu s)" "$ours" "$peer" "$r" "<= 1.05" "$(at_most "$r" 1.05)"
rm -f "$file"

json=$HOSTKIT_BENCH_TMP/values.json
"$HOSTKIT_BENCH_BUILD/bench/values_bench" --benchmark_format=json --benchmark_min_time=0.3 \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >"$json" 2>/dev/null

gbps() {
  jq -r --arg n "$1_median" '.benchmarks[] | select(.name == $n) | .bytes_per_second' "$json" |
    awk '{ printf "%.2f", $1 / 1e9 }'
}
for size in "4096:4 KiB" "1048576:1 MiB" "268435456:256 MiB"; do
  arg=${size%%:*}
  label=${size#*:}
  goal_line "GetCRC32 on $label (GB/s)" "$(gbps "Crc32/$arg")" "n/a" "n/a" "report" "n/a"
  goal_line "CNuMD5::GetBufferMD5 on $label (GB/s)" "$(gbps "BufferMD5/$arg")" "n/a" "n/a" "report" "n/a"
done
for path in CrcBytewise CrcSlicing CrcFolding CrcWideFolding; do
  goal_line "CRC update path $path on 1 MiB (GB/s)" "$(gbps "$path/1048576")" "n/a" "n/a" "report" "n/a"
done
