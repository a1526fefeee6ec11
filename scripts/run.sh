#!/usr/bin/env bash
# Builds Vexlin (Release) and starts it from the repository root, so that data/ resolves.
# Without a display it runs on a virtual X server, saves a screenshot of the main window to
# build/vexlin-screenshot.png a few seconds after the start, and ends the program cleanly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

build=${VEXLIN_RUN_BUILD_DIR:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVEXLIN_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target vexlin -j"$(nproc)"
program="$root/$build/src/app/vexlin"

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    exec "$program"
fi

source scripts/headless-desktop.sh
trap headless_cleanup EXIT
start_headless_display
start_headless_audio

"$program" &
pid=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vexlin$' 2>/dev/null | head -n1 || true)
    [[ -n $window ]] && break
    sleep 0.1
done
sleep 3
mkdir -p build
shot="$root/build/vexlin-screenshot.png"
if [[ -n $window ]]; then
    import -window "$window" -frame "$shot" 2>/dev/null || import -window root "$shot"
else
    import -window root "$shot"
fi
echo "run.sh: no display here, so Vexlin ran on a virtual screen; its main window is in $shot"
# Closing the main window ends the program the way a user does.
if [[ -n $window ]]; then
    xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+x 2>/dev/null || true
fi
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
