#!/usr/bin/env bash
# Builds vexel-bench (and vexel-send, which it plays) for release, runs it and
# writes docs/performance.md.
# Usage: scripts/bench.sh [--quick]
# The run holds the team's build lock, when there is one, so that no build
# shares the processor with the measurement.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-bench"
lockfile=/tmp/vexel-build.lock
quick=()
[ "${1:-}" = "--quick" ] && quick=(--quick)

locked() {
    if [ -e "$lockfile" ]; then flock "$lockfile" "$@"; else "$@"; fi
}

locked cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
locked cmake --build "$build" -j"$(nproc)" --target vexel-bench >/dev/null
bench="$build/bench/vexel-bench"

load="$(cut -d' ' -f1-3 /proc/loadavg)"
offscreen="$(QT_QPA_PLATFORM=offscreen locked "$bench" "${quick[@]}")"
echo "$offscreen"
xserver=""
if command -v xvfb-run >/dev/null; then
    xserver="$(QT_QPA_PLATFORM=xcb locked xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$bench" --startup-only "${quick[@]}")"
    echo
    echo "$xserver"
fi

mkdir -p "$root/docs"
cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
{
    echo "# Performance"
    echo
    echo "Written by \`scripts/bench.sh${quick[*]:+ ${quick[*]}}\`, which builds \`bench/\` (\`vexel-bench\`)"
    echo "for release and runs it. Medians over repeated runs; p99 is the 99th percentile;"
    echo "a ratio is the program's median over the baseline's, both measured in the same run."
    echo
    echo "## Machine"
    echo
    echo "- Processor: $cpu"
    echo "- Cores: $(nproc)"
    echo "- Kernel: $(uname -sr)"
    echo "- Qt: $("$bench" --qt-version)"
    echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- Load average before the run: $load"
    echo
    echo "## Without a display (offscreen platform)"
    echo
    echo "$offscreen"
    if [ -n "$xserver" ]; then
        echo
        echo "## On an X server (Xvfb)"
        echo
        echo "$xserver"
    fi
    echo
    cat <<'NOTES'
## How each figure is taken

- **Click to line**: the real window in a program folder of its own, its port
  linked to a pseudo-terminal and connected with CONNECT. The monotonic clock
  is read right before `QTest::mouseClick` on "Save Bitmap"; a socket notifier
  on the device end, served by the event loop during the command's 100 ms wait,
  reads the clock again when the tenth byte has come, so the figure is an upper
  bound. The baseline writes the same 10 bytes, one write each, straight to
  a second pseudo-terminal and catches them the same way, interleaved with the
  clicks. No module answers, so no confirmation box is involved.
- **Timer wait**: the window's own wait, called directly while connected;
  wall time by the monotonic clock, processor time by the process's CPU clock
  (all threads).
- **At rest**: the connected window in its event loop for 10 s with nothing
  to do; the process's CPU clock before and after.
- **Clear ALL**: a click on "Clear ALL", timed around the click, which
  reads the unlit dot picture from disk for each of the 64 cells and hands it
  to the grid (painting follows later and is not counted). The baseline is
  64 reads of the same file by a plain `QImage`, each turned into a pixmap
  (not `QPixmap::load`, which would answer from Qt's pixmap cache).
- **play**: the real `vexel-send` plays a text animation (frames all lit and
  all unlit in turn) to a pseudo-terminal with `--quiet`. The bench reads the
  device end itself, blocking, and notes the monotonic clock when each
  frame's tenth byte has come; a frame's lateness is that moment after the
  first frame's, less its place in the schedule (n x the interval). Drift is
  the last frame's lateness after 100 frames at 50 ms; jitter the spread of
  every frame's lateness at 20 ms; processor time is `vexel-send`'s own
  (user and system, from `/proc/PID/stat`, in clock ticks) between the first
  frame and the last, per second of playing.
- **Start-up**: the bench starts itself as a child process, either as the
  control panel (built the way the program's `main()` builds it, in a program
  folder with its pictures and settings) or as a bare `QWidget` of the same
  796 x 519 pixels, empty or showing one line of text in the panel's face.
  Time runs from the parent's clock right before `QProcess::start` until the
  child has handled its window's first expose event (which paints it); the
  child then reads its VmRSS from `/proc/self/status`. One start of each is run
  first to warm the caches and not counted; the rest alternate.
- **vexel-send on a slow line**: `vexel-send --file` with 3000 scroll commands of
  30 characters, 93000 bytes, many times what a pseudo-terminal holds, into a
  far end that every 10 ms reads what a line of 9600 bytes a second would have
  taken by then. The pace is the bytes over the time to the last one; the
  processor time is vexel-send's own (the bench's reaped children, before and
  after). It must end with status 0 and every byte on the line.
- **vexel-send, one command**: `vexel-send --device PTY --quiet speed 1` to a
  pseudo-terminal whose far end the bench reads, against
  `sh -c 'stty -F PTY raw 9600 && printf "\372\061" > PTY'` writing the same
  two bytes, alternated, each started with `posix_spawn` (as a shell starts a
  command) and timed from the call to `waitpid`'s return. Both must leave the
  frame on the line.

## What one vexel-send call costs

Measured apart with `hyperfine -N` (medians of 150 runs, RelWithDebInfo):
starting any process costs about 0.8 ms (`/bin/true`); loading Qt Core and the
serial port library and building the `QCoreApplication` brings `vexel-send
--help` to about 2.6 ms, as much as `vexel-ports --help`; reading the command,
opening the port (Qt's lock file in `/var/lock`, written and synced, is most
of it), writing, draining and closing add about 0.5 ms. Qt Gui and the
thirty-odd libraries it needs would add another 3.7 ms (measured by preloading
it): they are mapped only when a picture other than a GIF is read, from the
reader library beside the program. The settings file is read only without
`--port` and `--device`, and the ports are surveyed only to explain a port
that cannot be opened. The shell's two commands take about 1.9 ms, so a
third of vexel-send's time is Qt Core's own start, which no command avoids.

## Why start-up misses against the empty window

The empty window never draws a letter, so it never starts the font machinery.
Measured phase by phase, the panel's extra time is about half fontconfig's first
start (reading its configuration and the caches of every installed font, paid
by any window that shows text), a third building the window (half of that the
four editable lists, whose line edits and popups Qt builds up front), and the
rest its first paint. Against a window that shows one line of text, the panel
is within the goal. Nothing the panel does at start-up is left to cut without
dropping a control: it reads no picture file and opens no port before it is
shown.
NOTES
} >"$root/docs/performance.md"
echo
echo "Written: $root/docs/performance.md"
