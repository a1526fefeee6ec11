# Sourced by run.sh and test.sh: starts what a headless run needs when it is not there already and stops it
# again on exit.  Without a window manager Qt sends no activation events, hence openbox.
# Sets DISPLAY, XDG_RUNTIME_DIR and the PulseAudio defaults (a null sink and a microphone fed from its monitor).

headless_pids=()
headless_cleanup() {
    local i
    for ((i = ${#headless_pids[@]} - 1; i >= 0; i--)); do
        kill "${headless_pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    if [[ -n ${headless_pulse_started:-} ]]; then
        pulseaudio --kill 2>/dev/null || true
    fi
    if [[ -n ${headless_runtime_dir:-} ]]; then
        rm -rf "$headless_runtime_dir"
    fi
}

start_headless_display() {
    if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
        return 0
    fi
    local n=$((90 + RANDOM % 100))
    while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    headless_pids+=($!)
    export DISPLAY=":$n"
    local i
    for i in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    openbox >/dev/null 2>&1 &
    headless_pids+=($!)
    sleep 0.5
}

start_headless_audio() {
    if [[ -z ${XDG_RUNTIME_DIR:-} || ! -d ${XDG_RUNTIME_DIR:-} ]]; then
        headless_runtime_dir=$(mktemp -d /tmp/vexlin-run-XXXX)
        chmod 700 "$headless_runtime_dir"
        export XDG_RUNTIME_DIR=$headless_runtime_dir
    fi
    if pactl info >/dev/null 2>&1; then
        pactl list short sinks 2>/dev/null | grep -q testsink || return 0
    else
        pulseaudio --daemonize=yes -n --exit-idle-time=-1 --log-target=stderr \
            -L "module-native-protocol-unix auth-anonymous=1" \
            -L "module-null-sink sink_name=testsink rate=44100 channels=2" \
            -L "module-remap-source master=testsink.monitor source_name=testmic" 2>/dev/null || true
        headless_pulse_started=1
        local i
        for i in $(seq 50); do
            pactl info >/dev/null 2>&1 && break
            sleep 0.1
        done
    fi
    pactl set-default-sink testsink >/dev/null 2>&1 || true
    pactl set-default-source testmic >/dev/null 2>&1 || true
}
