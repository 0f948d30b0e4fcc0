#!/usr/bin/env bash
# Pictures of the confirmation dialog and of a sample wizard page on real windows, for a person
# to look at; the dialog must also give Yes to All's result when the driver presses it.
#   ui_demo_shots.sh <wine-run> <ui_demo.exe> <uidriver.exe> <output folder>
set -u
run=$1 demo=$2 driver=$3 dir=$4
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT

"$run" "$demo" confirm >"$out" 2>/dev/null &
pid=$!
"$run" "$driver" wait Confirm 60000 -- expect Confirm "#10" "Yes to All" -- sleep 300 \
  || { kill "$pid" 2>/dev/null; echo "no confirmation dialog"; exit 1; }
import -window root "$dir/ui_confirm.png" || echo "no screenshot taken"
"$run" "$driver" click Confirm "#10" -- gone Confirm 10000 || { kill "$pid"; exit 1; }
wait "$pid"
grep -q "^result=10" "$out" || { cat "$out"; echo "wrong result"; exit 1; }

caption="Установка - Тест"
"$run" "$demo" page >/dev/null 2>&1 &
pid=$!
"$run" "$driver" wait "$caption" 60000 -- sleep 300 || { kill "$pid"; exit 1; }
import -window root "$dir/ui_page.png" || echo "no screenshot taken"
"$run" "$driver" click "$caption" "=Отмена" -- gone "$caption" 10000 || { kill "$pid"; exit 1; }
wait "$pid"
