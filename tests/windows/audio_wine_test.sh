#!/bin/bash
# Runs audio_wine_tests.exe against Wine's own Core Audio with a private PulseAudio holding
# two null sinks, "Speakers" and "Headset". Usage: audio_wine_test.sh WINE_RUN EXE WORK_DIR
set -u
wine_run=$1
exe=$2
work=$3
mkdir -p "$work"
run=$(mktemp -d "$work/pulse.XXXXXX")
chmod 700 "$run"
export XDG_RUNTIME_DIR=$run
export PULSE_SERVER="unix:$run/pulse/native"
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$run/pulse/native" \
  --load="module-null-sink sink_name=speakers sink_properties=device.description=Speakers" \
  --load="module-null-sink sink_name=headset sink_properties=device.description=Headset" \
  >"$run/pulse.log" 2>&1 &
pulse=$!
i=0
while [ ! -S "$run/pulse/native" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
if [ ! -S "$run/pulse/native" ]; then
  echo "PulseAudio did not start:" >&2
  cat "$run/pulse.log" >&2
  kill "$pulse" 2>/dev/null
  wait "$pulse" 2>/dev/null
  exit 1
fi
"$wine_run" "$exe" 2>&1 | grep -v '^ALSA lib '
rc=${PIPESTATUS[0]}
kill "$pulse" 2>/dev/null
wait "$pulse" 2>/dev/null
rm -rf "$run"
exit $rc
