// X11 pieces beside the portable window: the display the Vulkan surface is made on, the minimum
// size the window manager enforces, and the CLIPBOARD selection, which the pump serves.
#pragma once
#include "Ostrel/platform/window.h"

struct _XDisplay;

// The process's one display connection; null until a window_create has opened it.
_XDisplay* window_x11_display();
// Through the size hints: the window manager keeps the user's resizes at or above it.
void window_set_minimum_size(Window* window, i32 width, i32 height);
// Withdraws the window, as a hidden top-level must be on X; window_show maps it again with the
// position and size it had.
void window_hide(Window* window);
// _NET_WM_ICON: `count` square images of the sides given, rows top first, straight RGBA bytes.
void window_set_icon(Window* window, const u32* sizes, const u8* const* rgba, u32 count);
// Owns CLIPBOARD with a copy of the UTF-8 bytes; the pump answers other programs' requests for
// it until another owner takes it. False when the display refused the ownership.
bool window_clipboard_own(Window* window, const u8* bytes, u32 length);
// Asks the owner for the text as UTF-8 and waits at most `timeout_ms` for the answer; other events
// stay queued for the pump meanwhile. False when there is no text. The bytes live until the next
// call.
bool window_clipboard_request(Window* window, u32 timeout_ms, const u8** bytes, u32* length);
