#!/usr/bin/env bash
# Probe: the time from exec to the main window mapped, against a bare Qt Widgets window started in the same
# run on the same private test desktop; several runs taken in turn, medians and their ratio printed.
#
#   bench/app/startup-ratio.sh BUILD_DIR [RUNS]
#
# Run from the source tree; needs the targets vexlin, map_timer and bare_qt_window.
set -eu
build=${1:?usage: startup-ratio.sh BUILD_DIR [RUNS]}
runs=${2:-7}
source scripts/headless-desktop.sh
trap headless_cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY
start_headless_display
start_headless_audio

timer=$build/bench/app/map_timer
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed start of each fills the file cache.
"$timer" --kill "bare Qt window" -- "$build/bench/app/bare_qt_window" >/dev/null
"$timer" --kill Vexlin -- "$build/src/app/vexlin" >/dev/null

bare=() program=()
for ((i = 0; i < runs; i++)); do
    bare+=("$("$timer" --kill "bare Qt window" -- "$build/bench/app/bare_qt_window")")
    program+=("$("$timer" --kill Vexlin -- "$build/src/app/vexlin")")
    echo "run $((i + 1)): bare ${bare[i]} ms, Vexlin ${program[i]} ms"
done
b=$(printf '%s\n' "${bare[@]}" | median)
p=$(printf '%s\n' "${program[@]}" | median)
awk -v b="$b" -v p="$p" 'BEGIN { printf "median: bare %.1f ms, Vexlin %.1f ms, ratio %.2f\n", b, p, p / b }'
