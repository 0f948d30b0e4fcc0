#!/usr/bin/env bash
# The real setup.exe under Wine against hostile and damaged packages and a destination that
# refuses to be written:
#   names    names of tests/data/hostile_names.txt that only Windows takes as paths or devices,
#            one package each after a sound file: the box names the refusal, only the sound file
#            arrives, and a snapshot of the work folder, the prefix's drive C: and the places the
#            names point at shows nothing written anywhere else
#   sweep    a sample of cuts and single-byte flips of a sound package's container and archive
#            directory: each run ends with "Package Corrupted!", text 1 after the check, or an
#            error box, never a crash or a hang; files that arrive are whole
#   blocked  a file in the destination where a folder has to be: the wizard shows its error,
#            does not offer or run the program, and leaves no partial file
#   readonly a destination folder that refuses every change (immutable attribute; skipped where
#            the file system has none): the error box, nothing written
#   setup_hostile.sh WINE_RUN DRIVER ZMPACK SETUP SAMPLE_APP HOSTILE_NAMES WORK_DIR
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 sample=$5 table=$6 work=$7/setup_hostile
window="Setup - Demo"
# A package that lost its language pack speaks the built-in Russian.
text1_en="The archive is damaged; extraction is impossible."
text1_ru="Архив повреждён, распаковка невозможна."

fail() {
  echo "FAIL: $*" >&2
  setup_stop
  [ -n "${immutable:-}" ] && chattr -i "$immutable" 2>/dev/null
  exit 1
}
trap 'setup_stop; [ -n "${immutable:-}" ] && chattr -i "$immutable" 2>/dev/null' EXIT

rm -rf "$work"
mkdir -p "$work/payload/bin" "$work/payload/data"
harness_init "$run" "$driver" "$zmpack" ""

payload=$work/payload
printf 'Read me first.\r\n' >"$payload/readme.txt"
head -c 3000 /dev/urandom >"$payload/data/table.bin"
cp "$sample" "$payload/bin/Sample.EXE"

# Files below a folder with their checksums; a destination is sound when every file in it is
# the payload's file of that name, byte for byte, and no temporary file is left.
sums() { (cd "$1" && find . -type f -exec md5sum {} + | sed 's| \./| |' | sort); }
sound_or_absent() {  # destination, label
  [ -d "$1" ] || return 0
  local line name
  if find "$1" -name '~zm*' | grep -q .; then fail "$2: a temporary file was left"; fi
  while read -r line; do
    name=${line#* }
    grep -qxF "$line" <<<"$(sums "$payload")" || fail "$2: $name is not the payload's file"
  done < <(sums "$1")
}

# Waits for the installer's first window: the refusal box, or the wizard (in English, or in the
# built-in Russian). Fails when the program ends without one (a crash) or shows none in time (a
# hang).
first_window() {  # label
  local i t
  for i in $(seq 1 40); do
    for t in Setup Установка; do
      h_drv wait "$t" 500 >/dev/null 2>&1 && { h_drv title "$t"; return 0; }
    done
    kill -0 "$H_SETUP_PID" 2>/dev/null || fail "$1: the installer ended without a window"
  done
  fail "$1: no window within a minute"
}

# One run of a package that may be damaged; prints the outcome.
run_damaged() {  # package, label
  local pkg=$1 label=$2 title event text caption
  setup_start "$pkg"
  title=$(first_window "$label")
  if [ "$title" = Setup ]; then
    h_until 10000 "$label: the box" h_is "Package Corrupted!" text Setup 0 || fail "$label: the box"
    h_drv press Setup OK || fail "$label: no OK"
    setup_wait_exit 15000 || fail "$label: the installer did not end after the box"
    echo "refused"
    return
  fi
  case $title in
    "Setup - Demo") harness_headings en Demo ;;
    "Установка - Demo") harness_headings ru Demo ;;
    *) fail "$label: unexpected window \"$title\"" ;;
  esac
  h_drv click "$title" 106 || fail "$label: no Next"
  event=$(h_drv await "$title" 34 90000) || fail "$label: no end after the check"
  case $event in
    "message Error" | "message Ошибка")
      caption=${event#message }
      h_until 10000 "$label: the box has no text" h_drv_nonempty text "$caption" 0 || fail "$label"
      text=$(h_drv text "$caption" 0)
      h_drv press "$caption" OK || fail "$label: no OK on the error box"
      if [ "$text" = "$text1_en" ] || [ "$text" = "$text1_ru" ]; then
        setup_wait_exit 15000 || fail "$label: the wizard stayed after text 1"
        echo "damaged"
      else
        setup_stop
        echo "error: $text"
      fi
      ;;
    "page 3" | "page 4")
      setup_stop
      echo "installed"
      ;;
    *) fail "$label: after the check: $event" ;;
  esac
  sound_or_absent "$(dirname "$pkg")/Demo" "$label"
}

good=$work/good/Setup.exe
mkdir -p "$work/good"
harness_headings en Demo || fail "no headings"
h_pack "$good" "$stub" "$payload" --title Demo --language en || fail "no package"

# --- names -----------------------------------------------------------------------------------
# The installer stops at the first entry it refuses, so each run tries one name: a few of the
# table's, those only Windows would take as paths or devices.
prefix_c=${ZM_WINEPREFIX:-}/drive_c
snapshot() {
  (cd "$work" && find . -path ./names/Demo -prune -o -printf '%p %s\n' | sort)
  [ -d "$prefix_c" ] && find "$prefix_c" -maxdepth 1 -printf '%p %s\n' | sort
  for p in /x /tmp/x /etc/passwd; do stat -c '%n %s %Y' "$p" 2>/dev/null; done
}
tried=0
for name in '..＼x' '\\?\C:\x' 'CON'; do
  grep -qxF -e "$name" "$table" || fail "names: $name is not in the table"
  rm -rf "$work/names"
  mkdir -p "$work/names"
  python3 -c '
