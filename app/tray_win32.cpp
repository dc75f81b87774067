// Notification-area icon, the application's window hook, the Run registration and clipboard text.
#include <windows.h>
#include <shellapi.h>
#include "Ostrel/core/log.h"
#include "app/app.h"
#include "app/tray.h"

enum {
    TRAY_ICON_ID = 100,
    TRAY_CALLBACK_MESSAGE = WM_USER + 1,
    TRAY_MENU_EXIT = 775,
    TRAY_MENU_OPEN = 776,
};

static_assert(sizeof(NOTIFYICONDATAA) == 528, "the icon data is passed at its full size");

static const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char RUN_VALUE[] = "Korvane";

// Only the user's own moves and resizes, made while the window is active, reach AppConfig.
static bool s_window_active;

void tray_icon_set(bool add) {
    NOTIFYICONDATAA data;
    memset(&data, 0, sizeof(data));
    data.cbSize = sizeof(data);
    data.hWnd = (HWND)g_window.handle;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = TRAY_CALLBACK_MESSAGE;
    data.hIcon = LoadIconA(NULL, MAKEINTRESOURCEA(32517));  // IDI_WINLOGO
    memcpy(data.szTip, "Korvane", sizeof("Korvane"));
    if (add) {
        if (!Shell_NotifyIconA(NIM_ADD, &data))
            MessageBoxA(NULL, "Systray Icon Creation Failed!", "Error!", MB_ICONEXCLAMATION);
    } else {
        Shell_NotifyIconA(NIM_DELETE, &data);
    }
}

static void tray_show_window(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    tray_icon_set(false);
}

static void tray_show_menu(HWND hwnd) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) {
        log_error("Failed to get cursor position, GetLastError(): %", (u32)GetLastError());
        return;
    }
    HMENU menu = CreatePopupMenu();
    InsertMenuA(menu, 0xFFFFFFFF, MF_BYPOSITION, TRAY_MENU_EXIT, "Exit");
    InsertMenuA(menu, 0xFFFFFFFF, MF_BYPOSITION, TRAY_MENU_OPEN, "Open");
    // Only a menu whose owner is the foreground window closes on a click elsewhere; until it
    // closes the frame loop waits inside TrackPopupMenu. The posted empty message makes the
    // system leave the menu state at once when it does. The choice arrives later as WM_COMMAND.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, hwnd, NULL);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

i64 tray_window_proc(void* window, u32 message, u64 wparam, i64 lparam) {
    HWND hwnd = (HWND)window;
    if (message == WM_ACTIVATE) {
        s_window_active = (wparam & 0xFF) != 0;
    } else if (message == RegisterWindowMessageA("TaskbarCreated")) {
        // The shell was restarted and has forgotten the icon.
        if (g_config.tray_icon) tray_icon_set(true);
    } else if (message == TRAY_CALLBACK_MESSAGE) {
        u32 mouse = (u32)lparam & 0xFFFF;
        if (mouse == WM_RBUTTONDOWN) tray_show_menu(hwnd);
        else if (mouse == WM_LBUTTONDOWN) tray_show_window(hwnd);
    } else if (message == WM_COMMAND) {
        u32 command = (u32)wparam & 0xFFFF;
        if (command == TRAY_MENU_EXIT) g_quit = true;
        else if (command == TRAY_MENU_OPEN) tray_show_window(hwnd);
    } else if (message == WM_SIZING && s_window_active) {
        RECT* r = (RECT*)lparam;
        if (r->right - r->left < CONFIG_MIN_WINDOW_WIDTH) r->right = r->left + CONFIG_MIN_WINDOW_WIDTH;
        if (r->bottom - r->top < CONFIG_MIN_WINDOW_HEIGHT) r->bottom = r->top + CONFIG_MIN_WINDOW_HEIGHT;
        i32 width = r->right - r->left;
        i32 height = r->bottom - r->top;
        window_set_size(&g_window, width, height);
        g_config.window_x = r->left;
        g_config.window_y = r->top;
        g_config.window_width = width;
        g_config.window_height = height;
    } else if (message == WM_MOVING && s_window_active) {
        const RECT* r = (const RECT*)lparam;
        g_config.window_x = r->left;
        g_config.window_y = r->top;
    }
    // Alt alone must not enter the menu loop (the low four bits are the system's own).
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_KEYMENU) return 0;
    return DefWindowProcA(hwnd, message, (WPARAM)wparam, (LPARAM)lparam);
}

