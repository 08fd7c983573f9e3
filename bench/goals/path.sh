#!/usr/bin/env bash
# Path goals: a spec list with a pathological wildcard spec answers for a 255-character name
# in well under a millisecond, and the canonical form of a name full of ".." segments takes
# time linear in its length (time per byte at 32 KiB over time per byte at 4 KiB).
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

json=$HOSTKIT_BENCH_TMP/path.json
"$HOSTKIT_BENCH_BUILD/bench/path_bench" --benchmark_format=json --benchmark_min_time=0.2 \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >"$json" 2>/dev/null

# median CPU time of a benchmark (the machine may be shared; wall time would measure the others), in the unit it reports (microseconds here)
median() { jq -r --arg n "$1_median" '.benchmarks[] | select(.name == $n) | .cpu_time' "$json"; }
per_byte_ns() { echo "$(median "$1") * 1000 / $2" | bc -l; }

long=$(median "SpecListLongName/60")
small=$(median "SpecListSmallName")
recursive=$(median "RecursiveSmallName")
goal_line "NameIsInSpecList, 61-star spec, 255-char name (us)" "$(printf '%.2f' "$long")" "n/a" \
  "n/a" "< 1000 us" "$(at_most "$long" 1000)"
goal_line "8-star spec, 25-char name vs recursive matcher (us)" "$(printf '%.2f' "$small")" \
  "$(printf '%.2f' "$recursive")" "$(ratio "$small" "$recursive")" "ours faster (< 1)" \
  "$(at_most "$(ratio "$small" "$recursive")" 1)"

ours4=$(per_byte_ns "Canonical/4096" 4096)
ours32=$(per_byte_ns "Canonical/32768" 32768)
peer4=$(per_byte_ns "CanonicalInPlace/4096" 4096)
peer32=$(per_byte_ns "CanonicalInPlace/32768" 32768)
ours_ratio=$(ratio "$ours32" "$ours4")
goal_line "GetCanonicalPathName ns/byte 32 KiB (ours=32K, peer=4K)" "$(printf '%.3f' "$ours32")" \
  "$(printf '%.3f' "$ours4")" "$ours_ratio" "<= 1.5" "$(at_most "$ours_ratio" 1.5)"
goal_line "in-place rewrite ns/byte 32 KiB (ours=32K, peer=4K)" "$(printf '%.3f' "$peer32")" \
  "$(printf '%.3f' "$peer4")" "$(ratio "$peer32" "$peer4")" "(reference, quadratic)" "n/a"
