#!/usr/bin/env bash
# A package made by zmpack.exe, installed through the real setup.exe under Wine, in one language:
#   de  the package presets German: no chooser; two files exist already, one question is
#       answered Yes and one No; the Ready page starts the installed program
#   ru  the package presets Russian; the destination is chosen through Browse and holds one of
#       the files already (Yes replaces it); the Ready page's box is unticked, so nothing starts
#   en  no preset: the language chooser comes first (English is picked); two files exist, No to
#       All at the first question answers the second too
# Every run checks the installed files byte for byte, the log, the progress, the captions in the
# language and the task-bar title, and keeps a picture of every page in SHOT_DIR.
# The de package has one byte of its language pack changed (in the pack's leading comment), a
# block no CRC guards: unsigned, it installs as before.
# With "signed" (and the version probe) last, the package is the publisher's: zmpack.exe brands it
# (icon, version record, a plain-coloured wizard picture), osslsigncode signs it after packing
# (SHA-1 with a nested SHA-256 signature) and verifies it, zmpack.exe must find the signature
# sound, Windows must read the branding (tests/win/version_probe.cpp) and the wizard must show the
# picture. A copy with that one byte of the language pack changed after signing fails the
# contents check (the file's digest no longer matches): text 1 of the language in the error box,
# exit code 2, nothing written to its destination.
#   setup_install.sh WINE_RUN DRIVER ZMPACK SETUP SAMPLE_APP WORK_DIR SHOT_DIR LANG [signed PROBE]
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 sample=$5 work=$6/setup_install_$8${9:+_$9} shots=$7 lang=$8
signed=${9:-} probe=${10:-}

fail() {
  echo "FAIL ($lang): $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT

rm -rf "$work"
mkdir -p "$work/payload/docs" "$work/payload/data" "$work/payload/bin" "$work/pkg"
harness_init "$run" "$driver" "$zmpack" "$shots"

payload=$work/payload
printf 'Read me first.\r\nVersion 2\r\n' >"$payload/readme.txt"
printf 'Grüße, Привет: a guide in UTF-8.\n' >"$payload/docs/guide.txt"
head -c 300 /dev/urandom >"$payload/data/table.bin"
: >"$payload/data/empty.dat"
cp "$sample" "$payload/bin/Sample.EXE"

options=(--title Demo --id 7)
case $lang in
  de | ru) options+=(--language "$lang") ;;
esac
pkg=$work/pkg/Setup.exe
if [ -n "$signed" ]; then
  # The publisher's picture: one colour, (200, 30, 160), easy to find on the screen.
  python3 - "$work/side.bmp" <<'EOF_BMP' || fail "no picture"
import struct, sys
w, h = 163, 314
stride = (w * 3 + 3) & ~3
row = bytes([160, 30, 200]) * w + bytes(stride - w * 3)
bits = row * h
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
open(sys.argv[1], "wb").write(head + info + bits)
EOF_BMP
  python3 "$(dirname "$0")/../../wizard/art/make_art.py" icon "$work/brand.ico" || fail "no icon"
  options+=(--icon "$work/brand.ico" --picture "$work/side.bmp"
    --version-info "ProductName=Démo Продукт" --version-info CompanyName=Acme
    --version-info FileVersion=3.1.4.1 --version-info "FileDescription=Demo Setup")
fi
h_pack "$pkg" "$stub" "$payload" "${options[@]}" || fail "no package"

