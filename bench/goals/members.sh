#!/usr/bin/env bash
# Listing the members of a 30,000-member group with their full names: `hostkit net members`
# (the network API's paged member listing and a user record per member, answered by the
# directory provider over NSS) against `getent group NAME` plus `getent passwd` in one run,
# which read the same nss_wrapper directory once each.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/bench/lib.sh"

dir=$HOSTKIT_BENCH_TMP/members
mkdir -p "$dir/etc"
# 30,000 accounts in a scrambled order, all members of "big" by its member list.
awk 'BEGIN {
  for (k = 0; k < 30000; k++) {
    i = (k * 7919) % 30000
    printf "user%05d:x:%d:20000:Person %d,Room %d:/home/user%05d:/bin/sh\n", i, 100000 + i, i, i, i
  }
}' >"$dir/passwd"
awk 'BEGIN {
  print "users:x:20000:"
  printf "big:x:40000:"
  for (i = 0; i < 30000; i++) printf "%suser%05d", (i ? "," : ""), (i * 31) % 30000
  printf "\n"
}' >"$dir/group"
printf '# test host\nUID_MIN\t\t1000\nUID_MAX 60000\n' >"$dir/etc/login.defs"

export NSS_WRAPPER_PASSWD=$dir/passwd NSS_WRAPPER_GROUP=$dir/group
export HOSTKIT_PROVIDER_DIR=$HOSTKIT_BENCH_BUILD HOSTKIT_SYSCONF_DIR=$dir/etc

listed=$(LD_PRELOAD=libnss_wrapper.so "$HOSTKIT_CLI" net members big | wc -l)
if [ "$listed" != 30000 ]; then
  echo "members benchmark: hostkit net members listed $listed members, not 30000" >&2
  exit 1
fi
hostkit_members() { LD_PRELOAD=libnss_wrapper.so "$HOSTKIT_CLI" net members big; }
getent_both() {
  LD_PRELOAD=libnss_wrapper.so getent group big
  LD_PRELOAD=libnss_wrapper.so getent passwd
}
ours=""
peer=""
for _ in 1 2 3; do
  o=$(seconds_of hostkit_members)
  p=$(seconds_of getent_both)
  if [ -z "$ours" ] || [ "$(echo "$o < $ours" | bc -l)" = 1 ]; then ours=$o; fi
  if [ -z "$peer" ] || [ "$(echo "$p < $peer" | bc -l)" = 1 ]; then peer=$p; fi
done
r=$(ratio "$ours" "$peer")
goal_line "hostkit net members vs getent group + passwd (30,000 members)" "${ours}s" "${peer}s" "$r" "<= 3x" "$(at_most "$r" 3)"
