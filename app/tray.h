// Notification-area icon and its menu, the window hook behind the engine's window procedure,
// run-at-log-in registration and clipboard text.
#pragma once
#include "Ostrel/core/types.h"

void tray_icon_set(bool add);
i64 tray_window_proc(void* hwnd, u32 message, u64 wparam, i64 lparam);

bool autostart_is_registered();
void autostart_register();
void autostart_unregister();

// With a null destination only measures; never copies more than `capacity` bytes.
void clipboard_get_text(u8* destination, u32 capacity, u32* length);
void clipboard_set_text(const u8* bytes, u32 length);
