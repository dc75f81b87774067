#!/bin/bash
# Timing run: main-thread CPU of the PulseAudio audio layer per focused frame, against a private
# server with SINKS null sinks of INPUTS playing sink inputs each (streams of silence from
# bench/pulse_streams, INPUTS program names shared by the sinks). Builds the optimised tree
# build/bench.
# Usage: bench/audio_pulse_bench.sh [sinks] [inputs]   (default 4 x 32)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
sinks=${1:-4}
inputs=${2:-32}
build=$ROOT/build/bench
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
fi
cmake --build "$build" --target audio_pulse_bench pulse_streams >/dev/null || exit 1

work=$(mktemp -d /tmp/korvane-pulse-bench.XXXXXX)
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
unset PULSE_SERVER PULSE_SINK PULSE_COOKIE
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
server=
streams=
cleanup() {
    if [ -n "$streams" ]; then kill "$streams" 2>/dev/null; wait "$streams" 2>/dev/null; fi
    if [ -n "$server" ]; then kill "$server"; wait "$server" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

# The sinks run at the streams' rate, so the server does not resample them all.
args=(--daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no
      "--load=module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native")
for s in $(seq "$sinks"); do
    args+=("--load=module-null-sink sink_name=out$s rate=8000 sink_properties=device.description=Output_$s")
done
pulseaudio "${args[@]}" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && break; sleep 0.05; done
sink_names=()
for s in $(seq "$sinks"); do sink_names+=("out$s"); done
"$build/bench/pulse_streams" "$inputs" "${sink_names[@]}" >/dev/null 2>&1 &
streams=$!
want=$((sinks * inputs))
for _ in $(seq 200); do
    [ "$(pactl list short sink-inputs 2>/dev/null | wc -l)" -ge "$want" ] && break
    sleep 0.1
done
echo "Private server: $sinks sinks x $inputs sink inputs ($(pactl list short sink-inputs | wc -l) playing)"
KORVANE_BENCH_SINKS=$sinks KORVANE_BENCH_INPUTS=$inputs "$build/bench/audio_pulse_bench" "$@"
