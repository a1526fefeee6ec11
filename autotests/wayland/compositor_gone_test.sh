#!/usr/bin/env bash
# The real program in a Wayland session on a headless weston of the test's own, which the test then kills:
# the program must end with our message on stderr and a non-zero status, leave no temporary report behind,
# and leave its single-instance guard free, so that a start on a new compositor proceeds at once.
#   compositor_gone_test.sh PROGRAM
set -u
program=$1
work=$(mktemp -d /tmp/vexlin-compositor-XXXX)
chmod 700 "$work"
# A runtime folder (the compositor's socket and the program's guard), a home and documents of its own.
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_DOCUMENTS_DIR=$work/home/Документы
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
pids=()
cleanup() { kill -9 "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [[ -f $work/stderr ]] && sed 's/^/  stderr: /' "$work/stderr"
    exit 1
}

start_compositor() {
    rm -f "$XDG_RUNTIME_DIR/vexlin-wl" "$XDG_RUNTIME_DIR/vexlin-wl.lock"
    weston --backend=headless-backend.so --socket=vexlin-wl --width=1280 --height=1024 --idle-time=0 \
        --no-config --log="$work/weston.log" &
    compositor=$!
    pids+=("$compositor")
    for _ in $(seq 300); do
        [[ -S $XDG_RUNTIME_DIR/vexlin-wl ]] && return 0
        sleep 0.1
    done
    fail "weston did not start"
}

# A user's Wayland login: no X display, no forced Qt platform.
start_program() {
    env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=vexlin-wl XDG_SESSION_TYPE=wayland \
        "$program" >/dev/null 2>"$work/stderr" &
    started=$!
    pids+=("$started")
}

# The guard is the one file the program keeps locked in the runtime folder; "held" while a copy runs past it.
guard_state() {
    local file
    for file in "$XDG_RUNTIME_DIR"/*; do
        [[ -f $file && $file != *vexlin-wl.lock ]] || continue
        flock -n "$file" true || { echo held; return; }
    done
    echo free
}

# Waits up to $2 seconds for the guard to be in state $1.
wait_for_guard() {
    for _ in $(seq $(($2 * 20))); do
        [[ $(guard_state) == "$1" ]] && return 0
        sleep 0.05
    done
    return 1
}

source "$(dirname "${BASH_SOURCE[0]}")/../support/process_wait.sh"

start_compositor
start_program
first=$started
wait_for_guard held 20 || fail "the first start never took its guard"
# The main window is built and shown after the guard; a few seconds for it to be up and drawn.
sleep 4
kill -0 "$first" 2>/dev/null || fail "the first start ended by itself"

{ kill -9 "$compositor"; wait "$compositor"; } 2>/dev/null
wait_for_end "$first" 10
code=$?
[[ $code -ne 255 ]] || fail "the program still runs 10 s after its compositor went away"
[[ $code -ne 0 ]] || fail "the program ended with status 0 after losing its compositor"
grep -q 'связь с графическим сервером потеряна' "$work/stderr" || fail "no message on stderr"
leftovers=$(find "$work/home" -name '.vexlin-report-*' -o -name '*.docx' -o -name '*.json' | head -n1)
[[ -z $leftovers ]] || fail "a file was left behind: $leftovers"
[[ $(guard_state) == free ]] || fail "the guard is still held after the program ended"

start_compositor
start_program
second=$started
wait_for_guard held 20 || fail "a start after the lost compositor did not get past the guard"
sleep 2
kill -0 "$second" 2>/dev/null || fail "a start after the lost compositor ended by itself"
kill -TERM "$second"
wait_for_end "$second" 10
code=$?
[[ $code -eq 143 ]] || fail "SIGTERM ended the program with status $code, not as a requested close (143)"
echo "a lost compositor ends the program with a message and a free guard, and the next start proceeds"
