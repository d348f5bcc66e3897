#!/usr/bin/env bash
# Starts the stand-in LED module on port 1 of the program folder, then the
# control panel; when the panel exits the module is stopped and its link
# removed. Where COM1 already leads to a real device the module is not
# started and the panel reaches the real one.
# Usage: tools/start-with-module.sh PROGRAM_FOLDER
# VEXEL_PANEL names another panel executable (the smoke test uses it).
set -euo pipefail
folder="$(cd "$1" && pwd)"
panel="${VEXEL_PANEL:-$folder/vexelapp}"
log="$folder/vexel-module.log"

module_options=(--dir "$folder" --port 1)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ "${QT_QPA_PLATFORM:-}" = offscreen ]; then
    module_options+=(--headless)
fi

"$folder/vexel-module" "${module_options[@]}" >"$log" 2>&1 &
module=$!
stop_module() {
    kill -TERM "$module" 2>/dev/null || true
    wait "$module" 2>/dev/null || true
}
trap stop_module EXIT

linked=""
for _ in $(seq 100); do
    if grep -q '^link ' "$log"; then
        linked=yes
        break
    fi
    kill -0 "$module" 2>/dev/null || break
    sleep 0.05
done
if [ -n "$linked" ]; then
    echo "Virtual LED module on port 1: $(grep '^link ' "$log" | head -n 1 | cut -d' ' -f2-)"
    echo "Click CONNECT in the control panel to drive it (its log: $log)."
else
    echo "The virtual LED module did not start: $(tail -n 1 "$log")"
    echo "Starting the control panel alone."
fi
"$panel"
