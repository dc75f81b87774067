# End-to-end test library: drives the real Korvane.exe under Wine on a private X display.
# Source it from a bash test script registered with korvane_e2e_test() (cmake/e2e.cmake), which
# sets KORVANE_SOURCE_DIR, KORVANE_BUILD_DIR, KORVANE_PROGRAM_DIR, KORVANE_E2E_PREFIX,
# KORVANE_WINTOOL and KORVANE_E2E_NAME.
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_init                       # scratch folder, cleanup trap, watchdog, Wine environment
#   e2e_start_xvfb                 # private display; exports DISPLAY
#   e2e_start_pulse speakers:Speakers headphones:Headphones   # optional private PulseAudio
#   dir=$(e2e_make_program_dir)    # copy of the program folder (Korvane.exe and its files)
#   e2e_run_korvane "$dir"         # stdout -> $dir/korvane.log; PID in E2E_PID
#   e2e_wait_window Korvane 30
#   e2e_click_client Korvane 100 50; e2e_key alt+F4
#   e2e_wait_exit 20; e2e_assert_eq 0 "$E2E_EXIT_CODE" "exit code"
#
# The prefix runs Korvane against the audio platform stand-in (scripts/audio-platform.sh):
# e2e_init gives each test its own state file, E2E_AUDIO_STATE, holding one default device
# "Speakers" with the system sounds session, so start-up logs nothing about audio.
#   e2e_audio_state TEXT           # replaces the state (INI text, see the stand-in's source)
#   e2e_start_programs player.exe  # running copies of the idle program, for sessions
#
# Everything started here (Korvane, Wine's processes in the e2e prefix, PulseAudio, Xvfb) is
# stopped by PID plus `wineserver -k` when the script exits, whether it passed, failed or was
# killed by the watchdog. Screenshots and logs of every run are kept in
# $KORVANE_BUILD_DIR/e2e-artifacts/<test name>/.

E2E_ROOT=
E2E_ARTIFACTS=
E2E_PID=
E2E_EXIT_CODE=
E2E_XVFB_PID=
E2E_PULSE_PID=
E2E_WATCHDOG_PID=
E2E_LOG=
E2E_FAILED=0
E2E_AUDIO_STATE=
E2E_PROGRAM_PIDS=()

e2e_note() { printf 'e2e: %s\n' "$*" >&2; }

e2e_fail() {
    E2E_FAILED=1
    printf 'e2e: FAIL: %s\n' "$*" >&2
    exit 1
}

# e2e_init [timeout seconds]: call first.
e2e_init() {
    local timeout=${1:-${KORVANE_E2E_TIMEOUT:-150}}
    : "${KORVANE_BUILD_DIR:?run through ctest (korvane_e2e_test)}"
    : "${KORVANE_PROGRAM_DIR:?}" "${KORVANE_E2E_PREFIX:?}" "${KORVANE_SOURCE_DIR:?}"
    local name=${KORVANE_E2E_NAME:-$(basename "$0" .sh)}
    E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e-$name.XXXXXX")
    E2E_ARTIFACTS=$KORVANE_BUILD_DIR/e2e-artifacts/$name
    rm -rf "$E2E_ARTIFACTS"
    mkdir -p "$E2E_ARTIFACTS"
    WINEPREFIX=$KORVANE_E2E_PREFIX
    . "$KORVANE_SOURCE_DIR/scripts/wine-env.sh"
    E2E_AUDIO_STATE=$E2E_ROOT/audio-platform.ini
    # The stand-in reads this Windows path from the environment Wine passes on.
    export KORVANE_AUDIO_STATE="Z:$(printf '%s' "$E2E_AUDIO_STATE" | tr '/' '\\')"
    e2e_audio_state '[device]
id={0.0.0.00000000}.{speakers}
name=Speakers
volume=0.5
mute=0
default_console=1
default_multimedia=1
default_communications=1

[session]
device={0.0.0.00000000}.{speakers}
program=System
volume=1
mute=0
'
    trap e2e_cleanup EXIT
    trap 'e2e_note "interrupted"; E2E_FAILED=1; exit 130' INT TERM HUP
    # The watchdog ends a hung test through the same cleanup (CTest's own timeout would not).
    (
        trap 'kill $sleeper 2>/dev/null; exit 0' TERM
        sleep "$timeout" &
        sleeper=$!
        wait $sleeper || exit 0
        kill -TERM $$
        # Bash runs the trap only once its foreground command returns: end what blocks it.
        sleep 2
        for child in $(ps -o pid= --ppid $$); do
            [ "$child" != "$BASHPID" ] && kill -TERM "$child"
        done
    ) >/dev/null 2>&1 &
    E2E_WATCHDOG_PID=$!
}

