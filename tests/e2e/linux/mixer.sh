#!/bin/bash
# The native program against a private PulseAudio with two null sinks and real streams, driven
# by real input: the device slider, percentage and Mute, the Equalizer, a session's slider,
# percentage and Mute, streams coming and going as columns, the other device made the server's
# default, the server killed and started again, and config.ini written in the configuration folder.
. "$(dirname "$0")/lib.sh"
e2e_linux_init
e2e_start_pulse speakers:Speakers headset:Kopfhörer
pactl set-default-sink speakers
pactl set-sink-volume speakers 30% 60%
e2e_stream browser speakers
e2e_stream voicechat speakers
# Dark's knobs look different hovered and held, which tells when the program has seen a press.
install -D "$KORVANE_SOURCE_DIR/app/share/color_schemes/Dark.ini" "$E2E_DIR/color_schemes/Dark.ini"
e2e_config 0 Dark

e2e_start_korvane
e2e_focus
color() { sed -n "s/^$1=//p" "$E2E_DIR/color_schemes/Dark.ini"; }
point() { e2e_mixer_point "$W" "$H" "$@"; }
pixel() { e2e_pixel $(point "$@"); }
click() { e2e_click_client Korvane $(point "$@"); }
# type_into VALUE "FIELD [COLUMN]" WHAT COMMAND...: Return is held until COMMAND prints VALUE.
type_into() {
    click $2 && e2e_hold_key ctrl+a && xdotool type --delay 60 "$1" && xdotool keydown Return
    e2e_wait_eq "$1" "$3" "${@:4}"
    xdotool keyup Return
}
# drag KNOB "FROM" "TO" WHAT CONDITION: the knob pressed at value FROM, moved to TO (past the end
# for 1) once shown held, and let go once CONDITION holds.
drag() {
    read -r kx ky <<<"$(point $1 $2)"
    read -r _ to <<<"$(point $1 $3)"
    [ "${3##* }" = 1 ] && to=$((to - 15))
    e2e_to_screen Korvane "$kx" "$ky"
    xdotool mousemove --sync "$E2E_X" "$E2E_Y" mousedown 1
    e2e_wait_eq "$(color SLIDER_CONTROL_ACTIVATED)" "$1 held" pixel $1 $2
    xdotool mousemove "$E2E_X" $((E2E_Y + to - ky))
    e2e_wait_until $E2E_WAIT eval "$5" || e2e_fail "$4: [$5] false after $E2E_WAIT s"
    xdotool mouseup 1
    e2e_wait_ne "$(color SLIDER_CONTROL_ACTIVATED)" "$1 let go" pixel $1 $3
}

# The device slider to the top, keeping the balance, then Mute and Unmute.
drag device_knob 0.6 1 "device slider at the top" '[ "$(e2e_sink_volume speakers)" = 100 ]'
e2e_assert_eq "50% 100%" "$(pactl get-sink-volume speakers | grep -o '[0-9]*%' | head -2 | paste -sd' ')" "balance"
click device_mute
e2e_wait_eq yes "device muted" e2e_sink_mute speakers
click device_mute
e2e_wait_eq no "device unmuted" e2e_sink_mute speakers

type_into 45 device_field "typed device percentage" e2e_sink_volume speakers

# A percentage typed into voicechat's field (the second session), then its Mute.
type_into 37 "session_field 1" "typed session percentage" e2e_stream_field voicechat Volume
e2e_assert_eq 100 "$(e2e_stream_field browser Volume)" "the other session"
click session_mute 1
e2e_wait_eq yes "session muted" e2e_stream_field voicechat Mute

# The Equalizer dragged from 0 to the top sets every stream to 100 %; then browser's slider is
# dragged half-way down.
drag equalizer_knob 0 1 "Equalizer: voicechat" '[ "$(e2e_stream_field voicechat Volume)" = 100 ]'
drag session_knob "0 1" "0 0.5" "browser's slider" '[ "$(e2e_stream_field browser Volume)" -lt 60 ]'
e2e_assert_eq 100 "$(e2e_stream_field voicechat Volume)" "voicechat after browser's slider"

# A stream started while Korvane runs is the next column; one that ends leaves.
empty=$(pixel session_mute 2)
e2e_stream musicbox speakers
e2e_wait_ne "$empty" "a column for musicbox" pixel session_mute 2
click session_mute 2
e2e_wait_eq yes "new session muted through its column" e2e_stream_field musicbox Mute
kill "$E2E_STREAM_PID"
e2e_wait_eq "$empty" "musicbox's column gone" pixel session_mute 2

# The other device from the list, then "Set as active audio output".
closed=$(pixel list_item 1)
click selector
e2e_wait_ne "$closed" "the device list open" pixel list_item 1
click list_item 1
e2e_wait_eq "$(color SLIDER_CONTROL)" "the headset shown, its knob at the top" pixel device_knob 1
click set_active
e2e_wait_eq headset "server's default sink" pactl get-default-sink

# The server killed: logged once, and no device shown while it is away (attempts to reconnect
# fail silently meanwhile); started again, Korvane reconnects by itself and shows the headset.
e2e_stop "$E2E_PULSE_PID"
lost='Lost the connection to the sound server: Connection terminated.'
e2e_wait_eq 1 "loss logged" e2e_log_line_count ERROR "$lost"
e2e_wait_eq "$(e2e_background)" "no device shown without a server" pixel device_mute
sleep 3
e2e_start_pulse speakers:Speakers headset:Kopfhörer
e2e_wait_ne "$(e2e_background)" "a device shown after the server came back" pixel device_mute
click device_mute
e2e_wait_eq yes "headset muted after the server came back" e2e_sink_mute headset

e2e_expect_exit close
e2e_assert_eq "ERROR $lost" "$(grep ERROR "$E2E_LOG" | cut -d' ' -f1,3-)" "errors in the log: the loss, once"
