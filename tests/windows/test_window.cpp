#include "test_window.h"
#include <windows.h>
#include "app/app.h"
#include "app/tray.h"

bool test_window_create() {
    g_window = Window{};
    if (!window_create(TEST_WINDOW_TITLE, 100, 100, 600, 450, WINDOW_STYLE_OVERLAPPED, &g_window)) return false;
    g_window.user_window_procedure = tray_window_proc;
    return true;
}

void test_window_destroy() {
    if (g_window.handle) DestroyWindow((HWND)g_window.handle);
    g_window = Window{};
}
