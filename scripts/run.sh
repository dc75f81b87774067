#!/bin/bash
# Installs the missing Debian packages (scripts/packages.txt), builds Korvane and runs it: the
# native Linux program (linux-release preset) against the user's own sound server, or, with
# --windows, Korvane.exe under Wine (scripts/run-windows.sh). When no sound server answers, a
# private PulseAudio with two null sinks and a few silent demo streams stands in, and is stopped
# afterwards. With a display Korvane runs there until closed; without one it runs on a private
# Xvfb, saves a screenshot after a few seconds and closes.
#   KORVANE_SCREENSHOT_DELAY   seconds before the screenshot (default 8)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 1
. "$ROOT/scripts/common.sh"

install_missing_packages || exit 1
[ "${1:-}" = --windows ] && exec "$ROOT/scripts/run-windows.sh"

build=$ROOT/build/linux-release
cmake --preset linux-release >/dev/null || exit 1
cmake --build --preset linux-release || exit 1
program=$build/bin/korvane

XVFB_PID= PULSE_PID= KORVANE_PID=
DEMO_PIDS=()
cleanup() {
    [ -n "$KORVANE_PID" ] && kill "$KORVANE_PID" 2>/dev/null && wait "$KORVANE_PID" 2>/dev/null
    for pid in "${DEMO_PIDS[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    [ -n "$PULSE_PID" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
    stop_private_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! pactl info >/dev/null 2>&1; then
    demo=$build/demo-audio
    rm -rf "$demo"
    mkdir -p "$demo/run" "$demo/bin"
    chmod 700 "$demo/run"
    export XDG_RUNTIME_DIR=$demo/run
    echo "No sound server answers: starting a private PulseAudio with two demo outputs"
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no \
        "--load=module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" \
        "--load=module-null-sink sink_name=speakers sink_properties=device.description=Speakers" \
        "--load=module-null-sink sink_name=headset sink_properties=device.description=Headset" \
        >"$demo/pulseaudio.log" 2>&1 &
    PULSE_PID=$!
    for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done
    pactl set-default-sink speakers
    # Silent streams under programs' names: the server names a stream after its executable.
    for stream in browser:speakers musicbox:speakers voicechat:headset; do
        cp "$(command -v pacat)" "$demo/bin/${stream%%:*}"
        "$demo/bin/${stream%%:*}" --playback /dev/zero --device="${stream#*:}" >/dev/null 2>&1 &
        DEMO_PIDS+=($!)
    done
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "Running $program on $DISPLAY"
    "$program" &
    KORVANE_PID=$!
    wait "$KORVANE_PID"
    rc=$?
    KORVANE_PID=
    exit $rc
fi

start_private_xvfb || exit 1
echo "No display: running on a private Xvfb ($DISPLAY)"
log=$build/korvane.log
"$program" >"$log" 2>&1 </dev/null &
KORVANE_PID=$!
# Korvane draws only while its window has the keyboard focus: give it a click in its top-right
# corner (background only), as a user would.
for _ in $(seq 100); do id=$(xdotool search --name '^Korvane$' 2>/dev/null | head -1) && [ -n "$id" ] && break; sleep 0.2; done
if [ -n "${id:-}" ]; then
    read -r x y w < <(xwininfo -id "$id" | awk '/Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF } /^ *Width:/ { w = $NF } END { print x, y, w }')
    xdotool mousemove --sync $((x + w - 4)) $((y + 4)) click 1
fi
sleep "${KORVANE_SCREENSHOT_DELAY:-8}"
shot=$build/screenshot.png
import -window root "$shot"
# Stopped the way a session manager stops it, so it saves its settings.
kill -TERM "$KORVANE_PID"
wait "$KORVANE_PID"
rc=$?
KORVANE_PID=
echo "Korvane exited with code $rc"
echo "Log: $log"
echo "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/korvane/config.ini"
echo "Screenshot: $shot"
exit $rc
