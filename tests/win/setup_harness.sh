# Shell functions for the Wine runs of the real setup.exe: make packages with zmpack.exe, start
# the installer, drive its windows through wizard_driver.exe, take pictures and wait for the end.
# Source it from a bash test script, then call harness_init. Every wait has a time limit; a step
# that fails says why on stderr and returns 1, so scripts chain steps with `|| fail "..."`.
#
#   harness_init WINE_RUN DRIVER ZMPACK [SHOT_DIR]
#   harness_display "$0" "$@"      re-runs the script inside Xvfb when there is no display
#   h_wine PROGRAM ARGS...          a Windows program under the project's prefix
#   harness_headings LANG TITLE     the wizard's page headings in language LANG (the shipped
#                                   language pack) for a package titled TITLE: every later
#                                   h_drv step identifies the page in front by them
#   h_drv STEP TITLE ARGS...        one wizard_driver step (see tests/win/wizard_driver.cpp)
#   h_until MS WHAT CHECK...        runs CHECK until it succeeds, up to MS; on time-out says WHAT
#                                   and what CHECK printed last, and returns 1
#   h_is WANT STEP TITLE ARGS...    the driver step prints WANT (else says what it printed)
#   h_key TITLE [KEY...]            real keystrokes through the X server (xdotool) into the
#                                   window titled exactly TITLE, which gets the input focus first
#                                   (as a click on its title bar would give it)
#   h_has LINE STEP TITLE ARGS...   the driver step prints LINE as one of its lines
#   h_winpath PATH                  the Windows form (Z:\...) of a local path
#   h_zmpack COMMAND ARGS...        zmpack (zmpack.exe under Wine: absolute paths among the
#                                   arguments are handed over in Windows form)
#   h_pack OUT STUB SOURCE [ZMPACK OPTIONS...]
#                                   a package: zmpack create --stub STUB SOURCE
#   setup_start PACKAGE             starts the installer in the background ($H_SETUP_PID)
#   setup_choose_language PREFIX    picks the language whose name starts with PREFIX in the
#                                   chooser and confirms it
#   setup_shot TITLE NAME           the window's client area as $H_SHOTS/NAME.png
#   setup_walk TITLE [DEST] [SHOT_PREFIX]
#                                   the whole wizard: optional destination through Browse, Next,
#                                   the check, the extraction (questions go to setup_on_question),
#                                   the Ready page when there is one (Next), up to the Finish
#                                   page; a picture of every page when SHOT_PREFIX is given
#   setup_until_message PACKAGE TITLE PAGES MS CAPTION
#                                   starts the installer, presses Next on the wizard TITLE and
#                                   waits up to MS for the message box CAPTION before the wizard
#                                   reaches one of PAGES; its text goes to H_TEXT
#   setup_wait_exit [MS]            waits for the installer to end; sets H_SETUP_RC
#   setup_stop                      ends the installer if it still runs (for traps)
#   tree_equal A B                  the two folders hold the same files, byte for byte
#
# Hooks a script may redefine: setup_on_question TITLE runs with the question dialog up (the
# default answers Yes to All; h_drv text Confirm 0 gives the question, h_drv press Confirm No
# answers it); setup_on_ready TITLE runs on the Ready page before Next, setup_on_finish TITLE on
# the Finish page before its picture (defaults: nothing).
# Variables a script may read: H_SETUP_PID, H_SETUP_RC, H_TEXT, H_DEST (the folder the wizard installed
# into, a local path), H_SHOTS.

H_RUN="" H_DRIVER="" H_ZMPACK="" H_SHOTS="" H_SETUP_PID="" H_SETUP_RC="" H_DEST="" H_TEXT=""
H_HEADING_ARGS=()
H_PACK=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/lang/packs/languages.xml

harness_init() {
  H_RUN=$1 H_DRIVER=$2 H_ZMPACK=$3 H_SHOTS=${4:-}
  [ -n "$H_SHOTS" ] && mkdir -p "$H_SHOTS"
  # The prefix's first start is slow; no step's time limit should pay for it.
  "$H_RUN" cmd.exe /c exit >/dev/null 2>&1 || true
}

harness_display() {
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
  fi
}

h_wine() { "$H_RUN" "$@"; }

