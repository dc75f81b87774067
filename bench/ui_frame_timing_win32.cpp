// Times Korvane's frame under Wine against whatever audio platform the prefix provides (the
// stand-in, with bench/ui_frame_timing.sh): start-up as the program does it up to the first
// presented frame, then focused frames (audio refresh + UI frame) and unfocused passes of the
// frame loop (watch poll, message drain, key advance), each begun by the program's own loop head.
// Prints wall-clock and CPU times: this thread's, and the whole process's (Wine's and the Vulkan
// driver's threads included).
//   ui_frame_timing.exe [focused frames] [unfocused passes]
#include <windows.h>
#include <objbase.h>
#include <timeapi.h>
#include <stdio.h>
#include <stdlib.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/core/path.h"
#include "app/app.h"
#include "app/audio.h"
#include "app/color_schemes.h"
#include "app/config.h"
#include "app/ui.h"

static f64 filetime_seconds(FILETIME f) { return (f64)(((u64)f.dwHighDateTime << 32) | f.dwLowDateTime) * 1e-7; }

struct Times {
    f64 wall, thread, process;
};

static Times now() {
    Times t;
    t.wall = (f64)os_perf_counter() / (f64)os_perf_frequency();
    FILETIME creation, exit, kernel, user;
    GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
    t.thread = filetime_seconds(kernel) + filetime_seconds(user);
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    t.process = filetime_seconds(kernel) + filetime_seconds(user);
    return t;
}

static void report(const char* what, Times a, Times b, int n) {
    printf("%-34s wall %8.3f ms   CPU: thread %8.3f ms, process %8.3f ms   (mean of %d)\n", what,
           1e3 * (b.wall - a.wall) / n, 1e3 * (b.thread - a.thread) / n, 1e3 * (b.process - a.process) / n, n);
}

// The loop's own head, without its periodic save (the count never grows here).
static void frame_begin() {
    f64 autosave_seconds = 0.0;
    app_frame_begin(&autosave_seconds);
}

int main(int argc, char** argv) {
    const int focused_frames = argc > 1 ? atoi(argv[1]) : 300;
    const int unfocused_passes = argc > 2 ? atoi(argv[2]) : 3000;
    FILETIME created, unused1, unused2, unused3;
    GetProcessTimes(GetCurrentProcess(), &created, &unused1, &unused2, &unused3);

    if (!log_start()) return 1;
    if (FAILED(CoInitializeEx(NULL, COINIT_MULTITHREADED))) app_fatal_exit(1);
    static Allocator heap = os_heap_allocator();
    g_default_allocator = &heap;
    g_module_handle = GetModuleHandleA(NULL);
    timeBeginPeriod(1);
    u8* directory = nullptr;
    u32 length = 0;
    if (!path_executable_directory(g_default_allocator, &directory, &length)) return 1;
    char folder[MAX_PATH] = {};
    memcpy(folder, directory, length < MAX_PATH - 1 ? length : MAX_PATH - 1);
    SetCurrentDirectoryA(folder);
    path_executable(g_default_allocator, &directory, &length);
    g_executable_path = DynString{directory, g_default_allocator, nullptr, length, length, 5};

    const Times start = now();
    audio_init();
    config_set_fallback(&g_config);
    g_config.window_width = 900;
    g_config.window_height = 640;
    if (!color_schemes_setup()) return 1;
    if (!window_create("Korvane", 20, 20, g_config.window_width, g_config.window_height, WINDOW_STYLE_OVERLAPPED,
                       &g_window))
        return 1;
    window_show(&g_window);
    if (!ui_startup()) return 1;
    ui_frame();
    const Times first = now();
    FILETIME presented;
    GetSystemTimePreciseAsFileTime(&presented);
    printf("devices %u, sessions of device 0: %u\n", audio_device_count(),
           audio_device_count() ? audio_session_count(0) : 0);
    printf("%-34s %8.1f ms (from the process's creation)\n", "start to first presented frame",
           1e3 * (filetime_seconds(presented) - filetime_seconds(created)));
    report("start-up in main to first frame", start, first, 1);

    // Warm-up: the first frames allocate descriptor pools and fault in driver code.
    for (int i = 0; i < 30; i++) {
        frame_begin();
        audio_refresh();
        ui_frame();
    }
    Times a = now();
    for (int i = 0; i < focused_frames; i++) audio_refresh();
    Times b = now();
    for (int i = 0; i < focused_frames; i++) ui_frame();
    Times c = now();
    for (int i = 0; i < focused_frames; i++) {
        frame_begin();
        key_states_advance(&g_key_states, &g_keyboard);
        audio_refresh();
        ui_frame();
        input_end_frame(&g_mouse);
    }
    Times d = now();
    report("audio refresh", a, b, focused_frames);
    report("UI frame", b, c, focused_frames);
    report("focused pass (refresh + UI + input)", c, d, focused_frames);

    a = now();
    for (int i = 0; i < unfocused_passes; i++) {
        frame_begin();
        key_states_advance(&g_key_states, &g_keyboard);
        input_end_frame(&g_mouse);
    }
    b = now();
    report("unfocused pass", a, b, unfocused_passes);
    fflush(stdout);
    audio_shutdown();
    log_stop();
    return 0;
}
