#include "text_layout.h"
#include "Ostrel/core/log.h"

// ---- iteration ------------------------------------------------------------------------------

static void utf8_iterator_read(Utf8Iterator* it) {
    u64 n = utf8_sequence_length(it->text[it->position]);
    // Text typed by the user can end in a lone lead byte: take only what is there.
    if (n > it->length - it->position) n = it->length - it->position;
    it->current = utf8_pack(it->text + it->position, (u32)n);
    it->position += n;
}

Utf8Iterator utf8_iterator_start(const u8* text, u64 length) {
    Utf8Iterator it = {};
    it.text = text;
    it.length = length;
    if (length > 0) {
        it.valid = 1;
        utf8_iterator_read(&it);
    }
    return it;
}

void utf8_iterator_next(Utf8Iterator* it) {
    if (it->position < it->length) utf8_iterator_read(it);
    else it->valid = 0;
}

// ---- layout ---------------------------------------------------------------------------------

static const PackedChar k_full_stop = '.';
static const PackedChar k_replacement = '?';

struct LayoutPass {
    TextLayout* layout;
    u32 vertex_capacity;
};

static bool layout_counts(PackedChar c) { return c >= 32 && c != 127; }

static TextLayout layout_begin(const u8* text, u32 length, Allocator* allocator, u32 extra_quads,
                               u32* out_vertex_capacity) {
    TextLayout layout = {};
    layout.allocator = allocator;
    u32 quads = 0;
    for (Utf8Iterator it = utf8_iterator_start(text, length); it.valid; utf8_iterator_next(&it)) {
        if (layout_counts(it.current)) quads++;
    }
    if (quads) quads += extra_quads;
    *out_vertex_capacity = quads * TEXT_VERTICES_PER_GLYPH;
    if (quads) {
        u64 bytes = (u64)quads * TEXT_VERTICES_PER_GLYPH * TEXT_FLOATS_PER_VERTEX * sizeof(f32);
        layout.vertices = (f32*)allocator_alloc(allocator, bytes);
    }
    return layout;
}

// Text is laid out again every frame: each character without a glyph is logged the first time
// only. Past this many different ones nothing more is logged, so the log stays readable.
enum { LAYOUT_REPORTED_MAX = 256 };
static PackedChar s_reported[LAYOUT_REPORTED_MAX];
static u32 s_reported_count;

static void layout_report_missing(PackedChar c) {
    for (u32 i = 0; i < s_reported_count; i++)
        if (s_reported[i] == c) return;
    if (s_reported_count == LAYOUT_REPORTED_MAX) return;
    s_reported[s_reported_count++] = c;
    u8 bytes[4];
    u32 n = packed_char_bytes(c, bytes);
    log_error("Failed to find glyph for character: '%'.", StringView{bytes, n});
}

// A character the map lacks is reported and drawn as '?'; control characters draw nothing (the
// vertex array has no room for them).
static const Glyph* layout_find_glyph(const GlyphMap* map, PackedChar c) {
    const Glyph* g = font_find_glyph(map, c);
    if (g) return g;
    layout_report_missing(c);
    return layout_counts(c) ? font_find_glyph(map, k_replacement) : nullptr;
}

static void put_vertex(f32* v, f32 x, f32 y, f32 u, f32 tv) {
    v[0] = x;
    v[1] = y;
    v[2] = u;
    v[3] = tv;
}

