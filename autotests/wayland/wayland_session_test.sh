#!/usr/bin/env bash
# Starts a headless weston of its own (private runtime directory and socket, whatever session the caller
# has), makes the environment that of a user's Wayland login (XDG_SESSION_TYPE=wayland, no DISPLAY, no
# forced Qt platform) and runs the given test program in it.
#   wayland_session_test.sh PROGRAM [VAR=VALUE ...]
set -u
program=$1
shift
runtime=$(mktemp -d /tmp/vexlin-wayland-XXXX)
chmod 700 "$runtime"
weston_pid=
cleanup() { [[ -n $weston_pid ]] && kill "$weston_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$runtime"; }
trap cleanup EXIT

XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=vexlin-wl --width=1280 --height=1024 \
    --idle-time=0 --no-config --log="$runtime/weston.log" &
weston_pid=$!
for _ in $(seq 300); do
    [[ -S $runtime/vexlin-wl ]] && break
    sleep 0.1
done
[[ -S $runtime/vexlin-wl ]] || { echo "FAIL: weston did not start"; cat "$runtime/weston.log"; exit 1; }

env -u DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=vexlin-wl XDG_SESSION_TYPE=wayland \
    "$@" "$program"
code=$?
[[ $code -eq 0 ]] || { echo "--- weston log"; grep -v '^ ' "$runtime/weston.log" | tail -20; }
exit $code
