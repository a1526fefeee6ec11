#!/usr/bin/env bash
# Five minutes of the soak probe (bench/app/SoakProbe.cpp): every window opened and closed 50 times, five
# full tests, five reports, the battery forecast running; it fails when memory, descriptors, threads or the
# program's X windows and pixmaps grew (memory from the run's middle on: a one-time step of the allocator
# early in a run is no leak).  On a display and a sound server of its own, so that its windows
# take no other test's keyboard focus and its music reaches no other test's microphone.
set -u
probe=$1
unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR
source "$(dirname "$0")/../../scripts/headless-desktop.sh"
trap headless_cleanup EXIT
start_headless_display || exit 1
start_headless_audio
"$probe" --minutes 5 --cycles 50 --full-tests 5 --reports 5 --memory-from-cycle 25 2>&1 | grep -vE '^(qt\.|QFont)'
exit "${PIPESTATUS[0]}"
