#!/bin/bash
# Both screens of the real Korvane.exe against the audio platform stand-in (two devices,
# sessions of running idle programs), driven by real input once a click has given the window
# the focus. Buttons, fields, tabs, boxes and the device list take plain clicks, whose press and
# release arrive together.
# The configuration is a file edited by hand: the window takes its position and is shown without
# activation, the existing scheme folder is noted (WARNING), and the settings are saved as read.
# Mixer: the scheme's colours on screen, the device slider dragged to the top (and released
# outside the window), Mute, a session volume typed in and another unmuted, another device made
# the default for all three roles, and a scheme file replaced on disk recolouring the window at once.
# A third device without a friendly name is dropped with its message at start-up and on every
# frame's enumeration while the window has the focus.
# Options: the tab switch, the tray box written by the next autosave, and the run-at-log-in box
# setting the registry's Run value. With the tray box checked, closing (Alt+F4) hides the window
# behind its notification-area icon (Wine shows it in its "Wine System Tray" window) and the
# program lives on; "Exit" in the icon's menu ends it with code 0. The next start is hidden
# behind the icon. (What a click on the icon does is tested on the tray window itself.)
. "$(dirname "$0")/lib.sh"
e2e_init
# Running copies of the idle program for the sessions; a program is listed before its modules are
# loaded, so the stand-in's path lookup is given a moment more.
mkdir -p "$E2E_ROOT/programs"
for name in player.exe browser.exe voicechat.exe; do
    cp "$KORVANE_BUILD_DIR/tests/fakes/idle_program.exe" "$E2E_ROOT/programs/$name"
    wine "$E2E_ROOT/programs/$name" >/dev/null 2>>"$E2E_ROOT/wine-stderr.log" </dev/null &
    E2E_PROGRAM_PIDS+=($!)
    e2e_wait_until 20 eval "ps -eo args | grep -qi 'programs.$name'" || e2e_fail "$name did not start"
done
sleep 1
e2e_audio_state "$(e2e_device speakers Speakers 0.6 0 1; e2e_device headset Headset 0.35 0 0
    e2e_session speakers System 1 0; e2e_session speakers player.exe 0.8 0
    e2e_session speakers browser.exe 0.45 1; e2e_session headset voicechat.exe 0.9 0; e2e_device dock - 0.5 0 0)"
nameless() { e2e_log_line_count ERROR "Failed to get audio device friendly name."; }
dir=$E2E_DIR
mkdir -p "$dir/color_schemes"
scheme() {  # scheme BACKGROUND: the shipped dark scheme (every key, so loading it logs nothing) recoloured
    sed "s/^BACKGROUND_COLOR=.*/BACKGROUND_COLOR=$1/; s/^BUTTON=.*/BUTTON=A05020/; s/^CHECK_BOX_CHECKED=.*/CHECK_BOX_CHECKED=C8C8C8/" \
        "$KORVANE_SOURCE_DIR/app/share/color_schemes/Dark.ini"
}
scheme 203040 >"$dir/color_schemes/Harbour.ini"
printf 'COLOR_SCHEME=Harbour.ini\r\nWINDOW_W=900\r\nWINDOW_H=640\r\n; moved by hand\r\nWINDOW_X=40\r\nWINDOW_Y=30\r\nTRAY_ICON=0\r\n' >"$dir/config.ini"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { wine reg query "$run_key" /v Korvane 2>/dev/null | tr -d '\r' | grep -i 'Korvane.*REG_SZ'; }
wine reg delete "$run_key" /v Korvane /f >/dev/null 2>&1

e2e_start_korvane
e2e_assert_eq "40 30 900 640" "$(e2e_wintool window-rect Korvane)" "window rectangle"
e2e_assert_eq 0 "$(e2e_wintool focus Korvane)" "focus before the click"
read -r _ _ W H <<<"$(e2e_client_rect Korvane)"
[ -n "$H" ] || e2e_fail "no client rectangle"
[ "$(nameless)" -ge 1 ] || e2e_fail "start-up did not enumerate through the stand-in"
point() { e2e_mixer_point "$W" "$H" "$@"; }
click() { e2e_click_client Korvane $(point "$@"); sleep 0.3; }
state() {  # state MATCH KEY: KEY in the stand-in's state section (a paragraph) holding the line MATCH
    awk -v RS= -v m="$1" 'index("\n" $0 "\n", "\n" m "\n")' "$E2E_AUDIO_STATE" | sed -n "s/^$2=//p"
}
near() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; exit !(d < 1e-4 && d > -1e-4) }'; }
wait_state() {  # wait_state MATCH KEY VALUE WHAT
    e2e_wait_until 10 eval "near \"\$(state '$1' '$2')\" '$3'" ||
        e2e_fail "$4: $2 of $1 is [$(state "$1" "$2")], expected $3"
}

# Focus first: the top-right corner holds nothing but background.
e2e_click_client Korvane $((W - 4)) 4
e2e_wait_until 10 eval '[ "$(e2e_wintool focus Korvane)" = 1 ]' || e2e_fail "the click did not activate the window"
sleep 1.5
shot=$(e2e_screenshot mixer)
pixel() { e2e_client_pixel "$shot" Korvane "$1" "$2"; }
tab=$(awk -v h="$H" 'BEGIN { t = 0.055 * h; print int(t < 40 ? t : 40) }')
e2e_assert_eq 203040 "$(pixel $((W - 4)) $((tab + 2)))" "window background"
e2e_assert_eq 203040 "$(pixel 2 2)" "active Mixer tab"
e2e_assert_eq A05020 "$(pixel $((3 * tab + 2)) 2)" "inactive Options tab"