import sys, zipfile
z = zipfile.ZipFile(sys.argv[2], "w")
z.writestr("ok.txt", "ok")
z.writestr(zipfile.ZipInfo(sys.argv[1]), "escaped")
z.close()' "$name" "$work/names/hostile.zip" || fail "no hostile archive"
  h_zmpack create -o "$work/names/Setup.exe" --stub "$stub" --title Demo --language en \
    --zip "$work/names/hostile.zip" >/dev/null || fail "no package for $name"
  before=$(snapshot)
  setup_until_message "$work/names/Setup.exe" "$window" 34 90000 Error ||
    fail "names ($name): the extraction did not end with the error box"
  text=$H_TEXT
  h_drv press Error OK || fail "names ($name): no OK"
  setup_stop
  grep -q "refused entry name" <<<"$text" || fail "names ($name): the box says \"$text\""
  held=$(cd "$work/names/Demo" && find . -mindepth 1 -printf '%P ')
  [ "$held" = "ok.txt " ] || fail "names ($name): the destination holds $held"
  after=$(snapshot)
  [ "$before" = "$after" ] ||
    fail "names ($name): written outside the destination: $(diff <(echo "$before") <(echo "$after"))"
  tried=$((tried + 1))
  echo "names: $name refused (\"$text\"), only ok.txt arrived, nothing outside"
done
echo "names: $tried names of the table through setup.exe, each refused"

# --- sweep -----------------------------------------------------------------------------------
read -r head_at zip_rec zip_at size < <(h_zmpack info --json "$good" | python3 -c '
import json, os, sys
c = json.load(sys.stdin)["container"]
z = [b for b in c["blocks"] if b["name"] == "zip"][0]
print(c["offset"], z["offset"], z["data_offset"], os.path.getsize(sys.argv[1]))' "$good") ||
  fail "no layout of the package"
cd_at=$(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
print(int(sys.argv[2]) + struct.unpack_from("<I", d, len(d) - 6)[0])' "$good" "$zip_at")
# What to do to the package: "cut N" keeps N bytes, "flip N MASK" XORs one byte.
samples=(
  "cut $((head_at + 4))" "cut $((zip_rec + 10))" "cut $((zip_at + 200))" "cut $((size - 30))"
  "cut $((size - 1))" "flip $head_at 255" "flip $((head_at + 12)) 1" "flip $((zip_rec + 12)) 255"
  "flip $((cd_at + 46)) 1" "flip $((size - 6)) 1"
)
declare -A seen=()
n=0
for s in "${samples[@]}"; do
  n=$((n + 1))
  dir=$work/sweep/$n
  mkdir -p "$dir"
  python3 - "$good" "$dir/Setup.exe" $s <<'EOF' || fail "cannot make sample $s"
import sys
data = bytearray(open(sys.argv[1], "rb").read())
what, at = sys.argv[3], int(sys.argv[4])
if what == "cut":
    data = data[:at]
else:
    data[at] ^= int(sys.argv[5])
open(sys.argv[2], "wb").write(data)
EOF
  outcome=$(run_damaged "$dir/Setup.exe" "sweep $s") || exit 1
  echo "sweep $s: $outcome"
  seen[${outcome%%:*}]=1
done
echo "sweep: ${#samples[@]} samples, crashes=0, hangs=0, outcomes: ${!seen[*]}"

# Installs $work/LABEL/Setup.exe into a destination that refuses the writes: the extraction
# ends with the error box (its text in $text), the wizard stays on the extraction page and
# neither offers nor starts the program.
expect_write_error() {  # label
  setup_until_message "$work/$1/Setup.exe" "$window" 34 90000 Error ||
    fail "$1: the extraction did not end with the error box"
  text=$H_TEXT
  h_drv press Error OK || fail "$1: no OK"
  h_drv wait "Sample Program" 1500 >/dev/null 2>&1 && fail "$1: the program was started"
  h_until 10000 "$1: the wizard left the extraction page" h_is 2 page "$window" || fail "$1"
  setup_stop
}

# --- blocked ---------------------------------------------------------------------------------
mkdir -p "$work/blocked/Demo"
cp "$good" "$work/blocked/Setup.exe"
echo "in the way" >"$work/blocked/Demo/data"
expect_write_error blocked
[ "$(cat "$work/blocked/Demo/data")" = "in the way" ] || fail "blocked: the file in the way changed"
rm "$work/blocked/Demo/data"
sound_or_absent "$work/blocked/Demo" blocked
grep -q "data/" <<<"$text" || fail "blocked: the box does not name the entry: $text"
echo "blocked: the error box says \"$text\"; the program did not start"

# --- readonly --------------------------------------------------------------------------------
mkdir -p "$work/readonly/Demo"
cp "$good" "$work/readonly/Setup.exe"
if chattr +i "$work/readonly/Demo" 2>/dev/null; then
  immutable=$work/readonly/Demo
  expect_write_error readonly
  chattr -i "$immutable"
  immutable=""
  [ -z "$(ls -A "$work/readonly/Demo")" ] || fail "readonly: written: $(ls -A "$work/readonly/Demo")"
  grep -q "bin/" <<<"$text" || fail "readonly: the box does not name the entry: $text"
  echo "readonly: the error box says \"$text\"; nothing written"
else
  echo "readonly: the immutable attribute is not available here; skipped"
fi
echo "ok: hostile names, sampled damage, a blocked and a read-only destination"
