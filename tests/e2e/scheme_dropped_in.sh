#!/bin/bash
# The first start creates color_schemes without a message; a scheme file moved into it while the
# program runs is loaded (its messages name the keys it lacks or gets wrong); the next start
# finds the folder (WARNING) and loads the file again.
. "$(dirname "$0")/lib.sh"
e2e_init
printf 'WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=600\nWINDOW_H=450\nTRAY_ICON=0\nCOLOR_SCHEME=Night\n' >"$E2E_DIR/config.ini"
[ ! -e "$E2E_DIR/color_schemes" ] || e2e_fail "the program folder already holds color_schemes"
exists="Color schemes folder already exists. No need to create it."
# Its last key's message ends the load.
loaded() { [ "$(e2e_log_line_count ERROR 'CHECK_BOX_UNCHECKED not present in color_schemes\Night.ini.')" = 1 ]; }

e2e_start_korvane
[ -d "$E2E_DIR/color_schemes" ] || e2e_fail "color_schemes was not created"
# Written beside the folder and moved in, so it is complete when its name appears.
printf 'BACKGROUND_COLOR=101418FF\nTEXT_COLOR=E0E0E0\nBUTTON=20262cff\n' >"$E2E_DIR/Night.part"
mv "$E2E_DIR/Night.part" "$E2E_DIR/color_schemes/Night.ini"
e2e_wait_until 10 loaded || e2e_fail "the dropped scheme was not loaded"
e2e_log_has ERROR 'BUTTON invalid in color_schemes\Night.ini.'
e2e_log_lacks ERROR 'BACKGROUND_COLOR not present in color_schemes\Night.ini.'
e2e_log_lacks ERROR 'TEXT_COLOR invalid in color_schemes\Night.ini.'
e2e_log_lacks WARNING "$exists"
e2e_expect_exit close
mv "$E2E_LOG" "$E2E_DIR/first-run.log"

e2e_start_korvane
# The logger writes from its own thread: wait for the lines rather than for the window.
e2e_wait_until 10 loaded || e2e_fail "the scheme was not loaded at start-up"
e2e_log_has WARNING "$exists"
e2e_expect_exit close
e2e_assert_file_eq "$E2E_DIR/config.ini" 'WINDOW_X=40\nWINDOW_Y=30\nWINDOW_W=600\nWINDOW_H=450\nTRAY_ICON=0\nCOLOR_SCHEME=Night\n'
