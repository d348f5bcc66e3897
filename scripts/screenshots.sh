#!/usr/bin/env bash
# Shoots both windows for the README under a virtual X server: the control
# panel connected to the virtual module after drawing a heart, showing a "V"
# and the heart beside it, and the module's window displaying them.
# Writes docs/vexelapp.png and docs/vexel-module.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" xvfb xdotool imagemagick
"$root/scripts/build.sh"
build="$root/build"

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1400x900x24 -nolisten tcp &
xserver=$!
cleanup() {
    kill "${panel:-}" "${module:-}" 2>/dev/null || true
    kill "$xserver" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1

"$build/vexel-module" --dir "$build" --port 1 --state "$(mktemp -u)" >/dev/null &
module=$!
module_window=$(xdotool search --sync --onlyvisible --name 'vexel-module' | head -n 1)
xdotool windowmove "$module_window" 0 560
"$build/vexelapp" &
panel=$!
panel_window=$(xdotool search --sync --onlyvisible --name '^VexelApp \(')
xdotool windowmove "$panel_window" 0 0
sleep 1

click() { xdotool mousemove --window "$panel_window" "$1" "$2" click 1; sleep 0.15; }

click 188 48                        # CONNECT
click 68 128; xdotool type V        # first character box
click 196 128                       # Show Static Characters
# A heart on the dot grid: rows from the top, columns 1 to 8.
rows=(".##..##." "########" "########" "########" ".######." "..####.." "...##..." "........")
for row in "${!rows[@]}"; do
    for column in $(seq 0 7); do
        if [ "${rows[$row]:$column:1}" = "#" ]; then
            click $((24 + 328 + 24 * (column + 1) + 9)) $((80 + 16 + 32 + 24 * row + 9))
        fi
    done
done
click 640 154; xdotool key Down     # display position 1
click 660 204                       # Display Bitmap
sleep 1

mkdir -p "$root/docs"
import -window "$panel_window" "$root/docs/vexelapp.png"
import -window "$module_window" "$root/docs/vexel-module.png"
echo "Wrote docs/vexelapp.png and docs/vexel-module.png"
