// Korvane's StatusNotifierItem on the session bus, with its menu ("Exit", "Open") exported over
// com.canonical.dbusmenu. Nothing here waits on the bus: requests go out queued and answers come
// back through tray_dbus_poll, which the frame loop calls once per pass.
#pragma once
#include "Ostrel/core/types.h"

enum TrayDbusEvent : u32 {
    TRAY_DBUS_ACTIVATE = 1,  // a left click on the item, or "Open"
    TRAY_DBUS_EXIT = 2,      // "Exit"
    TRAY_DBUS_NO_TRAY = 4,   // the item was wanted and no watcher turned out to exist
};

enum TrayDbusWatcher : u32 {
    TRAY_DBUS_WATCHER_UNKNOWN,  // the bus has not answered yet
    TRAY_DBUS_WATCHER_ABSENT,   // nothing owns org.kde.StatusNotifierWatcher, or there is no bus
    TRAY_DBUS_WATCHER_PRESENT,
};

struct TrayDbusIcon {
    u32 size;
    const u8* argb;  // size × size pixels, ARGB32 in network byte order; kept by the caller
};

// Connects to the session bus and asks whether a watcher runs. False when no bus is reachable.
bool tray_dbus_start(const TrayDbusIcon* icons, u32 icon_count);
TrayDbusWatcher tray_dbus_watcher();
// Shown: the item's name is owned and registered with the watcher (again after the watcher
// restarts); not shown: the name is released, which withdraws the item.
void tray_dbus_set_shown(bool shown);
// Reads, answers and writes whatever the bus has for us without waiting; TrayDbusEvent bits.
u32 tray_dbus_poll();
// Withdraws the item and sends what is queued.
void tray_dbus_stop();
