#!/usr/bin/env bash
# Proves the Windows build under Wine, headless, each part in a Wine prefix
# of its own:
#   1. the test programs that need no pseudo-terminal pass;
#   2. vexel-send.exe, with COM1 mapped to the Linux virtual module's
#      pseudo-terminal, gives for every command the frames and output of the
#      Linux vexel-send and its exit statuses (0 for an acknowledged store, 1
#      for an unacknowledged one, 130 after Ctrl-C, which ends a run between
#      two frames);
#   3. the panel, on a virtual X server, connects to COM1 and its commands
#      reach the module;
#   4. the installer, run silently, installs a panel that its Start-menu
#      entry starts, and the uninstaller, run silently, removes it all;
#   5. the zip has the same bytes when built in another clone.
# With --screenshot the panel is also shot into docs/vexelapp-windows.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" wine wine64 xvfb xdotool imagemagick unzip git socat bsdutils
screenshot=false
[ "${1:-}" = --screenshot ] && screenshot=true

work="$(mktemp -d)"
export WINEDEBUG=-all
# No prompts to install Mono or Gecko into a new prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "windows-check: $*" >&2; exit 1; }

# The first visible window whose name matches, waiting up to the given
# seconds (120 by default). xdotool's own wait (--sync) fails outright when a
# window it looks at goes away meanwhile, as a starting program's do.
find_window() {
    local found
    for _ in $(seq $((${2:-120} * 5))); do
        found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)" || true
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.2
    done
    return 1
}

new_prefix() {
    export WINEPREFIX="$work/prefix-$1"
    wineboot --init >/dev/null 2>&1
    wineserver -w
}

# --- 1. The test programs ------------------------------------------------
qt="$("$root/scripts/windows.sh" qt | tail -n 1)"
build="$("$root/scripts/windows.sh" tests | tail -n 1)"
new_prefix tests
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
pthread="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")"
WINEPATH="$(winepath -w "$qt/bin");$(winepath -w "$runtime");$(winepath -w "$pthread")"
export WINEPATH
(cd "$build" && ctest --output-on-failure) || fail "the tests failed under Wine"
unset WINEPATH

# --- The packages, the zip unpacked as a user would --------------------
packages="$("$root/scripts/windows.sh")"
installer="$(tail -n 2 <<<"$packages" | head -n 1)"
zip="$(tail -n 1 <<<"$packages")"
unzip -q "$zip" -d "$work/zip"
app="$(find "$work/zip" -mindepth 1 -maxdepth 1 -type d)"
"$root/scripts/build.sh" >/dev/null
linux="$root/build"

# --- 2. vexel-send.exe against the Linux virtual module -----------------
module_dir="$work/module"
mkdir -p "$module_dir"
module_log="$work/module.log"
start_module() {
    : >"$module_log"
    "$linux/vexel-module" --headless --dir "$module_dir" --port 1 --state "$work/module.state" "$@" \
        >"$module_log" 2>&1 &
    module=$!
    pids+=("$module")
    for _ in $(seq 100); do grep -q '^link ' "$module_log" && break; sleep 0.1; done
    pty="$(sed -n 's/^link .* -> //p' "$module_log")"
    [ -n "$pty" ] || fail "the virtual module did not start: $(cat "$module_log")"
    # Wine's mount manager keeps the COM ports in the registry; it reads
    # them when the prefix's server starts again.
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pty" /f >/dev/null
    wineserver -k || true
    wineserver -w
}
stop_module() { kill "$module" 2>/dev/null || true; wait "$module" 2>/dev/null || true; }
# The frames the module saw since the given line of its log.
# The frames a module's log lists after its given line; a log written on
# Windows ends its lines with CR LF.
frames_after() { tail -n +"$(($2 + 1))" "$1" | tr -d '\r' | grep '^frame ' || true; }
frames_since() { frames_after "$module_log" "$1"; }
settle() { sleep 0.3; }

