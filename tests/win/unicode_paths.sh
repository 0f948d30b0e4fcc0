#!/usr/bin/env bash
# Folders and names the system code page cannot hold, under Wine with the ANSI code page the
# locale gives (ctest runs this with LC_ALL=ru_RU.UTF-8 for 1251 and LC_ALL=en_US.UTF-8 for 1252).
# The package's entries are named in Greek and Japanese, its title holds Polish letters, an emoji
# and a Chinese character, and its single program reports where it ran:
#   1. setup.exe, started from a folder named in Chinese, installs through Browse into a folder
#      named in Polish with an emoji; the Finish page starts the program from there and Open
#      folder shows that very folder;
#   2. setup.exe in a deep folder installs into its default destination, the title's folder, over
#      300 characters long;
#   3. zmpack (Linux) and zmpack.exe (Wine) extract the same package into the same two folders.
# Nothing may be written under a name with '?' in it.
#   unicode_paths.sh WINE_RUN DRIVER ZMPACK_EXE SETUP PROBE ZMPACK WORK_DIR SHOT_DIR CODEPAGE
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack_exe=$3 stub=$4 probe=$5 zmpack=$6 cp=$9 work=$7/unicode_paths_$9 shots=$8

fail() {
  echo "FAIL ($cp): $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT

[ -x "$zmpack" ] || fail "no Linux zmpack at $zmpack (build the native tree first)"
rm -rf "$work"
mkdir -p "$work" || fail "no work folder"
harness_init "$run" "$driver" "$zmpack_exe" "$shots"

title="Zażółć 😀 例"
program="Εφαρμογή.exe"
payload=$work/payload
mkdir -p "$payload/Ελληνικά" "$payload/日本語"
printf 'Καλημέρα κόσμε\r\n' >"$payload/Ελληνικά/Καλημέρα.txt"
printf 'こんにちは\n' >"$payload/日本語/テキスト.txt"
head -c 2000 /dev/urandom >"$payload/日本語/データ.bin"
cp "$probe" "$payload/$program"

china=$work/安装程序
mkdir -p "$china"
h_pack "$china/setup.exe" "$stub" "$payload" --title "$title" --language en --id 9 ||
  fail "no package"
window="Setup - $title"
harness_headings en "$title" || fail "no headings"

# The Finish page's program: ran.txt next to it says the code page and its own path.
expect_ran() {  # folder
  local ran=$1/ran.txt waited=0
  while [ ! -f "$ran" ]; do
    [ "$waited" -ge 200 ] && fail "the program did not run in $1"
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep 0.2
  local got_cp got_path
  { read -r got_cp && read -r got_path; } <"$ran"
  [ "$got_cp" = "$cp" ] || fail "the system code page is $got_cp, not $cp (is the locale there?)"
  [ "$got_path" = "$(h_winpath "$1/$program")" ] ||
    fail "the program ran as \"$got_path\", not from $1"
  rm -f "$ran"
}

# 1. From the Chinese folder into a Polish folder with an emoji, chosen through Browse.
dest=$work/"Cel — żółw 🐢"
setup_start "$china/setup.exe"
setup_walk "$window" "$dest" "unicode-$cp" || fail "the wizard walk into $dest stopped"
[ "$H_DEST" = "$dest/" ] || fail "installed into \"$H_DEST\", expected \"$dest/\""
log_lines() {
  local log f
  log=$(h_drv text "$window" 134) || return 1
  for f in "Ελληνικά/Καλημέρα.txt" "日本語/テキスト.txt" "$program"; do
    grep -qxF -e "$f" -e "${f//\//\\}" <<<"$log" || { echo "no log line \"$f\" in: $log"; return 1; }
  done
}
h_until 10000 "the log" log_lines || fail "the log lacks a file"
expect_ran "$dest"
h_drv click "$window" 152 || fail "no Open folder button"
h_drv wait "Cel — żółw 🐢" 30000 || fail "Open folder showed no window for $dest"
h_drv close "Cel — żółw 🐢" 10000 || fail "the folder window did not close"
h_drv click "$window" 107 || fail "no Close button"
setup_wait_exit 20000 || fail "the installer did not end after Close"
tree_equal "$payload" "$dest" || fail "the files installed into $dest differ"

# 2. The default destination below a deep folder: the title's own folder, over 300 characters.
deep=$china
while [ $((${#deep} + ${#title} + 4)) -lt 300 ]; do deep+="/Zażółć-gęślą-jaźń"; done
mkdir -p "$deep" && cp "$china/setup.exe" "$deep/setup.exe" || fail "no deep folder"
long=$deep/$title
# The Ready page's box is unticked: the program was seen running once already.
setup_on_ready() { h_drv click "$1" 142 && h_until 10000 "the box stays ticked" h_is 0 checked "$1" 142; }
setup_start "$deep/setup.exe"
setup_walk "$window" || fail "the wizard walk into the default destination stopped"
[ "$H_DEST" = "$long/" ] || fail "installed into \"$H_DEST\", expected \"$long/\""
[ "$(h_winpath "$long/" | wc -m)" -gt 300 ] || fail "the destination is not over 300 characters"
h_drv click "$window" 107 || fail "no Close button"
setup_wait_exit 20000 || fail "the installer did not end after Close"
tree_equal "$payload" "$long" || fail "the files installed into the long folder differ"
[ ! -e "$long/ran.txt" ] || fail "the program ran though unticked"

# 3. zmpack on both systems, into the same folders.
for tool in linux windows; do
  rm -rf "$dest" "$long"
  if [ "$tool" = linux ]; then
    ZM_CODEPAGE=$cp "$zmpack" extract -d "$dest" "$china/setup.exe" >/dev/null &&
      ZM_CODEPAGE=$cp "$zmpack" extract "$deep/setup.exe" >/dev/null ||
      fail "zmpack extract failed"
  else
    h_wine "$zmpack_exe" extract -d "$(h_winpath "$dest")" "$(h_winpath "$china/setup.exe")" \
      >/dev/null &&
      h_wine "$zmpack_exe" extract "$(h_winpath "$deep/setup.exe")" >/dev/null ||
      fail "zmpack.exe extract failed"
  fi
  tree_equal "$payload" "$dest" || fail "$tool zmpack: the files in $dest differ"
  tree_equal "$payload" "$long" || fail "$tool zmpack: the files in the long folder differ"
done

stray=$(find "$work" -name '*\?*' | head -3)
[ -z "$stray" ] || fail "written under a mangled name: $stray"
echo "ok ($cp): installed and extracted from and into Unicode folders, ${#long} characters deep"
