// Entry point on Linux: the same start-up order, 16 ms frame loop and shutdown as on Windows,
// with the configuration folder as the working directory.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/core/path.h"
#include "Ostrel/platform/window_x11.h"
#include "app/app.h"
#include "app/app_linux.h"
#include "app/audio.h"
#include "app/color_schemes.h"
#include "app/config.h"
#include "app/tray.h"
#include "app/ui.h"

static const i64 k_frame_nanoseconds = 16000000;
static const char k_font_name[] = "RelaxedTypingMonoJP-Regular.ttf";

enum { LINUX_PATH_CAPACITY = 4096 };

static Allocator g_app_allocator;
static char s_font_path[LINUX_PATH_CAPACITY];
static volatile sig_atomic_t s_stop_signal;

static void on_stop_signal(int) { s_stop_signal = 1; }

static int startup_failed() {
    log_stop();
    return 1;
}

// Beside the executable, else where an installed layout keeps it (../share/korvane).
static bool find_font(const u8* directory, u32 length) {
    struct stat info;
    snprintf(s_font_path, sizeof s_font_path, "%.*s/%s", (int)length, (const char*)directory, k_font_name);
    if (stat(s_font_path, &info) == 0) return true;
    snprintf(s_font_path, sizeof s_font_path, "%.*s/../share/korvane/%s", (int)length, (const char*)directory,
             k_font_name);
    return stat(s_font_path, &info) == 0;
}

// $XDG_CONFIG_HOME/korvane, created when missing, becomes the working directory.
static bool enter_config_folder() {
    char folder[LINUX_PATH_CAPACITY];
    if (!linux_config_home(folder, sizeof folder - 8)) {
        log_error("Failed to find the configuration folder: neither XDG_CONFIG_HOME nor HOME is set.");
        return false;
    }
    // The parent may be missing too on a fresh account.
    if (mkdir(folder, 0700) != 0 && errno != EEXIST) {
        log_error("Failed to create %. errno: %", (const char*)folder, (u32)errno);
        return false;
    }
    strcat(folder, "/korvane");
    if (mkdir(folder, 0755) != 0 && errno != EEXIST) {
        log_error("Failed to create %. errno: %", (const char*)folder, (u32)errno);
        return false;
    }
    if (chdir(folder) != 0) {
        log_error("Failed to make % the working directory. errno: %", (const char*)folder, (u32)errno);
        return false;
    }
    return true;
}

static void sleep_until(i64 deadline) {
    timespec ts{(time_t)(deadline / 1000000000LL), (long)(deadline % 1000000000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR && !s_stop_signal) {
    }
}

int main() {
    if (!log_start()) return 1;

    g_app_allocator = os_heap_allocator();
    g_default_allocator = &g_app_allocator;

    struct sigaction stop = {};
    stop.sa_handler = on_stop_signal;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);

    u8* path = nullptr;
    u32 path_length = 0;
    if (!path_executable(g_default_allocator, &path, &path_length)) {
        log_error("Failed to fetch executable path.");
        return startup_failed();
    }
    g_executable_path = DynString{path, g_default_allocator, nullptr, path_length, path_length, 5};

    u8* directory = nullptr;
    u32 directory_length = 0;
    if (!path_executable_directory(g_default_allocator, &directory, &directory_length)) {
        log_error("Failed to fetch executable directory path.");
        return startup_failed();
    }
    if (!find_font(directory, directory_length))
        log_error("Could not find % beside the program or in ../share/korvane.", k_font_name);
    allocator_free(g_default_allocator, directory);
    g_ui_font_path = s_font_path;

    if (!enter_config_folder()) return startup_failed();

    audio_init();

    f64 autosave_seconds = 0.0;

    load_config(&g_config);

    if (!color_schemes_setup()) return startup_failed();

    if (!window_create("Korvane", g_config.window_x, g_config.window_y, g_config.window_width, g_config.window_height,
                       WINDOW_STYLE_OVERLAPPED, &g_window))
        return startup_failed();
    window_set_minimum_size(&g_window, CONFIG_MIN_WINDOW_WIDTH, CONFIG_MIN_WINDOW_HEIGHT);
    g_window.hide_cursor = 0;

    tray_linux_start();
    if (!g_config.tray_icon || !tray_linux_hide_window()) window_show(&g_window);

    if (!ui_startup()) return startup_failed();
    ui_frame();
    g_started = true;

    // The rectangle the user gives the window while it is focused is the one saved.
    i32 seen_x = (i32)g_window.x, seen_y = (i32)g_window.y;
    u32 seen_width = g_window.client_width, seen_height = g_window.client_height;

    for (;;) {
        const i64 frame_start = os_perf_counter();

        app_frame_begin(&autosave_seconds);

        tray_linux_poll();

        if (g_window.close_requested) {
            g_window.close_requested = 0;
            // Read live: the Options screen can change the tray option at any time.
            if (!g_config.tray_icon || !tray_linux_hide_window()) break;
        }
        if (g_quit || s_stop_signal) break;

        if (g_window.focused && ((i32)g_window.x != seen_x || (i32)g_window.y != seen_y ||
                                 g_window.client_width != seen_width || g_window.client_height != seen_height)) {
            g_config.window_x = (i32)g_window.x;
            g_config.window_y = (i32)g_window.y;
            g_config.window_width = (i32)g_window.client_width;
            g_config.window_height = (i32)g_window.client_height;
        }
        seen_x = (i32)g_window.x;
        seen_y = (i32)g_window.y;
        seen_width = g_window.client_width;
        seen_height = g_window.client_height;

        key_states_advance(&g_key_states, &g_keyboard);

        // Without a compositor an exposed window has lost its pixels: redraw it even unfocused.
        if (!tray_linux_window_hidden() && (g_window.focused || g_window.exposed)) {
            audio_refresh();
            ui_frame();
            g_window.exposed = 0;
        }

        input_end_frame(&g_mouse);

        sleep_until(frame_start + k_frame_nanoseconds);
        autosave_seconds += (f64)(os_perf_counter() - frame_start) / (f64)os_perf_frequency();
    }

    audio_shutdown();
    ui_shutdown();
    save_config(&g_config);
    tray_linux_stop();
    log_stop();
    return 0;
}