new_prefix send
# A fresh prefix's COM1 is Wine's mapping to the machine's first UART, with
# or without hardware behind it: a run there ends, within the stall limit.
status=0
timeout 30 wine "$app/vexel-send.exe" --port 1 speed 1 >"$work/uart.out" 2>&1 || status=$?
[ "$status" != 124 ] || fail "vexel-send.exe on Wine's default COM1 did not end: $(cat "$work/uart.out")"
echo "vexel-send.exe: a run on Wine's default COM1 ended with $status"
start_module
cat >"$work/grid.txt" <<'GRID'
.##..##.
########
########
.######.
..####..
...##...
........
........
GRID
cat >"$work/commands.txt" <<'COMMANDS'
# Every kind of command once, from a file
chars A ^3
scroll "HELLO WORLD"
speed 2
animate left 0
COMMANDS
echo "show 1 @$work/grid.txt" >>"$work/commands.txt"
# Pictures as ImageMagick writes them, read through the picture reader
# library beside vexel-send.exe; GIFs of real encoders, and one cut short.
for format in png bmp jpg; do
    convert -size 8x8 xc:black -fill white -draw 'rectangle 1,2 5,6' -quality 100 "$work/square.$format"
done
head -c 150 "$root/tests/data/im-previous.gif" >"$work/cut.gif"
commands=(
    "chars A B" "chars ^0 x" "scroll HELLO" "scroll" "speed 0" "speed 3"
    "show 0 1000000000000000" "show 1 @$work/grid.txt" "save 3 FF818181818181FF" "save-startup"
    "animate up 0" "animate right 1" "play 0 @$root/tests/data/two-frames.gif"
    "play 1 @$root/dist/examples/heart-beat.txt --interval 20" "--file $work/commands.txt"
    "show 0 @$work/square.png" "show 1 @$work/square.bmp" "save 4 @$work/square.jpg" "show 0 @$work/square.png --invert"
    "show 0 @$root/tests/data/im-interlaced.gif" "play 1 @$root/tests/data/im-previous.gif"
    "play 0 @$root/tests/data/gifsicle-optimised.gif --repeat 1" "show 1 @$work/cut.gif"
)
# vexel-send.exe --port 1 with the words gives what Linux gave for them,
# kept in $work/expected/N.*, to the module whose log is given.
matches_linux() {
    local n="$1" words="$2" log="$3" how="$4" status=0 before
    before="$(wc -l <"$log")"
    # shellcheck disable=SC2086
    wine "$app/vexel-send.exe" --port 1 $words >"$work/windows.raw" 2>&1 || status=$?
    tr -d '\r' <"$work/windows.raw" >"$work/windows.out"
    settle
    frames_after "$log" "$before" >"$work/windows.frames"
    local expected="$work/expected/$n"
    [ "$status" = "$(cat "$expected.status")" ] || fail "vexel-send $words $how: exit status $status on Windows," \
        "$(cat "$expected.status") on Linux: $(cat "$work/windows.out")"
    cmp -s "$expected.frames" "$work/windows.frames" \
        || fail "vexel-send $words $how: other frames on Windows: $(diff "$expected.frames" "$work/windows.frames")"
    cmp -s "$expected.out" "$work/windows.out" \
        || fail "vexel-send $words $how: other output on Windows: $(diff "$expected.out" "$work/windows.out")"
}
# Linux's vexel-send first, its answers kept for the virtual module's pipe too.
compare() {
    local words="$1" status=0 before expected
    compared=$((compared + 1))
    expected="$work/expected/$compared"
    mkdir -p "$work/expected"
    before="$(wc -l <"$module_log")"
    # shellcheck disable=SC2086
    "$linux/vexel-send" --dir "$module_dir" --port 1 $words >"$expected.out" 2>&1 || status=$?
    settle
    frames_since "$before" >"$expected.frames"
    echo "$status" >"$expected.status"
    [ "${2:-$status}" = "$status" ] || fail "vexel-send $words: exit status $status, not $2"
    [ -s "$expected.frames" ] || [ "$status" != 0 ] || fail "vexel-send $words: the module saw no frame"
    matches_linux "$compared" "$words" "$module_log" "through COM1"
}
compared=0
for words in "${commands[@]}"; do
    if [[ $words == save* ]]; then compare "$words" 0; else compare "$words"; fi
done
echo "vexel-send.exe: the same frames, output and statuses as on Linux for ${#commands[@]} commands"

# In a console window (Wine's, on a terminal of its own) whose code page is
# not UTF-8, a message's letters arrive as letters: bytes would show as "├╝".
console="$(LANG=C.UTF-8 script -qec "wine cmd /c 'chcp 850 >nul & $(winepath -w "$app/vexel-send.exe") --port 1 scroll Tschüss'" \
    /dev/null 2>&1 || true)"
