// One line of UTF-8 text laid out as glyph quads (six vertices of x, y, u, v per character)
// along a baseline at y = 0, y growing downwards; u, v are atlas pixel positions.
#pragma once
#include "Ostrel/core/allocator.h"

struct TextLayout {
    f32 width;            // final pen position
    f32 bottom;           // lowest glyph bottom edge, >= 0 (the descent)
    f32 vertical_offset;  // highest glyph top edge, <= 0 (minus the ascent)
    f32 height;           // bottom - vertical_offset
    u32 vertex_count;
    f32* vertices;
    Allocator* allocator;
};
