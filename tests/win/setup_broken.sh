#!/usr/bin/env bash
# The real setup.exe on packages it must refuse, under Wine:
#   bare      the program without any package: "Package Corrupted!" (caption "Setup", the red
#             error icon, no wizard), and the program ends once the box is closed
#   data      a package whose archive has one damaged byte in a file's compressed data: the
#             container and the listing are sound, so the wizard opens (German, preset); the
#             contents check fails, text 1 of the language shows with caption text 5, and the
#             window closes after it without a question; nothing is extracted
#   directory a package whose archive directory is damaged: the listing at start-up fails, so
#             it is refused like the bare program
#   setup_broken.sh WINE_RUN DRIVER ZMPACK SETUP WORK_DIR SHOT_DIR
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 work=$5/setup_broken shots=$6

fail() {
  echo "FAIL: $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT

rm -rf "$work"
mkdir -p "$work/bare" "$work/payload/docs"
harness_init "$run" "$driver" "$zmpack" "$shots"

# The refusal box: text, caption, icon, no wizard, and the end of the program once it is closed.
expect_refused() {  # package, picture name
  local box=Setup x y w h red
  setup_start "$1"
  h_drv wait "$box" 60000 || fail "$2: no message box"
  h_until 10000 "$2: the box" h_is "Package Corrupted!" text "$box" 0 || fail "$2: the box"
  h_drv wait "Setup - " 0 >/dev/null 2>&1 && fail "$2: a wizard window came up"
  setup_shot "$box" "refused-$2" || fail "$2: no picture"
  # The error icon is the red one (question and information icons are blue, warning yellow).
  read -r x y w h < <(h_drv icon "$box") || fail "$2: the box has no icon"
  red=$(import -window root -crop "${w}x${h}+${x}+${y}" +repage \
    -format '%[fx:mean.r-max(mean.g,mean.b)>0.15]' info:) || fail "$2: icon not readable"
  [ "$red" = 1 ] || fail "$2: the icon is not the error icon"
  h_drv press "$box" OK || fail "$2: no OK button"
  setup_wait_exit 15000 || fail "$2: the program did not end after the box"
  [ "$H_SETUP_RC" = 2 ] || fail "$2: exit code $H_SETUP_RC"
}

cp "$stub" "$work/bare/setup.exe"
expect_refused "$work/bare/setup.exe" bare

# A small package in German: its archive block starts at data_offset and ends the file.
printf 'Erste Zeile\nZweite Zeile\n%.0s' {1..20} >"$work/payload/readme.txt"
printf 'guide\n' >"$work/payload/docs/guide.txt"
good=$work/good.exe
h_pack "$good" "$stub" "$work/payload" --title Demo --language de || fail "no package"
zip_at=$(h_zmpack info --json "$good" | python3 -c '
import json, sys
blocks = json.load(sys.stdin)["container"]["blocks"]
print([b["data_offset"] for b in blocks if b["name"] == "zip"][0])') || fail "no archive block"

damage() {  # package, what: data | directory
  python3 - "$1" "$zip_at" "$2" <<'EOF' || fail "cannot damage $1"
import struct, sys
path, start, what = sys.argv[1], int(sys.argv[2]), sys.argv[3]
data = bytearray(open(path, "rb").read())
if what == "data":
    # Inside the compressed data of the first entry that has some.
    at = start
    while data[at:at + 4] == b"PK\x03\x04":
        size = struct.unpack_from("<I", data, at + 18)[0]
        name, extra = struct.unpack_from("<HH", data, at + 26)
        body = at + 30 + name + extra
        if size >= 8:
            data[body + size // 2] ^= 0x55
            break
        at = body + size
    else:
        sys.exit("no entry with data")
else:
    # The first directory record loses its signature.
    at = data.index(b"PK\x01\x02", start)
    data[at + 3] ^= 0x7F
open(path, "wb").write(data)
EOF
}

bad_data=$work/data/Setup.exe bad_dir=$work/directory/Setup.exe
mkdir -p "$work/data" "$work/directory"
cp "$good" "$bad_data" && damage "$bad_data" data
cp "$good" "$bad_dir" && damage "$bad_dir" directory

expect_refused "$bad_dir" directory

window="Setup - Demo"
harness_headings de Demo || fail "no headings"
setup_until_message "$bad_data" "$window" 2 30000 Fehler ||
  fail "data: the check did not end with the error box"
text=$H_TEXT
[ "$text" = "Das Archiv ist beschädigt, das Entpacken ist nicht möglich." ] ||
  fail "data: the box says \"$text\""
setup_shot Fehler damaged-data || fail "data: no picture"
h_drv press Fehler OK || fail "data: no OK button"
setup_wait_exit 15000 || fail "data: the wizard did not close after the message"
[ "$H_SETUP_RC" = 2 ] || fail "data: exit code $H_SETUP_RC"
[ ! -e "$work/data/Demo" ] || fail "data: something was extracted"
echo "ok: bare program and damaged directory refused at start-up, damaged data at the check"
