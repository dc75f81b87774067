#include <windows.h>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window.h"

static_assert(sizeof(WindowHookProc) == sizeof(WNDPROC));
static_assert(sizeof(u64) == sizeof(WPARAM) && sizeof(i64) == sizeof(LPARAM) && sizeof(i64) == sizeof(LRESULT));

static const char k_window_class_name[] = "Ostrel default window class.";

// The module handle and the class are set up on the first create only; a failure is final.
static bool g_class_attempted = false;
static bool g_class_registered = false;
static HMODULE g_module = NULL;
static bool g_module_missing = false;
static u32 g_module_error = 0;

static LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* window = (Window*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    if (window) {
        window->resized = 0;
        window->style_changed = 0;
        switch (message) {
            case WM_CLOSE:
                // Only a request: the frame loop decides between quitting and hiding in the tray.
                window->close_requested = 1;
                return 0;
            case WM_MOVE:
                window->x = (u32)(lparam & 0xFFFF);
                window->y = (u32)((lparam >> 16) & 0xFFFF);
                break;
            case WM_SIZE:
                window->client_width = (u32)(lparam & 0xFFFF);
                window->client_height = (u32)((lparam >> 16) & 0xFFFF);
                window->resized = 1;
                break;
            // Captured while the left button is down: a drag released outside the client area
            // still delivers its button-up, so the mouse state never keeps a button held.
            case WM_LBUTTONDOWN: SetCapture(hwnd); break;
            case WM_LBUTTONUP: ReleaseCapture(); break;
            case WM_SETFOCUS: window->focused = 1; break;
            case WM_KILLFOCUS: window->focused = 0; break;
            case WM_SETCURSOR:
                if (window->hide_cursor && LOWORD(lparam) == HTCLIENT) {
                    SetCursor(NULL);
                    // Handled: default processing would put the class cursor straight back.
                    return TRUE;
                }
                break;
            case WM_STYLECHANGED: window->style_changed = 1; break;
            case WM_EXITSIZEMOVE: {
                RECT r;
                if (GetClientRect(hwnd, &r)) {
                    window->client_width = (u32)r.right;
                    window->client_height = (u32)r.bottom;
                }
                window->resized = 1;
                break;
            }
            default: break;
        }
        if (window->user_window_procedure)
            return (LRESULT)window->user_window_procedure(hwnd, message, (u64)wparam, (i64)lparam);
    }
    // Alt and F10 never enter the system-menu mode.
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_KEYMENU) return 0;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

static void window_class_register() {
    g_module = GetModuleHandleA(NULL);
    if (!g_module) {
        g_module_missing = true;
        g_module_error = (u32)GetLastError();
        return;
    }
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = g_module;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = k_window_class_name;
    g_class_registered = RegisterClassA(&wc) != 0;
    if (!g_class_registered) log_error("Could not register WNDCLASS. GetLastError(): %", (u32)GetLastError());
}

static bool window_class_setup() {
    if (!g_class_attempted) {
        g_class_attempted = true;
        window_class_register();
    }
    if (g_module_missing)
        log_error("Window could not be created because process could not retrieve its module handle.GetLastError(): %",
                  g_module_error);
    else if (!g_class_registered)
        log_error("Window could not be created because window class registration failed.");
    return g_class_registered;
}

u32 window_style_to_win32(u32 style) {
    switch (style) {
        case WINDOW_STYLE_OVERLAPPED: return WS_OVERLAPPEDWINDOW;
        case WINDOW_STYLE_POPUP: return WS_POPUP;
        default: log_error("Given style % is invalid !", style); return WS_OVERLAPPEDWINDOW;
    }
}

bool window_create(const char* title, i32 x, i32 y, i32 width, i32 height, u32 style, Window* window) {
    if (!window_class_setup()) return false;
    DWORD win32_style = window_style_to_win32(style);
    HWND hwnd = CreateWindowExA(0, k_window_class_name, title, win32_style, x, y, width, height, NULL, NULL, g_module,
                                window);
    window->handle = hwnd;
    if (!hwnd) {
        log_error("Could not instantiate window. GetLastError(): %", (u32)GetLastError());
        return false;
    }
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)window);
    RECT r = {};
    GetClientRect(hwnd, &r);
    window->client_width = (u32)r.right;
    window->client_height = (u32)r.bottom;
    window->close_requested = 0;
    window->focused = GetFocus() == hwnd ? 1 : 0;
    return true;
}

void window_show(Window* window) { ShowWindow((HWND)window->handle, SW_SHOWNA); }

bool window_is_minimised(const Window* window) { return IsIconic((HWND)window->handle) != 0; }

bool window_set_size(Window* window, i32 width, i32 height) {
    WINDOWINFO info = {};
    info.cbSize = sizeof info;
    if (!GetWindowInfo((HWND)window->handle, &info)) {
        log_error("Failed to retrieve window info, GetLastError(): %.", (u32)GetLastError());
        return false;
    }
    if (!SetWindowPos((HWND)window->handle, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER)) {
        log_error("Failed to set window size, GetLastError(): %.", (u32)GetLastError());
        return false;
    }
    return true;
}

bool window_pump_one(WindowMessage* out) {
    MSG msg;
    if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) return false;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    out->hwnd = msg.hwnd;
    out->message = msg.message;
    out->wparam = (u64)msg.wParam;
    out->lparam = (i64)msg.lParam;
    return true;
}
