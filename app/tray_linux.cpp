// Run at log-in as an XDG autostart entry; no notification-area icon yet, so the tray option
// keeps the window as if it were off.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/file.h"
#include "app/app.h"
#include "app/app_linux.h"
#include "app/tray.h"

enum { AUTOSTART_PATH_CAPACITY = 4096, AUTOSTART_ENTRY_CAPACITY = 8192 };

void tray_icon_set(bool) {}

i64 tray_window_proc(void*, u32, u64, i64) { return 0; }

static bool autostart_path(char* folder, char* file) {
    char config[AUTOSTART_PATH_CAPACITY];
    if (!linux_config_home(config, sizeof config)) return false;
    if ((u32)snprintf(folder, AUTOSTART_PATH_CAPACITY, "%s/autostart", config) >= AUTOSTART_PATH_CAPACITY) return false;
    return (u32)snprintf(file, AUTOSTART_PATH_CAPACITY, "%s/korvane.desktop", folder) < AUTOSTART_PATH_CAPACITY;
}

// "Exec=" with the executable quoted as desktop entries require: inside the quotes " ` $ \ take a
// backslash, then the string rule doubles every backslash; % is the field-code escape.
static u32 autostart_exec_line(char* out, u32 capacity) {
    u32 n = 0;
    auto put = [&](char c) {
        if (n + 1 < capacity) out[n] = c;
        n++;
    };
    for (const char* p = "Exec=\""; *p; p++) put(*p);
    for (u32 i = 0; i < g_executable_path.length; i++) {
        char c = (char)g_executable_path.data[i];
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            put('\\');
            put('\\');
        }
        if (c == '%') put('%');
        put(c);
    }
    put('"');
    put('\n');
    if (n >= capacity) return 0;
    out[n] = 0;
    return n;
}

bool autostart_is_registered() {
    char folder[AUTOSTART_PATH_CAPACITY], file[AUTOSTART_PATH_CAPACITY], exec[AUTOSTART_ENTRY_CAPACITY];
    if (!autostart_path(folder, file) || !autostart_exec_line(exec, sizeof exec)) return false;
    u8* text = nullptr;
    u32 size = 0;
    if (file_read_whole(file, g_default_allocator, AUTOSTART_ENTRY_CAPACITY * 4, &text, &size) != FILE_READ_OK)
        return false;
    // The entry counts only when its Exec line names this program.
    u32 exec_length = (u32)strlen(exec);
    bool found = false;
    for (u32 line = 0; line < size && !found;) {
        u32 end = line;
        while (end < size && text[end] != '\n') end++;
        found = end - line + 1 == exec_length && memcmp(text + line, exec, exec_length - 1) == 0;
        line = end + 1;
    }
    allocator_free(g_default_allocator, text);
    return found;
}

void autostart_register() {
    char folder[AUTOSTART_PATH_CAPACITY], file[AUTOSTART_PATH_CAPACITY], exec[AUTOSTART_ENTRY_CAPACITY];
    if (!autostart_path(folder, file) || !autostart_exec_line(exec, sizeof exec)) {
        log_error("Failed to find the autostart folder.");
        return;
    }
    if (mkdir(folder, 0755) != 0 && errno != EEXIST) {
        log_error("Failed to create %. errno: %", (const char*)folder, (u32)errno);
        return;
    }
    char entry[AUTOSTART_ENTRY_CAPACITY + 256];
    int length = snprintf(entry, sizeof entry,
                          "[Desktop Entry]\nType=Application\nName=Korvane\nComment=Volume mixer\n%sTerminal=false\n",
                          exec);
    // Written beside and renamed over, so a session starting meanwhile never reads half an entry.
    char temporary[AUTOSTART_PATH_CAPACITY + 8];
    snprintf(temporary, sizeof temporary, "%s.new", file);
    int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && write(fd, entry, (size_t)length) == length;
    if (fd >= 0) ok = close(fd) == 0 && ok;
    if (ok) ok = rename(temporary, file) == 0;
    if (!ok) {
        log_error("Failed to write %. errno: %", (const char*)file, (u32)errno);
        unlink(temporary);
    }
}

void autostart_unregister() {
    char folder[AUTOSTART_PATH_CAPACITY], file[AUTOSTART_PATH_CAPACITY];
    if (!autostart_path(folder, file)) return;
    if (unlink(file) != 0 && errno != ENOENT) log_error("Failed to remove %. errno: %", (const char*)file, (u32)errno);
}
