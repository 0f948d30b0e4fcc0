#!/usr/bin/env bash
# The real setup.exe at the keyboard alone, with real keystrokes through the X server (xdotool):
#   install   the chooser (Down picks the next language, Enter takes it), the Welcome page's tab
#             order, Enter through every page, the question answered by Enter (its first button),
#             Shift+Tab and Space on the Ready page's box, Enter on Finish closes
#   escape    Escape on each page: Welcome and Ready ask (No keeps the wizard), the extraction
#             stops with the cancel notice and Back takes the focus, Finish closes; Alt+F4 asks
# Each step waits for the state it checks: the page in front by its heading and buttons, the
# focus and the default button as the installer's own thread has them. Xvfb runs no window
# manager: when the focused window closes, X gives the input focus to no window at all, so after
# a dialog the script gives it back to the wizard, as a window manager (or Windows) would; where
# the focus then lands inside the wizard is the installer's doing.
#   setup_keys.sh WINE_RUN DRIVER ZMPACK SETUP SAMPLE_APP WORK_DIR
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 sample=$5 work=$6/setup_keys
window="Setup - Demo"
asks="Cancel setup"  # the English caption of the close question

fail() {
  echo "FAIL: $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/install-deps installs it)"

rm -rf "$work"
mkdir -p "$work/payload/bin" "$work/big" "$work/install" "$work/escape"
harness_init "$run" "$driver" "$zmpack" ""
harness_headings en Demo || fail "no headings"
printf 'Read me first.\r\n' >"$work/payload/readme.txt"
cp "$sample" "$work/payload/bin/Sample.EXE"
for i in $(seq 1 6000); do printf 'file %d\n' "$i" >"$work/big/f$i.txt"; done
cp "$sample" "$work/big/Sample.EXE"

# The keyboard as the installer's thread sees it: focus and default button by control id.
keys_are() { h_until 20000 "keys" h_is "$1" keys "$window"; }
page_is() {  # N
  local event
  event=$(h_drv await "$window" "$1" 120000) || return 1
  [ "$event" = "page $1" ] || { echo "instead of page $1: $event" >&2; return 1; }
}
box_up() {  # CAPTION
  local event
  event=$(h_drv await "$window" 01234 60000) || return 1
  [ "$event" = "message $1" ] || { echo "instead of the box \"$1\": $event" >&2; return 1; }
}

# --- install ---------------------------------------------------------------------------------
h_pack "$work/install/Setup.exe" "$stub" "$work/payload" --title Demo || fail "no package"
mkdir -p "$work/install/Demo" && echo "older" >"$work/install/Demo/readme.txt"
setup_start "$work/install/Setup.exe"
h_drv wait "Choose your language" 60000 || fail "no chooser"
# The list has the focus: Down moves from the preselected language to the next one in the list,
# so the list is first set to the one before English.
h_drv pick "Choose your language" "Русский" || fail "no Russian in the list"
h_key "Choose your language" Down Return || fail "keys on the chooser"
h_drv wait "$window" 30000 || fail "English was not taken (no \"$window\")"
page_is 0 || fail "install: no Welcome page"
keys_are "focus 106 default 106" || fail "install: Welcome opens with the focus on Next"
for want in "focus 107 default 106" "focus 115 default 106" "focus 106 default 106"; do
  h_key "$window" Tab || fail "install: Tab"
  keys_are "$want" || fail "install: the tab order of the Welcome page"
done
h_key "$window" shift+Tab || fail "install: Shift+Tab"
keys_are "focus 115 default 106" || fail "install: Shift+Tab goes back to Browse"
h_key "$window" shift+Tab || fail "install: Shift+Tab"
keys_are "focus 107 default 106" || fail "install: Shift+Tab round to Cancel"
h_key "$window" shift+Tab || fail "install: Shift+Tab"
keys_are "focus 106 default 106" || fail "install: Shift+Tab back to Next"
h_key "$window" Return || fail "install: Enter on Welcome"
event=$(h_drv await "$window" 34 120000) || fail "install: no question"
[ "$event" = "dialog Confirm" ] || fail "install: instead of the question: $event"
h_key Confirm Return || fail "install: Enter on the question"
page_is 3 || fail "install: no Ready page"
h_key "$window" || fail "install: back to the wizard"
keys_are "focus 106 default 106" || fail "install: Ready opens with the focus on Next"
h_key "$window" shift+Tab space || fail "install: keys on Ready"
h_until 20000 "the box" h_is 0 checked "$window" 142 || fail "install: Space did not untick"
h_key "$window" space || fail "install: Space"
h_until 20000 "the box" h_is 1 checked "$window" 142 || fail "install: Space did not tick"
h_key "$window" Return || fail "install: Enter on Ready"
page_is 4 || fail "install: no Finish page"
# The started program comes to the front; back in the installer, Close has the focus.
h_drv wait "Sample Program" 30000 || fail "install: the program was not started"
h_drv press "Sample Program" OK && h_drv gone "Sample Program" 10000 || fail "install: program"
h_key "$window" || fail "install: back to the installer"
keys_are "focus 107 default 107" || fail "install: Finish has the focus on Close"
h_key "$window" Return || fail "install: Enter on Finish"
setup_wait_exit 20000 || fail "install: Enter on Finish did not close"
cmp -s "$work/payload/readme.txt" "$work/install/Demo/readme.txt" ||
  fail "install: Enter on the question did not replace the file"
echo "install: chooser, tab order, every page, the question and the box by the keyboard"

# --- escape ----------------------------------------------------------------------------------
h_pack "$work/escape/Setup.exe" "$stub" "$work/big" --title Demo --language en ||
  fail "no package"
setup_start "$work/escape/Setup.exe"
h_drv wait "$window" 60000 && page_is 0 || fail "escape: no Welcome page"
h_key "$window" Escape || fail "escape: Escape on Welcome"
box_up "$asks" || fail "escape: Escape on Welcome did not ask"
h_drv press "$asks" No && h_drv gone "$asks" 10000 || fail "escape: no No"
page_is 0 || fail "escape: No did not keep the Welcome page"
h_key "$window" || fail "escape: back to the wizard"
keys_are "focus 106 default 106" || fail "escape: the focus after the question"
h_key "$window" alt+F4 || fail "escape: Alt+F4"
box_up "$asks" || fail "escape: Alt+F4 did not ask"
h_drv press "$asks" No && h_drv gone "$asks" 10000 || fail "escape: no No"
h_key "$window" Return || fail "escape: Enter on Welcome"
page_is 2 || fail "escape: no extraction page"
h_key "$window" Escape || fail "escape: Escape during the extraction"
# The cancel notice is the one box captioned with the application's title alone.
box_up Setup || fail "escape: no cancel notice (did the extraction end first?)"
h_key Setup Return || fail "escape: Enter on the notice"
page_is 2 || fail "escape: the notice stayed"
h_key "$window" || fail "escape: back to the wizard"
keys_are "focus 105 default 105" || fail "escape: Back takes the focus after a cancel"
h_key "$window" Return || fail "escape: Enter on Back"
page_is 0 || fail "escape: Back did not lead to Welcome"
h_key "$window" Return || fail "escape: Enter on Welcome again"
# The files the stopped run wrote are there: the question, Tab along its row to Yes to All.
event=$(h_drv await "$window" 3 120000) || fail "escape: nothing after Welcome"
if [ "$event" = "dialog Confirm" ]; then
  h_key Confirm Tab Tab Tab Tab Return || fail "escape: keys on the question"
  page_is 3 || fail "escape: Yes to All did not lead to the Ready page"
else
  [ "$event" = "page 3" ] || fail "escape: instead of the Ready page: $event"
fi
h_key "$window" Escape || fail "escape: Escape on Ready"
box_up "$asks" || fail "escape: Escape on Ready did not ask"
h_drv press "$asks" No && h_drv gone "$asks" 10000 || fail "escape: no No"
page_is 3 || fail "escape: No did not keep the Ready page"
h_key "$window" shift+Tab space Return || fail "escape: untick and go on"
page_is 4 || fail "escape: no Finish page"
h_key "$window" Escape || fail "escape: Escape on Finish"
setup_wait_exit 20000 || fail "escape: Escape on Finish did not close"
echo "escape: Welcome and Ready ask, the extraction stops, Finish closes; Alt+F4 asks"
echo "ok: the installer at the keyboard alone"
