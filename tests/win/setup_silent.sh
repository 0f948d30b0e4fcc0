#!/usr/bin/env bash
# The real setup.exe started with switches, under Wine:
#   silent     /S /D=... into a folder with blanks and Cyrillic letters: exit code 0, no window at
#              any time, the files byte for byte and the log (an entry per line, the outcome)
#   update     a second silent run replaces an installed file that was changed
#   never      /OVERWRITE=never keeps an existing file and writes the others
#   usage      an unknown switch under /S: exit code 4, a log line, nothing installed
#   refused    the program without its package and a package with a damaged byte in a file's
#              data, both under /S: a non-zero exit code and no window
#   help       /S /?: the usage text on the standard output it was given, exit code 0
#   wizard     /D= alone (with /LANG=en): the wizard opens with that destination on the Welcome
#              page; Cancel and Yes end it with exit code 1
#   setup_silent.sh WINE_RUN DRIVER ZMPACK SETUP WORK_DIR
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 work=$5/setup_silent

fail() {
  echo "FAIL: $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT

rm -rf "$work"
mkdir -p "$work/payload/docs" "$work/bare"
harness_init "$run" "$driver" "$zmpack"

payload=$work/payload
printf 'Read me first.\r\n' >"$payload/readme.txt"
printf 'Grüße, Привет\n' >"$payload/docs/guide.txt"
head -c 200000 /dev/urandom >"$payload/docs/table.bin"
pkg=$work/Setup.exe
h_pack "$pkg" "$stub" "$payload" --title Demo --id 7 || fail "no package"

# Any window of the installer's: the wizard, the language chooser, a box or a question.
windows='^(Setup|Choose your language|Confirm|Error|Cancel setup)'

# Runs the installer with the switches, watching the screen until it ends; sets H_SETUP_RC.
silent_run() {  # what, switches...
  local what=$1 seen
  shift
  H_SETUP_RC=""
  "$H_RUN" "$@" >/dev/null 2>&1 &
  H_SETUP_PID=$!
  while kill -0 "$H_SETUP_PID" 2>/dev/null; do
    seen=$(xdotool search --onlyvisible --name "$windows" getwindowname %@ 2>/dev/null)
    [ -z "$seen" ] || fail "$what: a window came up: $seen"
    sleep 0.05
  done
  setup_wait_exit 1000 || fail "$what: the installer did not end"
}

dest="$work/Program Files/Мои программы"
log=$work/logs/setup.log
expected_log() {  # the log of a run that installed everything
  printf 'Demo: %s\\\r\n' "$(h_winpath "$dest")"
  # In the package's order: the solid chain takes its files by extension, then name.
  printf '%s\r\n' 'docs\table.bin' 'docs\guide.txt' readme.txt
  printf 'Exit code 0: installed\r\n'
}

silent_run silent "$pkg" /S "/LOG=$(h_winpath "$log")" "/D=$(h_winpath "$dest")"
[ "$H_SETUP_RC" = 0 ] || fail "silent: exit code $H_SETUP_RC"
tree_equal "$payload" "$dest" || fail "silent: the files differ"
[ "$(cat "$log")" = "$(expected_log)" ] || fail "silent: the log says $(cat -A "$log")"

printf 'changed\n' >"$dest/readme.txt"
silent_run update "$pkg" -silent "/dir=$(h_winpath "$dest")"
[ "$H_SETUP_RC" = 0 ] || fail "update: exit code $H_SETUP_RC"
tree_equal "$payload" "$dest" || fail "update: the changed file was not replaced"

printf 'changed\n' >"$dest/readme.txt"
rm "$dest/docs/guide.txt"
silent_run never "$pkg" /S /OVERWRITE=never "/D=$(h_winpath "$dest")"
[ "$H_SETUP_RC" = 0 ] || fail "never: exit code $H_SETUP_RC"
[ "$(cat "$dest/readme.txt")" = changed ] || fail "never: the existing file was replaced"
cmp -s "$payload/docs/guide.txt" "$dest/docs/guide.txt" || fail "never: the missing file not written"

silent_run usage "$pkg" /S /QUIET "/LOG=$(h_winpath "$work/usage.log")"
[ "$H_SETUP_RC" = 4 ] || fail "usage: exit code $H_SETUP_RC"
grep -q '^Unknown switch: /QUIET\.' "$work/usage.log" || fail "usage: the log says $(cat "$work/usage.log")"
[ ! -e "$work/Demo" ] || fail "usage: something was installed"

cp "$stub" "$work/bare/setup.exe"
silent_run bare "$work/bare/setup.exe" /S
[ "$H_SETUP_RC" = 2 ] || fail "bare: exit code $H_SETUP_RC"
mkdir -p "$work/data"
python3 - "$pkg" "$work/data/Setup.exe" <<'PY' || fail "cannot damage the package"
import sys
data = bytearray(open(sys.argv[1], "rb").read())
# The biggest entry's data lies in the middle of the archive, the archive at the file's end.
data[len(data) - 100000] ^= 0x55
open(sys.argv[2], "wb").write(data)
PY
silent_run damaged "$work/data/Setup.exe" /S "/LOG=$(h_winpath "$work/damaged.log")"
[ "$H_SETUP_RC" = 2 ] || fail "damaged: exit code $H_SETUP_RC ($(cat "$work/damaged.log"))"
[ ! -e "$work/data/Demo" ] || fail "damaged: something was extracted"

"$H_RUN" "$pkg" /S '/?' >"$work/help.txt" 2>/dev/null || fail "help: exit code $?"
grep -q '^/OVERWRITE=always|never' "$work/help.txt" || fail "help: the output is $(cat "$work/help.txt")"

wizard_dest="$work/Другая папка"
window="Setup - Demo"
"$H_RUN" "$pkg" /LANG=en "/D=$(h_winpath "$wizard_dest")" >/dev/null 2>&1 &
H_SETUP_PID=$!
h_drv wait "$window" 60000 || fail "wizard: no window"
# The watch of the silent runs sees a window of the installer's when there is one.
xdotool search --onlyvisible --name "$windows" >/dev/null || fail "wizard: xdotool sees no window"
h_is "$(h_winpath "$wizard_dest")\\" text "$window" 114 || fail "wizard: not the destination"
h_drv click "$window" 107 || fail "wizard: no Cancel"
h_drv press "Cancel setup" Yes || fail "wizard: no question on Cancel"
setup_wait_exit 15000 || fail "wizard: did not end"
[ "$H_SETUP_RC" = 1 ] || fail "wizard: exit code $H_SETUP_RC"
[ ! -e "$wizard_dest" ] || fail "wizard: something was installed"
echo "ok: silent install, update, never, usage error, refusals and the wizard's destination"
