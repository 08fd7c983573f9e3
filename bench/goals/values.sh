#!/usr/bin/env bash
# Checksum throughput in memory, reported (no peer): GetCRC32 and CNuMD5::GetBufferMD5 on 4 KiB,
# 1 MiB and 256 MiB buffers, each CRC-32 update path, each multi-lane MD5 kernel, and the rates
# one core reads and copies memory at, for scale. The goals on files are in digests.sh.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

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
kernels=$(jq -r '.benchmarks[] | select(.name | startswith("Md5Kernel/")) | select(.name | endswith("_median")) | "\(.name)|\(.label)|\(.bytes_per_second // 0)"' "$json")
while IFS='|' read -r name label rate; do
  [ -n "$name" ] || continue
  goal_line "MD5 lane kernel $label, all lanes busy (GB/s per core)" "$(awk -v r="$rate" 'BEGIN { printf "%.2f", r / 1e9 }')" \
    "n/a" "n/a" "report" "n/a"
done <<<"$kernels"
goal_line "memory read, one core, 256 MiB (GB/s)" "$(gbps "MemoryRead/268435456")" "n/a" "n/a" "report" "n/a"
goal_line "memory copy, one core, 256 MiB (GB/s)" "$(gbps "MemoryCopy/268435456")" "n/a" "n/a" "report" "n/a"
