#!/bin/bash
# Timing run: CPU cost of Korvane's idle frame loop, window shown without focus or hidden behind
# the tray icon (TRAY_ICON=1). Reports the process's CPU time (and, under Wine, the wineserver's)
# over a fixed span, as a share of one core and per 16 ms frame-loop pass.
# Usage: bench/idle_frame_loop.sh [seconds] [windows|linux] [shown|hidden]
#   windows (default): build/windows (or KORVANE_BUILD_DIR) under Wine, against the audio platform
#   stand-in.
#   linux: build/linux-release (cmake --preset linux-release && cmake --build build/linux-release),
#   against a private PulseAudio with one null sink.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
seconds=${1:-20}
system=${2:-windows}
mode=${3:-shown}
work=$(mktemp -d)
tray=0
[ "$mode" = hidden ] && tray=1
XVFB_PID=
pid=
server=
PULSE_PID=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [ "$system" = windows ] && wineserver -k 2>/dev/null
    [ -n "$PULSE_PID" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
    stop_private_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_private_xvfb || exit 1
config="WINDOW_X=20\nWINDOW_Y=20\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=$tray\nCOLOR_SCHEME=Default\n"
if [ "$system" = windows ]; then
    build=${KORVANE_BUILD_DIR:-$ROOT/build/windows}
    cp -R "$build/bin/." "$work/"
    printf "$config" >"$work/config.ini"
    WINEPREFIX=$build/wineprefix-run
    "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
    . "$ROOT/scripts/wine-env.sh"
    . "$ROOT/scripts/audio-platform.sh"
    printf '[device]\nid={0.0.0.00000000}.{idle}\nname=Speakers\ndefault_console=1\ndefault_multimedia=1\ndefault_communications=1\n\n[session]\ndevice={0.0.0.00000000}.{idle}\nprogram=System\n' >"$work/audio.ini"
    audio_platform_register "$WINEPREFIX" "$build/tests/fakes/audio_platform.dll" "$work/audio.ini" || exit 1
    KORVANE_AUDIO_STATE="$(audio_platform_windows_path "$work/audio.ini")" wine "$work/Korvane.exe" >"$work/korvane.log" 2>/dev/null </dev/null &
    pid=$!
    name=Korvane.exe
else
    export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config
    mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/korvane" && chmod 700 "$XDG_RUNTIME_DIR"
    printf "$config" >"$XDG_CONFIG_HOME/korvane/config.ini"
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" \
        --load="module-null-sink sink_name=speakers sink_properties=device.description=Speakers" >/dev/null 2>&1 &
    PULSE_PID=$!
    for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.1; done
    "$ROOT/build/linux-release/bin/korvane" >"$work/korvane.log" 2>&1 </dev/null &
    pid=$!
    name=korvane
fi
sleep 6  # start-up and the first autosave out of the way
if [ "$system" = windows ]; then
    for p in $(pgrep -x wineserver64); do
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then server=$p; fi
    done
fi
[ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || { echo "$name did not start"; cat "$work/korvane.log"; exit 1; }
ticks() { [ -n "$1" ] && awk '{ print $14 + $15 }' "/proc/$1/stat" || echo 0; }
hz=$(getconf CLK_TCK)
a0=$(ticks "$pid"); s0=$(ticks "$server")
sleep "$seconds"
a1=$(ticks "$pid"); s1=$(ticks "$server")
passes=$(awk -v s="$seconds" 'BEGIN { print s / 0.016 }')
echo "$system, window $mode, $seconds s:"
awk -v a=$((a1 - a0)) -v s=$((s1 - s0)) -v hz="$hz" -v n="$passes" -v t="$seconds" -v name="$name" -v wine="$server" 'BEGIN {
    printf "%-12s %d ticks, %.2f%% of one core, %.1f us per pass\n", name ":", a, 100 * a / hz / t, 1e6 * a / hz / n
    if (wine != "") printf "%-12s %d ticks, %.2f%% of one core, %.1f us per pass\n", "wineserver:", s, 100 * s / hz / t, 1e6 * s / hz / n
}'
