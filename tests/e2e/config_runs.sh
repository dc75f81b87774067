#!/bin/bash
# First run in an empty folder: config.ini is created empty and color_schemes without a message,
# the first autosave (after 5 s of frames) writes all six keys, and closing the window saves once
# more and ends with code 0.
# A second start reads a file edited by hand: the window takes its position and size (raised to
# the minimum) and is shown without activation, the folder is found (WARNING) and a scheme put
# there loaded, nothing is reported missing, and Alt+F4 typed into the activated window closes it
# with code 0 and the settings saved as read.
. "$(dirname "$0")/lib.sh"
e2e_init
config=$E2E_DIR/config.ini
[ ! -e "$config" ] || e2e_fail "the program folder already holds a config.ini"
[ ! -e "$E2E_DIR/color_schemes" ] || e2e_fail "the program folder already holds color_schemes"
# Its last key's message ends the load.
loaded() { [ "$(e2e_log_line_count ERROR 'CHECK_BOX_UNCHECKED not present in color_schemes\Night.ini.')" = 1 ]; }
lines_but_the_scheme() { grep -v 'Night.ini' "$E2E_LOG" | grep -c .; }
e2e_start_korvane
started=$SECONDS
[ -f "$config" ] && [ ! -s "$config" ] || e2e_fail "config.ini was not created empty at start-up"
[ -d "$E2E_DIR/color_schemes" ] || e2e_fail "color_schemes was not created"
e2e_assert_eq 1 "$(e2e_wintool visible Korvane)" "window shown"
e2e_screenshot first-frame >/dev/null
e2e_wait_until 20 test -s "$config" || e2e_fail "no autosave within 20 s"
[ $((SECONDS - started)) -ge 4 ] || e2e_fail "autosave came after $((SECONDS - started)) s, before 5 s of frames"
expected='WINDOW_X=0\nWINDOW_Y=0\nWINDOW_W=565\nWINDOW_H=411\nTRAY_ICON=0\nCOLOR_SCHEME=Default\n'
e2e_assert_file_eq "$config" "$expected"
e2e_assert_eq "0 0 565 411" "$(e2e_wintool window-rect Korvane)" "window rectangle (the minimum, on a first run)"
# Right after an autosave the next one is 5 s away: empty the file (the program shares it for
# writing) and close; only the shutdown save can write it again.
: >"$config"
e2e_expect_exit close
e2e_assert_file_eq "$config" "$expected"
# Wine's answer to SetProcessDpiAwareness, and one message for each of the six keys missing.
e2e_log_has ERROR "DPI awareness already set."
e2e_assert_eq 7 "$(lines_but_the_scheme)" "number of log lines"
mv "$E2E_LOG" "$E2E_DIR/first-run.log"

printf 'BACKGROUND_COLOR=101418FF\nTEXT_COLOR=E0E0E0\nBUTTON=20262cff\n' >"$E2E_DIR/color_schemes/Night.ini"
printf 'COLOR_SCHEME=Custom scheme\r\nWINDOW_W=300\r\nWINDOW_H=500\r\n; moved by hand\r\nWINDOW_X=40\r\nWINDOW_Y=30\r\nTRAY_ICON=0\r\n' >"$config"
e2e_start_korvane
e2e_assert_eq "40 30 565 500" "$(e2e_wintool window-rect Korvane)" "window rectangle"
# The logger writes from its own thread: wait for the lines rather than for the window.
e2e_wait_until 10 loaded || e2e_fail "the scheme was not loaded at start-up"
e2e_assert_eq 0 "$(e2e_wintool focus Korvane)" "focus before the click"
e2e_click_client Korvane 200 150
e2e_wait_until 10 eval '[ "$(e2e_wintool focus Korvane)" = 1 ]' || e2e_fail "the click did not activate the window"
xdotool key alt+F4
e2e_expect_exit
e2e_assert_file_eq "$config" 'WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=565\nWINDOW_H=500\nTRAY_ICON=0\nCOLOR_SCHEME=Custom scheme\n'
e2e_log_has WARNING "Color schemes folder already exists. No need to create it."
e2e_assert_eq 2 "$(lines_but_the_scheme)" "number of log lines (the DPI notice and the folder's warning)"
