// Placeholder until the tray lands: default window processing only.
#include <windows.h>
#include "app/tray.h"

void tray_icon_set(bool) {}
i64 tray_window_proc(void* hwnd, u32 message, u64 wparam, i64 lparam) {
    return DefWindowProcA((HWND)hwnd, message, (WPARAM)wparam, (LPARAM)lparam);
}
