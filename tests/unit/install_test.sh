#!/usr/bin/env bash
# The installed layout, as a publisher gets it: `cmake --install` with DESTDIR and a prefix of its
# own, then the installed zmpack alone builds a package without --stub (its stub must be the i686
# setup.exe, byte for byte) which it verifies, and its man page renders and names every command.
#   install_test.sh BUILD_DIR SOURCE_DIR
# Without the Windows stubs built the test is skipped (77), unless ZM_REQUIRE_STUBS is set.
set -euo pipefail
build=$1 src=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
stub32=$(sed -n 's/^ZM_WIN32_BUILD_DIR:PATH=//p' "$build/CMakeCache.txt")/app/setup.exe
stub64=$(sed -n 's/^ZM_WIN64_BUILD_DIR:PATH=//p' "$build/CMakeCache.txt")/app/setup.exe
for s in "$stub32" "$stub64"; do
  if [ ! -f "$s" ]; then
    [ -n "${ZM_REQUIRE_STUBS:-}" ] && fail "$s is missing"
    echo "skipped: $s is not built"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR=$work/root cmake --install "$build" --prefix /opt/zm >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install"; }
root=$work/root/opt/zm
zmpack=$root/bin/zmpack
cmp "$stub32" "$root/share/zmsetup/setup.exe" || fail "share/zmsetup/setup.exe is not the i686 stub"
cmp "$stub64" "$root/share/zmsetup/setup-x86_64.exe" || fail "setup-x86_64.exe is not the x86-64 stub"
cmp "$src/lang/packs/languages.xml" "$root/share/zmsetup/languages.xml" || fail "language pack"
[ -f "$root/share/zmsetup/examples/demo/readme.txt" ] || fail "the examples are not installed"

# Moved after installing, as an unpacked tarball is: the stub is found relative to the program.
mv "$root" "$work/moved"
root=$work/moved zmpack=$work/moved/bin/zmpack
(cd "$work" && "$zmpack" create -o Setup.exe --title "Install test" "$src/examples/demo") ||
  fail "zmpack create without --stub"
size=$(stat -c %s "$stub32")
head -c "$size" "$work/Setup.exe" | cmp -s - "$stub32" || fail "the package's stub is not setup.exe"
[ "$(stat -c %s "$work/Setup.exe")" -gt "$size" ] || fail "the package carries no container"
"$zmpack" verify "$work/Setup.exe" >"$work/verify.log" || { cat "$work/verify.log"; fail verify; }

page=$root/share/man/man1/zmpack.1.gz
text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err") || fail "man -l $page"
[ -s "$work/man.err" ] && { cat "$work/man.err"; fail "the man page renders with warnings"; }
commands=$("$zmpack" --help | sed -n 's/^  \([a-z][a-z]*\)  .*/\1/p')
[ -n "$commands" ] || fail "no commands in zmpack --help"
for c in $commands; do
  grep -qx "   zmpack $c" <<<"$text" || fail "the man page has no section for zmpack $c"
  # Every option of the command is described under its name.
  for o in $("$zmpack" "$c" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$o" <<<"$text" || fail "the man page does not name $c's $o"
  done
done
echo "installed, moved, packed without --stub ($size-byte i686 stub), verified; man page names:" $commands
