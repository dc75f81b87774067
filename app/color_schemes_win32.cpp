// The color_schemes folder on disk: listing, reading scheme files, and the polled change watch.
#include <windows.h>
#include "Ostrel/core/log.h"
#include "app/app.h"
#include "app/color_schemes.h"
#include "app/color_schemes_win32.h"

enum {
    WATCH_BUFFER_SIZE = 1024,
    FOLDER_PREFIX_LENGTH = 14,  // "color_schemes\"
    PATH_BUFFER_SIZE = 261,
    MAX_ENTRY_NAME = PATH_BUFFER_SIZE - FOLDER_PREFIX_LENGTH - 1,  // 246
    WATCH_FILTER = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES,
};

static HANDLE s_folder = INVALID_HANDLE_VALUE;
static HANDLE s_event;
static OVERLAPPED s_overlapped;
static bool s_request_pending;
// DWORD-aligned, as ReadDirectoryChangesW requires.
alignas(DWORD) static u8 s_change_buffer[WATCH_BUFFER_SIZE];
static bool s_broken_reported;
static ULONGLONG s_broken_report_tick;

// A broken watch is re-opened on every poll until it works again: its messages are limited to
// one a second. Start-up reports everything.
static bool report(bool limited) {
    if (!limited) return true;
    ULONGLONG now = GetTickCount64();
    if (s_broken_reported && now - s_broken_report_tick < 1000) return false;
    s_broken_reported = true;
    s_broken_report_tick = now;
    return true;
}

static void watch_close() {
    if (s_folder != INVALID_HANDLE_VALUE) CloseHandle(s_folder);
    s_folder = INVALID_HANDLE_VALUE;
    s_request_pending = false;
}

// Makes the folder when it is missing and opens it for watching.
static bool watch_open(bool limited) {
    if (!CreateDirectoryA("color_schemes", NULL)) {
        DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) {
            if (report(limited))
                log_error(
                    "Could not create color schemes folder.One or more intermediate directories do not exist; this "
                    "function will only create the final directory in the path. ");
            return false;
        }
        if (error != ERROR_ALREADY_EXISTS) {
            if (report(limited)) log_error("An unknown Win32 error occured, GetLastError returned %.", (u32)error);
            return false;
        }
        if (!limited) log_warning("Color schemes folder already exists. No need to create it.");
    }
    s_folder = CreateFileA("color_schemes", FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, NULL);
    if (s_folder == INVALID_HANDLE_VALUE) {
        if (report(limited))
            log_error("Failed to open color schemes folder handle, GetLastError returned %.", (u32)GetLastError());
        return false;
    }
    return true;
}

// Issues the change request when none is outstanding. A failure closes the watch; the next poll
// opens it again.
static void watch_request(bool limited) {
    if (s_request_pending) return;
    DWORD bytes = 0;
    if (ReadDirectoryChangesW(s_folder, s_change_buffer, WATCH_BUFFER_SIZE, TRUE, WATCH_FILTER, &bytes, &s_overlapped,
                              NULL)) {
        s_request_pending = true;
        return;
    }
    if (report(limited))
        log_error("Failed to read color schemes directory changes. GetLastError returned %.", (u32)GetLastError());
    watch_close();
}

void color_schemes_rebuild() {
    color_schemes_list_reset();
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("color_schemes\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            log_error("An error occurred when iterating through color schemes folder. GetLastError: %.", (u32)error);
        return;
    }
    DWORD error;
    for (;;) {
        const char* name = entry.cFileName;
        bool dots = (name[0] == '.' && name[1] == 0) || (name[0] == '.' && name[1] == '.' && name[2] == 0);
        u32 length = (u32)strlen(name);
        if (!dots && length <= MAX_ENTRY_NAME) {
            char path[PATH_BUFFER_SIZE];
            memcpy(path, "color_schemes\\", FOLDER_PREFIX_LENGTH);
            memcpy(path + FOLDER_PREFIX_LENGTH, name, length + 1);
            color_scheme_load(path);
        }
        if (!FindNextFileA(search, &entry)) {
            // Taken at once: the loads above leave their own error codes behind.
            error = GetLastError();
            break;
        }
    }
    FindClose(search);
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
        log_error("An error occurred when iterating through color schemes folder. GetLastError: %.", (u32)error);
}