h_drv() {
  "$H_RUN" "$H_DRIVER" "${H_HEADING_ARGS[@]}" "$@" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Headings by page: Welcome (text 23), contents check (32), extraction (27), Ready and Finish
# (28); %s is the package title.
harness_headings() {
  local lang=$1 title=$2 i headings
  mapfile -t headings < <(python3 - "$H_PACK" "$lang" "$title" <<'EOF'
import sys
import xml.etree.ElementTree as ET
pack, lang, title = sys.argv[1:]
texts = {}
for element in ET.parse(pack).getroot().iter("lang"):
    if element.get("langid") == lang:
        texts = {s.get("id"): s.text or "" for s in element.iter("s")}
if not texts:
    sys.exit("no language " + lang + " in " + pack)
for text_id in ("23", "32", "27", "28", "28"):
    print(texts[text_id].replace("%s", title))
EOF
  )
  [ "${#headings[@]}" = 5 ] || { echo "no headings for language $lang" >&2; return 1; }
  H_HEADING_ARGS=()
  for i in 0 1 2 3 4; do H_HEADING_ARGS+=(--heading "$i=${headings[$i]}"); done
}

h_until() {
  local ms=$1 what=$2 out="" start
  shift 2
  start=$(date +%s%N)
  while :; do
    out=$("$@" 2>&1) && return 0
    if [ $((($(date +%s%N) - start) / 1000000)) -ge "$ms" ]; then
      echo "$what (after $ms ms): $out" >&2
      return 1
    fi
    sleep 0.2
  done
}

h_key() {
  local title=$1 wid
  shift
  wid=$(xdotool search --name "^${title}\$" 2>/dev/null | head -1)
  [ -n "$wid" ] || { echo "no X window \"$title\" for the keys $*" >&2; return 1; }
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid" || return 1
  [ "$#" -eq 0 ] || xdotool key --clearmodifiers --delay 60 "$@"
}

h_is() {
  local want=$1 got
  shift
  got=$(h_drv "$@" 2>&1) || { echo "$got"; return 1; }
  [ "$got" = "$want" ] || { echo "saw \"$got\", expected \"$want\""; return 1; }
}

h_has() {
  local line=$1 got
  shift
  got=$(h_drv "$@" 2>&1) || { echo "$got"; return 1; }
  grep -qxF -e "$line" <<<"$got" || { echo "no line \"$line\" in: $got"; return 1; }
}

# The step prints something (a message box's texts once it is drawn).
h_drv_nonempty() {
  local got
  got=$(h_drv "$@" 2>&1) && [ -n "$got" ] && return 0
  echo "printed \"$got\""
  return 1
}

h_winpath() {
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}

# zmpack: the Windows build under Wine (paths in Windows form), or a native one.
h_zmpack() {
  local cmd=$1 a args=()
  shift
  case $H_ZMPACK in
    *.exe)
      for a in "$@"; do
        case $a in
          /*) args+=("$(h_winpath "$a")") ;;
          *) args+=("$a") ;;
        esac
      done
      "$H_RUN" "$H_ZMPACK" "$cmd" "${args[@]}" | tr -d '\r'
      return "${PIPESTATUS[0]}"
      ;;
    *) "$H_ZMPACK" "$cmd" "$@" ;;
  esac
}

h_pack() {
  local out=$1 stub=$2 src=$3
  shift 3
  h_zmpack create -o "$out" --stub "$stub" "$@" "$src" >/dev/null ||
    { echo "zmpack create failed: $out" >&2; return 1; }
}

setup_start() {
  H_SETUP_RC=""
  "$H_RUN" "$1" >/dev/null 2>&1 &
  H_SETUP_PID=$!
}

setup_until_message() {
  local event
  H_TEXT=""
  setup_start "$1"
  h_drv wait "$2" 60000 || { echo "no wizard \"$2\"" >&2; return 1; }
  h_drv click "$2" 106 || { echo "no Next" >&2; return 1; }
  event=$(h_drv await "$2" "$3" "$4") || { echo "nothing after Next" >&2; return 1; }
  [ "$event" = "message $5" ] || { echo "after Next: $event" >&2; return 1; }
  h_until 10000 "the box \"$5\" has no text" h_drv_nonempty text "$5" 0 || return 1
  H_TEXT=$(h_drv text "$5" 0)
}

setup_wait_exit() {
  local ms=${1:-30000} waited=0
  while kill -0 "$H_SETUP_PID" 2>/dev/null; do
    if [ "$waited" -ge "$ms" ]; then
      echo "the installer did not end within $ms ms" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 100))
  done
  wait "$H_SETUP_PID"
  H_SETUP_RC=$?
  H_SETUP_PID=""
}

setup_stop() {
  if [ -n "$H_SETUP_PID" ] && kill -0 "$H_SETUP_PID" 2>/dev/null; then
    kill "$H_SETUP_PID" 2>/dev/null
    wait "$H_SETUP_PID" 2>/dev/null
  fi
  H_SETUP_PID=""
}

setup_shot() {
  [ -n "$H_SHOTS" ] || return 0
  local x y w h
  h_drv settle "$1" || return 1
  read -r x y w h < <(h_drv client "$1") || return 1
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$H_SHOTS/$2.png" ||
    { echo "no screenshot $2" >&2; return 1; }
}

setup_choose_language() {
  local chooser="Choose your language"
  h_drv wait "$chooser" 30000 && h_drv pick "$chooser" "$1" && h_drv press "$chooser" OK &&
    h_drv gone "$chooser" 10000
}

setup_on_question() { h_drv press Confirm "Yes to All"; }
setup_on_ready() { :; }
setup_on_finish() { :; }

setup_walk() {
  local w=$1 dest=${2:-} shots=${3:-} event n=0
  _walk_shot() { [ -z "$shots" ] || setup_shot "$w" "$shots-$1"; }
  h_drv wait "$w" 60000 || return 1
  event=$(h_drv await "$w" 0 30000) || return 1
  [ "$event" = "page 0" ] || { echo "instead of the Welcome page: $event" >&2; return 1; }
  _walk_shot 1-welcome || return 1
  if [ -n "$dest" ]; then
    mkdir -p "$dest"
    h_drv browse "$w" 115 "$(h_winpath "$dest")" || return 1
    # The folder reaches the edit once the dialog has returned in the installer's thread.
    h_until 10000 "the chosen folder is not shown" \
      h_is "$(h_winpath "$dest")\\" text "$w" 114 || return 1
  fi
  H_DEST=$(h_drv text "$w" 114) || return 1
  H_DEST=$(winepath_to_local "$H_DEST")
  h_drv click "$w" 106 || return 1
  if [ -n "$shots" ]; then
    h_drv waitpos "$w" 122 30 30000 || return 1
    _walk_shot 2-check || return 1
  fi
  # The extraction: questions until the Ready page, or Finish when there is no program to run.
  while :; do
    event=$(h_drv await "$w" 34 120000) || return 1
    case $event in
      "page 3" | "page 4") break ;;
      "dialog Confirm")
        n=$((n + 1))
        if [ "$n" -eq 1 ] && [ -n "$shots" ]; then
          # The question and, moved clear of it, the extraction page it interrupts.
          h_drv move Confirm 8 8 || return 1
          setup_shot "$w" "$shots-3-extracting" && setup_shot Confirm "$shots-3-question" ||
            return 1
        fi
        setup_on_question "$w" || return 1
        h_drv gone Confirm 10000 || return 1
        ;;
      *)
        echo "unexpected during the extraction: $event" >&2
        return 1
        ;;
    esac
  done
  if [ "$event" = "page 3" ]; then
    setup_on_ready "$w" || return 1
    _walk_shot 5-ready || return 1
    h_drv click "$w" 106 || return 1
    event=$(h_drv await "$w" 4 30000) || return 1
    [ "$event" = "page 4" ] || { echo "after Ready: $event" >&2; return 1; }
  fi
  setup_on_finish "$w" || return 1
  _walk_shot 6-finish || return 1
}

# Z:\a\b -> /a/b (the installer's paths on the prefix's root drive).
winepath_to_local() {
  local p=$1
  case $p in
    [Zz]:*) p=${p:2} ;;
  esac
  printf '%s' "${p//\\//}"
}

tree_equal() {
  diff -r "$1" "$2" >/dev/null || { diff -r "$1" "$2" >&2; return 1; }
}