lpk_change() {  # package: one bit of a letter in the language pack's leading comment
  local info
  info=$(h_zmpack info --json "$1") || return 1
  python3 -c '
import json, sys
path, info = sys.argv[1], json.loads(sys.argv[2])
lpk = [b for b in info["container"]["blocks"] if b["name"] == "lpk"][0]
data = bytearray(open(path, "rb").read())
start, key = lpk["data_offset"], lpk["key"] if lpk["scrambled"] else 0
plain = bytes(b ^ key for b in data[start:start + lpk["data_size"]])
at = plain.index(b"installer ships", 0, plain.index(b"-->"))
data[start + at] ^= 0x01
open(path, "wb").write(data)' "$1" "$info"
}
[ "$lang" = de ] && [ -z "$signed" ] && { lpk_change "$pkg" || fail "cannot change the language pack"; }
if [ -n "$signed" ]; then
  # Before signing, the branded file's checksum is the one Windows computes for the whole file.
  seen=$(h_wine "$probe" "$(h_winpath "$pkg")" | tr -d '\r') || fail "the version probe failed"
  grep -qx "checksum=ok" <<<"$seen" || fail "Windows finds another checksum: $seen"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
    -days 30 -subj "/O=Test Publisher/CN=Test Signing" >/dev/null 2>&1 || fail "no certificate"
  osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha1 -in "$pkg" \
    -out "$pkg.1" >/dev/null &&
    osslsigncode sign -nest -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 \
      -in "$pkg.1" -out "$pkg.2" >/dev/null && mv "$pkg.2" "$pkg" && rm -f "$pkg.1" ||
    fail "osslsigncode could not sign the package"
  verdict=$(h_zmpack verify "$pkg") || fail "zmpack.exe verify of the signed package: $verdict"
  grep -q "^signature: 2 (sha1, signed by O=Test Publisher, CN=Test Signing) ok" <<<"$verdict" ||
    fail "zmpack.exe does not show the two signatures: $verdict"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$pkg" >"$work/osslverify.log" 2>&1 ||
    { cat "$work/osslverify.log"; fail "osslsigncode does not verify the branded package"; }
  seen=$(h_wine "$probe" "$(h_winpath "$pkg")" | tr -d '\r') || fail "the version probe failed"
  for want in "fixed.FileVersion=3.1.4.1" "fixed.ProductVersion=3.1.4.1" \
    "ProductName=Démo Продукт" "CompanyName=Acme" "FileDescription=Demo Setup" \
    "FileVersion=3.1.4.1" "ProductVersion=3.1.4.1" "OriginalFilename=setup.exe" \
    "icon16=16x16" "icon48=48x48" "picture.bytes=$(stat -c %s "$work/side.bmp")" "checksum=ok"; do
    grep -qxF -e "$want" <<<"$seen" || fail "Windows does not read \"$want\" from the package: $seen"
  done
fi

# What the destination must hold afterwards, and what it holds before.
expected=$work/expected
cp -r "$payload" "$expected"
dest=$work/pkg/Demo
case $lang in
  de | en)
    mkdir -p "$dest/docs"
    echo "an older readme" >"$dest/readme.txt"
    echo "an older guide" >"$dest/docs/guide.txt"
    cp "$dest/docs/guide.txt" "$expected/docs/guide.txt"
    [ "$lang" = en ] && cp "$dest/readme.txt" "$expected/readme.txt"
    ;;
  ru)
    dest=$work/chosen
    mkdir -p "$dest"
    echo "an older readme" >"$dest/readme.txt"
    ;;
esac

questions=()
setup_on_question() {
  local text
  h_until 10000 "the question has no text" h_drv_nonempty text Confirm 0 || return 1
  text=$(h_drv text Confirm 0) || return 1
  questions+=("$text")
  case $lang in
    en) h_drv press Confirm "No to All" ;;
    *)
      case $text in
        *readme.txt*) h_drv press Confirm Yes ;;
        *guide.txt*) h_drv press Confirm No ;;
        *) echo "unexpected question: $text" >&2 && return 1 ;;
      esac
      ;;
  esac
}

case $lang in
  de) window="Setup - Demo" next=Weiter ;;
  ru) window="Установка - Demo" next=Далее ;;
  en) window="Setup - Demo" next=Next ;;
esac
harness_headings "$lang" Demo || fail "no headings"

if [ -n "$signed" ]; then
  changed=$work/changed/Setup.exe
  mkdir -p "$work/changed" && cp "$pkg" "$changed" && lpk_change "$changed" ||
    fail "cannot change the signed package"
  setup_until_message "$changed" "$window" 2 30000 Fehler ||
    fail "changed: the check did not end with the error box"
  [ "$H_TEXT" = "Das Archiv ist beschädigt, das Entpacken ist nicht möglich." ] ||
    fail "changed: the box says \"$H_TEXT\""
  h_drv press Fehler OK || fail "changed: no OK button"
  setup_wait_exit 15000 || fail "changed: the wizard did not close after the message"
  [ "$H_SETUP_RC" = 2 ] || fail "changed: exit code $H_SETUP_RC"
  [ -z "$(ls -A "$work/changed" | grep -vx Setup.exe)" ] || fail "changed: something was written"
fi

