#!/usr/bin/env bash
# Five minutes of the soak probe (bench/app/SoakProbe.cpp): every window opened and closed 50 times, five
# full tests, five reports, the battery forecast running.  It fails when descriptors, threads or the
# program's X windows and pixmaps grew, or memory by the hour's 5 MB.  On a display and a sound server of
# its own, so that its windows take no other test's keyboard focus and its music reaches no other test's
# microphone.
set -u
probe=$1
unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR
source "$(dirname "$0")/../../scripts/headless-desktop.sh"
trap headless_cleanup EXIT
start_headless_display || exit 1
start_headless_audio
"$probe" --minutes 5 --cycles 50 --full-tests 5 --reports 5 2>&1 | grep -vE '^(qt\.|QFont)'
exit "${PIPESTATUS[0]}"
