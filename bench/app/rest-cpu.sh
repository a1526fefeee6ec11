#!/usr/bin/env bash
# Probe: the processor time the program takes at rest on its main window, in per cent of one core.
#
#   bench/app/rest-cpu.sh BUILD_DIR [SECONDS] [PROGRAM]
#
# Run from the source tree.  Starts the program on a private test desktop (scripts/headless-desktop.sh), waits
# for the main window and two more seconds, then reads utime + stime of /proc/PID/stat over SECONDS (5).
# PROGRAM is BUILD_DIR/src/app/vexlin unless another build is named.
set -eu
build=${1:?usage: rest-cpu.sh BUILD_DIR [SECONDS] [PROGRAM]}
seconds=${2:-5}
program=${3:-$build/src/app/vexlin}
source scripts/headless-desktop.sh
trap headless_cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY
start_headless_display
start_headless_audio

"$program" >/dev/null 2>&1 &
pid=$!
headless_pids+=("$pid")
# The main window, not the splash (which bears the program's name too); polled rather than xdotool's
# --sync, which gives up when a window it looks at vanishes meanwhile.
main_window_shown() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Vexlin$' 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q SPLASH || return 0
    done
    return 1
}
for _ in $(seq 300); do
    main_window_shown && break
    sleep 0.1
done
sleep 2

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "at rest: %.1f %% of one core over %d s (%d ticks)\n", 100 * d / (hz * s), s, d }'
