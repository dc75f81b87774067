// Times the renderer's frames on a real window through the Windows Vulkan loader (Wine's, here):
// the empty frame (wait, begin, end with present) and a frame of 100 GUI elements. Prints wall-clock
// and CPU time per frame (this thread, and the whole process with the driver's threads).
#include <windows.h>
#include <stdio.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/platform/window.h"
#include "support/render_harness.h"

static Window g_window;

static LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SIZE) {
        g_window.client_width = LOWORD(lparam);
        g_window.client_height = HIWORD(lparam);
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

static void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

static f64 filetime_seconds(FILETIME f) { return (f64)(((u64)f.dwHighDateTime << 32) | f.dwLowDateTime) * 1e-7; }

struct Times {
    f64 wall, thread, process;
};

static Times now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    FILETIME creation, exit, kernel, user;
    Times t;
    t.wall = (f64)counter.QuadPart / (f64)frequency.QuadPart;
    GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
    t.thread = filetime_seconds(kernel) + filetime_seconds(user);
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    t.process = filetime_seconds(kernel) + filetime_seconds(user);
    return t;
}

static int run(RenderHarness* h, int frames, int elements) {
    int drawn = 0;
    for (int i = 0; i < frames; i++) {
        pump();
        if (elements == 0) {
            vulkan_wait_for_frame(&h->vk);
            if (!vulkan_begin_frame(&h->vk)) continue;
        } else {
            if (!render_harness_begin(h)) continue;
            for (int k = 0; k < elements; k++) {
                GuiElement e = render_harness_element(h, (f32)(k % 20) * 28, (f32)(k / 20) * 40, 24, 30,
                                                      gui_pack_color(200, 120, 40, 255), k % 2 ? 0.5f : 0.0f);
                gui_prepare_element(&e);
                gui_draw_element(&e);
                gui_release_element(&e);
            }
        }
        drawn += vulkan_end_frame(&h->vk) ? 1 : 0;
    }
    vulkan_wait_for_frame(&h->vk);
    return drawn;
}

static void measure(RenderHarness* h, const char* name, int frames, int elements) {
    run(h, 50, elements);  // warm up
    Times a = now();
    int drawn = run(h, frames, elements);
    Times b = now();
    printf("%-22s %5d frames: wall %8.1f us, thread CPU %8.1f us, process CPU %8.1f us per frame\n", name, drawn,
           (b.wall - a.wall) * 1e6 / frames, (b.thread - a.thread) * 1e6 / frames,
           (b.process - a.process) * 1e6 / frames);
}

int main() {
    static Allocator heap = os_heap_allocator();
    g_default_allocator = &heap;
    if (!log_start()) return 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneFrameTiming";
    RegisterClassA(&wc);
    // The program's minimum window size.
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Korvane frame timing", WS_OVERLAPPEDWINDOW, 40, 40, 565, 411,
                                nullptr, nullptr, wc.hInstance, nullptr);
    g_window.handle = hwnd;
    ShowWindow(hwnd, SW_SHOW);
    pump();
    RECT r;
    GetClientRect(hwnd, &r);
    g_window.client_width = (u32)r.right;
    g_window.client_height = (u32)r.bottom;
    RenderHarness* h = new RenderHarness;
    memset((void*)h, 0, sizeof(*h));
    RendererSettings settings = {"Korvane", 0, g_default_allocator, nullptr};
    if (!vulkan_load_global() || !vulkan_create_context(&g_window, &settings, &h->vk) || !render_harness_attach(h)) {
        log_stop();
        return 1;
    }
    printf("client %ux%u, %u swapchain images\n", g_window.client_width, g_window.client_height,
           h->vk.swapchain_images.count);
    measure(h, "empty frame", 2000, 0);
    measure(h, "100 GUI elements", 1000, 100);
    fflush(stdout);
    render_harness_destroy(h);
    delete h;
    DestroyWindow(hwnd);
    log_stop();
    return 0;
}
