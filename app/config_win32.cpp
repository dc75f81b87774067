#include <windows.h>
#include "Ostrel/core/log.h"
#include "app/config.h"

// Opened once by the load and kept for the whole run; every save rewrites the file through it.
static HANDLE g_config_file = INVALID_HANDLE_VALUE;

// Only a load that read the file keeps its handle.
static bool config_load_failed(AppConfig* config, const char* message, u32 error) {
    CloseHandle(g_config_file);
    g_config_file = INVALID_HANDLE_VALUE;
    log_error(message, error);
    config_set_fallback(config);
    return false;
}

bool load_config(AppConfig* config) {
    g_config_file = CreateFileA("config.ini", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (g_config_file == INVALID_HANDLE_VALUE) {
        log_error("Could not open config.ini. GetLastError returned %.", (u32)GetLastError());
        config_set_fallback(config);
        return false;
    }
    DWORD size = GetFileSize(g_config_file, NULL);
    if (size == INVALID_FILE_SIZE)
        return config_load_failed(config, "Could not get config file size. GetLastError returned %.",
                                  (u32)GetLastError());
    Allocator* allocator = g_default_allocator;
    u8* text = (u8*)allocator_alloc(allocator, size ? size : 1);
    DWORD total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(g_config_file, text + total, size - total, &got, NULL)) {
            u32 error = (u32)GetLastError();
            allocator_free(allocator, text);
            return config_load_failed(config, "ReadFile() failure on config.ini. GetLastError(): %", error);
        }
        if (got == 0) break;  // the file shrank under us: parse what is there
        total += got;
    }
    config_parse(text, total, config);
    allocator_free(allocator, text);
    SetFilePointer(g_config_file, 0, NULL, FILE_BEGIN);
    return true;
}

bool save_config(const AppConfig* config) {
    if (g_config_file == INVALID_HANDLE_VALUE) {
        log_error("Could not save to config file because it failed to open at startup.");
        return false;
    }
    DynString text = config_format(config, g_default_allocator);
    SetFilePointer(g_config_file, 0, NULL, FILE_BEGIN);
    DWORD written = 0;
    if (!WriteFile(g_config_file, text.data, text.length, &written, NULL) || written != text.length) {
        log_error("Failed to save config. GetLastError(): %", (u32)GetLastError());
        dyn_string_free(&text);
        return false;
    }
    // The new text may be shorter than the old: cut the file at its end.
    SetFilePointer(g_config_file, (LONG)text.length, NULL, FILE_BEGIN);
    SetEndOfFile(g_config_file);
    dyn_string_free(&text);
    return true;
}
