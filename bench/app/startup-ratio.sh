#!/usr/bin/env bash
# Probe: the time from exec to the main window mapped, against a bare Qt Widgets window started in the same
# run on the same private test desktop; several runs taken in turn, medians and their ratio printed.
#
#   bench/app/startup-ratio.sh BUILD_DIR [RUNS] [OTHER_VEXLIN...]
#
# Run from the source tree; needs the targets vexlin, map_timer and bare_qt_window.  Other builds of the
# program given after RUNS (an older one, say) are timed in the same turns, so that all see the same load.
# The processor time each had used when its window mapped is printed too (in 10 ms ticks): the program
# lowers its interface thread to idle priority, so on a busy machine its wall time is mostly waiting.
# Both start in a desktop session with a session bus, as on a user's desktop; NO_SESSION_BUS=1 leaves it
# out (then Qt's accessibility bridge starts a bus of its own in every program that shows a label).
set -eu
build=${1:?usage: startup-ratio.sh BUILD_DIR [RUNS] [OTHER_VEXLIN...]}
runs=${2:-7}
shift $(($# >= 2 ? 2 : 1))
programs=("$build/src/app/vexlin" "$@")
source scripts/headless-desktop.sh
trap headless_cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY
start_headless_display
start_headless_audio
if [[ -z ${NO_SESSION_BUS:-} ]]; then
    unset DBUS_SESSION_BUS_ADDRESS
    start_headless_session_bus
fi

timer=$build/bench/app/map_timer
bare=$build/bench/app/bare_qt_window
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed start of each fills the file cache.
"$timer" --kill "bare Qt window" -- "$bare" >/dev/null
for p in "${programs[@]}"; do "$timer" --kill Vexlin -- "$p" >/dev/null; done

times=$(mktemp)
# Appends "wall cpu" of one start to the file $1 and prints it.
start() {
    local file=$1 title=$2
    shift 2
    "$timer" --cpu --kill "$title" -- "$@" | tee -a "$file"
}
for ((i = 1; i <= runs; i++)); do
    line="run $i (wall ms, cpu ms): bare $(start "$times.bare" "bare Qt window" "$bare")"
    for ((k = 0; k < ${#programs[@]}; k++)); do
        line+=", program $k $(start "$times.$k" Vexlin "${programs[k]}")"
    done
    echo "$line"
done
bw=$(cut -d' ' -f1 <"$times.bare" | median)
bc=$(cut -d' ' -f2 <"$times.bare" | median)
for ((k = 0; k < ${#programs[@]}; k++)); do
    pw=$(cut -d' ' -f1 <"$times.$k" | median)
    pc=$(cut -d' ' -f2 <"$times.$k" | median)
    awk -v bw="$bw" -v pw="$pw" -v bc="$bc" -v pc="$pc" -v name="${programs[k]}" 'BEGIN {
        printf "median: bare %.1f ms, %s %.1f ms, ratio %.2f; processor time bare %d ms, program %d ms\n",
            bw, name, pw, pw / bw, bc, pc }'
done
rm -f "$times" "$times".*