grep -qF '"ü" cannot be scrolled' <<<"$console" || fail "vexel-send.exe garbles letters in a console: $console"
echo "vexel-send.exe: a console of code page 850 shows its letters"

# Ctrl-C: the run ends after a whole frame, with 130; the module's last
# frame is a whole one.
{ for _ in $(seq 400); do cat "$work/grid.txt"; echo; done; } >"$work/long.txt"
before="$(wc -l <"$module_log")"
wine "$app/vexel-send.exe" --port 1 play 0 "@$work/long.txt" --interval 30 >/dev/null 2>&1 &
sender=$!
for _ in $(seq 100); do [ "$(frames_since "$before" | wc -l)" -ge 5 ] && break; sleep 0.1; done
kill -INT "$sender"
status=0
wait "$sender" || status=$?
settle
[ "$status" = 130 ] || fail "vexel-send.exe ended by Ctrl-C with $status, not 130"
sent="$(frames_since "$before" | wc -l)"
[ "$sent" -lt 400 ] || fail "vexel-send.exe did not stop at Ctrl-C"
frames_since "$before" | grep -v ' display-bitmap pos=0$' && fail "after Ctrl-C the module saw a broken frame"
echo "vexel-send.exe: Ctrl-C ended the run with 130 after $sent whole frames"

stop_module
start_module --ack none
compare "save 4 FF818181818181FF" 1
echo "vexel-send.exe: an unacknowledged store gives 1"
stop_module

# The null-modem way: vexel-module.exe on COM9, vexel-send.exe on COM8, the
# two joined by a pair of pseudo-terminals.
socat pty,raw,echo=0,link="$work/com8" pty,raw,echo=0,link="$work/com9" &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/com9" ] && break; sleep 0.1; done
wine reg add 'HKLM\Software\Wine\Ports' /v COM8 /t REG_SZ /d "$(readlink "$work/com8")" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM9 /t REG_SZ /d "$(readlink "$work/com9")" /f >/dev/null
wineserver -k || true
wineserver -w
wine "$app/vexel-module.exe" --headless --device COM9 --state "$work/null-modem.state" >"$work/null-modem.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^device ' "$work/null-modem.log" && break; sleep 0.1; done
wine "$app/vexel-send.exe" --port 8 --quiet save 2 FF818181818181FF \
    || fail "vexel-module.exe on COM9 did not acknowledge a store from COM8: $(cat "$work/null-modem.log")"
grep -q 'save-bitmap slot=2' "$work/null-modem.log" || fail "vexel-module.exe saw no store: $(cat "$work/null-modem.log")"
echo "vexel-module.exe --device COM9: acknowledged a store that vexel-send.exe sent through COM8"
wineserver -k || true

# --- 3. The panel on a virtual X server ---------------------------------
export DISPLAY=:95
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
# Every caption whole and in the Linux panel's face: the rows and columns
# of its ink in the Windows panel are those of the Linux panel, give or take
# a pixel of rounding. Each place is a caption's inside, a button's without
# its border, in the window's pixels; both panels are closed, so greyed.
captions=(
    "Comm Port:28,20,66,16" "Display Control:30,79,80,14" "Communication Monitor:30,439,122,14"
    "CONNECT:131,43,115,11" "Clear ALL:619,107,51,19"
    "Show Static Characters:155,115,83,27" "character 0 (two lines):48,160,193,49"
    "Scroll Text:251,211,75,19" "Type Scrolling text (two lines):48,240,161,25" "Set Scrolling Speed:107,283,115,19"
    "0 - Slowest , 3 - Fastest:104,312,121,17" "Show Animation:40,352,81,17" "Up Arrow:43,379,59,27"
    "Down Arrow:123,379,59,27" "Right Arrow:203,379,59,27" "Left Arrow:283,379,59,27"
    "Save Current Screen as Startup:387,379,195,27" "Display Position:616,168,81,17"
    "Display Bitmap:619,195,83,19" "Save at Location:616,232,89,17" "Save Bitmap:619,283,83,19"
    "Bitmap Data:608,336,97,17" "Bytes Sent:32,464,57,17"
)
ink() {
    convert "$1" -crop "$2" +repage -colorspace Gray -auto-level -threshold 60% -negate -trim -format '%w %h %X %Y' info: 2>/dev/null
}
QT_QPA_PLATFORM=xcb "$linux/vexelapp" >/dev/null 2>&1 &
linux_panel=$!
panel_window="$(find_window '^VexelApp \(' 60)" \
    || fail "the Linux panel's window did not appear"