bool color_scheme_load(const char* path) {
    ColorScheme scheme;
    if (!color_scheme_begin(path, &scheme)) return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        log_error("Could not open %. GetLastError returned %.", path, (u32)GetLastError());
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    if (size == INVALID_FILE_SIZE) {
        DWORD error = GetLastError();
        CloseHandle(file);
        log_error("Could not get % file size. GetLastError returned %.", path, (u32)error);
        return false;
    }
    u8* text = size ? (u8*)allocator_alloc(g_default_allocator, size) : nullptr;
    DWORD read = 0;
    if (size && !ReadFile(file, text, size, &read, NULL)) {
        DWORD error = GetLastError();
        CloseHandle(file);
        allocator_free(g_default_allocator, text);
        log_error("ReadFile() failure on %. GetLastError(): %", path, (u32)error);
        return false;
    }
    // The file may have shrunk since it was sized: only what was read is parsed.
    size = read;
    color_scheme_parse_colors(text, size, path, &scheme);
    color_scheme_append(&scheme);
    CloseHandle(file);
    if (text) allocator_free(g_default_allocator, text);
    return true;
}

bool color_schemes_setup() {
    if (!watch_open(false)) return false;
    memset(&s_overlapped, 0, sizeof(s_overlapped));
    s_event = CreateEventA(NULL, FALSE, FALSE, "KorvaneColorSchemesWatcher");
    if (!s_event) {
        log_error("Failed to create asynchronous I/O event for color schemes folder");
        return false;
    }
    s_overlapped.hEvent = s_event;
    s_request_pending = false;
    g_selected_color_scheme = 0;
    g_color_schemes_loaded = false;
    color_schemes_list_create();
    s_broken_reported = false;
    // Watched before the first listing: a file added while the program starts is not missed.
    watch_request(false);
    color_schemes_rebuild();
    color_scheme_select_configured(&g_config);
    return true;
}

// A change in the folder can leave the selected scheme gone without loading any file (its file
// was the last one): the flag is raised either way, so the UI re-applies color_scheme_selected().
static void rebuild_after_change() {
    color_schemes_rebuild();
    g_color_schemes_loaded = true;
}

// A watch on a folder that was deleted (or replaced by a file) reports nothing more.
static void close_if_folder_gone() {
    DWORD attributes = GetFileAttributesA("color_schemes");
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) watch_close();
}

void* color_schemes_watch_event() { return s_event; }

void color_schemes_poll() {
    if (!s_event) return;  // not set up
    if (s_folder == INVALID_HANDLE_VALUE) {
        if (!watch_open(true)) return;
        watch_request(true);
        // Whatever changed while nothing watched is taken in now.
        if (s_request_pending) rebuild_after_change();
        return;
    }
    watch_request(true);
    if (!s_request_pending) return;
    DWORD bytes = 0;
    if (GetOverlappedResult(s_folder, &s_overlapped, &bytes, FALSE)) {
        s_request_pending = false;
        rebuild_after_change();
        close_if_folder_gone();
        return;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return;
    if (error == ERROR_NOTIFY_ENUM_DIR) {
        // Too many changes for the buffer: the folder changed, only the details are lost.
        s_request_pending = false;
        rebuild_after_change();
        close_if_folder_gone();
        return;
    }
    // The request ended without a result: this watch is done, the next poll opens another.
    if (report(true)) log_error("Failed to get color schemes directory changes. GetLastError returned %.", (u32)error);
    watch_close();
}

void color_schemes_close() {
    if (s_folder != INVALID_HANDLE_VALUE) {
        if (s_request_pending) {
            CancelIo(s_folder);
            DWORD bytes;
            GetOverlappedResult(s_folder, &s_overlapped, &bytes, TRUE);
        }
        CloseHandle(s_folder);
    }
    if (s_event) CloseHandle(s_event);
    s_folder = INVALID_HANDLE_VALUE;
    s_event = NULL;
    s_request_pending = false;
    dyn_array_free(&g_color_schemes);
}
