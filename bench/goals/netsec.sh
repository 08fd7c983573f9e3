#!/usr/bin/env bash
# Listing the normal user accounts of a 2,000-account directory: `hostkit net users` (the
# network API's paged listing, answered by the directory provider over NSS) against
# `getent passwd` reading the same nss_wrapper directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/bench/lib.sh"

dir=$HOSTKIT_BENCH_TMP/netsec
mkdir -p "$dir"
awk 'BEGIN {
  for (i = 0; i < 2000; i++) {
    name = sprintf("user%04d", (i * 7919) % 2000)
    gecos = (i % 7 == 0) ? "" : sprintf("Person %d,Room %d,555-0100,,", i, i)
    printf "%s:x:%d:%d:%s:/home/%s:/bin/sh\n", name, 10000 + i, 20000 + i % 600, gecos, name
  }
  print "root:x:0:0:root:/root:/bin/sh"
}' >"$dir/passwd"
awk 'BEGIN {
  for (j = 0; j < 600; j++)
    printf "grp%03d:x:%d:user%04d,user%04d\n", j, 20000 + j, (j * 3) % 2000, (j * 3 + 1) % 2000
  print "root:x:0:"
}' >"$dir/group"

export NSS_WRAPPER_PASSWD=$dir/passwd NSS_WRAPPER_GROUP=$dir/group
export HOSTKIT_PROVIDER_DIR=$HOSTKIT_BENCH_BUILD

listed=$(LD_PRELOAD=libnss_wrapper.so "$HOSTKIT_CLI" net users | wc -l)
if [ "$listed" != 2000 ]; then
  echo "netsec benchmark: hostkit net users listed $listed accounts, not 2000" >&2
  exit 1
fi
# Functions, so that nothing but the two programs themselves is started under the preload.
hostkit_users() { LD_PRELOAD=libnss_wrapper.so "$HOSTKIT_CLI" net users; }
getent_passwd() { LD_PRELOAD=libnss_wrapper.so getent passwd; }
# The best of several interleaved rounds: a run of a few milliseconds is easily delayed by
# whatever else the machine does.
ours=""
peer=""
for _ in 1 2 3 4 5 6; do
  o=$(seconds_of hostkit_users)
  p=$(seconds_of getent_passwd)
  if [ -z "$ours" ] || [ "$(echo "$o < $ours" | bc -l)" = 1 ]; then ours=$o; fi
  if [ -z "$peer" ] || [ "$(echo "$p < $peer" | bc -l)" = 1 ]; then peer=$p; fi
done
r=$(ratio "$ours" "$peer")
goal_line "hostkit net users vs getent passwd (2,000 accounts, nss_wrapper)" "${ours}s" "${peer}s" "$r" "<= 1.5x" "$(at_most "$r" 1.5)"
