// Entry point: brings the process into a known state, builds the long-lived records in a fixed
// order, runs the 16 ms frame loop and shuts down in order.
#include <windows.h>
#include <objbase.h>
#include <shellscalingapi.h>
#include <timeapi.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/core/path.h"
#include "app/app.h"
#include "app/audio.h"
#include "app/color_schemes.h"
#include "app/color_schemes_win32.h"
#include "app/config.h"
#include "app/tray.h"
#include "app/ui.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

static const f64 k_frame_seconds = 0.016;

static Allocator g_app_allocator;

// A waitable timer for the rest of each frame: high resolution where the system has it, else one
// that keeps the 1 ms timer period. Null only when neither can be had.
static HANDLE frame_timer_create() {
    HANDLE timer = CreateWaitableTimerExW(NULL, NULL, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer ? timer : CreateWaitableTimerExW(NULL, NULL, 0, TIMER_ALL_ACCESS);
}

static f64 seconds_since(i64 start, f64 frequency) { return (f64)(os_perf_counter() - start) / frequency; }

// Sleeps until 16 ms have passed since the pass began, without spinning through the last
// millisecond as Sleep would (its count rounds down to 0).
static void frame_wait(HANDLE timer, i64 frame_start, f64 frequency) {
    for (f64 left = k_frame_seconds - seconds_since(frame_start, frequency); left > 0.0;
         left = k_frame_seconds - seconds_since(frame_start, frequency)) {
        LARGE_INTEGER due;
        due.QuadPart = -(LONGLONG)(left * 1e7) - 1;  // relative, in 100 ns
        if (timer && SetWaitableTimer(timer, &due, 0, NULL, NULL, FALSE)) WaitForSingleObject(timer, INFINITE);
        else Sleep((DWORD)(1000.0 * left) + 1);
    }
}

// While nothing is drawn, nothing needs a pass before a message arrives, the scheme folder
// changes or the autosave is due: sleep until one of them.
static void idle_wait(f64 seconds) {
    if (seconds <= 0.0) return;
    HANDLE watch = (HANDLE)color_schemes_watch_event();
    MsgWaitForMultipleObjectsEx(watch ? 1 : 0, &watch, (DWORD)(1000.0 * seconds) + 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Start-up failure after the logger runs: the logger writes what explains the exit first.
static int startup_failed() {
    log_stop();
    return 1;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!log_start()) return 1;

    if (FAILED(CoInitializeEx(NULL, COINIT_MULTITHREADED))) {
        log_error("Failed to load COM library.");
        app_fatal_exit(1);
    }

    g_module_handle = GetModuleHandleA(NULL);
    g_app_allocator = os_heap_allocator();
    g_default_allocator = &g_app_allocator;

    HRESULT dpi = SetProcessDpiAwareness(PROCESS_PER_MONITOR_DPI_AWARE);
    if (dpi == E_INVALIDARG) log_error("Invalid argument.");
    else if (dpi == E_ACCESSDENIED) log_error("DPI awareness already set.");

    bool granular_sleep = true;
    if (timeBeginPeriod(1) == TIMERR_NOCANDO) {
        log_error("Win32: timeBeginPeriod failed.");
        granular_sleep = false;
    }
    const f64 frequency = (f64)os_perf_frequency();
    if (!granular_sleep)
        log_warning(
            "Granular sleep is not available, there will be no sleep call at the end of each frame. This might consume "
            "your battery-life since the CPU might be overloaded.");

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
    {
        DynString folder = DynString{directory, g_default_allocator, nullptr, directory_length, directory_length, 5};
        dyn_string_append_char(&folder, 0);
        // Every relative name (config.ini, color_schemes, the font) resolves beside the executable.
        if (!SetCurrentDirectoryA((const char*)folder.data))
            log_error("Failed to make the executable's folder the working directory. GetLastError(): %",
                      (u32)GetLastError());
        dyn_string_free(&folder);
    }

    audio_init();

    f64 autosave_seconds = 0.0;

    load_config(&g_config);

    if (!color_schemes_setup()) return startup_failed();

    if (!window_create("Korvane", g_config.window_x, g_config.window_y, g_config.window_width, g_config.window_height,
                       WINDOW_STYLE_OVERLAPPED, &g_window))
        return startup_failed();

    g_window.user_window_procedure = tray_window_proc;
    g_window.hide_cursor = 0;

    if (g_config.tray_icon) tray_icon_set(true);
    else window_show(&g_window);

    if (!ui_startup()) return startup_failed();
    ui_frame();
    g_started = true;
    HANDLE frame_timer = frame_timer_create();

    for (;;) {
        const i64 frame_start = os_perf_counter();

        app_frame_begin(&autosave_seconds);

        if (g_window.close_requested) {
            // Read live: the Options screen can change the tray option at any time.
            if (!g_config.tray_icon) break;
            tray_icon_set(true);
            g_window.close_requested = 0;
            ShowWindow((HWND)g_window.handle, SW_HIDE);
        }

        if (g_quit) break;

        key_states_advance(&g_key_states, &g_keyboard);

        if (g_window.focused) {
            audio_refresh();
            ui_frame();
        }

        input_end_frame(&g_mouse);

        if (granular_sleep) {
            frame_wait(frame_timer, frame_start, frequency);
            if (!g_window.focused) idle_wait(k_app_autosave_seconds - autosave_seconds - seconds_since(frame_start, frequency));
        } else {
            while (seconds_since(frame_start, frequency) < k_frame_seconds) {
            }
        }
        autosave_seconds += seconds_since(frame_start, frequency);
    }

    if (frame_timer) CloseHandle(frame_timer);
    audio_shutdown();
    ui_shutdown();
    save_config(&g_config);
    if (g_config.tray_icon) tray_icon_set(false);
    CoUninitialize();
    log_stop();
    return 0;
}
