#!/bin/bash
# The Options screen of the real Korvane.exe, driven by real input after a focusing click: the
# tab switch in the scheme's colours, the tray box written by the next autosave, and the
# run-at-log-in box setting the registry's Run value. The tab and the boxes take plain clicks, whose
# press and release arrive together. With the tray box checked, closing hides the window behind
# its notification-area icon (Wine shows it in its "Wine System Tray" window) and the program
# lives on; "Exit" in the icon's menu ends it with code 0 and the settings saved. The next start
# is hidden behind the icon, and a left click on the icon brings the window back and removes it.
. "$(dirname "$0")/lib.sh"
e2e_init
mkdir -p "$E2E_DIR/color_schemes"
printf 'BACKGROUND_COLOR=283020\nBUTTON=7050A0\nCHECK_BOX_CHECKED=C8C8C8\nCHECK_BOX_UNCHECKED=30A050\n' >"$E2E_DIR/color_schemes/Meadow.ini"
printf 'WINDOW_X=20\nWINDOW_Y=20\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=0\nCOLOR_SCHEME=Meadow.ini\n' >"$E2E_DIR/config.ini"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { wine reg query "$run_key" /v Korvane 2>/dev/null | tr -d '\r' | grep -i 'Korvane.*REG_SZ'; }
wine reg delete "$run_key" /v Korvane /f >/dev/null 2>&1

e2e_start_korvane
read -r _ _ W H <<<"$(e2e_client_rect Korvane)"
[ -n "$H" ] || e2e_fail "no client rectangle"
click() { e2e_click_client Korvane "$1" "$2"; sleep 0.4; }
pixel() { e2e_client_pixel "$shot" Korvane "$1" "$2"; }
e2e_click_client Korvane $((W - 4)) 4   # focus
sleep 1
click $(e2e_mixer_point "$W" "$H" tab_options)
sleep 1
shot=$(e2e_screenshot options)
tab=$(awk -v h="$H" 'BEGIN { t = 0.055 * h; print int(t < 40 ? t : 40) }')
e2e_assert_eq 7050A0 "$(pixel 2 2)" "inactive Mixer tab"
e2e_assert_eq 283020 "$(pixel $((3 * tab + 2)) 2)" "active Options tab"
e2e_assert_eq C8C8C8 "$(pixel 31 61)" "tray box unchecked"  # in the scheme's inverted pairing

# The tray box: TRAY_ICON=1 at the next autosave (every five seconds).
click 38 68
e2e_wait_until 12 grep -qx 'TRAY_ICON=1' "$E2E_DIR/config.ini" || e2e_fail "no autosave wrote TRAY_ICON=1"

# Run at log-in: checking the box sets the Run value to the program's own path.
[ -z "$(run_value)" ] || e2e_fail "a Run value before the box was checked"
click 38 98
e2e_wait_until 10 eval '[ -n "$(run_value)" ]' || e2e_fail "no Run value after checking the box"
run_value | grep -qi 'Korvane.exe' || e2e_fail "the Run value does not name Korvane.exe: $(run_value)"
wine reg delete "$run_key" /v Korvane /f >/dev/null 2>&1

tray() { e2e_wintool visible "Wine System Tray" 2>/dev/null; }
korvane() { e2e_wintool visible Korvane 2>/dev/null; }
click_icon() {  # the first (and only) icon of the tray window
    local x y w h
    read -r x y w h <<<"$(e2e_wintool client-rect "Wine System Tray")"
    xdotool mousemove --sync $((x + 12)) $((y + h / 2)) click "$1"
}
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
menu_exit() {
    click_icon 3
    e2e_wait_until 10 find_menu || e2e_fail "no menu after a right click on the icon"
    e2e_screenshot menu >/dev/null
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 4)) click 1   # the upper item: "Exit"
    e2e_expect_exit
}

e2e_post Korvane 0x0010 0 0   # WM_CLOSE
e2e_wait_until 10 eval '[ "$(korvane)" = 0 ]' || e2e_fail "closing did not hide the window"
e2e_wait_until 10 eval '[ "$(tray)" = 1 ]' || e2e_fail "no tray icon after closing"
sleep 2
e2e_running || e2e_fail "closing with the tray box checked ended the program"
menu_exit
e2e_assert_file_eq "$E2E_DIR/config.ini" 'WINDOW_X=20\nWINDOW_Y=20\nWINDOW_W=900\nWINDOW_H=640\nTRAY_ICON=1\nCOLOR_SCHEME=Meadow.ini\n'
e2e_log_lacks ERROR "Failed to get cursor position, GetLastError(): 0"

e2e_run_korvane
e2e_wait_until 40 eval '[ "$(tray)" = 1 ] || ! e2e_running' || e2e_fail "no tray icon after 40 s"
e2e_running || e2e_fail "Korvane ended at start-up"
e2e_assert_eq 0 "$(korvane)" "window hidden at start"
click_icon 1
e2e_wait_until 10 eval '[ "$(korvane)" = 1 ]' || e2e_fail "a click on the icon did not show the window"
# The icon went with it, and with the last icon Wine hides its tray window.
e2e_wait_until 10 eval '[ "$(tray)" = 0 ]' || e2e_fail "the icon stayed after the window was shown"
e2e_post Korvane 0x0010 0 0
e2e_wait_until 10 eval '[ "$(tray)" = 1 ]' || e2e_fail "closing did not bring the icon back"
menu_exit
