#!/bin/bash
# `scripts/run.sh --windows`: builds the Windows preset and runs Korvane.exe under Wine from
# build/windows/run (a copy of the program folder that keeps its own config.ini). With a display it runs there until closed;
# without one it runs on a private Xvfb, saves a screenshot after a few seconds and closes.
#   KORVANE_SCREENSHOT_DELAY   seconds before the screenshot (default 8)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 1
. "$ROOT/scripts/common.sh"

build=$ROOT/build/windows
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows --target korvane_program wintool audio_platform idle_program || exit 1

run_dir=$build/run
mkdir -p "$run_dir"
cp -R "$build/bin/." "$run_dir/"
# A prefix of its own: stopping it never disturbs tests running in the test prefixes.
WINEPREFIX=$build/wineprefix-run
"$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
. "$ROOT/scripts/wine-env.sh"

# Wine has no per-application audio sessions (nor the policy-configuration class), so here
# Korvane runs against a simulated audio platform: two output devices and the sessions of
# three running idle programs, kept in run/audio-platform.ini (edit it while Korvane runs).
. "$ROOT/scripts/audio-platform.sh"
audio_state=$run_dir/audio-platform.ini
[ -f "$audio_state" ] || audio_platform_demo_state "$audio_state"
audio_platform_register "$WINEPREFIX" "$build/tests/fakes/audio_platform.dll" "$audio_state" || exit 1
audio_platform_start_programs "$WINEPREFIX" "$build/tests/fakes/idle_program.exe" "$run_dir/programs" \
    "${AUDIO_PLATFORM_DEMO_PROGRAMS[@]}"

if [ -n "${DISPLAY:-}" ]; then
    echo "Running $run_dir/Korvane.exe on $DISPLAY"
    wine "$run_dir/Korvane.exe"
    rc=$?
    audio_platform_stop_programs
    exit $rc
fi

XVFB_PID=
korvane=
cleanup() {
    [ -n "$korvane" ] && kill "$korvane" 2>/dev/null
    audio_platform_stop_programs
    wineserver -k 2>/dev/null
    stop_private_xvfb
}
trap cleanup EXIT
start_private_xvfb || exit 1
echo "No display: running on a private Xvfb ($DISPLAY)"
wine "$run_dir/Korvane.exe" >"$run_dir/korvane.log" 2>"$run_dir/wine-stderr.log" </dev/null &
korvane=$!
wintool() { wine "$build/tests/e2e/wintool.exe" "$@" 2>/dev/null | tr -d '\r'; }
# Korvane draws only while its window has the keyboard focus, and a shown window does not take
# it: give it a click in its top-right corner (background only), as a user would.
for _ in $(seq 100); do rect=$(wintool client-rect Korvane) && [ -n "$rect" ] && break; sleep 0.2; done
read -r x y w h <<<"${rect:-0 0 0 0}"
[ "${w:-0}" -gt 0 ] && xdotool mousemove --sync $((x + w - 4)) $((y + 4)) click 1
sleep "${KORVANE_SCREENSHOT_DELAY:-8}"
shot=$run_dir/screenshot.png
import -window root "$shot"
# Close it the way a user would, so it saves its settings.
wintool post Korvane 0x0010 0 0 >/dev/null
for _ in $(seq 100); do kill -0 "$korvane" 2>/dev/null || break; sleep 0.1; done
wait "$korvane" 2>/dev/null
rc=$?
korvane=
echo "Korvane exited with code $rc"
echo "Log: $run_dir/korvane.log"
echo "Screenshot: $shot"
