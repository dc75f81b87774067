// Start-up cost of the font atlas (open the face, rasterise the glyph set, pack, free) and the
// per-frame cost of laying out typical labels.
#include <benchmark/benchmark.h>
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/text/text_layout.h"

static Allocator g_heap = os_heap_allocator();

static bool build(GlyphMap* map, FontAtlas* atlas) {
    const char* path = KORVANE_FONT_FILE;
    return font_build_atlas_from_file((const u8*)path, (u32)strlen(path), 0, 14, g_program_glyph_set, map, atlas, &g_heap);
}

static void BM_FontAtlasBuild(benchmark::State& state) {
    for (auto _ : state) {
        GlyphMap map;
        FontAtlas atlas;
        if (!build(&map, &atlas)) {
            state.SkipWithError("font did not load");
            break;
        }
        benchmark::DoNotOptimize(atlas.pixels);
        glyph_map_free(&map);
        font_atlas_free(&atlas);
    }
}
BENCHMARK(BM_FontAtlasBuild)->Unit(benchmark::kMillisecond);

static void BM_TextLayoutBounded(benchmark::State& state) {
    GlyphMap map;
    FontAtlas atlas;
    if (!build(&map, &atlas)) {
        state.SkipWithError("font did not load");
        return;
    }
    const char* label = "Put program in tray bar when window is closed";
    u32 length = (u32)strlen(label);
    for (auto _ : state) {
        TextLayout l = text_layout_bounded((const u8*)label, length, &map, &g_heap, 200.0f);
        benchmark::DoNotOptimize(l.vertices);
        text_layout_free(&l);
    }
    glyph_map_free(&map);
    font_atlas_free(&atlas);
}
BENCHMARK(BM_TextLayoutBounded);

int main(int argc, char** argv) {
    log_start();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    log_stop();
    return 0;
}
