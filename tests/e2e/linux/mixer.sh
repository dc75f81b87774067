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
e2e_config 0 Default

e2e_start_korvane
e2e_focus
point() { e2e_mixer_point "$W" "$H" "$@"; }
click() { e2e_click_client Korvane $(point "$@"); sleep 0.3; }
to_top() { read -r kx ky <<<"$(point "$@")" && e2e_drag Korvane "$kx" "$ky" 0 $((-ky - 15)); }
type_into() { click "${@:2}" && e2e_hold_key ctrl+a && xdotool type --delay 60 "$1" && e2e_hold_key Return; }

# The device slider to the top, then Mute and Unmute.
to_top device_knob 0.6
e2e_wait_eq 100 "device slider at the top" e2e_sink_volume speakers
click device_mute
e2e_wait_eq yes "device muted" e2e_sink_mute speakers
click device_mute
e2e_wait_eq no "device unmuted" e2e_sink_mute speakers

# The device's percentage typed in.
type_into 45 device_field
e2e_wait_eq 45 "typed device percentage" e2e_sink_volume speakers

# A percentage typed into voicechat's field (the second session), then its Mute.
type_into 37 session_field 1
e2e_wait_eq 37 "typed session percentage" e2e_stream_field voicechat Volume
e2e_assert_eq 100 "$(e2e_stream_field browser Volume)" "the other session"
click session_mute 1
e2e_wait_eq yes "session muted" e2e_stream_field voicechat Mute

# The Equalizer dragged from 0 to the top sets every stream to 100 %; then browser's slider is
# dragged half-way down.
to_top equalizer_knob 0
e2e_wait_eq 100 "Equalizer: voicechat" e2e_stream_field voicechat Volume
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
e2e_wait_eq yes "new session muted through its column" e2e_stream_field musicbox Mute
kill "$E2E_STREAM_PID"
sleep 0.5
click session_mute 1
e2e_wait_eq no "voicechat unmuted after musicbox left" e2e_stream_field voicechat Mute

# The other device from the list, then "Set as active audio output".
click selector
click list_item 1
click set_active
e2e_wait_eq headset "server's default sink" pactl get-default-sink

# The server killed and started again: logged once, then Korvane reconnects by itself and
# shows the headset again.
e2e_stop "$E2E_PULSE_PID"
sleep 2
e2e_running || e2e_fail "korvane ended with the server"
e2e_start_pulse speakers:Speakers headset:Kopfhörer
sleep 3
click device_mute
e2e_wait_eq yes "headset muted after the server came back" e2e_sink_mute headset

e2e_expect_exit close
grep -q '^WINDOW_W=900$' "$E2E_DIR/config.ini" || e2e_fail "config.ini not written: $(cat "$E2E_DIR/config.ini")"
e2e_assert_eq 1 "$(e2e_log_line_count ERROR 'Lost the connection to the sound server: Connection terminated.')" "loss logged once"
e2e_assert_eq 1 "$(grep -c ERROR "$E2E_LOG")" "errors in the log"
