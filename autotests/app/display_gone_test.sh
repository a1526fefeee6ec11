#!/usr/bin/env bash
# The real program on an X server of the test's own, which the test then kills: the program must end with a
# message on stderr and a non-zero status, leave no temporary report behind, and leave its single-instance
# guard free, so that the next start, on a new server, shows its main window at once.  That copy is then
# asked to end with SIGTERM, as a session's end does: it must close as on a normal exit, status 143.
set -u
program=$1
caption='Vuduredazidazur-Edoduvivodore zirezi'
work=$(mktemp -d /tmp/vexlin-display-XXXX)
chmod 700 "$work"
# A guard, a home and a documents folder of its own, whatever else runs on this machine.
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_DOCUMENTS_DIR=$work/home/Документы
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
unset WAYLAND_DISPLAY
pids=()
cleanup() { kill -9 "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; [[ -f $work/stderr ]] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }

# Starts a private Xvfb on a free display and sets DISPLAY; its pid in $server.
start_server() {
    local fifo=$work/display.$RANDOM
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    server=$!
    pids+=("$server")
    local number
    read -r -t 20 number <"$fifo" || fail "Xvfb gave no display number"
    rm -f "$fifo"
    export DISPLAY=:$number
}

wait_for_window() {
    for _ in $(seq 400); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

source "$(dirname "${BASH_SOURCE[0]}")/../support/process_wait.sh"

start_server
"$program" >/dev/null 2>"$work/stderr" &
first=$!
pids+=("$first")
wait_for_window '^Vexlin$' || fail "the first start shows no main window"
# Once the start has settled: the OpenGL driver that the performance window starts just after the main
# window is painted crashes inside itself when the server goes in that moment (Mesa's GLX).
sleep 1

kill -9 "$server"
wait_for_end "$first" 10
code=$?
[[ $code -ne 255 ]] || fail "the program still runs 10 s after its X server went away"
[[ $code -ne 0 ]] || fail "the program ended with status 0 after losing its X server"
grep -q 'связь с графическим сервером потеряна' "$work/stderr" || fail "no message on stderr"
leftovers=$(find "$work" -name '.vexlin-report-*' -o -name '*.docx' -o -name '*.json' | head -n1)
[[ -z $leftovers ]] || fail "a file was left behind: $leftovers"

start_server
"$program" >/dev/null 2>"$work/stderr" &
second=$!
pids+=("$second")
wait_for_window '^Vexlin$' || fail "a start after the lost X server shows no main window"
xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 && fail "a stale guard blocked the start"

kill -TERM "$second"
wait_for_end "$second" 10
code=$?
[[ $code -eq 143 ]] || fail "SIGTERM ended the program with status $code, not as a requested close (143)"
"$program" >/dev/null 2>"$work/stderr" &
third=$!
pids+=("$third")
wait_for_window '^Vexlin$' || fail "a start after SIGTERM shows no main window"
xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 && fail "a stale guard blocked the start"
echo "a lost X server ends the program with a message, SIGTERM with 143, and the next starts proceed"
