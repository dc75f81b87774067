#include "font.h"
#include <string.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include "Ostrel/core/log.h"

// ---- font library ---------------------------------------------------------------------------

static FT_Library g_font_library;
static bool g_font_library_reported;

static FT_Error font_library_start() { return FT_Init_FreeType(&g_font_library); }

// Started before the entry point; the logger is not running yet, so a failure is only kept
// here and reported by font_library_ready.
static const FT_Error g_font_library_error = font_library_start();

bool font_library_ready() {
    if (g_font_library_error == 0) return true;
    if (!g_font_library_reported) {
        g_font_library_reported = true;
        log_error("font_FreeType: Failed to init library, err code: %.", (i32)g_font_library_error);
    }
    return false;
}

// ---- glyph map ------------------------------------------------------------------------------

static u32 glyph_map_hash(PackedChar key) { return key; }
static bool glyph_map_equal(PackedChar a, PackedChar b) { return a == b; }

GlyphMap glyph_map_create(Allocator* allocator, u32 bucket_count) {
    GlyphMap map = {};
    map.hash = glyph_map_hash;
    map.equal = glyph_map_equal;
    map.buckets = dyn_array_create<u64>(allocator, bucket_count, 0);
    for (u32 i = 0; i < bucket_count; i++) map.buckets.data[i] = GLYPH_MAP_NONE;
    map.buckets.count = bucket_count;
    map.entries = dyn_array_create<GlyphMapEntry>(allocator, bucket_count, GLYPH_MAP_ENTRY_GROWTH);
    return map;
}

static u64 glyph_map_append(GlyphMap* map, PackedChar key, const Glyph& value) {
    GlyphMapEntry entry = {};
    entry.key = key;
    entry.value = value;
    entry.used = 1;
    entry.next = GLYPH_MAP_NONE;
    dyn_array_push(&map->entries, entry);
    map->count++;
    return map->entries.count - 1;
}

void glyph_map_insert(GlyphMap* map, PackedChar key, const Glyph& value) {
    if (map->buckets.count == 0) return;
    u64* bucket = &map->buckets.data[map->hash(key) % map->buckets.count];
    if (*bucket == GLYPH_MAP_NONE) {
        *bucket = glyph_map_append(map, key, value);
        return;
    }
    // Indices, not pointers: appending may move the entries.
    u64 i = *bucket;
    for (;;) {
        GlyphMapEntry* e = &map->entries.data[i];
        if (e->used && map->equal(e->key, key)) {
            e->value = value;
            return;
        }
        if (e->next == GLYPH_MAP_NONE) break;
        i = e->next;
    }
    u64 added = glyph_map_append(map, key, value);
    map->entries.data[i].next = added;
}

const Glyph* font_find_glyph(const GlyphMap* map, PackedChar key) {
    if (map->buckets.count == 0) return nullptr;
    u64 i = map->buckets.data[map->hash(key) % map->buckets.count];
    while (i != GLYPH_MAP_NONE) {
        const GlyphMapEntry* e = &map->entries.data[i];
        if (e->used && map->equal(e->key, key)) return &e->value;
        i = e->next;
    }
    return nullptr;
}

void glyph_map_free(GlyphMap* map) {
    dyn_array_free(&map->buckets);
    dyn_array_free(&map->entries);
    map->count = 0;
}

// ---- atlas ----------------------------------------------------------------------------------

void font_atlas_free(FontAtlas* atlas) {
    if (atlas->pixels) allocator_free(atlas->allocator, atlas->pixels);
    atlas->pixels = nullptr;
}