setup_start "$pkg"
if [ "$lang" = en ]; then
  h_drv wait "Choose your language" 60000 || fail "no language chooser"
  setup_shot "Choose your language" "$lang-0-chooser" || fail "no picture of the chooser"
  setup_choose_language English || fail "the chooser did not take English"
else
  h_drv wait "$window" 60000 || fail "no wizard window"
  # A preset language never asks.
  h_drv gone "Choose your language" 0 >/dev/null || fail "the chooser came with a preset language"
fi
h_drv wait "$window" 30000 || fail "no wizard window \"$window\""
h_until 10000 "task-bar title" h_is Setup apptitle "$window" || fail "task-bar title"
h_until 10000 "Next's caption" h_is "$next" text "$window" 106 || fail "Next's caption"
if [ "$lang" = de ]; then
  h_drv minrestore "$window" || fail "minimize and restore"
fi
# The wizard's side picture (at the client's top left) is the publisher's.
side_colour() {
  local x y w h
  h_drv settle "$window" >/dev/null || return 1
  read -r x y w h < <(h_drv client "$window") || return 1
  import -window root -crop "163x314+${x}+${y}" +repage \
    -format '%[fx:abs(mean.r-200/255)<0.04 && abs(mean.g-30/255)<0.04 && abs(mean.b-160/255)<0.04]' \
    info: | grep -qx 1 || { echo "the picture's colour is not (200, 30, 160)"; return 1; }
}
if [ -n "$signed" ]; then
  h_until 10000 "the side picture" side_colour || fail "the wizard does not show the publisher's picture"
fi

walk_dest=""
[ "$lang" = ru ] && walk_dest=$dest
if [ "$lang" = ru ]; then
  # Nothing is started when the Ready page's box is unticked.
  setup_on_ready() { h_drv click "$1" 142 && h_until 10000 "the box stays ticked" h_is 0 checked "$1" 142; }
else
  # The Finish page starts the program; its box is moved clear of the page's picture.
  setup_on_finish() { h_drv wait "Sample Program" 20000 && h_drv move "Sample Program" 8 8; }
fi
setup_walk "$window" "$walk_dest" "$lang${signed:+-$signed}" || fail "the wizard walk stopped"
[ "$H_DEST" = "$dest/" ] || fail "installed into \"$H_DEST\", expected \"$dest/\""

# The extraction page as it was left: the whole archive done, one log line per file. The window
# draws the bars and the log at its own pace, so each is waited for.
h_until 10000 "overall progress" h_is 100 pos "$window" 133 || fail "overall progress ends short"
log_lines() {  # one line per file, each once
  local log f
  log=$(h_drv text "$window" 134) || return 1
  for f in readme.txt docs/guide.txt data/table.bin data/empty.dat bin/Sample.EXE; do
    [ "$(grep -cxF -e "$f" -e "${f//\//\\}" <<<"$log")" = 1 ] ||
      { echo "log line for $f: $log"; return 1; }
  done
}
h_until 10000 "the log" log_lines || fail "the log does not show each file once"

case $lang in
  de)
    [ ${#questions[@]} = 2 ] || fail "${#questions[@]} questions: ${questions[*]}"
    grep -q "Überschreiben" <<<"${questions[0]}" || fail "question not in German: ${questions[0]}"
    ;;
  en) [ ${#questions[@]} = 1 ] || fail "No to All did not answer the rest: ${questions[*]}" ;;
  ru)
    [ ${#questions[@]} = 1 ] || fail "${#questions[@]} questions: ${questions[*]}"
    grep -q "Перезаписать" <<<"${questions[0]}" || fail "question not in Russian: ${questions[0]}"
    ;;
esac

if [ "$lang" = ru ]; then
  # Give a wrongly started program the time to show itself.
  h_drv wait "Sample Program" 1500 >/dev/null 2>&1 && fail "the program started though unticked"
else
  h_drv press "Sample Program" OK && h_drv gone "Sample Program" 10000 ||
    fail "the installed program did not end"
fi

h_drv click "$window" 107 || fail "no Close button"
setup_wait_exit 20000 || fail "the installer did not end after Close"
[ "$H_SETUP_RC" = 0 ] || fail "the installer ended with $H_SETUP_RC"
tree_equal "$expected" "$dest" || fail "the installed files differ"
echo "ok ($lang${signed:+, $signed}): ${#questions[@]} question(s), pictures in $shots"
