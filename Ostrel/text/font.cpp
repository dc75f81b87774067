#include "font.h"
#include <math.h>
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

u32 font_atlas_side(u32 pixel_height, u32 glyph_count) {
    f32 area = ((f32)pixel_height + 1.0f) * ((f32)pixel_height + 2.0f) * (f32)glyph_count;
    return (u32)ceilf(sqrtf(area));
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

    const u32 n = glyph_set.count;
    const u32 side = font_atlas_side(h, n);
    u8* pixels = (u8*)allocator_alloc(allocator, (u64)side * side);
    memset(pixels, 1, (size_t)side * side);
    GlyphMap map = glyph_map_create(allocator, n);

    u32 pen_x = 0, pen_y = 0;
    u32 row_tallest = 0;
    u32 pos = 0;
    for (u32 i = 0; i < n && pos < glyph_set.length; i++) {
        u32 bytes = utf8_sequence_length(glyph_set.text[pos]);
        if (bytes > glyph_set.length - pos) bytes = glyph_set.length - pos;
        const u8* character = glyph_set.text + pos;
        PackedChar key = utf8_pack(character, bytes);
        pos += bytes;

        FT_GlyphSlot slot = face->glyph;
        err = FT_Load_Char(face, packed_char_code_point(key), FT_LOAD_RENDER);
        bool drawable = slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY ||
                        slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO ||
                        (slot->bitmap.width == 0 && slot->bitmap.rows == 0);
        if (err || !drawable) {
            log_error("Failed to load character '%'\n", StringView{character, bytes});
            continue;
        }
        const FT_Bitmap* bitmap = &slot->bitmap;
        const u32 width = bitmap->width, rows = bitmap->rows;

        if (pen_x + width >= side) {
            // Rows advance by the pixel height; a row holding a taller bitmap ('|', 'j' in some
            // fonts) advances past it instead, so the next row cannot overwrite its top.
            pen_x = 0;
            pen_y += row_tallest > h ? row_tallest : h;
            if (pen_y & 1) pen_y++;
            row_tallest = 0;
        }
        // The size estimate can be too small for other fonts or sets: never write outside.
        if (width > side - pen_x || pen_y > side || rows > side - pen_y) {
            log_error("font: The glyph atlas of % x % pixels is too small for the glyph set.", side, side);
            glyph_map_free(&map);
            allocator_free(allocator, pixels);
            return false;
        }
        // Flipped: the bitmap's bottom row lands on atlas row pen_y.
        for (u32 r = 0; r < rows; r++) {
            u8* dst = pixels + (u64)(pen_y + r) * side + pen_x;
            for (u32 c = 0; c < width; c++) dst[c] = font_bitmap_value(bitmap, rows - 1 - r, c);
        }

        Glyph g;
        g.x = pen_x;
        g.y = pen_y;
        g.x_end = pen_x + width;
        g.y_end = pen_y + rows;
        g.width = width;
        g.rows = rows;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = (i32)(slot->advance.x >> 6);
        glyph_map_insert(&map, key, g);
        if (rows > row_tallest) row_tallest = rows;

        pen_x += width + 1;
        if (pen_x & 1) pen_x++;
    }

    *out_map = map;
    out_atlas->pixels = pixels;
    out_atlas->width = side;
    out_atlas->height = side;
    out_atlas->allocator = allocator;
    return true;
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
