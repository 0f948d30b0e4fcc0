#!/usr/bin/env bash
# The language chooser on real windows: the demo shows it, the driver picks German and presses
# OK, a screenshot is taken in between, and the demo must end with German chosen.
#   lang_chooser_shot.sh <wine-run> <ui_demo.exe> <uidriver.exe> <screenshot.png>
set -u
run=$1 demo=$2 driver=$3 shot=$4
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$run" "$demo" >"$out" 2>/dev/null &
demo_pid=$!
caption="Choose your language"
"$run" "$driver" wait "$caption" 60000 -- expect "$caption" "=OK" OK -- pick "$caption" ComboBox 2 \
  -- sleep 300 || { kill "$demo_pid" 2>/dev/null; echo "driver failed"; exit 1; }
import -window root "$shot" || echo "no screenshot taken"
"$run" "$driver" click "$caption" "=OK" -- gone "$caption" 10000 || { kill "$demo_pid"; exit 1; }
wait "$demo_pid"
rc=$?
cat "$out"
[ "$rc" -eq 0 ] && grep -q "^chosen=de" "$out"
