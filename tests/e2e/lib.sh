# End-to-end test library: drives the real Korvane.exe under Wine on a private X display.
# Source it from a bash test script registered with korvane_e2e_test() (cmake/e2e.cmake), which
# sets KORVANE_SOURCE_DIR, KORVANE_BUILD_DIR, KORVANE_PROGRAM_DIR, KORVANE_E2E_PREFIX,
# KORVANE_WINTOOL and KORVANE_E2E_NAME.
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_init                       # scratch folder, cleanup trap, watchdog, private Xvfb (DISPLAY),
#                                  # and E2E_DIR, a fresh copy of the program folder
#   e2e_start_korvane              # E2E_DIR/Korvane.exe, stdout in korvane.log; waits for its window
#   e2e_click_client Korvane 100 50; xdotool key alt+F4
#   e2e_expect_exit                # exit code 0
#   e2e_start_pulse speakers:Speakers headset:Headset   # a private PulseAudio, when one is needed
#
# The prefix runs Korvane against the audio platform stand-in (scripts/audio-platform.sh):
# e2e_init gives each test its own state file, E2E_AUDIO_STATE, holding one default device
# "Speakers" with the system sounds session, so start-up logs nothing about audio.
#   e2e_audio_state "$(e2e_device speakers Speakers 0.6 0 1; e2e_session speakers player.exe 0.8 0)"
#
# The window's content, in client coordinates:
#   e2e_mixer_point W H WHAT [INDEX|VALUE]   # "X Y" of a Mixer widget
#   e2e_hold_key KEYS               # keys held for a few frames, e.g. ctrl+a or Return
#   e2e_to_screen TITLE X Y         # E2E_X and E2E_Y: the screen point of a client point
#   e2e_client_pixel PNG TITLE X Y  # RRGGBB of a screenshot at client (X, Y)
#
# Everything started here (Korvane, Wine's processes in the e2e prefix, PulseAudio, Xvfb) is
# stopped by PID plus `wineserver -k` when the script exits, whether it passed, failed or was
# killed by the watchdog. Screenshots and logs of every run are kept in
# $KORVANE_BUILD_DIR/e2e-artifacts/<test name>/.

E2E_ROOT= E2E_ARTIFACTS= E2E_DIR= E2E_PID= E2E_LOG= E2E_AUDIO_STATE= E2E_FAILED=0
E2E_XVFB_PID= E2E_PULSE_PID= E2E_WATCHDOG_PID= E2E_PROGRAM_PIDS=()

e2e_note() { printf 'e2e: %s\n' "$*" >&2; }

e2e_fail() {
    E2E_FAILED=1
    printf 'e2e: FAIL: %s\n' "$*" >&2
    exit 1
}

# e2e_init [timeout seconds]: call first.
e2e_init() {
    e2e_init_scratch "${1:-}"
    WINEPREFIX=$KORVANE_E2E_PREFIX
    . "$KORVANE_SOURCE_DIR/scripts/wine-env.sh"
    E2E_AUDIO_STATE=$E2E_ROOT/audio-platform.ini
    # The stand-in reads this Windows path from the environment Wine passes on.
    export KORVANE_AUDIO_STATE="Z:$(printf '%s' "$E2E_AUDIO_STATE" | tr '/' '\\')"
    e2e_audio_state "$(e2e_device speakers Speakers 0.5 0 1; e2e_session speakers System 1 0)"
    E2E_DIR=$E2E_ROOT/program
    cp -R "$KORVANE_PROGRAM_DIR/." "$E2E_DIR/"
    [ -f "$E2E_DIR/Korvane.exe" ] || e2e_fail "Korvane.exe missing from $KORVANE_PROGRAM_DIR"
}

