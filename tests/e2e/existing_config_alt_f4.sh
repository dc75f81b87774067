#!/bin/bash
# A second start reads the saved file: the window takes its position and size (raised to the
# minimum) and is shown without activation, nothing is reported missing, and Alt+F4 typed into
# the activated window closes it with code 0 and the settings saved as read.
. "$(dirname "$0")/lib.sh"
e2e_init
printf 'COLOR_SCHEME=Custom scheme\r\nWINDOW_W=300\r\nWINDOW_H=500\r\n; moved by hand\r\nWINDOW_X=40\r\nWINDOW_Y=30\r\nTRAY_ICON=0\r\n' \
    >"$E2E_DIR/config.ini"
e2e_start_korvane
e2e_assert_eq "40 30 565 500" "$(e2e_window_rect Korvane)" "window rectangle"
e2e_assert_eq 0 "$(e2e_wintool focus Korvane)" "focus before the click"
e2e_click_client Korvane 200 150
e2e_wait_until 10 eval '[ "$(e2e_wintool focus Korvane)" = 1 ]' || e2e_fail "the click did not activate the window"
xdotool key alt+F4
e2e_expect_exit
e2e_assert_file_eq "$E2E_DIR/config.ini" 'WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=565\nWINDOW_H=500\nTRAY_ICON=0\nCOLOR_SCHEME=Custom scheme\n'
e2e_assert_eq 1 "$(grep -c . "$E2E_LOG")" "number of log lines (only the DPI notice)"
