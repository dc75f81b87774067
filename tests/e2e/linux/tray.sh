#!/bin/bash
# The tray on a private session bus, with a watcher of our own (tray.py) and gdbus as the panel:
# no watcher (the window stays, a close exits), then a start hidden in the tray, the item's
# properties, icon and menu read back, Activate showing the window and withdrawing the item, a
# real close hiding it again, a watcher restart registering it again, and "Exit" from the menu
# ending the program with config.ini saved.
. "$(dirname "$0")/lib.sh"
e2e_linux_init
e2e_start_pulse speakers:Speakers
export DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_ROOT/bus
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >"$E2E_ROOT/dbus.log" 2>&1 &
E2E_PROGRAM_PIDS+=($!)
e2e_wait_until $E2E_WAIT test -S "$E2E_ROOT/bus" || e2e_fail "dbus-daemon did not start"
helper=$(dirname "$0")/tray.py
wait_map() { e2e_wait_eq "$1" "$2: window" e2e_map_state; }
start_watcher() {
    /usr/bin/python3 "$helper" watcher >"$E2E_ROOT/watcher$1.log" 2>&1 &
    WATCHER_PID=$!
    E2E_PROGRAM_PIDS+=($WATCHER_PID)
    e2e_wait_until $E2E_WAIT grep -q ready "$E2E_ROOT/watcher$1.log" || e2e_fail "watcher $1 did not start"
}
# wait_seen WATCHER WHAT COUNT: "registered" or "withdrawn" lines for our item.
wait_seen() { e2e_wait_eq "$3" "watcher $1's \"$2\" lines" grep -c "^$2 $item\$" "$E2E_ROOT/watcher$1.log"; }
call() { gdbus call --session --dest "$item" --object-path "$1" --method "$2" -- "${@:3}"; }
property() { call /StatusNotifierItem org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"; }
e2e_config 1 Default
config=$(cat "$E2E_DIR/config.ini")

e2e_start_korvane
wait_map IsViewable "no watcher"
/usr/bin/python3 "$helper" close "$(e2e_window)"
e2e_expect_exit
e2e_log_has WARNING "$E2E_NO_TRAY"

start_watcher 1
e2e_start_korvane
item=org.kde.StatusNotifierItem-$E2E_PID-1
wait_seen 1 registered 1
wait_map IsUnMapped "started in the tray"
for expected in "Id <'korvane'>" "Title <'Korvane'>" "Category <'ApplicationStatus'>" "Status <'Active'>" \
    "ItemIsMenu <false>" "Menu <objectpath '/MenuBar'>"; do
    e2e_assert_eq "(${expected#* },)" "$(property "${expected%% *}")" "property ${expected%% *}"
done
# IconPixmap: the desktop entry's PNGs (the same drawing), as ARGB; the window's icon alike.
pixmap=$(property IconPixmap | sed 's/byte //')
for size in 32 64; do
    argb=$(convert "$KORVANE_BUILD_DIR/icons/$size/korvane.png" rgba:- | od -An -v -tx1 |
        awk '{ for (i = 1; i <= NF; i++) { p[n % 4] = $i
            if (++n % 4 == 0) printf "0x%s, 0x%s, 0x%s, 0x%s, ", p[3], p[0], p[1], p[2] } }')
    grep -qF "($size, $size, [${argb%, }]" <<<"$pixmap" || e2e_fail "IconPixmap lacks the $size pixel icon"
done
e2e_assert_eq 2 "$(xprop -id "$(e2e_window)" _NET_WM_ICON | grep -c 'Icon (')" "window icons"
layout=$(call /MenuBar com.canonical.dbusmenu.GetLayout 0 -1 '@as []')
e2e_assert_eq "Exit,Open" "$(grep -o "'label': <'[^']*'>" <<<"$layout" | cut -d"'" -f4 | paste -sd,)" "menu"
exit_id=$(grep -o "<([0-9]*, {[^}]*'label': <'Exit'>" <<<"$layout" | cut -c3- | cut -d, -f1)

call /StatusNotifierItem org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
wait_map IsViewable "after Activate"
wait_seen 1 withdrawn 1
/usr/bin/python3 "$helper" close "$(e2e_window)"
wait_map IsUnMapped "closed to the tray"
wait_seen 1 registered 2

e2e_stop "$WATCHER_PID"
start_watcher 2
wait_seen 2 registered 1

: >"$E2E_DIR/config.ini"  # emptied in place: the program writes through the file it opened
call /MenuBar com.canonical.dbusmenu.Event "$exit_id" clicked '<0>' 'uint32 0' >/dev/null
e2e_expect_exit
e2e_assert_file_eq "$E2E_DIR/config.ini" "$config\n"
