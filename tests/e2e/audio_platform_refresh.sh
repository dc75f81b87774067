#!/bin/bash
# The real Korvane.exe enumerates through the audio platform stand-in: at start-up, and again
# on every frame while its window has the focus, reading the state file each time. A device
# without a friendly name is dropped with its message on each of those enumerations; once the
# file gives it a name, the message stops.
. "$(dirname "$0")/lib.sh"
e2e_init
e2e_start_programs player.exe browser.exe
state() {  # state NAME-OF-THE-SECOND-DEVICE
    e2e_device speakers Speakers 0.6 0 1
    e2e_device second "$1" 0.5 0 0
    e2e_session speakers System 1 0
    e2e_session speakers player.exe 0.8 0
    e2e_session second browser.exe 0.4 1
}
e2e_audio_state "$(state -)"
e2e_start_korvane
nameless() { e2e_log_line_count ERROR "Failed to get audio device friendly name."; }
[ "$(nameless)" -ge 1 ] || e2e_fail "start-up did not enumerate through the stand-in"
e2e_click_client Korvane 200 200
e2e_wait_until 20 eval '[ "$(nameless)" -ge 20 ]' || e2e_fail "only $(nameless) enumerations while focused"

e2e_audio_state "$(state Headset)"
sleep 1
settled=$(nameless)
sleep 1
e2e_assert_eq "$settled" "$(nameless)" "friendly-name failures after the state gave the device a name"
e2e_expect_exit close
# The sessions' programs were found and named; nothing else about audio went wrong.
errors=$(grep ERROR "$E2E_LOG" | grep -E 'session|process|default audio|Policy')
[ -z "$errors" ] || e2e_fail "audio errors in the log: $(head -3 <<<"$errors")"
