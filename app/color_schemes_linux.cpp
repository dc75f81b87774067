// The color_schemes folder on disk: listing, reading scheme files, and the inotify watch, polled
// once per frame without blocking.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/platform/file.h"
#include "app/app.h"
#include "app/color_schemes.h"

enum {
    FOLDER_PREFIX_LENGTH = 14,  // "color_schemes/"
    PATH_BUFFER_SIZE = 261,
    MAX_ENTRY_NAME = PATH_BUFFER_SIZE - FOLDER_PREFIX_LENGTH - 1,
    MAX_SCHEME_FILE = 1 << 20,
    // Closed after writing: an editor saving in place shows at once.
    WATCH_MASK = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF |
                 IN_MOVE_SELF | IN_ONLYDIR,
};

static int s_inotify = -1;
static int s_watch = -1;
static i64 s_last_retry;  // when a lost watch was last tried again

static const char k_folder[] = "color_schemes";

static bool folder_create() {
    if (mkdir(k_folder, 0755) == 0) return true;
    if (errno == EEXIST) return true;
    if (errno == ENOENT)
        log_error(
            "Could not create color schemes folder.One or more intermediate directories do not exist; this "
            "function will only create the final directory in the path. ");
    else log_error("Could not create color schemes folder. errno was %.", (u32)errno);
    return false;
}

static bool watch_open() {
    s_watch = inotify_add_watch(s_inotify, k_folder, WATCH_MASK);
    if (s_watch < 0) {
        log_error("Failed to open color schemes folder handle, errno was %.", (u32)errno);
        return false;
    }
    return true;
}

static int compare_names(const void* a, const void* b) { return strcasecmp(*(char* const*)a, *(char* const*)b); }

void color_schemes_rebuild() {
    color_schemes_list_reset();
    DIR* folder = opendir(k_folder);
    if (!folder) {
        if (errno != ENOENT)
            log_error("An error occurred when iterating through color schemes folder. errno: %.", (u32)errno);
        return;
    }
    // Listed in the order the Windows program sees: case-insensitive by name.
    DynArray<char*> names = dyn_array_create<char*>(g_default_allocator, 16, 16);
    while (dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        // Dot files (editors' swap and backup files among them) are hidden on Linux.
        if (name[0] == '.') continue;
        u32 length = (u32)strlen(name);
        if (length > MAX_ENTRY_NAME) continue;
        char* copy = (char*)allocator_alloc(g_default_allocator, length + 1);
        memcpy(copy, name, length + 1);
        dyn_array_push(&names, copy);
    }
    closedir(folder);
    qsort(names.data, names.count, sizeof(char*), compare_names);
    for (u32 i = 0; i < names.count; i++) {
        char path[PATH_BUFFER_SIZE];
        memcpy(path, "color_schemes/", FOLDER_PREFIX_LENGTH);
        memcpy(path + FOLDER_PREFIX_LENGTH, names.data[i], strlen(names.data[i]) + 1);
        color_scheme_load(path);
        allocator_free(g_default_allocator, names.data[i]);
    }
    dyn_array_free(&names);
}

bool color_scheme_load(const char* path) {
    ColorScheme scheme;
    if (!color_scheme_begin(path, &scheme)) return false;
    u8* text = nullptr;
    u32 size = 0;
    FileReadResult result = file_read_whole(path, g_default_allocator, MAX_SCHEME_FILE, &text, &size);
    if (result == FILE_READ_OPEN_FAILED) {
        log_error("Could not open %. errno was %.", path, (u32)errno);
        return false;
    }
    if (result != FILE_READ_OK) {
        log_error("read() failure on %. errno: %", path, (u32)errno);
        return false;
    }
    color_scheme_parse_colors(text, size, path, &scheme);
    color_scheme_append(&scheme);
    allocator_free(g_default_allocator, text);
    return true;
}

bool color_schemes_setup() {
    if (mkdir(k_folder, 0755) != 0) {
        if (errno == EEXIST) log_warning("Color schemes folder already exists. No need to create it.");
        else if (!folder_create()) return false;
    }
    s_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s_inotify < 0) {
        log_error("Failed to create the color schemes folder watch, errno was %.", (u32)errno);
        return false;
    }
    if (!watch_open()) return false;
    g_selected_color_scheme = 0;
    g_color_schemes_loaded = false;
    color_schemes_list_create();
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

// The folder was deleted or moved away: make it again, at most once a second, and list it.
static void watch_reopen() {
    const i64 now = os_perf_counter();
    if (s_last_retry && now - s_last_retry < os_perf_frequency()) return;
    s_last_retry = now;
    if (!folder_create() || !watch_open()) return;
    s_last_retry = 0;
    rebuild_after_change();
}

void color_schemes_poll() {
    if (s_inotify < 0) return;
    if (s_watch < 0) {
        watch_reopen();
        return;
    }
    alignas(inotify_event) u8 buffer[4096];
    bool changed = false;
    bool lost = false;
    for (;;) {
        ssize_t n = read(s_inotify, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                log_error("Failed to get color schemes directory changes. errno was %.", (u32)errno);
                return;
            }
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const inotify_event* event = (const inotify_event*)(buffer + at);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) lost = true;
            if (event->mask & IN_Q_OVERFLOW) changed = true;  // details lost, the folder changed
            else if (event->len) changed = true;
            at += (ssize_t)sizeof(inotify_event) + event->len;
        }
    }
    if (lost) {
        if (s_watch >= 0) inotify_rm_watch(s_inotify, s_watch);
        s_watch = -1;
        rebuild_after_change();
        watch_reopen();
        return;
    }
    if (changed) rebuild_after_change();
}

void color_schemes_close() {
    if (s_inotify >= 0) close(s_inotify);
    s_inotify = -1;
    s_watch = -1;
    s_last_retry = 0;
    dyn_array_free(&g_color_schemes);
}