sleep 1
import -window "$panel_window" "$work/linux-panel.png"
kill "$linux_panel"
wait "$linux_panel" 2>/dev/null || true
start_module
before="$(wc -l <"$module_log")"
wine "$app/vexelapp.exe" >/dev/null 2>&1 &
disown
panel_window="$(find_window '^VexelApp \(')" \
    || fail "the panel's window did not appear"
xdotool windowmove "$panel_window" 0 0
sleep 2
import -window "$panel_window" "$work/windows-panel.png"
for caption in "${captions[@]}"; do
    place="${caption##*:}"
    IFS=, read -r x y w h <<<"$place"
    read -r -a linux_ink <<<"$(ink "$work/linux-panel.png" "${w}x${h}+${x}+${y}")"
    read -r -a windows_ink <<<"$(ink "$work/windows-panel.png" "${w}x${h}+${x}+${y}")"
    for i in 0 1 2 3; do
        difference=$((windows_ink[i] - linux_ink[i]))
        [ "${difference#-}" -le 2 ] || fail "the caption \"${caption%:*}\" covers ${windows_ink[*]} (width height left top) under Wine, ${linux_ink[*]} on Linux"
    done
done
echo "vexelapp.exe: ${#captions[@]} captions cover the rows and columns they cover on Linux"
click() { xdotool mousemove --window "$panel_window" "$1" "$2" click 1; sleep 0.3; }
click 188 48                                  # CONNECT
click 164 292                                 # Set Scrolling Speed
click 140 225; xdotool type --delay 50 "WINE"  # the scroll text
click 288 220                                 # Scroll Text
for cell in "1 1" "2 2" "3 3" "4 4"; do       # a diagonal on the dot grid
    read -r row column <<<"$cell"
    click $((24 + 328 + 24 * column + 9)) $((80 + 16 + 32 + 24 * (row - 1) + 9))
done
click 660 204                                 # Display Bitmap
sleep 1
$screenshot && import -window "$panel_window" "$root/docs/vexelapp-windows.png"
panel_frames="$(frames_since "$before")"
for kind in "scroll-speed" 'scroll-text text="WINE"' "display-bitmap pos=0"; do
    grep -qF "$kind" <<<"$panel_frames" || fail "the panel's $kind did not reach the module: $panel_frames"
done
echo "vexelapp.exe: connected to COM1; speed, scroll text and bitmap reached the module"
wineserver -k || true
# Both stores, each the first command after connecting in a fresh start,
# which once crashed the panel: each acknowledged with its message box.
starts=10
for start in $(seq "$starts"); do
    wine "$app/vexelapp.exe" >/dev/null 2>&1 &
    panel=$!
    disown
    panel_window="$(find_window '^VexelApp \(')" \
        || fail "the panel's window did not appear in start $start"
    xdotool windowmove "$panel_window" 0 0
    sleep 1
    click 188 48                                              # CONNECT
    for store in "660 292" "484 392"; do                       # Save Bitmap, Save Current Screen as Startup
        before="$(grep -c '^answer AA' "$module_log" || true)"
        click $store
        box="$(find_window '^VexelApp$' 20)" \
            || fail "no message box after a store in start $start: $(tail -n 5 "$module_log")"
        [ "$(grep -c '^answer AA' "$module_log")" -gt "$before" ] || fail "a store in start $start was not answered"
        # Closed with Enter, as a person would; Wine takes keys only in the window that has the focus.
        xdotool windowfocus "$box" 2>/dev/null
        xdotool key Return 2>/dev/null
        for _ in $(seq 50); do xdotool search --onlyvisible --name '^VexelApp$' >/dev/null || break; sleep 0.1; done
    done
    kill -0 "$panel" 2>/dev/null || fail "the panel ended during the stores of start $start"
    wineserver -k || true
done
echo "vexelapp.exe: $((starts * 2)) stores in $starts fresh starts, each acknowledged with its message"
stop_module

