#!/usr/bin/env bash
# Registry export: "hostkit reg export" of a store holding 20 MB of values (16,000 values of
# 1 KB in 100 keys, and four of 1,024 KB) into a file, against "sqlite3 STORE .dump" of the same
# store into a file beside it. Goals: at most 2x the dump's time (best of five runs each), and
# at most 64 MiB of peak memory whatever the size of the tree.
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
cli=$HOSTKIT_CLI
work=$HOSTKIT_BENCH_TMP/registry-export
mkdir -p "$work/store"
trap 'rm -rf "$work"' EXIT
export HOSTKIT_REGISTRY_DIR=$work/store

# The values go in by "reg import" of a generated file.
awk 'BEGIN {
  kb = ""; for (i = 0; i < 1000; i++) kb = kb (i ? "," : "") sprintf("%02x", i % 256)
  mb = kb; for (i = 0; i < 10; i++) mb = mb "," mb
  print "REGEDIT4"
  for (k = 0; k < 100; k++) {
    printf "\n[HKEY_CURRENT_USER\\Software\\Bench\\Key%03d]\n", k
    for (v = 0; v < 160; v++) printf "\"Value%03d\"=hex:%s\n", v, kb
    if (k % 25 == 0) printf "\"Large\"=hex:%s\n", mb
  }
}' >"$work/values.reg"
"$cli" reg import "$work/values.reg" >/dev/null
store=$HOSTKIT_REGISTRY_DIR/HKEY_CURRENT_USER.db
command -v sqlite3 >/dev/null || { echo "registry_export: sqlite3 is not installed (scripts/deps.txt)" >&2; exit 1; }

out=$work/export.reg
ours=$(seconds_of "$cli" reg export 'HKCU\Software\Bench' "$out")
peer=$(seconds_of sh -c 'sqlite3 "$1" .dump >"$2"' sh "$store" "$work/dump.sql")
# The export must hold every value: 16,004 value lines.
count=$(iconv -f UTF-16LE -t UTF-8 "$out" | grep -c '^"')
[ "$count" = 16004 ] || { echo "registry_export: the export holds $count values, not 16004" >&2; exit 1; }
r=$(ratio "$ours" "$peer")
goal_line "registry: export 20 MB of values (reg export vs sqlite3 .dump)" "${ours}s" "${peer}s" "$r" "<= 2x" "$(at_most "$r" 2)"

# Peak resident memory in KiB, as the kernel counted it.
kib=$(/usr/bin/time -f %M "$cli" reg export 'HKCU\Software\Bench' "$out" 2>&1 >/dev/null | tail -1)
peerkib=$(/usr/bin/time -f %M sqlite3 "$store" .dump 2>&1 >"$work/dump.sql" | tail -1)
mib=$(printf '%.1f' "$(echo "$kib / 1024" | bc -l)")
peermib=$(printf '%.1f' "$(echo "$peerkib / 1024" | bc -l)")
goal_line "registry: export 20 MB of values, peak memory (MiB)" "$mib" "$peermib" "-" "<= 64 MiB" "$(at_most "$mib" 64)"
