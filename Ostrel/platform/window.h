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
    // Set by the pump when the window's contents were lost (an X server without a compositor keeps
    // none); the frame loop clears it once it has drawn.
    u8 exposed;
    u32 x, y;  // client origin in screen coordinates, from the last move notification
    WindowHookProc user_window_procedure;
    TextInputRing text_input;
};

// Window message numbers the portable engine reads (the Win32 values).
enum WindowMessageNumber : u32 {
    WINDOW_MSG_MOVE = 0x0003,
    WINDOW_MSG_SIZE = 0x0005,
    WINDOW_MSG_SETFOCUS = 0x0007,
    WINDOW_MSG_KILLFOCUS = 0x0008,
    WINDOW_MSG_CLOSE = 0x0010,
    WINDOW_MSG_SETCURSOR = 0x0020,
    WINDOW_MSG_STYLECHANGED = 0x007D,
    WINDOW_MSG_KEYDOWN = 0x0100,
    WINDOW_MSG_KEYUP = 0x0101,
    WINDOW_MSG_CHAR = 0x0102,
    WINDOW_MSG_SYSKEYDOWN = 0x0104,
    WINDOW_MSG_SYSKEYUP = 0x0105,
    WINDOW_MSG_SYSCOMMAND = 0x0112,
    WINDOW_MSG_MOUSEMOVE = 0x0200,
    WINDOW_MSG_LBUTTONDOWN = 0x0201,
    WINDOW_MSG_LBUTTONUP = 0x0202,
    WINDOW_MSG_RBUTTONDOWN = 0x0204,
    WINDOW_MSG_RBUTTONUP = 0x0205,
    WINDOW_MSG_MBUTTONDOWN = 0x0207,
    WINDOW_MSG_MBUTTONUP = 0x0208,
    WINDOW_MSG_MOUSEWHEEL = 0x020A,
    WINDOW_MSG_XBUTTONDOWN = 0x020B,
    WINDOW_MSG_XBUTTONUP = 0x020C,
    WINDOW_MSG_EXITSIZEMOVE = 0x0232,
};

// One queued message, as the pump hands it to the input handlers.
struct WindowMessage {
    void* hwnd;
    u32 message;
    u64 wparam;
    i64 lparam;
};

// Registers the window class on the first call (once per process) and creates a hidden window;
// the record is attached to it and kept up to date by the engine window procedure.
bool window_create(const char* title, i32 x, i32 y, i32 width, i32 height, u32 style, Window* window);
void window_show(Window* window);
bool window_is_minimised(const Window* window);
bool window_set_size(Window* window, i32 width, i32 height);
// Removes one message of the thread's queue, translates and dispatches it; false when empty.
bool window_pump_one(WindowMessage* out);
// Engine style -> Win32 style; an unknown value is logged and gives the overlapped style.
u32 window_style_to_win32(u32 style);
