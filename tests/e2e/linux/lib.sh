# End-to-end library for the native Linux program: the Wine library's helpers (tests/e2e/lib.sh),
# with the program, its window's geometry, its close, key presses and the audio streams replaced.
#   . "$(dirname "$0")/lib.sh"
#   e2e_linux_init                  # scratch folder, watchdog, private Xvfb, XDG_CONFIG_HOME, no bus
#   e2e_start_pulse speakers:Speakers headset:Kopfhörer
#   e2e_stream NAME SINK            # a copy of pacat named NAME playing silence on SINK
#   e2e_config TRAY SCHEME          # config.ini with the window at (20, 20), 900 x 640
#   e2e_start_korvane; e2e_focus; ...; e2e_expect_exit close
# E2E_DIR is the program's configuration folder ($XDG_CONFIG_HOME/korvane), its working folder.
# A loaded machine may take seconds for one frame: every step waits for what it needs, up to
# E2E_WAIT seconds, and a failed wait names what it awaited; the program's log, its standard
# error included, is printed after any failure.
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
E2E_WAIT=60
E2E_NO_TRAY='No tray is running on the session bus (nothing owns org.kde.StatusNotifierWatcher): the window stays open, and closing it exits.'

e2e_linux_init() {
    e2e_init_scratch "${1:-}"
    export XDG_CONFIG_HOME=$E2E_ROOT/config
    E2E_DIR=$XDG_CONFIG_HOME/korvane
    mkdir -p "$E2E_DIR" "$E2E_ROOT/bin"
    # No session bus, so no story reaches the desktop's; tray.sh starts its own.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_ROOT/no-bus
    [ -x "$KORVANE_PROGRAM_DIR/korvane" ] || e2e_fail "korvane missing from $KORVANE_PROGRAM_DIR"
    # lavapipe keeps its JIT's memory until exit.
    export ASAN_OPTIONS=detect_leaks=0
}

e2e_run_korvane() {
    E2E_LOG=$E2E_ROOT/korvane.log
    "$KORVANE_PROGRAM_DIR/korvane" >"$E2E_LOG" 2>&1 </dev/null &
    E2E_PID=$!
}

e2e_window() { xdotool search --name "^${1:-Korvane}\$" 2>/dev/null | head -1; }
e2e_map_state() { xwininfo -id "$(e2e_window)" | awk '/Map State:/ { print $3 }'; }

# The X window is the client area (no window manager on the private display).
e2e_client_rect() {
    xwininfo -id "$(e2e_window "$1")" 2>/dev/null | awk '/Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF } /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { if (w) print x, y, w, h }'
}

# The Wine library's close (e2e_expect_exit close) posts WM_CLOSE; here it is a session manager's
# stop, after which Korvane saves and exits 0.
e2e_post() { kill -TERM "$E2E_PID"; }

# The program reads the key states once a frame: a key is held for longer than a slow frame.
e2e_hold_key() {
    xdotool keydown "$@"
    sleep 1
    xdotool keyup "$@"
}

# e2e_stream NAME SINK: sets E2E_STREAM_PID; the server names the stream after the executable.
e2e_stream() {
    cp "$(command -v pacat)" "$E2E_ROOT/bin/$1"
    "$E2E_ROOT/bin/$1" --playback /dev/zero --device="$2" --client-name="$1" >/dev/null 2>&1 &
    E2E_STREAM_PID=$!
    E2E_PROGRAM_PIDS+=($E2E_STREAM_PID)
    e2e_wait_until $E2E_WAIT eval "pactl list sink-inputs | grep -q 'application.process.binary = \"$1\"'" ||
        e2e_fail "stream $1 did not start"
}

# e2e_sink_volume SINK and e2e_stream_volume NAME: the loudest channel in percent; *_mute: yes/no.
e2e_sink_volume() { pactl get-sink-volume "$1" | grep -o '[0-9]*%' | tr -d % | sort -n | tail -1; }
e2e_sink_mute() { pactl get-sink-mute "$1" | awk '{ print $2 }'; }
e2e_stream_field() {  # NAME FIELD: Volume or Mute of the sink input of that executable
    pactl list sink-inputs | awk -v n="\"$1\"" -v f="$2" '
        /^Sink Input #/ { vol = ""; mute = "" }
        $1 == "Mute:" { mute = $2 }
        $1 == "Volume:" { vol = $5 }
        $1 == "application.process.binary" && $3 == n { print (f == "Mute" ? mute : vol); exit }' | tr -d %
}

e2e_config() {
    printf 'WINDOW_X=20\nWINDOW_Y=20\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=%s\nCOLOR_SCHEME=%s\n' "$1" "$2" >"$E2E_DIR/config.ini"
}

# e2e_focus: W x H of the client area and the tab row's height (tab), then a click on the empty
# corner of the shown window, which gives it the keyboard once the frame loop runs.
e2e_focus() {
    e2e_wait_eq IsViewable "the window shown" e2e_map_state
    read -r _ _ W H <<<"$(e2e_client_rect Korvane)"
    tab=$(awk -v h="$H" 'BEGIN { t = 0.055 * h; print int(t < 40 ? t : 40) }')
    e2e_click_client Korvane $((W - 4)) 4
    e2e_wait_eq "$(e2e_window)" "the keyboard on the window" xdotool getwindowfocus
}

# e2e_pixel X Y: the colour at a client point now; e2e_background: below the tabs, in the corner.
e2e_pixel() { e2e_client_pixel "$(e2e_screenshot pixel)" Korvane "$1" "$2"; }
e2e_background() { e2e_pixel $((W - 4)) $((tab + 2)); }

# e2e_wait_eq EXPECTED WHAT COMMAND...: waits for the command to print EXPECTED; e2e_wait_ne for
# anything else.
e2e_wait_eq() { e2e_wait_test = "$@"; }
e2e_wait_ne() { e2e_wait_test != "$@"; }
e2e_wait_test() {
    local test=$1 expected=$2 what=$3 end=$((SECONDS + E2E_WAIT)) got
    shift 3
    until got=$("$@"); [ "$got" "$test" "$expected" ]; do
        [ $SECONDS -ge $end ] && e2e_fail "$what: [$got] after $E2E_WAIT s, awaited $test [$expected] from: $*"
        sleep 0.1
    done
}
