#!/bin/bash
# The native program's files: the configuration folder made on a fresh account, a scheme file
# dropped into color_schemes and then edited in place recolouring the window at once, the
# run-at-log-in box as the autostart entry, and TRAY_ICON=1 without a session bus keeping the
# window open.
. "$(dirname "$0")/lib.sh"
e2e_linux_init
rm -rf "$XDG_CONFIG_HOME"
e2e_start_pulse speakers:Speakers

e2e_start_korvane
# config.ini is written first, then the folder is made.
e2e_wait_until $E2E_WAIT test -d "$E2E_DIR/color_schemes" || e2e_fail "no color_schemes folder in $E2E_DIR"
[ -f "$E2E_DIR/config.ini" ] || e2e_fail "no config.ini in $E2E_DIR"

# Dropped in (written beside, moved in): loaded at once, its missing keys named in the log.
printf 'BACKGROUND_COLOR=283020\nCHECK_BOX_CHECKED=C8C8C8\nCHECK_BOX_UNCHECKED=30A050\n' >"$E2E_ROOT/Meadow.ini"
mv "$E2E_ROOT/Meadow.ini" "$E2E_DIR/color_schemes/"
e2e_wait_eq 1 "the dropped scheme's missing TEXT_COLOR logged" e2e_log_line_count ERROR 'TEXT_COLOR not present in color_schemes/Meadow.ini.'
e2e_expect_exit close

# Chosen by name at the next start, with the tray option on.
e2e_config 1 Meadow.ini
e2e_start_korvane
e2e_focus
e2e_wait_eq 283020 "background of the dropped-in scheme" e2e_background
# Edited in place, as an editor saves: truncated and rewritten through the same file.
printf 'BACKGROUND_COLOR=604020\n' >"$E2E_DIR/color_schemes/Meadow.ini"
e2e_wait_eq 604020 "background of the edited scheme" e2e_background

# Run at log-in: the box writes and removes the autostart entry naming this program.
entry=$XDG_CONFIG_HOME/autostart/korvane.desktop
e2e_click_client Korvane $(e2e_mixer_point "$W" "$H" tab_options)
e2e_wait_ne 604020 "the Options screen's box" e2e_pixel 38 98
e2e_click_client Korvane 38 98
e2e_wait_until $E2E_WAIT test -f "$entry" || e2e_fail "no autostart entry after checking the box"
grep -qx "Exec=\"$KORVANE_PROGRAM_DIR/korvane\"" "$entry" || e2e_fail "the entry does not name korvane: $(cat "$entry")"
desktop-file-validate "$entry" || e2e_fail "not a valid desktop entry"
e2e_click_client Korvane 38 98
e2e_wait_until $E2E_WAIT eval '! test -e "$entry"' || e2e_fail "the autostart entry stayed after unchecking the box"

e2e_expect_exit close
e2e_assert_eq 1 "$(e2e_log_line_count WARNING "$E2E_NO_TRAY")" "warnings of the missing tray"
grep -qx 'COLOR_SCHEME=Meadow.ini' "$E2E_DIR/config.ini" || e2e_fail "scheme not saved: $(cat "$E2E_DIR/config.ini")"
