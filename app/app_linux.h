// Linux-only pieces the entry point and the autostart entry share.
#pragma once
#include "Ostrel/core/types.h"

// $XDG_CONFIG_HOME, else ~/.config (an unset, empty or relative value does not count); false when
// neither is known or it does not fit.
bool linux_config_home(char* buffer, u32 capacity);

// The tray (tray_linux.cpp). Start: the window's icon, and the session bus asked for a tray.
void tray_linux_start();
// A close request or a start with TRAY_ICON: the window hidden behind the tray item; false, after
// one warning, when no tray runs (the caller then keeps the window or exits).
bool tray_linux_hide_window();
bool tray_linux_window_hidden();
// Once per frame: the bus's calls answered; a click on the item shows the window, "Exit" sets
// g_quit.
void tray_linux_poll();
// Withdraws the item.
void tray_linux_stop();
