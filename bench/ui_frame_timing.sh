#!/bin/bash
# Timing run: Korvane's frame under Wine against the audio platform stand-in with DEVICES output
# devices of SESSIONS sessions each (one running idle program per session index, shared by the
# devices, so every session has a process to look up). Prints the start-up time to the first
# presented frame, the focused frame (audio refresh + UI) and the unfocused pass.
# Usage: bench/ui_frame_timing.sh [devices] [sessions]   (after a Windows build; default 4 x 32)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
devices=${1:-4}
sessions=${2:-32}
build=$ROOT/build/windows
cmake --build "$build" --target ui_frame_timing audio_platform idle_program >/dev/null || exit 1
work=$(mktemp -d)
cp "$build/bench/ui_frame_timing.exe" "$build/bench/RelaxedTypingMonoJP-Regular.ttf" "$work/"
WINEPREFIX=$build/wineprefix-run
"$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" || exit 1
. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/audio-platform.sh"

state=$work/audio-platform.ini
{
    for d in $(seq "$devices"); do
        printf '[device]\nid={0.0.0.00000000}.{bench%d}\nname=Output %d\nvolume=0.5\nmute=0\n' "$d" "$d"
        [ "$d" = 1 ] && r=1 || r=0
        printf 'default_console=%d\ndefault_multimedia=%d\ndefault_communications=%d\n\n' $r $r $r
    done
    for d in $(seq "$devices"); do
        for s in $(seq -w "$sessions"); do
            printf '[session]\ndevice={0.0.0.00000000}.{bench%d}\nprogram=program%s.exe\nvolume=0.5\nmute=0\n\n' "$d" "$s"
        done
    done
} >"$state"
names=()
for s in $(seq -w "$sessions"); do names+=("program$s.exe"); done

XVFB_PID=
cleanup() {
    audio_platform_stop_programs
    wineserver -k 2>/dev/null
    stop_private_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_private_xvfb || exit 1
audio_platform_register "$WINEPREFIX" "$build/tests/fakes/audio_platform.dll" "$state" || exit 1
export KORVANE_AUDIO_STATE="$(audio_platform_windows_path "$state")"
audio_platform_start_programs "$WINEPREFIX" "$build/tests/fakes/idle_program.exe" "$work/programs" "${names[@]}"
for _ in $(seq 100); do
    [ "$(ps -eo args | grep -c '[p]rograms.program')" -ge "$sessions" ] && break
    sleep 0.2
done
sleep 2
echo "Stand-in: $devices devices x $sessions sessions"
wine "$work/ui_frame_timing.exe" 2>/dev/null </dev/null | tr -d '\r'