e2e_cleanup() {
    local rc=$?
    trap - EXIT INT TERM HUP
    [ "$rc" -ne 0 ] && E2E_FAILED=1
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        e2e_screenshot at-exit >/dev/null 2>&1
        kill "$E2E_PID" 2>/dev/null
    fi
    WINEPREFIX=$KORVANE_E2E_PREFIX wineserver -k >/dev/null 2>&1
    [ -n "$E2E_PID" ] && wait "$E2E_PID" 2>/dev/null
    local program
    for program in "${E2E_PROGRAM_PIDS[@]}"; do wait "$program" 2>/dev/null; done
    if [ -n "$E2E_PULSE_PID" ]; then
        kill "$E2E_PULSE_PID" 2>/dev/null
        wait "$E2E_PULSE_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ -n "$E2E_WATCHDOG_PID" ]; then
        kill "$E2E_WATCHDOG_PID" 2>/dev/null
        wait "$E2E_WATCHDOG_PID" 2>/dev/null
    fi
    if [ -n "$E2E_ROOT" ] && [ -d "$E2E_ROOT" ]; then
        # Keep what explains the run: the program's log, its config and Wine's messages.
        find "$E2E_ROOT" -maxdepth 2 \( -name '*.log' -o -name '*.ini' -o -name '*.png' \) \
            -exec cp {} "$E2E_ARTIFACTS/" \; 2>/dev/null
        if [ "$E2E_FAILED" -ne 0 ] && [ -n "$E2E_LOG" ] && [ -f "$E2E_LOG" ]; then
            e2e_note "program log:"
            sed 's/^/  | /' "$E2E_LOG" >&2
        fi
        [ "${KORVANE_E2E_KEEP:-0}" = 1 ] || rm -rf "$E2E_ROOT"
    fi
    if [ "$E2E_FAILED" -ne 0 ]; then
        e2e_note "artifacts in $E2E_ARTIFACTS"
        [ "$rc" -eq 0 ] && rc=1
    else
        e2e_note "passed"
    fi
    exit "$rc"
}