# --- 3b. The virtual module, with nothing installed ----------------------
# No mapped port, no bridge: vexel-module.exe serves the port through a pipe.
new_prefix virtual
wine "$app/vexel-module.exe" --headless --port 1 --state 'C:\virtual.state' >"$work/virtual.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^virtual port ' "$work/virtual.log" && break; sleep 0.1; done
grep -q '^virtual port COM1 -> \\\\.\\pipe\\' "$work/virtual.log" \
    || fail "vexel-module.exe serves no virtual port: $(cat "$work/virtual.log")"
for index in "${!commands[@]}"; do
    matches_linux "$((index + 1))" "${commands[$index]}" "$work/virtual.log" "through the pipe"
done
echo "vexel-module.exe: through its pipe, the frames, output and statuses of the Linux module for ${#commands[@]} commands"
wineserver -k || true

# The zip's one click: the module on the port the user's vexel.ini names,
# then the panel; clicks reach the module's frames; another program is
# refused while the panel holds the port; closing the module's window is a
# lost port, said once.
appdata="$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")"
mkdir -p "$appdata/VexelApp"
# A port Windows has is the settings' meaning: the panel alone, and why.
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d /dev/null /f >/dev/null
wineserver -k || true
wineserver -w
printf '[Settings]\r\nCommPort=5\r\n' >"$appdata/VexelApp/vexel.ini"
wine "$app/vexelapp-with-module.exe" >/dev/null 2>&1 &
disown
find_window '^VexelApp with virtual module$' 60 >/dev/null || fail "the one click on COM5, a port Windows has, said nothing"
find_window '^VexelApp \(' 60 >/dev/null || fail "the one click on COM5 did not start the panel alone"
xdotool search --onlyvisible --name '^vexel-module' >/dev/null && fail "the one click started a module over COM5"
echo "vexelapp-with-module.exe: on COM5, a port Windows has, the panel started alone and the reason was shown"
wineserver -k || true
printf '[Settings]\r\nCommPort=4\r\n' >"$appdata/VexelApp/vexel.ini"
wine "$app/vexelapp-with-module.exe" >/dev/null 2>&1 &
launcher=$!
disown
find_window '^vexel-module.*COM4$' >/dev/null \
    || fail "the one click started no module on port 4: $(cat "$app/vexel-module.log" 2>/dev/null)"
panel_window="$(find_window '^VexelApp \(')" \
    || fail "the one click started no panel"
xdotool windowmove "$panel_window" 0 0
sleep 2
module_log="$app/vexel-module.log"
click 188 48                                  # CONNECT
click 164 292                                 # Set Scrolling Speed
click 660 204                                 # Display Bitmap
sleep 1
for kind in "scroll-speed" "display-bitmap pos=0"; do
    grep -qF "$kind" "$module_log" || fail "the panel's $kind did not reach the virtual module: $(cat "$module_log")"
done
status=0
wine "$app/vexel-send.exe" --port 4 speed 1 >"$work/held.out" 2>&1 || status=$?
[ "$status" = 3 ] && grep -q 'held by another program' "$work/held.out" \
    || fail "vexel-send.exe beside the connected panel: status $status, $(cat "$work/held.out")"
click 188 48                                  # Disconnect
wine "$app/vexel-send.exe" --port 4 --quiet save 2 FF818181818181FF \
    || fail "the virtual module did not acknowledge vexel-send.exe's store: $(tail -n 5 "$module_log")"
click 188 48                                  # CONNECT again
# Closed as its close box closes it (taskkill without /F sends the window
# WM_CLOSE): with no window manager, Wine's windows have no close box.
wine taskkill /IM vexel-module.exe >/dev/null 2>&1
box="$(find_window '^VexelApp$' 20)" \
    || fail "closing the module's window while connected said nothing"
xdotool windowfocus "$box" 2>/dev/null
xdotool key Return 2>/dev/null
sleep 2
xdotool search --onlyvisible --name '^VexelApp$' >/dev/null && fail "the lost port was said more than once"
wine taskkill /IM vexelapp.exe >/dev/null 2>&1
for _ in $(seq 300); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
kill -0 "$launcher" 2>/dev/null && fail "the one click did not end with the panel"
echo "vexelapp-with-module.exe: module and panel in one click; the panel's clicks and a store reached the module;"
echo "  a second program was refused while the panel held the port; the module's window closed was a lost port"
wineserver -k || true

