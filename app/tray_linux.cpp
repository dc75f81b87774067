// The tray on Linux: Korvane's StatusNotifierItem (tray_dbus.cpp) standing in for the hidden
// window, and run at log-in as an XDG autostart entry.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/file.h"
#include "Ostrel/platform/window_x11.h"
#include "app/app.h"
#include "app/app_linux.h"
#include "app/icon/icon.h"
#include "app/tray.h"
#include "app/tray_dbus.h"

enum { AUTOSTART_PATH_CAPACITY = 4096, AUTOSTART_ENTRY_CAPACITY = 8192 };

enum { TRAY_ICON_SMALL = 32, TRAY_ICON_LARGE = 64, TRAY_ICON_COUNT = 2 };

static const u32 k_icon_sizes[TRAY_ICON_COUNT] = {TRAY_ICON_SMALL, TRAY_ICON_LARGE};
static u8 s_icon_small[TRAY_ICON_SMALL * TRAY_ICON_SMALL * 4], s_icon_large[TRAY_ICON_LARGE * TRAY_ICON_LARGE * 4];
static u8 s_pixmap_small[sizeof s_icon_small], s_pixmap_large[sizeof s_icon_large];
static bool s_window_hidden, s_no_tray_told;

void tray_icon_set(bool add) { tray_dbus_set_shown(add); }

i64 tray_window_proc(void*, u32, u64, i64) { return 0; }

// RGBA -> ARGB, the byte order IconPixmap is read in.
static void tray_pixmap_from(const u8* rgba, u8* argb, u32 size) {
    for (u32 i = 0; i < size * size * 4; i += 4) {
        argb[i] = rgba[i + 3];
        argb[i + 1] = rgba[i];
        argb[i + 2] = rgba[i + 1];
        argb[i + 3] = rgba[i + 2];
    }
}

void tray_linux_start() {
    const u8* rgba[TRAY_ICON_COUNT] = {s_icon_small, s_icon_large};
    u8* argb[TRAY_ICON_COUNT] = {s_pixmap_small, s_pixmap_large};
    static TrayDbusIcon icons[TRAY_ICON_COUNT];
    for (u32 i = 0; i < TRAY_ICON_COUNT; i++) {
        icon_draw(k_icon_sizes[i], (u8*)rgba[i]);
        tray_pixmap_from(rgba[i], argb[i], k_icon_sizes[i]);
        icons[i] = TrayDbusIcon{.size = k_icon_sizes[i], .argb = argb[i]};
    }
    window_set_icon(&g_window, k_icon_sizes, rgba, TRAY_ICON_COUNT);
    tray_dbus_start(icons, TRAY_ICON_COUNT);
}

// A hidden window that no icon can bring back would strand the user.
static void tray_tell_no_tray() {
    if (s_no_tray_told) return;
    s_no_tray_told = true;
    log_warning("No tray is running on the session bus (nothing owns org.kde.StatusNotifierWatcher): the window "
                "stays open, and closing it exits.");
}

static void tray_show_window() {
    window_show(&g_window);
    tray_icon_set(false);
    s_window_hidden = false;
}

bool tray_linux_hide_window() {
    if (tray_dbus_watcher() == TRAY_DBUS_WATCHER_ABSENT) {
        tray_tell_no_tray();
        return false;
    }
    tray_icon_set(true);
    window_hide(&g_window);
    s_window_hidden = true;
    return true;
}

bool tray_linux_window_hidden() { return s_window_hidden; }

void tray_linux_poll() {
    u32 events = tray_dbus_poll();
    if (events & TRAY_DBUS_EXIT) g_quit = true;
    if (events & TRAY_DBUS_NO_TRAY) tray_tell_no_tray();
    if (events & (TRAY_DBUS_ACTIVATE | TRAY_DBUS_NO_TRAY)) tray_show_window();
}

void tray_linux_stop() { tray_dbus_stop(); }

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
