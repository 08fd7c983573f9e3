#!/usr/bin/env bash
# Listing the normal user accounts of a 2,000-account directory: `hostkit net users` (the
# network API's paged listing, answered by the directory provider over NSS) against
# `getent passwd` reading the same nss_wrapper directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/bench/lib.sh"

dir=$HOSTKIT_BENCH_TMP/netsec
mkdir -p "$dir/etc"
# The directory of the tests (tests/netsec/directory_data.h): 1,998 generated accounts in a
# scrambled order, one with a 30 KB full name, the edges of the normal UID range, accounts
# outside it and a name listed twice; 600 small groups, a large one, one with a missing member,
# one listing everyone and one of 25,000 members.
awk 'BEGIN {
  for (k = 0; k < 1998; k++) {
    i = (k * 7919) % 1998
    gid = (i >= 1700) ? 30000 : 20000 + i % 600
    if (i == 1235) {
      gecos = ""
      for (p = 0; p < 2000; p++) gecos = gecos "Long name " p " "
      gecos = gecos ",Room " i
    } else if (i % 7 == 0) gecos = ""
    else if (i % 7 == 1) gecos = sprintf("Name %d,Room %d,555-0100,,", i, i)
    else if (i % 11 == 2) gecos = sprintf("Zo\303\253 \303\234nal %d", i)
    else gecos = sprintf("Person %d", i)
    name = sprintf("user%04d", i)
    printf "%s:x:%d:%d:%s:/home/%s:/bin/sh\n", name, 5000 + i, gid, gecos, name
  }
  print "edge-min:x:2000:20000:Edge Min:/home/edge-min:/bin/sh"
  print "edge-max:x:50000:20000::/home/edge-max:/bin/sh"
  print "root:x:0:0:root:/home/root:/bin/sh"
  print "daemon:x:1:1:daemon:/home/daemon:/bin/sh"
  print "below:x:1999:30000:Just Below:/home/below:/bin/sh"
  print "above:x:50001:20000:Just Above:/home/above:/bin/sh"
  print "nobody:x:65534:65534:nobody:/home/nobody:/bin/sh"
  print "user0008:x:5008:20008:Second Record:/home/user0008:/bin/sh"
}' >"$dir/passwd"
awk 'BEGIN {
  print "root:x:0:"
  for (j = 0; j < 600; j++)
    printf "grp%03d:x:%d:user%04d,user%04d\n", j, 20000 + j, (j * 3) % 1700, (j * 3 + 1) % 1700
  printf "staff:x:30000:"
  for (i = 0; i < 700; i++) printf "%suser%04d", (i ? "," : ""), i
  for (i = 1700; i < 1710; i++) printf ",user%04d", i
  printf "\n"
  print "broken:x:30001:user0001,zz-ghost,user0002"
  printf "crowd:x:30002:"
  for (i = 0; i < 1998; i++) printf "%suser%04d", (i ? "," : ""), (i * 31) % 1998
  printf "\n"
  printf "huge:x:30003:"
  for (i = 0; i < 25000; i++) printf "%smember%05d", (i ? "," : ""), i
  printf "\n"
}' >"$dir/group"
printf '# test host\nUID_MIN\t\t2000\nUID_MAX 50000\n' >"$dir/etc/login.defs"

export NSS_WRAPPER_PASSWD=$dir/passwd NSS_WRAPPER_GROUP=$dir/group
export HOSTKIT_PROVIDER_DIR=$HOSTKIT_BENCH_BUILD HOSTKIT_SYSCONF_DIR=$dir/etc

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
