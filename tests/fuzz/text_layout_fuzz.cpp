// Lays out arbitrary bytes, bounded and unbounded, against the program's real atlas.
// Input: two bytes of maximum width (quarter pixels), then the text.
#include <stdlib.h>
#include <string.h>
#include "Ostrel/text/text_layout.h"

// Built on the first input (fuzz_support has set up the allocator and the logger by then).
static GlyphMap program_map() {
    GlyphMap map;
    FontAtlas atlas;
    const char* path = KORVANE_FONT_FILE;
    if (!font_build_atlas_from_file((const u8*)path, (u32)strlen(path), 0, 14, g_program_glyph_set, &map, &atlas, g_default_allocator))
        abort();
    font_atlas_free(&atlas);
    return map;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    static const GlyphMap map = program_map();
    if (size < 2) return 0;
    f32 max_width = (f32)(data[0] | (data[1] << 8)) / 4.0f;
    const u8* text = data + 2;
    u32 length = (u32)(size - 2);

    TextLayout whole = text_layout(text, length, &map, g_default_allocator);
    TextLayout bounded = text_layout_bounded(text, length, &map, g_default_allocator, max_width);
    // Every quad of a bounded line ends left of the limit, and a bounded line never has more
    // quads than the whole line plus the three full stops.
    for (u32 v = 0; v < bounded.vertex_count; v++) {
        if (!(bounded.vertices[v * TEXT_FLOATS_PER_VERTEX] < max_width)) abort();
    }
    if (bounded.vertex_count > whole.vertex_count + 3 * TEXT_VERTICES_PER_GLYPH) abort();
    if (whole.height < 0.0f || bounded.height < 0.0f) abort();
    text_layout_free(&whole);
    text_layout_free(&bounded);
    return 0;
}