# --- 4. The installer and the uninstaller, silent ------------------------
new_prefix install
wine "$installer" /S
wineserver -w
program_dir="$WINEPREFIX/drive_c/Program Files/VexelApp"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VexelApp"
for file in vexelapp.exe vexel-send.exe vexel-module.exe vexel-ports.exe vexel-picturereader.dll vexel.ini dotf.BMP \
    dotb.JPG uninstall.exe Qt6Core.dll platforms/qwindows.dll; do
    [ -f "$program_dir/$file" ] || fail "the installer did not install $file"
done
[ -f "$menu/VexelApp.lnk" ] || fail "the installer made no Start-menu entry"
wine start /unix "$menu/VexelApp.lnk" >/dev/null 2>&1 &
disown
find_window '^VexelApp \(' >/dev/null \
    || fail "the Start-menu entry did not start the panel"
echo "installer: installed into Program Files; the Start-menu entry starts the panel"
wineserver -k || true
# Port 4 of this prefix is no COM port Wine maps: the entry starts the module.
sed -i 's/^CommPort=.*/CommPort=4\r/' "$program_dir/vexel.ini"
wine start /unix "$menu/VexelApp with virtual module.lnk" >/dev/null 2>&1 &
disown
find_window '^vexel-module.*COM4$' >/dev/null \
    || fail "the Start-menu entry \"VexelApp with virtual module\" started no module"
panel_window="$(find_window '^VexelApp \(')" \
    || fail "the Start-menu entry \"VexelApp with virtual module\" started no panel"
sleep 1
wine taskkill /IM vexelapp.exe >/dev/null 2>&1
# The panel takes seconds to end under Wine, the more so on a busy machine.
for _ in $(seq 300); do xdotool search --onlyvisible --name '^vexel-module' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name '^vexel-module' >/dev/null && fail "the module outlived the panel"
echo "installer: its entry \"VexelApp with virtual module\" starts both, and the module ends with the panel"
wineserver -k || true
cp "$app/vexel.ini" "$program_dir/vexel.ini"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VexelApp' /v EstimatedSize 2>/dev/null \
    | grep -q 'REG_DWORD' || fail "the Apps entry has no EstimatedSize"
# The administrator's settings survive an upgrade or repair, and an
# uninstallation, which says so; the shipped file is removed with the rest.
printf '[Settings]\r\nCommPort=5\r\n' >"$program_dir/vexel.ini"
wine "$installer" /S
wineserver -w
grep -q 'CommPort=5' "$program_dir/vexel.ini" || fail "installing again replaced the administrator's vexel.ini"
uninstall() {
    wine "$program_dir/uninstall.exe" /S
    wineserver -w
    # The uninstaller runs from a copy of itself, which ends after the first.
    for _ in $(seq 50); do [ -e "$program_dir/uninstall.exe" ] || break; sleep 0.2; done
}
uninstall
[ "$(find "$program_dir" -type f)" = "$program_dir/vexel.ini" ] \
    || fail "uninstalling did not keep just the changed vexel.ini: $(find "$program_dir" | head -n 5)"
wine "$installer" /S
wineserver -w
cp "$app/vexel.ini" "$program_dir/vexel.ini"
uninstall
for _ in $(seq 50); do [ -e "$program_dir" ] || break; sleep 0.2; done
[ ! -e "$program_dir" ] || fail "the uninstaller left $(find "$program_dir" | head -n 5)"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu entry"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VexelApp' >/dev/null 2>&1 \
    && fail "the uninstaller left its registry key"
echo "installer: an upgrade keeps a changed vexel.ini, and so does the uninstaller"
echo "uninstaller: removed the programs, the Start-menu entry and its registry key"

# --- 5. The zip from another clone --------------------------------------
git clone -q "$root" "$work/clone"
git -C "$root" diff --binary HEAD | git -C "$work/clone" apply --allow-empty
again="$("$work/clone/scripts/windows.sh" | tail -n 2)"
sha256sum "$zip" "$(tail -n 1 <<<"$again")"
cmp -s "$zip" "$(tail -n 1 <<<"$again")" || fail "the zip differs when built in another clone"
if cmp -s "$installer" "$(head -n 1 <<<"$again")"; then
    echo "The zip and the installer have the same bytes from another clone"
else
    echo "The zip has the same bytes from another clone; the installer does not"
fi
echo "Windows: $zip ($(du -k "$zip" | cut -f1) KiB), $installer"
