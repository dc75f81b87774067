#!/bin/bash
# Runs audio_wine_tests.exe against Wine's own Core Audio with a private PulseAudio holding two
# null sinks, "Speakers" and "Headset". Usage: audio_wine_test.sh WINE_RUN EXE WORK_DIR
. "$(dirname "$0")/../e2e/lib.sh"
mkdir -p "$3"
E2E_ROOT=$(mktemp -d "$3/pulse.XXXXXX")
trap 'e2e_stop "$E2E_PULSE_PID"; rm -rf "$E2E_ROOT"' EXIT
e2e_start_pulse speakers:Speakers headset:Headset
"$1" "$2" 2>&1 | grep -v '^ALSA lib '
exit "${PIPESTATUS[0]}"
