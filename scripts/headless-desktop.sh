# Sourced by run.sh and test.sh: starts what a headless run needs when it is not there already and stops it
# again on exit.  Without a window manager Qt sends no activation events, hence openbox.
# Sets DISPLAY, XDG_RUNTIME_DIR and the PulseAudio defaults (a null sink and a microphone fed from its monitor,
# with the quiet noise of a room played into the sink all the time).

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

# True when a window manager runs on $DISPLAY: the root window names a check window that names itself
# (the EWMH rule), so a property left behind by a window manager that went away does not count.
headless_wm_running() {
    local root_check own_check
    root_check=$(xprop -root -notype 32x ' $0' _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '{print $2}')
    [[ $root_check == 0x* ]] || return 1
    own_check=$(xprop -id "$root_check" -notype 32x ' $0' _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '{print $2}')
    [[ $own_check == "$root_check" ]]
}

# Starts openbox and waits until it manages the screen; tries again when it went away during its start.
# Fails with a message when no attempt succeeds, since the activation tests mean nothing without it.
start_headless_wm() {
    local attempt i pid log
    log=$(mktemp /tmp/vexlin-wm-XXXX.log)
    for attempt in 1 2 3; do
        openbox >"$log" 2>&1 &
        pid=$!
        for i in $(seq 50); do
            if headless_wm_running; then
                headless_pids+=("$pid")
                rm -f "$log"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    echo "headless-desktop: the window manager did not come up on $DISPLAY after 3 attempts:" >&2
    sed 's/^/  openbox: /' "$log" >&2
    rm -f "$log"
    return 1
}

start_headless_display() {
    if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
        return 0
    fi
    local n=$((90 + RANDOM % 100))
    while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
    # -noreset: by default the server resets when its last client leaves, and a client connecting during
    # that reset (the window manager right after the readiness probe) is refused.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    local xvfb=$!
    headless_pids+=("$xvfb")
    export DISPLAY=":$n"
    local i up=
    for i in $(seq 100); do
        if xdpyinfo >/dev/null 2>&1; then
            up=1
            break
        fi
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    if [[ -z $up ]]; then
        echo "headless-desktop: Xvfb did not come up on $DISPLAY" >&2
        return 1
    fi
    start_headless_wm
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
    start_headless_room_noise
}

# No microphone in a room records exact zeros, and the speaker self-test takes an input that does for the
# output looped back.  Random samples played into the sink at a volume of 6300 (PulseAudio's volume is cubic:
# about −61 dB) give the microphone fed from its monitor a floor near −70 dBFS, far below anything a test
# plays and below what the waveform shows as a pixel.
start_headless_room_noise() {
    if pactl list clients 2>/dev/null | grep -q "application.name = \"vexlin-room-noise\""; then
        return 0
    fi
    pacat --playback -d testsink --raw --format=s16le --rate=44100 --channels=2 --volume=6300 \
        --client-name=vexlin-room-noise --stream-name=room-noise </dev/urandom >/dev/null 2>&1 &
    headless_pids+=("$!")
}

# A session bus, as every desktop session has one.  Without it Qt's accessibility bridge starts a bus of
# its own (dbus-launch) on the first label a program sets, and waits for it: no user pays that, so a
# start-up measured without a bus is not the one users see.  Only the probes that time a start use it.
start_headless_session_bus() {
    if [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]]; then
        return 0
    fi
    local output
    output=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || {
        echo "headless-desktop: the session bus did not start" >&2
        return 1
    }
    export DBUS_SESSION_BUS_ADDRESS=${output%%$'\n'*}
    headless_pids+=("${output##*$'\n'}")
}