# e2e_start_xvfb [WIDTHxHEIGHT]: a display of our own on a free number; exports DISPLAY.
e2e_start_xvfb() {
    local size=${1:-1280x800} n tries=0
    n=$((300 + ($$ + RANDOM) % 600))
    while [ $tries -lt 50 ]; do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >"$E2E_ROOT/xvfb.out" 2>&1 &
            E2E_XVFB_PID=$!
            local i=0
            while [ $i -lt 100 ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null && [ ! -e "/tmp/.X11-unix/X$n" ]; do
                sleep 0.05
                i=$((i + 1))
            done
            if kill -0 "$E2E_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            # Another process took the number first.
            kill "$E2E_XVFB_PID" 2>/dev/null
            wait "$E2E_XVFB_PID" 2>/dev/null
            E2E_XVFB_PID=
        fi
        n=$((n + 1))
        tries=$((tries + 1))
    done
    e2e_fail "no free X display"
}

# e2e_start_pulse NAME:DESCRIPTION...: a private PulseAudio with one null sink per argument.
e2e_start_pulse() {
    export XDG_RUNTIME_DIR=$E2E_ROOT/run
    rm -rf "$XDG_RUNTIME_DIR"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    local args=(--daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no
        "--load=module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native")
    local sink
    for sink in "$@"; do
        args+=("--load=module-null-sink sink_name=${sink%%:*} sink_properties=device.description=${sink#*:}")
    done
    pulseaudio "${args[@]}" >"$E2E_ROOT/pulseaudio.log" 2>&1 &
    E2E_PULSE_PID=$!
    e2e_wait_until 10 test -S "$XDG_RUNTIME_DIR/pulse/native" || e2e_fail "PulseAudio did not start"
}

# e2e_audio_state TEXT: the audio platform's state for this test.
e2e_audio_state() { printf '%s' "$1" >"$E2E_AUDIO_STATE"; }

# e2e_start_programs NAME...: copies of the idle program running as E2E_ROOT/programs/NAME;
# waits until Wine lists each, so the stand-in finds them at the next enumeration.
e2e_start_programs() {
    local name
    mkdir -p "$E2E_ROOT/programs"
    for name in "$@"; do
        cp "$KORVANE_BUILD_DIR/tests/fakes/idle_program.exe" "$E2E_ROOT/programs/$name"
        wine "$E2E_ROOT/programs/$name" >/dev/null 2>>"$E2E_ROOT/wine-stderr.log" </dev/null &
        E2E_PROGRAM_PIDS+=($!)
    done
    for name in "$@"; do
        e2e_wait_until 20 eval "ps -eo args | grep -qi 'programs.$name'" || e2e_fail "$name did not start"
    done
    sleep 1  # listed before its modules are loaded; give the path lookup a loaded process
}

# e2e_make_program_dir [name]: a fresh copy of the program folder; prints its path.
e2e_make_program_dir() {
    local dir=$E2E_ROOT/${1:-program}
    mkdir -p "$dir"
    cp -R "$KORVANE_PROGRAM_DIR/." "$dir/"
    [ -f "$dir/Korvane.exe" ] || e2e_fail "Korvane.exe missing from $KORVANE_PROGRAM_DIR"
    printf '%s\n' "$dir"
}

# e2e_run_korvane DIR: starts DIR/Korvane.exe with stdout in DIR/korvane.log (E2E_LOG).
e2e_run_korvane() {
    local dir=$1
    E2E_LOG=$dir/korvane.log
    E2E_EXIT_CODE=
    wine "$dir/Korvane.exe" >"$E2E_LOG" 2>"$E2E_ROOT/wine-stderr.log" </dev/null &
    E2E_PID=$!
}

e2e_running() { [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; }

# e2e_wait_exit SECONDS: waits for Korvane to end; its exit code lands in E2E_EXIT_CODE.
e2e_wait_exit() {
    local seconds=${1:-20}
    e2e_wait_until "$seconds" eval '! e2e_running' || e2e_fail "Korvane still running after ${seconds}s"
    wait "$E2E_PID"
    E2E_EXIT_CODE=$?
    E2E_PID=
}

# e2e_wait_until SECONDS COMMAND...: polls every 0.1 s; status 1 on timeout.
e2e_wait_until() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.1
    done
    return 0
}

# e2e_wintool ARGS...: the window helper, run in the e2e prefix; prints its output.
e2e_wintool() { wine "$KORVANE_WINTOOL" "$@" 2>>"$E2E_ROOT/wine-stderr.log" | tr -d '\r'; }

# e2e_wait_window TITLE SECONDS: waits until the program shows a window with this title.
e2e_wait_window() {
    local title=${1:-Korvane} seconds=${2:-30}
    e2e_wait_until "$seconds" eval "xdotool search --name '^$title\$' >/dev/null 2>&1 || ! e2e_running" \
        || e2e_fail "no window \"$title\" after ${seconds}s"
    e2e_running || e2e_fail "Korvane ended before showing its window"
}

# e2e_client_rect TITLE: "x y width height" of the window's client area on the screen.
e2e_client_rect() { e2e_wintool client-rect "${1:-Korvane}"; }
e2e_window_rect() { e2e_wintool window-rect "${1:-Korvane}"; }

# e2e_click_client TITLE X Y [BUTTON]: a real click at client coordinates (activates the window).
e2e_click_client() {
    local rect
    rect=$(e2e_client_rect "$1") || e2e_fail "no client rectangle for \"$1\""
    set -- "$2" "$3" "${4:-1}" $rect
    xdotool mousemove --sync $(($4 + $1)) $(($5 + $2)) click "$3"
}

e2e_key() { xdotool key --delay 60 "$@"; }
e2e_type() { xdotool type --delay 60 "$@"; }

# e2e_post TITLE MESSAGE WPARAM LPARAM: PostMessageA to the window.
e2e_post() { e2e_wintool post "$@" >/dev/null || e2e_fail "could not post $2 to \"$1\""; }

# e2e_screenshot NAME: saves the screen as NAME.png among the artifacts; prints the path.
e2e_screenshot() {
    local file=$E2E_ARTIFACTS/$1.png
    import -window root "$file" && printf '%s\n' "$file"
}

e2e_assert_eq() {
    [ "$1" = "$2" ] || e2e_fail "$3: expected [$1], got [$2]"
}

# e2e_assert_file_eq FILE EXPECTED-TEXT: exact contents (printf escapes allowed in the text).
e2e_assert_file_eq() {
    local expected actual
    expected=$(printf "$2"; printf x)
    actual=$(cat "$1" 2>/dev/null; printf x)
    [ "$expected" = "$actual" ] || e2e_fail "$1 holds [${actual%x}], expected [${expected%x}]"
}

# e2e_log_has LEVEL TEXT: the program log holds a line "LEVEL h:m:s: TEXT".
e2e_log_line_count() {
    local level=$1 text=$2
    # Through the environment: awk -v would turn backslashes in the text (paths) into escapes.
    E2E_LEVEL=$level E2E_TEXT=$text awk '{ sub(/\r$/, "") } $1 == ENVIRON["E2E_LEVEL"] && $2 ~ /^[0-9]+:[0-9]+:[0-9]+:$/ \
        { s = $0; sub(/^[^ ]+ [^ ]+ /, "", s); if (s == ENVIRON["E2E_TEXT"]) n++ } END { print n + 0 }' "$E2E_LOG"
}
e2e_log_has() {
    [ "$(e2e_log_line_count "$1" "$2")" -ge 1 ] || e2e_fail "log lacks the $1 line \"$2\""
}
e2e_log_lacks() {
    [ "$(e2e_log_line_count "$1" "$2")" -eq 0 ] || e2e_fail "log has the $1 line \"$2\""
}
