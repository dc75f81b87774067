#!/bin/bash
# Timing run: Korvane's frame under Wine against the audio platform stand-in with DEVICES output
# devices of SESSIONS sessions each, played by PROGRAMS running idle programs (session j of
# every device by program j modulo PROGRAMS; default one per session index), so every session
# has a process to look up. Prints the start-up time to the first presented frame, the focused
# frame (audio refresh + UI) and the unfocused pass, then the refresh's and the focused pass's
# cost per session.
# Usage: bench/ui_frame_timing.sh [devices] [sessions] [programs]   (after a Windows build;
# default 4 x 32). KORVANE_BUILD_DIR picks another build tree (default build/windows); FRAMES
# sets the number of timed focused frames (default 300).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/common.sh"
devices=${1:-4}
sessions=${2:-32}
programs=${3:-$sessions}
build=${KORVANE_BUILD_DIR:-$ROOT/build/windows}
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
        for s in $(seq "$sessions"); do
            printf '[session]\ndevice={0.0.0.00000000}.{bench%d}\nprogram=program%03d.exe\nvolume=0.5\nmute=0\n\n' \
                "$d" $(((s - 1) % programs + 1))
        done
    done
} >"$state"
names=()
for p in $(seq "$programs"); do names+=("$(printf 'program%03d.exe' "$p")"); done

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
    [ "$(ps -eo args | grep -c '[p]rograms.program')" -ge "$programs" ] && break
    sleep 0.2
done
sleep 2
echo "Stand-in: $devices devices x $sessions sessions of $programs programs"
wine "$work/ui_frame_timing.exe" "${FRAMES:-300}" 2>/dev/null </dev/null | tr -d '\r' | awk -v n=$((devices * sessions)) '
    { print }
    /^(audio refresh|focused pass)/ {
        for (i = 1; i <= NF; i++) if ($i == "wall") w = $(i + 1); else if ($i == "thread") t = $(i + 1)
        sub(/ *wall.*/, ""); per[++k] = sprintf("%-34s wall %8.1f us   CPU: thread %8.1f us", $0 " per session", 1e3 * w / n, 1e3 * t / n)
    }
    END { for (i = 1; i <= k; i++) print per[i] }'
