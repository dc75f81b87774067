// CPU cost of the renderer's frames on lavapipe, offscreen, at the program's minimum window size.
// "Time" is wall-clock time per frame; "CPU" is the main thread's (or, for the process variants,
// every thread's, lavapipe's rasteriser threads included).
#include <benchmark/benchmark.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/gui/gui_colors.h"
#include "support/render_harness.h"

namespace {

const u32 W = 565, H = 411;
RenderHarness* g_h;

void empty_frame(benchmark::State& state) {
    for (auto _ : state) {
        vulkan_wait_for_frame(&g_h->vk);
        if (!vulkan_begin_offscreen_frame(&g_h->vk)) state.SkipWithError("frame skipped");
        vulkan_end_offscreen_frame(&g_h->vk);
    }
    vulkan_wait_for_frame(&g_h->vk);
}

void gui_frame(benchmark::State& state) {
    const int elements = (int)state.range(0);
    for (auto _ : state) {
        if (!render_harness_begin(g_h)) state.SkipWithError("frame skipped");
        for (int i = 0; i < elements; i++) {
            GuiElement e = render_harness_element(g_h, (f32)(i % 20) * 28, (f32)(i / 20) * 40, 24, 30,
                                                  gui_pack_color(200, 120, 40, 255), i % 2 ? 0.5f : 0.0f);
            gui_prepare_element(&e);
            gui_draw_element(&e);
            gui_release_element(&e);
        }
        vulkan_end_offscreen_frame(&g_h->vk);
    }
    vulkan_wait_for_frame(&g_h->vk);
}

BENCHMARK(empty_frame);
BENCHMARK(empty_frame)->Name("empty_frame/process_cpu")->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(gui_frame)->Arg(0)->Arg(100);
BENCHMARK(gui_frame)->Name("gui_frame/process_cpu")->Arg(100)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace


int main(int argc, char** argv) {
    static Allocator heap = os_heap_allocator();
    g_default_allocator = &heap;
    if (!log_start()) return 1;
    benchmark::Initialize(&argc, argv);
    g_h = new RenderHarness;
    if (!render_harness_create(g_h, W, H)) {
        log_stop();
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    render_harness_destroy(g_h);
    delete g_h;
    log_stop();
    return 0;
}
