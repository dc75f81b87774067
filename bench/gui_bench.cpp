// CPU cost of one GUI frame of 100 captioned buttons on lavapipe, offscreen, at the program's
// minimum window size: the widget calls alone (layout, hit test, element preparation, recording),
// and the whole frame with its submission and the wait for the GPU.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/gui/gui.h"
#include "Ostrel/renderer/font_gpu.h"
#include "support/render_harness.h"

namespace {

const u32 W = 565, H = 411;
RenderHarness* g_h;
char g_captions[100][16];

void hundred_buttons(bool captions) {
    GuiContext* ctx = &g_h->gui;
    for (int i = 0; i < 100; i++) {
        const char* text = captions ? g_captions[i] : "";
        GuiButtonParams p = {&DefaultButtonStyle, 52, 36, text, (u32)strlen(text), ALIGN_CENTER,
                             (f32)(i % 10) * 56, (f32)(i / 10) * 40};
        benchmark::DoNotOptimize(gui_button(ctx, p));
    }
}

// The mouse rests over one button, as it would.
void next_input() {
    GuiContext* ctx = &g_h->gui;
    ctx->previous_input = ctx->input;
    ctx->input = GuiInput{};
    ctx->input.mouse_x = 100;
    ctx->input.mouse_y = 50;
}

void widgets_only(benchmark::State& state) {
    bool captions = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        next_input();
        if (!render_harness_begin(g_h)) state.SkipWithError("frame skipped");
        state.ResumeTiming();
        hundred_buttons(captions);
        state.PauseTiming();
        render_harness_end(g_h);
        state.ResumeTiming();
    }
}

void whole_frame(benchmark::State& state) {
    for (auto _ : state) {
        next_input();
        if (!render_harness_begin(g_h)) state.SkipWithError("frame skipped");
        hundred_buttons(true);
        render_harness_end(g_h);
    }
}

BENCHMARK(widgets_only)->Name("hundred_buttons/widgets_only/captions")->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(widgets_only)->Name("hundred_buttons/widgets_only/no_captions")->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(whole_frame)->Name("hundred_buttons/whole_frame")->Unit(benchmark::kMicrosecond);
BENCHMARK(whole_frame)
    ->Name("hundred_buttons/whole_frame/process_cpu")
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    static Allocator heap = os_heap_allocator();
    g_default_allocator = &heap;
    if (!log_start()) return 1;
    benchmark::Initialize(&argc, argv);
    g_h = new RenderHarness;
    GlyphMap map;
    GuiTexture atlas;
    const char* font = KORVANE_FONT_FILE;
    if (!render_harness_create(g_h, W, H) ||
        !font_load_from_file(&g_h->vk, &g_h->texture_arena.interface, &g_h->staging_arena.interface,
                             (const u8*)font, (u32)strlen(font), 0, 14, g_program_glyph_set, &map, &atlas, &heap)) {
        log_stop();
        return 1;
    }
    gui_set_style_font(&map, atlas);
    for (int i = 0; i < 100; i++) snprintf(g_captions[i], sizeof(g_captions[i]), "Button %d", i);
    benchmark::RunSpecifiedBenchmarks();
    render_harness_destroy(g_h);
    delete g_h;
    log_stop();
    return 0;
}
