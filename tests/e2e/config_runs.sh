#!/bin/bash
# First run in an empty folder: config.ini is created empty and color_schemes without a message,
# the window is shown at the minimum size, the first autosave (after 5 s of frames) writes all six
# keys, and closing the window saves once more and ends with code 0. (A file edited by hand is
# read in the screens story.)
. "$(dirname "$0")/lib.sh"
e2e_init
config=$E2E_DIR/config.ini
[ ! -e "$config" ] || e2e_fail "the program folder already holds a config.ini"
[ ! -e "$E2E_DIR/color_schemes" ] || e2e_fail "the program folder already holds color_schemes"
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
e2e_assert_eq 7 "$(grep -c . "$E2E_LOG")" "number of log lines"
