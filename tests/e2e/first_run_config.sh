#!/bin/bash
# First run in an empty folder: config.ini is created empty, the first autosave (after 5 s of
# frames) writes all six keys, and closing the window saves once more and ends with code 0.
. "$(dirname "$0")/lib.sh"
e2e_init
e2e_start_xvfb
dir=$(e2e_make_program_dir)
[ ! -e "$dir/config.ini" ] || e2e_fail "the program folder already holds a config.ini"

e2e_run_korvane "$dir"
e2e_wait_window Korvane 40
started=$SECONDS
[ -f "$dir/config.ini" ] || e2e_fail "config.ini was not created at start-up"
[ ! -s "$dir/config.ini" ] || e2e_fail "config.ini was written before the first autosave"
e2e_assert_eq 1 "$(e2e_wintool visible Korvane)" "window shown"
e2e_screenshot first-frame >/dev/null

e2e_wait_until 20 test -s "$dir/config.ini" || e2e_fail "no autosave within 20 s"
[ $((SECONDS - started)) -ge 4 ] || e2e_fail "autosave came after $((SECONDS - started)) s, before 5 s of frames"
expected='WINDOW_X=0\nWINDOW_Y=0\nWINDOW_W=565\nWINDOW_H=411\nTRAY_ICON=0\nCOLOR_SCHEME=Default\n'
e2e_assert_file_eq "$dir/config.ini" "$expected"
# The window got the configured size (the minimum, on a first run).
e2e_assert_eq "0 0 565 411" "$(e2e_window_rect Korvane)" "window rectangle"

# Right after an autosave the next one is 5 s away: empty the file (the program shares it for
# writing) and close; only the shutdown save can write it again.
: >"$dir/config.ini"
e2e_post Korvane 0x0010 0 0   # WM_CLOSE
e2e_wait_exit 20
e2e_assert_eq 0 "$E2E_EXIT_CODE" "exit code"
e2e_assert_file_eq "$dir/config.ini" "$expected"

for key in WINDOW_X WINDOW_Y WINDOW_W WINDOW_H TRAY_ICON; do
    e2e_log_has ERROR "$key not present in config."
done
e2e_log_has ERROR "COLOR_SCHEME not present in config, using Default color scheme."
e2e_log_has ERROR "DPI awareness already set."   # Wine's answer to SetProcessDpiAwareness
e2e_log_lacks ERROR "Could not save to config file because it failed to open at startup."
e2e_assert_eq 7 "$(grep -c . "$E2E_LOG")" "number of log lines"
