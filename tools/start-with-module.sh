#!/usr/bin/env bash
# Starts the stand-in LED module on the port that the control panel's settings
# file names (port 1 by default), then the control panel; when the panel exits
# the module is stopped and its link removed. The link goes into the program
# folder when this user may write there (a build folder), else into the user's
# folder, as vexel-module itself chooses. Where the port already leads to a
# device by either folder (a link the module may not take, or the user's own
# that a link in the program folder would hide), the module refuses, and the
# panel starts alone and reaches that device; the module's reason is printed.
# Usage: start-with-module.sh [PROGRAM_FOLDER]
# Without a folder it is the one this script lies in, links resolved: the
# program folder holds a copy named vexelapp-with-module.
# VEXEL_PANEL names another panel executable (the smoke test uses it).
set -euo pipefail
folder="$(cd "${1:-$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")}" && pwd)"
panel="${VEXEL_PANEL:-$folder/vexelapp}"
if [ -w "$folder" ]; then
    links="$folder"
else
    # Where the programs look: a relative XDG_CONFIG_HOME is ignored, as the
    # XDG rules say, and without HOME (a bare session) the home is the
    # password database's.
    config="${XDG_CONFIG_HOME:-}"
    if [[ $config != /* ]]; then
        config="${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}/.config"
    fi
    links="$config/vexelapp"
fi
log="$links/vexel-module.log"
if ! { mkdir -p "$links" && : >>"$log"; } 2>/dev/null; then
    echo "The virtual LED module did not start: cannot write its log $log"
    echo "Starting the control panel alone."
    exec "$panel"
fi

module_options=(--dir "$links" --settings-port)
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
    # A module that cannot start says so, and in its window waits for OK.
    grep -q '^vexel-module: ' "$log" && break
    kill -0 "$module" 2>/dev/null || break
    sleep 0.05
done
if [ -n "$linked" ]; then
    # "link FOLDER/COMn -> PTY", where the folder may hold blanks.
    link="$(grep -m 1 '^link ' "$log")"
    link="${link#link }"
    name="${link% -> *}"
    echo "Virtual LED module on port ${name##*/COM}: $link"
    echo "Click CONNECT in the control panel to drive it (its log: $log)."
else
    echo "The virtual LED module did not start: $(tail -n 1 "$log")"
    echo "Starting the control panel alone."
fi
"$panel"
