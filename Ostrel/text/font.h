// Font loading and the glyph atlas: one TrueType face rasterised once, at start-up, into a
// single-channel atlas image, and a map from each character to its place in the atlas.
// Building the atlas needs no GPU; Ostrel/renderer/font_gpu.h uploads it.
#pragma once
#include "Ostrel/core/dyn_array.h"
#include "glyph_set.h"

// One rasterised character, in atlas pixels. Atlas row y holds the bitmap's bottom row
// (bitmaps are stored flipped) and row y_end - 1 its top row.
struct Glyph {
    u32 x;       // left column of the bitmap in the atlas
    u32 y;       // first atlas row of the bitmap
    u32 x_end;   // x + width
    u32 y_end;   // y + rows
    u32 width;   // bitmap width
    u32 rows;    // bitmap height
    i32 left;    // pen position to the bitmap's left edge
    i32 top;     // baseline up to the bitmap's top row
    i32 advance; // horizontal advance in whole pixels
};

enum : u64 { GLYPH_MAP_NONE = ~(u64)0 };  // empty bucket, end of chain

struct GlyphMapEntry {
    PackedChar key;
    Glyph value;
    u8 used;
    u64 next;  // next entry of the chain, or GLYPH_MAP_NONE
};

// Chained hash map from PackedChar to Glyph. The bucket count is fixed at creation; entries
// are never removed.
struct GlyphMap {
    u32 (*hash)(PackedChar key);
    bool (*equal)(PackedChar a, PackedChar b);
    u32 count;                        // entries in use
    DynArray<u64> buckets;            // first entry index per bucket, or GLYPH_MAP_NONE
    DynArray<GlyphMapEntry> entries;  // capacity starts at the bucket count, grows by 32
};

enum { GLYPH_MAP_ENTRY_GROWTH = 32 };

// bucket_count must not be 0.
GlyphMap glyph_map_create(Allocator* allocator, u32 bucket_count);
// Adds the key, or replaces the value of an existing key.
void glyph_map_insert(GlyphMap* map, PackedChar key, const Glyph& value);
void glyph_map_free(GlyphMap* map);
// The glyph of a character, or null when the character was not rasterised.
const Glyph* font_find_glyph(const GlyphMap* map, PackedChar key);

// The CPU atlas before upload: width x height coverage bytes, row 0 first.
struct FontAtlas {
    u8* pixels;
    u32 width;
    u32 height;
    Allocator* allocator;  // owns pixels
};

void font_atlas_free(FontAtlas* atlas);

// The font library is started during static initialisation, before the logger exists.
// Returns false (and logs the failure, once per process) when that start failed.
bool font_library_ready();

// The atlas is the smallest square its glyphs pack into, up to this side (it must fit the
// renderer's texture and staging arenas, see Ostrel/renderer/font_gpu.cpp).
enum : u32 { FONT_ATLAS_MAX_SIDE = 1024 };

// Opens face face_index of the font file at path (pointer and length, no terminator), builds
// the atlas of glyph_set at pixel_height and fills out_map and out_atlas (its map has one
// bucket per character listed: the text's and those the ranges added). Logs each failure;
// on false nothing is left allocated.
bool font_build_atlas_from_file(const u8* path, u32 path_length, i32 face_index, u32 pixel_height,
                                GlyphSet glyph_set, GlyphMap* out_map, FontAtlas* out_atlas,
                                Allocator* allocator);
