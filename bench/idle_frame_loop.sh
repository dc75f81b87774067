#!/bin/bash
# Timing run: CPU cost of Korvane's idle frame loop under Wine (window shown, not focused).
# Reports the process's and the wineserver's CPU time per frame-loop pass over a fixed span.
# Usage: bench/idle_frame_loop.sh [seconds]   (after a Windows build)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
seconds=${1:-20}
build=$ROOT/build/windows
work=$(mktemp -d)
cp -R "$build/bin/." "$work/"
WINEPREFIX=$build/wineprefix-run
"$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
. "$ROOT/scripts/wine-env.sh"
XVFB_PID=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    wineserver -k 2>/dev/null
    stop_private_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_private_xvfb || exit 1
wine "$work/Korvane.exe" >"$work/korvane.log" 2>/dev/null </dev/null &
pid=$!
sleep 6  # start-up and the first autosave out of the way
server=$(pgrep -n -x wineserver64 -U "$(id -u)")
for p in $(pgrep -x wineserver64); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then server=$p; fi
done
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
a0=$(ticks "$pid"); s0=$(ticks "$server")
sleep "$seconds"
a1=$(ticks "$pid"); s1=$(ticks "$server")
passes=$(awk -v s="$seconds" 'BEGIN { print s / 0.016 }')
awk -v a=$((a1 - a0)) -v s=$((s1 - s0)) -v hz="$hz" -v n="$passes" -v t="$seconds" 'BEGIN {
    printf "Korvane.exe: %.2f%% of one core, %.1f us per pass\n", 100 * a / hz / t, 1e6 * a / hz / n
    printf "wineserver:  %.2f%% of one core, %.1f us per pass\n", 100 * s / hz / t, 1e6 * s / hz / n
}'