# The device slider, from 0.6 to the top in eight steps, released above the client area. The
# release must end the drag all the same: the next click, straight onto Mute, is a click, and the
# knob stays.
read -r kx ky <<<"$(point device_knob 0.6)"
e2e_to_screen Korvane "$kx" "$ky"
xdotool mousemove --sync "$E2E_X" "$E2E_Y" mousedown 1
sleep 0.1
for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove --sync "$E2E_X" $((E2E_Y - (ky + 15) * i / 8))
    sleep 0.05
done
xdotool mouseup 1
wait_state name=Speakers volume 1 "device slider at the top"
click device_mute
wait_state name=Speakers mute 1 "device muted"
near "$(state name=Speakers volume)" 1 || e2e_fail "the slider went on dragging after its release"

# A percentage typed into player.exe's field (session 1), committed with Enter.
click session_field 1
e2e_hold_key ctrl+a
xdotool type --delay 60 37
e2e_hold_key Return
wait_state program=player.exe volume 0.37 "typed session percentage"
near "$(state program=browser.exe volume)" 0.45 || e2e_fail "the other session changed"

# Unmute of browser.exe (muted at the start).
click session_mute 2
wait_state program=browser.exe mute 0 "session unmuted"

# Headset from the device list, then "Set as active audio output".
click selector
click list_item 1
click set_active
for role in console multimedia communications; do
    wait_state name=Headset default_$role 1 "headset default ($role)"
done
wait_state name=Speakers default_multimedia 0 "speakers no longer default"

# The scheme file replaced on disk (written beside the folder, moved in): the next frame takes it.
scheme 406080 >"$dir/Harbour.part"
mv "$dir/Harbour.part" "$dir/color_schemes/Harbour.ini"
recoloured() { shot=$(e2e_screenshot recoloured) && [ "$(pixel $((W - 4)) $((tab + 2)))" = 406080 ]; }
e2e_wait_until 10 recoloured || e2e_fail "the edited scheme did not recolour the window"

[ "$(nameless)" -ge 20 ] || e2e_fail "only $(nameless) enumerations while focused"

# Options, in the recoloured scheme.
click tab_options
sleep 1
shot=$(e2e_screenshot options)
e2e_assert_eq A05020 "$(pixel 2 2)" "inactive Mixer tab"
e2e_assert_eq 406080 "$(pixel $((3 * tab + 2)) 2)" "active Options tab"
e2e_assert_eq C8C8C8 "$(pixel 31 61)" "tray box unchecked"  # in the scheme's inverted pairing

# The tray box: TRAY_ICON=1 at the next autosave (every five seconds).
e2e_click_client Korvane 38 68
e2e_wait_until 12 grep -qx 'TRAY_ICON=1' "$dir/config.ini" || e2e_fail "no autosave wrote TRAY_ICON=1"

# Run at log-in: checking the box sets the Run value to the program's own path.
[ -z "$(run_value)" ] || e2e_fail "a Run value before the box was checked"
e2e_click_client Korvane 38 98
e2e_wait_until 10 eval '[ -n "$(run_value)" ]' || e2e_fail "no Run value after checking the box"
run_value | grep -qi 'Korvane.exe' || e2e_fail "the Run value does not name Korvane.exe: $(run_value)"
wine reg delete "$run_key" /v Korvane /f >/dev/null 2>&1

tray() { e2e_wintool visible "Wine System Tray" 2>/dev/null; }
korvane() { e2e_wintool visible Korvane 2>/dev/null; }
# The menu opens at the cursor; it lists "Exit" above "Open". Wine keeps a tiny unnamed X window
# per Vulkan surface too: the menu is the unnamed one with room for two items.
find_menu() {
    local w
    for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -lt 400 ] && [ "$HEIGHT" -lt 100 ] && [ "$WIDTH" -ge 20 ] && [ "$HEIGHT" -ge 20 ] && return 0
    done
    return 1
}
menu_exit() {  # a right click on the first (and only) icon of the tray window, then "Exit"
    local x y w h
    read -r x y w h <<<"$(e2e_wintool client-rect "Wine System Tray")"
    xdotool mousemove --sync $((x + 12)) $((y + h / 2)) click 3
    e2e_wait_until 10 find_menu || e2e_fail "no menu after a right click on the icon"
    e2e_screenshot menu >/dev/null
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 4)) click 1   # the upper item: "Exit"
    e2e_expect_exit
}

xdotool key alt+F4
e2e_wait_until 10 eval '[ "$(korvane)" = 0 ]' || e2e_fail "closing did not hide the window"
e2e_wait_until 10 eval '[ "$(tray)" = 1 ]' || e2e_fail "no tray icon after closing"
sleep 2
e2e_running || e2e_fail "closing with the tray box checked ended the program"
menu_exit
e2e_assert_file_eq "$dir/config.ini" 'WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=1\nCOLOR_SCHEME=Harbour.ini\n'
e2e_log_has WARNING "Color schemes folder already exists. No need to create it."
# Wine reports the DPI awareness as set already; nothing else may have gone wrong.
errors=$(grep ERROR "$E2E_LOG" | grep -v -e 'DPI awareness already set.' -e 'Failed to get audio device friendly name.')
[ -z "$errors" ] || e2e_fail "errors in the log: $(head -3 <<<"$errors")"

e2e_run_korvane
e2e_wait_until 40 eval '[ "$(tray)" = 1 ] || ! e2e_running' || e2e_fail "no tray icon after 40 s"
e2e_running || e2e_fail "Korvane ended at start-up"
e2e_assert_eq 0 "$(korvane)" "window hidden at start"
menu_exit
