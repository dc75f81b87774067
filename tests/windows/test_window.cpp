#include "test_window.h"
#include <windows.h>
#include "app/app.h"
#include "app/tray.h"

static LRESULT CALLBACK test_window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return (LRESULT)tray_window_proc(hwnd, message, (u64)wparam, (i64)lparam);
}

bool test_window_create() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = test_window_procedure;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "Korvane tray test class";
        registered = RegisterClassA(&wc) != 0;
    }
    g_window = Window{};
    g_window.handle = CreateWindowExA(0, "Korvane tray test class", TEST_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, 100, 100,
                                      600, 450, NULL, NULL, GetModuleHandleA(NULL), NULL);
    return g_window.handle != nullptr;
}

void test_window_destroy() {
    if (g_window.handle) DestroyWindow((HWND)g_window.handle);
    g_window = Window{};
}