static bool run_key_open(HKEY* key) {
    if (RegCreateKeyA(HKEY_CURRENT_USER, RUN_KEY, key) != ERROR_SUCCESS) {
        log_error("Failed to create registry key. GetLastError(): %", (u32)GetLastError());
        return false;
    }
    return true;
}

static void run_key_close(HKEY key) {
    if (RegCloseKey(key) != ERROR_SUCCESS) log_error("Failed to close registry key.");
}

bool autostart_is_registered() {
    HKEY key;
    if (!run_key_open(&key)) return false;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, RUN_VALUE, NULL, &type, NULL, NULL);
    run_key_close(key);
    return status == ERROR_SUCCESS && type == REG_SZ;
}

void autostart_register() {
    HKEY key;
    if (!run_key_open(&key)) return;
    // The path as it stands, unquoted, with its terminating NUL.
    u32 size = g_executable_path.length + 1;
    char* path = (char*)allocator_alloc(g_default_allocator, size);
    if (g_executable_path.length) memcpy(path, g_executable_path.data, g_executable_path.length);
    path[g_executable_path.length] = 0;
    if (RegSetKeyValueA(key, NULL, RUN_VALUE, REG_SZ, path, size) != ERROR_SUCCESS)
        log_error("Failed to add registry value. GetLastError(): %", (u32)GetLastError());
    allocator_free(g_default_allocator, path);
    run_key_close(key);
}

void autostart_unregister() {
    if (RegDeleteKeyValueA(HKEY_CURRENT_USER, RUN_KEY, RUN_VALUE) != ERROR_SUCCESS)
        log_error("Failed to remove registry value. GetLastError(): %", (u32)GetLastError());
}

void clipboard_get_text(u8* destination, u32 capacity, u32* length) {
    // Zero before anything can fail, so a caller never reads a stale length.
    *length = 0;
    if (!OpenClipboard(NULL)) {
        log_error("Failed to open clipboard: %.", (u32)GetLastError());
        return;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) {
        log_error("Failed to get clipboard data: %.", (u32)GetLastError());
    } else if (const u8* text = (const u8*)GlobalLock(data)) {
        // Another program may have put text without a terminator: the block's size bounds the walk.
        SIZE_T block = GlobalSize(data);
        u32 n = 0;
        while (n < block && text[n] != 0) {
            if (destination) {
                // The clipboard may have changed since the caller measured it.
                if (n == capacity) break;
                destination[n] = text[n];
            }
            n++;
        }
        *length = n;
        GlobalUnlock(data);
    }
    CloseClipboard();
}

void clipboard_set_text(const u8* bytes, u32 length) {
    if (!OpenClipboard(NULL)) {
        log_error("Failed to open clipboard: %.", (u32)GetLastError());
        return;
    }
    if (!EmptyClipboard()) {
        log_error("Failed to empty clipboard %.", (u32)GetLastError());
        CloseClipboard();
        return;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)length + 1);
    u8* copy = block ? (u8*)GlobalLock(block) : nullptr;
    if (copy) {
        if (length) memcpy(copy, bytes, length);
        copy[length] = 0;
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block)) {
            DWORD error = GetLastError();
            GlobalFree(block);
            log_error("Failed to set data to clipboard %.", (u32)error);
        }
    } else if (block) {
        GlobalFree(block);
    }
    CloseClipboard();
}
