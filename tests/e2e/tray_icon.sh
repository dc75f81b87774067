#!/bin/bash
# With TRAY_ICON=1 the program starts hidden behind its notification-area icon (Wine shows it in
# its "Wine System Tray" window); a left click on the icon brings the window back and removes the
# icon; closing the window hides it again and the program lives on; "Exit" in the icon's menu
# ends it with code 0 and the settings saved.
. "$(dirname "$0")/lib.sh"
e2e_init
config='WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=600\nWINDOW_H=450\nTRAY_ICON=1\nCOLOR_SCHEME=Default\n'
printf "$config" >"$E2E_DIR/config.ini"
tray() { e2e_wintool visible "Wine System Tray" 2>/dev/null; }
korvane() { e2e_wintool visible Korvane 2>/dev/null; }
click_icon() {  # the first (and only) icon of the tray window
    local x y w h
    read -r x y w h <<<"$(e2e_wintool client-rect "Wine System Tray")"
    xdotool mousemove --sync $((x + 12)) $((y + h / 2)) click "$1"
}

e2e_run_korvane
e2e_wait_until 40 eval '[ "$(tray)" = 1 ] || ! e2e_running' || e2e_fail "no tray icon after 40 s"
e2e_running || e2e_fail "Korvane ended at start-up"
e2e_assert_eq 0 "$(korvane)" "window hidden at start"

click_icon 1
e2e_wait_until 10 eval '[ "$(korvane)" = 1 ]' || e2e_fail "a click on the icon did not show the window"
# The icon went with it, and with the last icon Wine hides its tray window.
e2e_wait_until 10 eval '[ "$(tray)" = 0 ]' || e2e_fail "the icon stayed after the window was shown"

e2e_post Korvane 0x0010 0 0   # WM_CLOSE
e2e_wait_until 10 eval '[ "$(korvane)" = 0 ]' || e2e_fail "closing did not hide the window"
e2e_wait_until 10 eval '[ "$(tray)" = 1 ]' || e2e_fail "closing did not bring the icon back"
sleep 2
e2e_running || e2e_fail "closing with TRAY_ICON=1 ended the program"

# The menu opens at the cursor; it lists "Exit" above "Open". Wine keeps a tiny unnamed X window
# per Vulkan surface too: the menu is the unnamed one with room for two items.
click_icon 3
find_menu() {
    local w
    for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -lt 400 ] && [ "$HEIGHT" -lt 100 ] && [ "$WIDTH" -ge 20 ] && [ "$HEIGHT" -ge 20 ] && return 0
    done
    return 1
}
e2e_wait_until 10 find_menu || e2e_fail "no menu after a right click on the icon"
e2e_screenshot menu >/dev/null
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 4)) click 1   # the upper item: "Exit"
e2e_expect_exit
e2e_assert_file_eq "$E2E_DIR/config.ini" "$config"
e2e_log_lacks ERROR "Failed to get cursor position, GetLastError(): 0"
