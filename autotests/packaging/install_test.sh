#!/usr/bin/env bash
# Installs the build into a temporary prefix other than the configured one and starts the installed program
# from an unrelated working directory on the test desktop.  Its data must be found beside it: no message
# about a missing file appears at start (music, models, the sound module) or when the keyboard test opens (pictures), and the
# performance window draws the character.
#   install_test.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2
work=$(mktemp -d /tmp/vexlin-install-XXXX)
export XDG_RUNTIME_DIR=$work/run # a single-instance guard of its own
mkdir -m 700 "$XDG_RUNTIME_DIR"
pid=
cleanup() { [[ -n $pid ]] && kill -9 "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed"
for f in bin/vexlin lib/vexlin/modules/vexlin-sound.so lib/vexlin/modules/vexlin-report.so share/vexlin/data/klava.bmp share/vexlin/data/FruitCocktail.mp3 \
         share/vexlin/data/model/sarge/animation.cfg share/applications/org.vexlin.Vexlin.desktop \
         share/metainfo/org.vexlin.Vexlin.metainfo.xml share/icons/hicolor/scalable/apps/org.vexlin.Vexlin.svg \
         share/icons/hicolor/16x16/apps/org.vexlin.Vexlin.png share/doc/vexlin/copyright; do
    [[ -e $prefix/$f ]] || fail "the installation lacks $f"
done
elsewhere=$work/elsewhere
mkdir "$elsewhere"

# The program's visible top-level windows as "id<TAB>title" lines.
windows() {
    local id
    for id in $(xdotool search --all --pid "$pid" --onlyvisible --name . 2>/dev/null); do
        printf '%s\t%s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
    done
}

# Starts the installed program and waits for its main window; a message box shown while the windows are
# created (a missing music file or model) keeps the main window from appearing and is named in the failure.
start() {
    (cd "$elsewhere" && exec "$prefix/bin/vexlin") >"$work/program.log" 2>&1 &
    pid=$!
    local _
    for _ in $(seq 600); do # a loaded machine may take a minute
        main=$(xdotool search --all --pid "$pid" --onlyvisible --name '^Vexlin$' 2>/dev/null | head -n1)
        # The main window, not a message box with the same caption: at least 600 x 400.
        if [[ -n $main ]] && xdotool getwindowgeometry "$main" 2>/dev/null |
            grep -Eq 'Geometry: ([6-9][0-9]{2}|[0-9]{4,})x([4-9][0-9]{2}|[0-9]{4,})'; then
            break
        fi
        main=
        sleep 0.1
    done
    sleep 1
    [[ -n $main ]] || fail "no main window; on the screen: $(windows | cut -f2 | tr '\n' '|')"
    local count
    count=$(windows | awk -F'\t' '$2 == "Vexlin"' | wc -l)
    [[ $count -eq 1 ]] || fail "a message box came up at start: $(cat "$work/program.log")"
}

stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
}

# Presses the test button that is the given number of Tab presses after the first one.
press_button() {
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    sleep 0.3
    local _
    for _ in $(seq "$1"); do xdotool key Tab; sleep 0.1; done
    xdotool key space
}

no_message_box() {
    [[ $(windows | awk -F'\t' '$2 == "Vexlin"' | wc -l) -eq 1 ]] || fail "a message box came up with $1"
}

# The one visible window that is neither the main window nor a message box, waiting up to a minute for
# it: the interface thread runs at idle priority, so anything else busy on the machine holds it up.
test_window() {
    local id _
    for _ in $(seq 600); do
        id=$(windows | awk -F'\t' '$2 != "Vexlin" {print $1}' | head -n1)
        [[ -n $id ]] && break
        sleep 0.1
    done
    echo "$id"
}

distinct_colours() {
    import -window "$1" "$work/shot.png" 2>/dev/null && identify -format '%k' "$work/shot.png"
}

# The number of colours in the window once it shows more than the given number, or the last count after
# 30 s: its first frames come late for the same reason.
colours_above() {
    local colours _
    for _ in $(seq 30); do
        colours=$(distinct_colours "$1")
        [[ ${colours:-0} -gt $2 ]] && break
        sleep 1
    done
    echo "${colours:-0}"
}

start
press_button 1 # Производительность
perf=$(test_window)
no_message_box "the performance window"
[[ -n $perf ]] || fail "the performance window did not open"
# The whole textured character gives over 4000 colours; a part of it missing leaves about 1000.
colours=$(colours_above "$perf" 2500)
no_message_box "the performance window's first frames"
[[ $colours -gt 2500 ]] || fail "the performance window shows $colours colours: the character is not drawn whole"
echo "performance window drawn with $colours colours"
stop

start
press_button 3 # Клавиатура
klava=$(test_window)
no_message_box "the keyboard test"
[[ -n $klava ]] || fail "the keyboard test did not open"
colours=$(colours_above "$klava" 8)
no_message_box "the keyboard picture"
[[ $colours -gt 8 ]] || fail "the keyboard picture is not drawn ($colours colours)"
echo "keyboard test shows its picture ($colours colours)"
stop
echo "the program installed in $prefix found its data from $elsewhere"
