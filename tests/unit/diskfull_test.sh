#!/usr/bin/env bash
# zmpack extract onto a destination that fills up. The package holds a small file, a 4 MB file and
# another small file; the destination takes 2 MiB. The big file must fail with a message naming
# it, leave nothing behind (neither a truncated file nor a temporary one), the file before it must
# come out whole, the run stops there as the installer's does (so the last file is not written),
# and the exit status must say it failed.
#
# Two ways to make writes fail for real, each run where it works and named in the output:
#   tmpfs   a 2 MiB tmpfs mounted in a private mount namespace (needs the right to mount);
#   fsize   a 2 MiB file size limit (RLIMIT_FSIZE) with SIGXFSZ ignored: writes fail with EFBIG.
set -u
zmpack=$(realpath "${1:?usage: diskfull_test.sh ZMPACK}")
self=$(realpath "$0")

# Inside the namespace: mount, extract, and report the tree before the mount goes away.
if [ "${2:-}" = "--inside" ]; then
  mount -t tmpfs -o size=2m zmfull "$3" || exit 3
  "$zmpack" extract -d "$3/dest" --overwrite never "$4" >"$5.out" 2>"$5.err"
  echo $? >"$5.rc"
  (cd "$3/dest" && find . -type f -printf '%P %s\n' | sort) >"$5.tree"
  (cd "$3/dest" && find . -type f -exec md5sum {} + | sed 's| \./| |' | sort) >"$5.sums"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/sub" "$work/mnt"
printf 'first\n' >"$work/src/a-first.txt"
yes 'a line of the big file that fills the disk' | head -c 4000000 >"$work/src/sub/big.txt"
printf 'last\n' >"$work/src/z-last.txt"
"$zmpack" create -o "$work/pkg.exe" --stub none "$work/src" >/dev/null || { echo "FAIL: create"; exit 1; }
(cd "$work/src" && find . -type f -exec md5sum {} + | sed 's| \./| |' | sort) >"$work/expected.sums"

failures=0 ran=""
fail() { echo "FAIL ($1): $2"; failures=$((failures + 1)); }

# Checks one run's results: $1 method, $2 result prefix.
check() {
  local m=$1 r=$2
  local rc; rc=$(cat "$r.rc")
  [ "$rc" = 1 ] || fail "$m" "exit status $rc, expected 1"
  grep -q 'sub/big.txt' "$r.err" || fail "$m" "no message names sub/big.txt: $(cat "$r.err")"
  if grep -q 'big.txt' "$r.tree"; then fail "$m" "a truncated big.txt was left: $(cat "$r.tree")"; fi
  if grep -q '~zm' "$r.tree"; then fail "$m" "a temporary file was left: $(cat "$r.tree")"; fi
  grep 'a-first.txt' "$work/expected.sums" | diff - "$r.sums" >/dev/null ||
    fail "$m" "not just the first file, whole: $(cat "$r.tree")"
  echo "disk full ($m): exit $rc; $(head -c 300 "$r.err" | tr '\n' ' ')"
}

if unshare --mount --propagation private true 2>/dev/null &&
   unshare --mount --propagation private "$self" "$zmpack" --inside "$work/mnt" "$work/pkg.exe" \
     "$work/tmpfs"; then
  ran="$ran tmpfs"
  check "tmpfs of 2 MiB" "$work/tmpfs"
else
  echo "disk full (tmpfs): mounting is not permitted here; only the file size limit runs"
fi

mkdir -p "$work/fsize"
(
  trap '' XFSZ
  ulimit -f 2048
  exec "$zmpack" extract -d "$work/fsize/dest" --overwrite never "$work/pkg.exe"
) >"$work/fsize.out" 2>"$work/fsize.err"
echo $? >"$work/fsize.rc"
(cd "$work/fsize/dest" && find . -type f -printf '%P %s\n' | sort) >"$work/fsize.tree"
(cd "$work/fsize/dest" && find . -type f -exec md5sum {} + | sed 's| \./| |' | sort) >"$work/fsize.sums"
ran="$ran fsize"
check "file size limit of 2 MiB, EFBIG" "$work/fsize"

echo "disk full methods run:$ran; failures: $failures"
[ "$failures" = 0 ]
