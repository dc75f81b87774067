#!/bin/bash
# The native program against a private PulseAudio with two null sinks and real streams, driven
# by real input: the device slider, percentage and Mute, the Equalizer, a session's slider,
# percentage and Mute, the other device made the server's default, streams coming and going,
# the server killed and started again, and config.ini written in the configuration folder.
. "$(dirname "$0")/lib.sh"
e2e_linux_init
e2e_start_pulse speakers:Speakers headset:Kopfhörer
pactl set-default-sink speakers
pactl set-sink-volume speakers 60%
e2e_stream browser speakers
e2e_stream voicechat speakers
printf 'WINDOW_X=20\nWINDOW_Y=20\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=0\nCOLOR_SCHEME=Default\n' >"$E2E_DIR/config.ini"

e2e_start_korvane
read -r _ _ W H <<<"$(e2e_client_rect Korvane)"
[ -n "$H" ] || e2e_fail "no client rectangle"
point() { e2e_mixer_point "$W" "$H" "$@"; }
click() { e2e_click_client Korvane $(point "$@"); sleep 0.3; }
wait_eq() {  # wait_eq EXPECTED WHAT COMMAND...
    local expected=$1 what=$2 end=$((SECONDS + 10))
    shift 2
    until [ "$("$@")" = "$expected" ]; do
        [ $SECONDS -ge $end ] && e2e_fail "$what: [$("$@")], expected [$expected]"
        sleep 0.1
    done
}

e2e_click_client Korvane $((W - 4)) 4
sleep 1

# The device slider to the top, then Mute and Unmute.
read -r kx ky <<<"$(point device_knob 0.6)"
e2e_drag Korvane "$kx" "$ky" 0 $((-ky - 15))
wait_eq 100 "device slider at the top" e2e_sink_volume speakers
click device_mute
wait_eq yes "device muted" e2e_sink_mute speakers
click device_mute
wait_eq no "device unmuted" e2e_sink_mute speakers

# The device's percentage typed in.
click device_field
e2e_hold_key ctrl+a
xdotool type --delay 60 45
e2e_hold_key Return
wait_eq 45 "typed device percentage" e2e_sink_volume speakers

# A percentage typed into voicechat's field (the second session), then its Mute.
click session_field 1
e2e_hold_key ctrl+a
xdotool type --delay 60 37
e2e_hold_key Return
wait_eq 37 "typed session percentage" e2e_stream_field voicechat Volume
e2e_assert_eq 100 "$(e2e_stream_field browser Volume)" "the other session"
click session_mute 1
wait_eq yes "session muted" e2e_stream_field voicechat Mute

# The Equalizer dragged from 0 to the top sets every stream to 100 %; then browser's slider is
# dragged half-way down.
read -r kx ky <<<"$(point equalizer_knob 0)"
e2e_drag Korvane "$kx" "$ky" 0 $((-ky - 15))
wait_eq 100 "Equalizer: voicechat" e2e_stream_field voicechat Volume
read -r kx ky <<<"$(point session_knob 0 1)"
read -r _ half <<<"$(point session_knob 0 0.5)"
e2e_drag Korvane "$kx" "$ky" 0 $((half - ky))
e2e_wait_until 10 eval '[ "$(e2e_stream_field browser Volume)" -lt 60 ]' ||
    e2e_fail "browser's slider: $(e2e_stream_field browser Volume) %"
e2e_assert_eq 100 "$(e2e_stream_field voicechat Volume)" "voicechat after browser's slider"

# A stream started while Korvane runs is the next column; one that ends leaves.
e2e_stream musicbox speakers
sleep 0.5
click session_mute 2
wait_eq yes "new session muted through its column" e2e_stream_field musicbox Mute
kill "$E2E_STREAM_PID"
sleep 0.5
click session_mute 1
wait_eq no "voicechat unmuted after musicbox left" e2e_stream_field voicechat Mute

# The other device from the list, then "Set as active audio output".
click selector
click list_item 1
click set_active
wait_eq headset "server's default sink" pactl get-default-sink

# The server killed and started again: logged once, then Korvane reconnects by itself and
# shows the headset again.
e2e_stop "$E2E_PULSE_PID"
sleep 2
e2e_running || e2e_fail "korvane ended with the server"
e2e_start_pulse speakers:Speakers headset:Kopfhörer
sleep 3
click device_mute
wait_eq yes "headset muted after the server came back" e2e_sink_mute headset

e2e_expect_exit close
grep -q '^WINDOW_W=900$' "$E2E_DIR/config.ini" || e2e_fail "config.ini not written: $(cat "$E2E_DIR/config.ini")"
e2e_assert_eq 1 "$(e2e_log_line_count ERROR 'Lost the connection to the sound server: Connection terminated.')" "loss logged once"
e2e_assert_eq 1 "$(grep -c ERROR "$E2E_LOG")" "errors in the log"
