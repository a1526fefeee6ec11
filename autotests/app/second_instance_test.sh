#!/usr/bin/env bash
# The real program, started twice on the test desktop: the second start shows the message and ends with
# exit code 0 while the first keeps running; after the first is killed with SIGKILL a new start proceeds.
set -u
program=$1
caption='Vuduredazidazur-Edoduvivodore zirezi'
runtime=$(mktemp -d /tmp/vexlin-guard-XXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime # a guard of its own, whatever else runs on this machine
pids=()
cleanup() { kill -9 "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$runtime"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The first window id whose name matches, waiting up to 20 s.
wait_for_window() {
    local id
    for _ in $(seq 400); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}

"$program" >/dev/null 2>&1 &
first=$!
pids+=("$first")
wait_for_window '^Vexlin$' >/dev/null || fail "the first start shows no main window"

"$program" >/dev/null 2>&1 &
second=$!
pids+=("$second")
message=$(wait_for_window "^$caption\$") || fail "the second start shows no message"
# Return goes to whichever window has the keyboard focus, and a box just mapped may not have it yet: while
# the second start runs, the box is activated and Return pressed again, once a second for at most 20 s, which
# is also the time it has to end.  A box already closed cannot be activated, so no key lands in another window.
for _ in $(seq 20); do
    xdotool windowactivate --sync "$message" key Return 2>/dev/null || xdotool key --window "$message" Return 2>/dev/null
    for _ in $(seq 20); do kill -0 "$second" 2>/dev/null || break 2; sleep 0.05; done
done
if kill -0 "$second" 2>/dev/null; then
    xdotool getwindowname "$message" >/dev/null 2>&1 && fail "the second start's message did not take Return"
    fail "the second start did not end after its message"
fi
wait "$second"
code=$?
[[ $code -eq 0 ]] || fail "the second start ended with exit code $code"
kill -0 "$first" 2>/dev/null || fail "the first copy did not survive the second start"

kill -9 "$first"
wait "$first" 2>/dev/null
"$program" >/dev/null 2>&1 &
third=$!
pids+=("$third")
wait_for_window '^Vexlin$' >/dev/null || fail "a start after the first copy was killed shows no main window"
xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 && fail "a stale guard blocked the start"
echo "second start refused with exit code 0; a start after SIGKILL proceeds"