// Coverage of bitmap row r (0 = top row) at column c, as 8-bit values.
static u8 font_bitmap_value(const FT_Bitmap* bitmap, u32 r, u32 c) {
    i64 pitch = bitmap->pitch;
    const u8* top = bitmap->buffer;
    if (pitch < 0) top -= pitch * (i64)(bitmap->rows - 1);
    const u8* row = top + pitch * (i64)r;
    if (bitmap->pixel_mode == FT_PIXEL_MODE_MONO) return (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
    return row[c];
}

// One character rasterised before the atlas size is known.
struct RasterGlyph {
    PackedChar key;
    Glyph glyph;  // metrics; x and y once packed
    u64 bitmap;   // offset of its width x rows coverage bytes, top row first, in the pool
};

// The characters to rasterise, in order: the text's, then each code point of the ranges that
// the face has and the text does not list (a second copy would move the text's glyphs).
static DynArray<PackedChar> font_listed_characters(FT_Face face, const GlyphSet& set, Allocator* allocator) {
    DynArray<PackedChar> listed = dyn_array_create<PackedChar>(allocator, set.count, 256);
    GlyphMap in_text = glyph_map_create(allocator, set.count);
    u32 pos = 0;
    for (u32 i = 0; i < set.count && pos < set.length; i++) {
        u32 bytes = utf8_sequence_length(set.text[pos]);
        if (bytes > set.length - pos) bytes = set.length - pos;
        PackedChar key = utf8_pack(set.text + pos, bytes);
        pos += bytes;
        dyn_array_push(&listed, key);
        glyph_map_insert(&in_text, key, Glyph{});
    }
    for (u32 r = 0; r < set.range_count; r++) {
        for (u32 cp = set.ranges[r].first; cp <= set.ranges[r].last && cp < 0x110000; cp++) {
            PackedChar key = packed_char_from_code_point(cp);
            if (FT_Get_Char_Index(face, cp) != 0 && !font_find_glyph(&in_text, key)) dyn_array_push(&listed, key);
        }
    }
    glyph_map_free(&in_text);
    return listed;
}

// Rows advance by the pixel height, or past the tallest bitmap of a row when that is taller
// ('|', 'j' in some fonts), so the next row cannot overwrite its top; every row and column
// start is even. False when a glyph would leave the side x side square.
static bool font_pack(RasterGlyph* glyphs, u32 count, u32 h, u32 side) {
    u32 pen_x = 0, pen_y = 0, row_tallest = 0;
    for (u32 i = 0; i < count; i++) {
        Glyph* g = &glyphs[i].glyph;
        if (pen_x + g->width >= side) {
            pen_x = 0;
            pen_y += row_tallest > h ? row_tallest : h;
            if (pen_y & 1) pen_y++;
            row_tallest = 0;
        }
        if (g->width > side - pen_x || pen_y > side || g->rows > side - pen_y) return false;
        g->x = pen_x;
        g->y = pen_y;
        g->x_end = pen_x + g->width;
        g->y_end = pen_y + g->rows;
        if (g->rows > row_tallest) row_tallest = g->rows;
        pen_x += g->width + 1;
        if (pen_x & 1) pen_x++;
    }
    return true;
}

static bool font_build_atlas(FT_Face face, u32 h, GlyphSet glyph_set, GlyphMap* out_map,
                             FontAtlas* out_atlas, Allocator* allocator) {
    FT_Error err = FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    if (err) {
        log_error("font_FreeType: Failed to select Unicode compatible charmap. Error code: %.", (i32)err);
        return false;
    }
    err = FT_Set_Pixel_Sizes(face, 0, h);
    if (err) {
        log_error("font_FreeType: Failed to set pixel height, err code: %.", (i32)err);
        return false;
    }

    DynArray<PackedChar> listed = font_listed_characters(face, glyph_set, allocator);
    DynArray<RasterGlyph> glyphs = dyn_array_create<RasterGlyph>(allocator, listed.count, 0);
    DynArray<u8> pool = dyn_array_create<u8>(allocator, 0, 65536);
    u64 area = 0;
    for (u32 i = 0; i < listed.count; i++) {
        const PackedChar key = listed.data[i];
        FT_GlyphSlot slot = face->glyph;
        err = FT_Load_Char(face, packed_char_code_point(key), FT_LOAD_RENDER);
        bool drawable = slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY ||
                        slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO ||
                        (slot->bitmap.width == 0 && slot->bitmap.rows == 0);
        if (err || !drawable) {
            u8 bytes[4];
            log_error("Failed to load character '%'\n", StringView{bytes, packed_char_bytes(key, bytes)});
            continue;
        }
        const FT_Bitmap* bitmap = &slot->bitmap;
        RasterGlyph r = {};
        r.key = key;
        r.glyph.width = bitmap->width;
        r.glyph.rows = bitmap->rows;
        r.glyph.left = slot->bitmap_left;
        r.glyph.top = slot->bitmap_top;
        r.glyph.advance = (i32)(slot->advance.x >> 6);
        r.bitmap = pool.count;
        const u32 bytes = bitmap->width * bitmap->rows;
        dyn_array_reserve_more(&pool, bytes);
        for (u32 row = 0; row < bitmap->rows; row++)
            for (u32 c = 0; c < bitmap->width; c++) pool.data[pool.count++] = font_bitmap_value(bitmap, row, c);
        dyn_array_push(&glyphs, r);
        area += bytes;
    }

    // The smallest square the glyphs pack into; no smaller one can hold their bitmaps' area.
    u32 side = 1;
    while ((u64)side * side < area) side++;
    while (side <= FONT_ATLAS_MAX_SIDE && !font_pack(glyphs.data, glyphs.count, h, side)) side++;
    const bool fits = side <= FONT_ATLAS_MAX_SIDE;
    if (!fits) {
        log_error("font: The glyph atlas of % x % pixels is too small for the glyph set.", FONT_ATLAS_MAX_SIDE,
                  FONT_ATLAS_MAX_SIDE);
    } else {
        // Flipped: a bitmap's bottom row lands on its first atlas row.
        u8* pixels = (u8*)allocator_alloc(allocator, (u64)side * side);
        memset(pixels, 1, (size_t)side * side);
        GlyphMap map = glyph_map_create(allocator, listed.count);
        for (u32 i = 0; i < glyphs.count; i++) {
            const RasterGlyph& r = glyphs.data[i];
            const Glyph& g = r.glyph;
            for (u32 row = 0; row < g.rows; row++)
                memcpy(pixels + (u64)(g.y + row) * side + g.x, pool.data + r.bitmap + (u64)(g.rows - 1 - row) * g.width,
                       g.width);
            // A character listed twice keeps its second copy; the first stays in the atlas unused.
            glyph_map_insert(&map, r.key, g);
        }
        *out_map = map;
        out_atlas->pixels = pixels;
        out_atlas->width = side;
        out_atlas->height = side;
        out_atlas->allocator = allocator;
    }
    dyn_array_free(&pool);
    dyn_array_free(&glyphs);
    dyn_array_free(&listed);
    return fits;
}

bool font_build_atlas_from_file(const u8* path, u32 path_length, i32 face_index, u32 pixel_height,
                                GlyphSet glyph_set, GlyphMap* out_map, FontAtlas* out_atlas,
                                Allocator* allocator) {
    if (glyph_set.count == 0 || glyph_set.length == 0) {
        // The map's bucket count is the glyph count: nothing sound can be built from none.
        log_error("font: The glyph set is empty.");
        return false;
    }
    if (!font_library_ready()) return false;

    char* path_z = (char*)allocator_alloc(allocator, (u64)path_length + 1);
    if (!path_z) return false;
    memcpy(path_z, path, path_length);
    path_z[path_length] = 0;

    FT_Face face = nullptr;
    FT_Error err = FT_New_Face(g_font_library, path_z, face_index, &face);
    if (err) {
        log_error("font_FreeType: Failed to create face, err code: %.", (i32)err);
        allocator_free(allocator, path_z);
        return false;
    }
    bool built = font_build_atlas(face, pixel_height, glyph_set, out_map, out_atlas, allocator);
    FT_Done_Face(face);
    allocator_free(allocator, path_z);
    return built;
}
