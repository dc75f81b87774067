// One line of UTF-8 text laid out as glyph quads (six vertices of x, y, u, v per character)
// along a baseline at y = 0, y growing downwards; u, v are atlas pixel positions.
#pragma once
#include "Ostrel/core/allocator.h"
#include "font.h"

struct TextLayout {
    f32 width;            // final pen position
    f32 bottom;           // lowest glyph bottom edge, >= 0 (the descent)
    f32 vertical_offset;  // highest glyph top edge, <= 0 (minus the ascent)
    f32 height;           // bottom - vertical_offset
    u32 vertex_count;
    f32* vertices;
    Allocator* allocator;
};

enum { TEXT_FLOATS_PER_VERTEX = 4, TEXT_VERTICES_PER_GLYPH = 6 };

// Walks a run character by character, trusting each lead byte for the sequence length but
// never reading past the run: a sequence cut short by the end yields the bytes that are there.
struct Utf8Iterator {
    const u8* text;
    u64 length;
    u64 position;  // just past the current character
    u8 valid;      // a current character exists
    PackedChar current;
};

Utf8Iterator utf8_iterator_start(const u8* text, u64 length);
void utf8_iterator_next(Utf8Iterator* it);

// One line, no width limit. A character without a glyph draws as '?' (a control character as
// nothing) and is logged the first time the process meets it.
TextLayout text_layout(const u8* text, u32 length, const GlyphMap* map, Allocator* allocator);
// One line; a character whose right edge reaches max_width ends the line, and the tail is
// replaced by an ellipsis of up to three full stops that each end left of max_width.
TextLayout text_layout_bounded(const u8* text, u32 length, const GlyphMap* map, Allocator* allocator,
                               f32 max_width);
void text_layout_free(TextLayout* layout);
