// The program's records for the tests until the entry point's own definitions are merged.
#include <windows.h>
#include "app/app.h"

AppConfig g_config = {};
Window g_window = {};
DynString g_executable_path = {};
bool g_quit = false;

bool window_set_size(Window* window, i32 width, i32 height) {
    return SetWindowPos((HWND)window->handle, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) != 0;
}