# e2e_init_scratch [timeout seconds]: what every platform's test needs first: the scratch folder,
# the cleanup trap, the watchdog and a private Xvfb.
e2e_init_scratch() {
    local timeout=${1:-${KORVANE_E2E_TIMEOUT:-150}}
    : "${KORVANE_BUILD_DIR:?run through ctest}"
    local name=${KORVANE_E2E_NAME:-$(basename "$0" .sh)}
    E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e-$name.XXXXXX")
    E2E_ARTIFACTS=$KORVANE_BUILD_DIR/e2e-artifacts/$name
    rm -rf "$E2E_ARTIFACTS"
    mkdir -p "$E2E_ARTIFACTS" "$E2E_ROOT/program"
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
    . "$KORVANE_SOURCE_DIR/scripts/common.sh"
    start_private_xvfb || e2e_fail "no free X display"
    E2E_XVFB_PID=$XVFB_PID
}

# e2e_stop PID: ends a process of ours and reaps it.
e2e_stop() { [ -n "$1" ] && kill "$1" 2>/dev/null; [ -n "$1" ] && wait "$1" 2>/dev/null; }

e2e_cleanup() {
    local rc=$? program
    trap - EXIT INT TERM HUP
    [ "$rc" -ne 0 ] && E2E_FAILED=1
    e2e_running && e2e_screenshot at-exit >/dev/null 2>&1
    e2e_running && kill "$E2E_PID" 2>/dev/null
    [ -n "${KORVANE_E2E_PREFIX:-}" ] && WINEPREFIX=$KORVANE_E2E_PREFIX wineserver -k >/dev/null 2>&1
    [ -n "$E2E_PID" ] && wait "$E2E_PID" 2>/dev/null
    for program in "${E2E_PROGRAM_PIDS[@]}"; do e2e_stop "$program"; done
    e2e_stop "$E2E_PULSE_PID"
    e2e_stop "$E2E_XVFB_PID"
    e2e_stop "$E2E_WATCHDOG_PID"
    if [ -n "$E2E_ROOT" ] && [ -d "$E2E_ROOT" ]; then
        # Keep what explains the run: the program's log, its config and Wine's messages.
        find "$E2E_ROOT" -maxdepth 2 \( -name '*.log' -o -name '*.ini' -o -name '*.png' \) -exec cp {} "$E2E_ARTIFACTS/" \; 2>/dev/null
        if [ "$E2E_FAILED" -ne 0 ] && [ -f "$E2E_LOG" ]; then
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

# e2e_start_pulse NAME:DESCRIPTION...: a private PulseAudio with one null sink per argument.
e2e_start_pulse() {
    export XDG_RUNTIME_DIR=$E2E_ROOT/run
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    local args=(--daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no
        "--load=module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native") sink
    for sink in "$@"; do
        args+=("--load=module-null-sink sink_name=${sink%%:*} sink_properties=device.description=${sink#*:}")
    done
    pulseaudio "${args[@]}" >"$E2E_ROOT/pulseaudio.log" 2>&1 &
    E2E_PULSE_PID=$!
    e2e_wait_until 10 test -S "$XDG_RUNTIME_DIR/pulse/native" || e2e_fail "PulseAudio did not start: $(cat "$E2E_ROOT/pulseaudio.log")"
}

# Replaced whole (write, then rename): the stand-in may read the file at any moment.
e2e_audio_state() { printf '%s\n' "$1" >"$E2E_AUDIO_STATE.new" && mv -f "$E2E_AUDIO_STATE.new" "$E2E_AUDIO_STATE"; }

# e2e_device ID NAME VOLUME MUTE DEFAULT (NAME "-": none) and e2e_session DEVICE PROGRAM VOLUME
# MUTE: sections of the stand-in's state; a device's id is {0.0.0.00000000}.{ID}.
e2e_device() {
    printf '[device]\nid={0.0.0.00000000}.{%s}\n' "$1"
    [ "$2" = - ] || printf 'name=%s\n' "$2"
    printf 'volume=%s\nmute=%s\ndefault_console=%s\ndefault_multimedia=%s\ndefault_communications=%s\n\n' "$3" "$4" "$5" "$5" "$5"
}
e2e_session() { printf '[session]\ndevice={0.0.0.00000000}.{%s}\nprogram=%s\nvolume=%s\nmute=%s\n\n' "$@"; }

# e2e_run_korvane: starts E2E_DIR/Korvane.exe with stdout in korvane.log (E2E_LOG).
e2e_run_korvane() {
    E2E_LOG=$E2E_DIR/korvane.log
    wine "$E2E_DIR/Korvane.exe" >"$E2E_LOG" 2>"$E2E_ROOT/wine-stderr.log" </dev/null &
    E2E_PID=$!
}

# e2e_start_korvane: e2e_run_korvane, then waits for its window.
e2e_start_korvane() {
    e2e_run_korvane
    e2e_wait_until 40 eval "xdotool search --name '^Korvane\$' >/dev/null 2>&1 || ! e2e_running" || e2e_fail "no window after 40 s"
    e2e_running || e2e_fail "Korvane ended before showing its window"
}

e2e_running() { [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; }

# e2e_expect_exit [close]: waits for Korvane to end with code 0, first closing its window
# (WM_CLOSE) when asked to.
e2e_expect_exit() {
    [ "${1:-}" = close ] && e2e_post Korvane 0x0010 0 0
    e2e_wait_until 20 eval '! e2e_running' || e2e_fail "Korvane still running after 20 s"
    wait "$E2E_PID"
    local code=$?
    E2E_PID=
    e2e_assert_eq 0 "$code" "exit code"
}

# e2e_wait_until SECONDS COMMAND...: polls every 0.1 s; status 1 on timeout.
e2e_wait_until() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.1
    done
}

# e2e_wintool ARGS...: the window helper (see wintool.cpp), run in the e2e prefix.
e2e_wintool() { wine "$KORVANE_WINTOOL" "$@" 2>>"$E2E_ROOT/wine-stderr.log" | tr -d '\r'; }

# e2e_client_rect TITLE: "x y width height" of the window's client area on the screen.
e2e_client_rect() { e2e_wintool client-rect "${1:-Korvane}"; }

# e2e_to_screen TITLE X Y: sets E2E_X and E2E_Y to the screen position of a client point.
e2e_to_screen() {
    local rect
    rect=$(e2e_client_rect "$1") && [ -n "$rect" ] || e2e_fail "no client rectangle for \"$1\""
    set -- "$2" "$3" $rect
    E2E_X=$(($3 + $1)) E2E_Y=$(($4 + $2))
}

# e2e_click_client TITLE X Y [BUTTON]: a real click at client coordinates (activates the window);
# press and release arrive together, as from a touchpad tap.
e2e_click_client() {
    e2e_to_screen "$1" "$2" "$3"
    xdotool mousemove --sync "$E2E_X" "$E2E_Y" click "${4:-1}"
}

# e2e_post TITLE MESSAGE WPARAM LPARAM: PostMessageA to the window.
e2e_post() { e2e_wintool post "$@" >/dev/null || e2e_fail "could not post $2 to \"$1\""; }

# e2e_screenshot NAME: saves the screen as NAME.png among the artifacts; prints the path.
e2e_screenshot() {
    local file=$E2E_ARTIFACTS/$1.png
    import -window root "$file" && printf '%s\n' "$file"
}

e2e_assert_eq() { [ "$1" = "$2" ] || e2e_fail "$3: expected [$1], got [$2]"; }

# e2e_assert_file_eq FILE EXPECTED-TEXT: exact contents (printf escapes allowed in the text).
e2e_assert_file_eq() {
    local expected actual
    expected=$(printf "$2"; printf x)
    actual=$(cat "$1" 2>/dev/null; printf x)
    [ "$expected" = "$actual" ] || e2e_fail "$1 holds [${actual%x}], expected [${expected%x}]"
}

# e2e_log_line_count LEVEL TEXT: lines "LEVEL h:m:s: TEXT" in the program log.
e2e_log_line_count() {
    # Through the environment: awk -v would turn backslashes in the text (paths) into escapes.
    E2E_LEVEL=$1 E2E_TEXT=$2 awk '{ sub(/\r$/, "") } $1 == ENVIRON["E2E_LEVEL"] && $2 ~ /^[0-9]+:[0-9]+:[0-9]+:$/ \
        { s = $0; sub(/^[^ ]+ [^ ]+ /, "", s); if (s == ENVIRON["E2E_TEXT"]) n++ } END { print n + 0 }' "$E2E_LOG"
}
e2e_log_has() { [ "$(e2e_log_line_count "$1" "$2")" -ge 1 ] || e2e_fail "log lacks the $1 line \"$2\""; }

# e2e_client_pixel PNG TITLE X Y: colour (RRGGBB, upper case) of the screenshot at client (X, Y).
e2e_client_pixel() {
    local rect
    rect=$(e2e_client_rect "$2") || return 1
    set -- "$1" "$3" "$4" $rect
    convert "$1" -format "%[hex:p{$(($4 + $2)),$(($5 + $3))}]" info: 2>/dev/null | cut -c1-6
}

# The program reads the key states once per frame, after draining its messages: a key released
# within the same drain is never seen (a left click is), and xdotool's key sends both at once.
e2e_hold_key() {
    xdotool keydown "$@"
    sleep 0.2
    xdotool keyup "$@"
}

# e2e_mixer_point W H WHAT [ARG]: client "X Y" (whole pixels, inside the widget) of a
# Mixer widget in a client area W x H, worked out from the layout's viewport fractions.
#   tab_options | selector | set_active | device_mute
#   list_item I                       entry I of the open device list
#   device_knob V | equalizer_knob V  knob centre at value V
#   device_field
#   session_field J | session_mute J  session column J (not scrolled)
#   session_knob J V
e2e_mixer_point() {
    awk -v W="$1" -v H="$2" -v what="$3" -v a="${4:-0}" -v b="${5:-0}" '
        function clamp(v, lo, hi) { return v < lo ? lo : (v > hi ? hi : v) }
        function out(x, y) { printf "%d %d\n", x, y; exit }
        BEGIN {
            tab = 0.055 * H; if (tab > 40) tab = 40
            top = tab + 5; sel_x = 0.02 * W; sel_w = 0.6 * W; sel_h = 0.075 * H
            cy = top + sel_h + 8 + 0.006 * H; ch = H - cy - 8; cw = clamp(0.13 * W, 100, 150)
            dev_x = 0.02 * W; eq_x = dev_x + cw + 0.02 * W
            ses_x = eq_x + cw + 0.01 * W; ses_w = W - ses_x - 10; ses_h = H - cy - 8 - 14
            sw = clamp(0.2 * ses_w, 100, 150)
            if (what == "tab_options") out(4.5 * tab, tab / 2)
            if (what == "selector") out(sel_x + sel_w / 2, top + sel_h / 2)
            if (what == "set_active") out(0.64 * W + 0.17 * W, top + sel_h / 2)
            if (what == "list_item") out(sel_x + (sel_w - 14) / 2, top + sel_h + 40 * a + 20)
            if (what == "device_knob") out(dev_x + cw / 2, cy + 0.105 * ch + (1 - a) * 0.7 * ch)
            if (what == "device_mute") out(dev_x + cw / 2, cy + 0.845 * ch + 30)
            if (what == "device_field") out(dev_x + cw / 2, cy + 0.825 * ch + 10)
            if (what == "equalizer_knob") out(eq_x + cw / 2, cy + 0.105 * ch + (1 - a) * 0.7 * ch)
            x = ses_x + sw * a
            if (what == "session_field") out(x + sw / 2 + 16, cy + 0.825 * ses_h + 10)
            if (what == "session_mute") out(x + sw / 2, cy + 0.845 * ses_h + 30)
            if (what == "session_knob") out(x + sw / 2, cy + 0.105 * ses_h + (1 - b) * 0.7 * ses_h)
            print "unknown widget " what > "/dev/stderr"; exit 1
        }'
}
