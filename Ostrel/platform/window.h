// The engine's one top-level window: created from a title, position, size and style, kept up
// to date by the engine window procedure, with an optional application hook behind it.
// Handles are opaque here so that portable code can hold a Window.
#pragma once
#include "Ostrel/platform/input.h"

enum WindowStyle : u32 {
    WINDOW_STYLE_OVERLAPPED = 0,
    WINDOW_STYLE_POPUP = 1,
};

// Same shape as a Win32 window procedure on x86-64 (HWND, UINT, WPARAM, LPARAM -> LRESULT).
typedef i64 (*WindowHookProc)(void* hwnd, u32 message, u64 wparam, i64 lparam);

struct Window {
    void* handle;
    u8 close_requested;
    u32 client_width;
    u32 client_height;
    u8 resized;        // set while the message being handled is a size change
    u8 style_changed;  // set while the message being handled is a style change
    u8 hide_cursor;
    u8 focused;
    u32 x, y;  // client origin in screen coordinates, from the last move notification
    WindowHookProc user_window_procedure;
    TextInputRing text_input;
};

// One queued message, as the pump hands it to the input handlers.
struct WindowMessage {
    void* hwnd;
    u32 message;
    u64 wparam;
    i64 lparam;
};

bool window_create(const char* title, i32 x, i32 y, i32 width, i32 height, u32 style, Window* window);
void window_show(Window* window);
bool window_is_minimised(const Window* window);
bool window_set_size(Window* window, i32 width, i32 height);
// Removes one message of the thread's queue, translates and dispatches it; false when empty.
bool window_pump_one(WindowMessage* out);
u32 window_style_to_win32(u32 style);
