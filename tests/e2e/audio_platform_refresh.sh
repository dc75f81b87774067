#!/bin/bash
# The real Korvane.exe enumerates through the audio platform stand-in: at start-up, and again
# on every frame while its window has the focus, reading the state file each time. A device
# without a friendly name is dropped with its message on each of those enumerations; once the
# file gives it a name, the message stops.
. "$(dirname "$0")/lib.sh"
e2e_init
e2e_start_xvfb
e2e_start_programs player.exe browser.exe
state='[device]
id={0.0.0.00000000}.{speakers}
name=Speakers
volume=0.6
mute=0
default_console=1
default_multimedia=1
default_communications=1

[device]
id={0.0.0.00000000}.{nameless}
volume=0.5
mute=0

[session]
device={0.0.0.00000000}.{speakers}
program=System
volume=1
mute=0

[session]
device={0.0.0.00000000}.{speakers}
program=player.exe
volume=0.8
mute=0

[session]
device={0.0.0.00000000}.{nameless}
program=browser.exe
volume=0.4
mute=1
'
e2e_audio_state "$state"
dir=$(e2e_make_program_dir)
e2e_run_korvane "$dir"
e2e_wait_window Korvane 40
nameless() { e2e_log_line_count ERROR "Failed to get audio device friendly name."; }
[ "$(nameless)" -ge 1 ] || e2e_fail "start-up did not enumerate through the stand-in"

# Focused frames enumerate again, each one.
e2e_click_client Korvane 200 200
e2e_wait_until 20 eval '[ "$(nameless)" -ge 20 ]' || e2e_fail "only $(nameless) enumerations while focused"

e2e_audio_state "${state/volume=0.5/name=Headset
volume=0.5}"
sleep 1
settled=$(nameless)
sleep 1
e2e_assert_eq "$settled" "$(nameless)" "friendly-name failures after the state gave the device a name"

e2e_post Korvane 0x0010 0 0   # WM_CLOSE
e2e_wait_exit 20
e2e_assert_eq 0 "$E2E_EXIT_CODE" "exit code"
e2e_log_lacks ERROR "Failed to create CPolicyConfigVistaClient instance."
# The sessions' programs were found and named; nothing else about audio went wrong.
if grep -E 'session|process|default audio' "$E2E_LOG" | grep -q ERROR; then
    e2e_fail "audio errors in the log: $(grep -E 'session|process|default audio' "$E2E_LOG" | head -3)"
fi