// Writes the glyph's quad at the pen and advances it. Only a control character that the
// glyph set happens to hold can find the array full (the count leaves those out); it is
// then dropped rather than written past the end.
static void layout_put_glyph(LayoutPass* pass, const Glyph* g) {
    TextLayout* l = pass->layout;
    if (l->vertex_count + TEXT_VERTICES_PER_GLYPH > pass->vertex_capacity) return;
    f32 x0 = l->width + (f32)g->left;
    f32 x1 = x0 + (f32)g->width;
    f32 top = -(f32)g->top;
    f32 bottom = top + (f32)g->rows;
    f32 u0 = (f32)g->x, u1 = (f32)g->x_end, v0 = (f32)g->y, v1 = (f32)g->y_end;
    f32* v = l->vertices + (u64)l->vertex_count * TEXT_FLOATS_PER_VERTEX;
    put_vertex(v + 0, x0, bottom, u0, v0);
    put_vertex(v + 4, x0, top, u0, v1);
    put_vertex(v + 8, x1, bottom, u1, v0);
    put_vertex(v + 12, x1, bottom, u1, v0);
    put_vertex(v + 16, x0, top, u0, v1);
    put_vertex(v + 20, x1, top, u1, v1);
    l->vertex_count += TEXT_VERTICES_PER_GLYPH;
    l->width += (f32)g->advance;
    if (bottom > l->bottom) l->bottom = bottom;
    if (top < l->vertical_offset) l->vertical_offset = top;
}

TextLayout text_layout(const u8* text, u32 length, const GlyphMap* map, Allocator* allocator) {
    LayoutPass pass;
    TextLayout layout = layout_begin(text, length, allocator, 0, &pass.vertex_capacity);
    pass.layout = &layout;
    for (Utf8Iterator it = utf8_iterator_start(text, length); it.valid; utf8_iterator_next(&it)) {
        const Glyph* g = layout_find_glyph(map, it.current);
        if (!g) continue;
        layout_put_glyph(&pass, g);
    }
    layout.height = layout.bottom - layout.vertical_offset;
    return layout;
}

// Replaces the tail of the line by up to three full stops that end left of max_width.
static void layout_truncate(LayoutPass* pass, const GlyphMap* map, f32 max_width) {
    TextLayout* l = pass->layout;
    const Glyph* stop = font_find_glyph(map, k_full_stop);
    f32 ellipsis = stop ? 3.0f * (f32)stop->advance : 0.0f;

    // Whole quads come off the end until their bitmap widths cover the ellipsis.
    f32 removed = 0.0f;
    while (removed < ellipsis && l->vertex_count > 0) {
        const f32* quad = l->vertices + (u64)(l->vertex_count - TEXT_VERTICES_PER_GLYPH) * TEXT_FLOATS_PER_VERTEX;
        removed += quad[5 * TEXT_FLOATS_PER_VERTEX] - quad[0];
        l->vertex_count -= TEXT_VERTICES_PER_GLYPH;
    }
    l->width -= removed;

    for (int i = 0; i < 3; i++) {
        if (!stop) {
            layout_report_missing(k_full_stop);
            continue;
        }
        f32 x1 = l->width + (f32)stop->left + (f32)stop->width;
        if (x1 >= max_width) break;
        layout_put_glyph(pass, stop);
    }
}

TextLayout text_layout_bounded(const u8* text, u32 length, const GlyphMap* map, Allocator* allocator,
                               f32 max_width) {
    LayoutPass pass;
    // Three quads more than the run needs: a truncated line keeps fewer quads than it had
    // but may then add the whole ellipsis.
    TextLayout layout = layout_begin(text, length, allocator, 3, &pass.vertex_capacity);
    pass.layout = &layout;
    for (Utf8Iterator it = utf8_iterator_start(text, length); it.valid; utf8_iterator_next(&it)) {
        const Glyph* g = layout_find_glyph(map, it.current);
        if (!g) continue;
        f32 x1 = layout.width + (f32)g->left + (f32)g->width;
        if (x1 >= max_width) {
            layout_truncate(&pass, map, max_width);
            break;
        }
        layout_put_glyph(&pass, g);
    }
    layout.height = layout.bottom - layout.vertical_offset;
    return layout;
}

void text_layout_free(TextLayout* layout) {
    if (layout->vertices) allocator_free(layout->allocator, layout->vertices);
    layout->vertices = nullptr;
    layout->vertex_count = 0;
}
