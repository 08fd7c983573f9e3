#!/usr/bin/env bash
# Registry: 100,000 GetInt and 100,000 PutInt through CNuRegistry on one open section, against
# a loop of raw SQLite prepared statements doing the same reads and single-row writes, in the
# same run. Goal: at most 1.5x the raw loop's time for each. Figures are the median wall time
# of three runs of 100,000 operations.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
csv=$("$HOSTKIT_BENCH_BUILD/bench/registry_bench" --benchmark_format=csv 2>/dev/null)
# median real time (ns per operation) of a benchmark
median() { echo "$csv" | awk -F, -v n="\"$1/iterations:100000/repeats:3_median\"" '$1 == n { print $3 }'; }
for pair in "GetInt:RegistryGetInt:RawGet" "PutInt:RegistryPutInt:RawPut"; do
  IFS=: read -r what ours peer <<<"$pair"
  o=$(median "$ours")
  p=$(median "$peer")
  # seconds for the 100,000 operations
  os=$(printf '%.4f' "$(echo "$o * 100000 / 1000000000" | bc -l)")
  ps=$(printf '%.4f' "$(echo "$p * 100000 / 1000000000" | bc -l)")
  r=$(ratio "$o" "$p")
  goal_line "registry: 100,000 $what vs raw SQLite (s)" "$os" "$ps" "$r" "<= 1.5x" "$(at_most "$r" 1.5)"
done
