// Clipboard text on X11: the CLIPBOARD selection of the program's window.
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window_x11.h"
#include "app/app.h"
#include "app/tray.h"

// Past this a paste gives up on a silent owner and pastes nothing.
static const u32 k_paste_wait_ms = 100;

// A paste measures, then copies: the text the measuring call received serves the copying one,
// so each paste asks the owner once.
static const u8* s_measured;
static u32 s_measured_length;
static bool s_has_measured;

void clipboard_get_text(u8* destination, u32 capacity, u32* length) {
    *length = 0;
    const u8* bytes = nullptr;
    u32 n = 0;
    if (destination && s_has_measured) {
        bytes = s_measured;
        n = s_measured_length;
    } else if (!window_clipboard_request(&g_window, k_paste_wait_ms, &bytes, &n)) {
        n = 0;
    }
    // As on Windows, the text ends at its first NUL.
    const u8* end = n ? (const u8*)memchr(bytes, 0, n) : nullptr;
    if (end) n = (u32)(end - bytes);
    s_has_measured = !destination;
    s_measured = bytes;
    s_measured_length = n;
    if (destination) {
        if (n > capacity) n = capacity;
        if (n) memcpy(destination, bytes, n);
    }
    *length = n;
}

void clipboard_set_text(const u8* bytes, u32 length) {
    s_has_measured = false;
    if (!window_clipboard_own(&g_window, bytes, length)) log_error("Failed to set data to clipboard.");
}
