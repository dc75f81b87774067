#include <gtest/gtest.h>
#include <stdio.h>
#include <map>
#include <set>
#include <string>
#include <vector>
#include <ft2build.h>
#include FT_FREETYPE_H
#include "Ostrel/text/font.h"
#include "Ostrel/text/text_layout.h"
#include "support/log_capture.h"
#include "text_test_font.h"

namespace {

std::vector<PackedChar> program_characters() {
    std::vector<PackedChar> out;
    const GlyphSet& set = g_program_glyph_set;
    for (Utf8Iterator it = utf8_iterator_start(set.text, set.length); it.valid; utf8_iterator_next(&it))
        out.push_back(it.current);
    return out;
}

u8 atlas_at(const FontAtlas& a, u32 x, u32 y) { return a.pixels[(u64)y * a.width + x]; }

bool build(const std::string& glyphs, u32 height, GlyphMap* map, FontAtlas* atlas, Allocator* allocator) {
    GlyphSet set = {(const u8*)glyphs.data(), utf8_count((const u8*)glyphs.data(), (u32)glyphs.size()),
                    (u32)glyphs.size()};
    std::string path = test_font_path();
    return font_build_atlas_from_file((const u8*)path.data(), (u32)path.size(), 0, height, set, map, atlas, allocator);
}

struct AtlasPoint {
    u32 x, y;
};

// Every even position packed before the glyph where its bitmap also stands, byte for byte.
std::vector<AtlasPoint> earlier_copies(const FontAtlas& a, const Glyph& g) {
    std::vector<AtlasPoint> found;
    for (u32 y = 0; y + g.rows <= a.height && y <= g.y; y += 2) {
        for (u32 x = 0; x + g.width <= a.width; x += 2) {
            if (y == g.y && x >= g.x) break;
            bool same = true;
            for (u32 r = 0; r < g.rows && same; r++)
                same = memcmp(&a.pixels[(u64)(y + r) * a.width + x], &a.pixels[(u64)(g.y + r) * a.width + g.x], g.width) == 0;
            if (same) found.push_back({x, y});
        }
    }
    return found;
}

TEST(FontAtlas, ProgramSetAt14PixelsFillsA328SquareWithEvenStarts) {
    const TestFont& f = test_font();
    ASSERT_TRUE(f.built);
    EXPECT_EQ(font_atlas_side(14, 447), 328u);
    EXPECT_EQ(f.atlas.width, 328u);
    EXPECT_EQ(f.atlas.height, 328u);
    EXPECT_EQ(f.map.count, 414u);
    EXPECT_EQ(f.map.buckets.count, 447u);  // one bucket per listed character
    for (PackedChar c : program_characters()) {
        const Glyph* g = font_find_glyph(&f.map, c);
        ASSERT_NE(g, nullptr) << std::hex << c;
        EXPECT_EQ(g->x % 2, 0u);
        EXPECT_EQ(g->y % 2, 0u);
        EXPECT_EQ(g->x_end, g->x + g->width);
        EXPECT_EQ(g->y_end, g->y + g->rows);
        EXPECT_LE(g->x_end, 328u);
        EXPECT_LE(g->y_end, 328u);
    }
}

// Rasterises every character again straight through FreeType and finds its bitmap, flipped,
// in its atlas rectangle: nothing packed later may have overwritten any part of it.
TEST(FontAtlas, EveryGlyphHoldsItsOwnBitmapFlippedAndItsMetrics) {
    const TestFont& f = test_font();
    ASSERT_TRUE(f.built);
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(lib, test_font_path().c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 14), 0);
    int taller_than_row = 0;
    std::set<PackedChar> checked;
    for (PackedChar c : program_characters()) {
        if (!checked.insert(c).second) continue;
        const Glyph* g = font_find_glyph(&f.map, c);
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(FT_Load_Char(face, packed_char_code_point(c), FT_LOAD_RENDER), 0);
        const FT_Bitmap& b = face->glyph->bitmap;
        ASSERT_EQ(g->width, b.width);
        ASSERT_EQ(g->rows, b.rows);
        EXPECT_EQ(g->left, face->glyph->bitmap_left);
        EXPECT_EQ(g->top, face->glyph->bitmap_top);
        EXPECT_EQ(g->advance, face->glyph->advance.x >> 6);
        if (b.rows > 14) taller_than_row++;
        for (u32 r = 0; r < b.rows; r++) {
            for (u32 col = 0; col < b.width; col++) {
                // Atlas row y holds the bitmap's bottom row.
                ASSERT_EQ(atlas_at(f.atlas, g->x + col, g->y + r), b.buffer[(b.rows - 1 - r) * b.pitch + col])
                    << "character " << std::hex << c << " row " << std::dec << r << " column " << col;
            }
        }
    }
    // The font has bitmaps taller than the pixel height ('|', 'j'); they must survive too.
    EXPECT_GT(taller_than_row, 0);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
}

TEST(FontAtlas, CharacterListedTwicePointsAtItsSecondRasterisation) {
    const TestFont& f = test_font();
    ASSERT_TRUE(f.built);
    // 女 and 目 are listed twice, with 男 and 口 between the two listings.
    for (auto [twice, between] : {std::pair{"女", "男"}, std::pair{"目", "口"}}) {
        const Glyph* g = test_glyph(twice);
        const Glyph* mid = test_glyph(between);
        ASSERT_NE(g, nullptr);
        ASSERT_NE(mid, nullptr);
        bool after = g->y > mid->y || (g->y == mid->y && g->x > mid->x);
        EXPECT_TRUE(after) << twice;
        bool copy_before = false;
        for (AtlasPoint p : earlier_copies(f.atlas, *g))
            copy_before = copy_before || p.y < mid->y || (p.y == mid->y && p.x < mid->x);
        EXPECT_TRUE(copy_before) << twice;
    }
}

TEST(FontAtlas, UnusedPixelsHoldOne) {
    const TestFont& f = test_font();
    ASSERT_TRUE(f.built);
    std::vector<u8> used((size_t)f.atlas.width * f.atlas.height, 0);
    auto mark = [&](u32 x, u32 y, const Glyph& g) {
        for (u32 r = 0; r < g.rows; r++)
            for (u32 c = 0; c < g.width; c++) used[(size_t)(y + r) * f.atlas.width + x + c] = 1;
    };
    std::map<PackedChar, int> seen;
    for (PackedChar c : program_characters()) seen[c]++;
    for (auto [c, times] : seen) {
        const Glyph* g = font_find_glyph(&f.map, c);
        ASSERT_NE(g, nullptr);
        mark(g->x, g->y, *g);
        // The earlier copies of characters listed more than once stay in the atlas. (A match
        // inside another glyph marks pixels that are in use anyway.)
        if (times > 1 && g->width && g->rows)
            for (AtlasPoint p : earlier_copies(f.atlas, *g)) mark(p.x, p.y, *g);
    }
    size_t unused = 0, not_one = 0;
    for (size_t i = 0; i < used.size(); i++) {
        if (used[i]) continue;
        unused++;
        if (f.atlas.pixels[i] != 1) not_one++;
    }
    EXPECT_GT(unused, used.size() / 4);
    EXPECT_EQ(not_one, 0u);
}

TEST(FontAtlas, BlankHasNoPixelsButAdvancesAndMovesThePenTwoColumns) {
    const Glyph* blank = test_glyph(" ");
    const Glyph* a = test_glyph("A");  // listed right after the blank
    ASSERT_NE(blank, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(blank->width, 0u);
    EXPECT_EQ(blank->rows, 0u);
    EXPECT_GT(blank->advance, 0);
    EXPECT_EQ(a->y, blank->y);
    EXPECT_EQ(a->x, blank->x + 2);
}

TEST(FontAtlas, CharactersOutsideTheSetHaveNoGlyph) {
    ASSERT_TRUE(test_font().built);
    EXPECT_EQ(test_glyph("`"), nullptr);
    EXPECT_EQ(test_glyph("\xC3\xA9"), nullptr);
    EXPECT_EQ(test_glyph("\xF0\x9F\x98\x80"), nullptr);
    EXPECT_EQ(test_glyph("\t"), nullptr);
    EXPECT_NE(test_glyph("\xE3\x80\x80"), nullptr);  // the ideographic space is in
}

TEST(FontAtlas, CharacterTheFontLacksGetsTheMissingGlyphShape) {
    // U+1F600 is not in the font: FreeType renders glyph 0, and the character still gets an entry.
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(lib, test_font_path().c_str(), 0, &face), 0);
    EXPECT_EQ(FT_Get_Char_Index(face, 0x13000), 0u);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    LogCapture capture;
    GlyphMap map;
    FontAtlas atlas;
    ASSERT_TRUE(build("A\xF0\x93\x80\x80", 14, &map, &atlas, g_default_allocator));
    const Glyph* g = font_find_glyph(&map, 0xF0938080);
    ASSERT_NE(g, nullptr);
    EXPECT_GT(g->advance, 0);
    EXPECT_EQ(map.count, 2u);
    EXPECT_TRUE(capture.lines().empty());
    glyph_map_free(&map);
    font_atlas_free(&atlas);
}

TEST(FontAtlas, DistinctSetLeavesEveryPixelOutsideItsGlyphsAtOne) {
    std::string glyphs = "Ag|j\xE3\x81\x82\xE6\x9B\xB8(";
    GlyphMap map;
    FontAtlas atlas;
    ASSERT_TRUE(build(glyphs, 14, &map, &atlas, g_default_allocator));
    std::vector<u8> used((size_t)atlas.width * atlas.height, 0);
    for (u32 i = 0; i < map.entries.count; i++) {
        const Glyph& g = map.entries.data[i].value;
        for (u32 r = 0; r < g.rows; r++)
            for (u32 c = 0; c < g.width; c++) used[(size_t)(g.y + r) * atlas.width + g.x + c] = 1;
    }
    for (size_t i = 0; i < used.size(); i++) {
        if (!used[i]) {
            ASSERT_EQ(atlas.pixels[i], 1) << "pixel " << i;
        }
    }
    glyph_map_free(&map);
    font_atlas_free(&atlas);
}

TEST(FontLoad, FailuresAreLoggedAndLeaveNothingAllocated) {
    LogCapture capture;
    CountingAllocator counting;
    counting_allocator_init(&counting);
    GlyphMap map = {};
    FontAtlas atlas = {};

    const char* missing = "no-such-font.ttf";
    EXPECT_FALSE(font_build_atlas_from_file((const u8*)missing, 16, 0, 14, g_program_glyph_set, &map, &atlas,
                                            &counting.allocator));
    EXPECT_TRUE(capture.contains("font_FreeType: Failed to create face, err code: 1."));
    EXPECT_EQ(counting.live, 0);

    // Not a font: the licence text shipped beside it.
    std::string licence = test_font_path();
    licence.replace(licence.size() - 4, 4, "-LICENSE.txt");
    capture.clear();
    EXPECT_FALSE(font_build_atlas_from_file((const u8*)licence.data(), (u32)licence.size(), 0, 14,
                                            g_program_glyph_set, &map, &atlas, &counting.allocator));
    EXPECT_TRUE(capture.contains("font_FreeType: Failed to create face, err code: 2."));
    EXPECT_EQ(counting.live, 0);
}

TEST(FontLoad, EmptyGlyphSetIsRefused) {
    LogCapture capture;
    CountingAllocator counting;
    counting_allocator_init(&counting);
    GlyphMap map = {};
    FontAtlas atlas = {};
    EXPECT_FALSE(build("", 14, &map, &atlas, &counting.allocator));
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"font: The glyph set is empty."});
    EXPECT_EQ(counting.total, 0);
}

TEST(FontLoad, PackingThatWouldLeaveTheAtlasStopsWithAnError) {
    // At 28 pixels '|' is 31 rows tall, but one character gets a 30 x 30 atlas.
    LogCapture capture;
    CountingAllocator counting;
    counting_allocator_init(&counting);
    GlyphMap map = {};
    FontAtlas atlas = {};
    EXPECT_EQ(font_atlas_side(28, 1), 30u);
    EXPECT_FALSE(build("|", 28, &map, &atlas, &counting.allocator));
    EXPECT_TRUE(capture.contains("font: The glyph atlas of 30 x 30 pixels is too small for the glyph set."));
    EXPECT_EQ(counting.live, 0);
    EXPECT_GT(counting.total, 0);
}

TEST(FontLoad, PathNeedsNoTerminatorAndAllocationsAreReturned) {
    CountingAllocator counting;
    counting_allocator_init(&counting);
    std::string path = test_font_path() + "trailing bytes that are not part of the path";
    u32 length = (u32)test_font_path().size();
    GlyphMap map;
    FontAtlas atlas;
    ASSERT_TRUE(font_build_atlas_from_file((const u8*)path.data(), length, 0, 14, g_program_glyph_set, &map, &atlas,
                                           &counting.allocator));
    EXPECT_EQ(atlas.allocator, &counting.allocator);
    EXPECT_EQ(counting.live, 3);  // pixels, buckets, entries
    glyph_map_free(&map);
    font_atlas_free(&atlas);
    EXPECT_EQ(counting.live, 0);
}

TEST(GlyphMap, ChainsCollisionsAndReplacesOnInsert) {
    GlyphMap map = glyph_map_create(g_default_allocator, 4);
    Glyph g1 = {}, g2 = {}, g3 = {};
    g1.advance = 1;
    g2.advance = 2;
    g3.advance = 3;
    // 1, 5 and 9 share bucket 1 (identity hash modulo 4).
    glyph_map_insert(&map, 1, g1);
    glyph_map_insert(&map, 5, g2);
    glyph_map_insert(&map, 9, g3);
    EXPECT_EQ(map.count, 3u);
    EXPECT_EQ(font_find_glyph(&map, 5)->advance, 2);
    EXPECT_EQ(font_find_glyph(&map, 9)->advance, 3);
    EXPECT_EQ(font_find_glyph(&map, 13), nullptr);  // same bucket, absent
    EXPECT_EQ(font_find_glyph(&map, 2), nullptr);   // empty bucket
    Glyph replaced = {};
    replaced.advance = 42;
    glyph_map_insert(&map, 5, replaced);
    EXPECT_EQ(map.count, 3u);
    EXPECT_EQ(map.entries.count, 3u);
    EXPECT_EQ(font_find_glyph(&map, 5)->advance, 42);
    EXPECT_EQ(font_find_glyph(&map, 1)->advance, 1);
    glyph_map_free(&map);
}

TEST(GlyphMap, EntriesStartAtTheBucketCountAndGrowBy32) {
    GlyphMap map = glyph_map_create(g_default_allocator, 2);
    EXPECT_EQ(map.entries.capacity, 2u);
    Glyph g = {};
    for (u32 k = 0; k < 3; k++) glyph_map_insert(&map, k, g);
    EXPECT_EQ(map.entries.capacity, 34u);
    for (u32 k = 3; k < 35; k++) glyph_map_insert(&map, k, g);
    EXPECT_EQ(map.entries.capacity, 66u);
    for (u32 k = 0; k < 35; k++) {
        g.advance = (i32)k;
        ASSERT_NE(font_find_glyph(&map, k), nullptr) << k;
    }
    EXPECT_EQ(map.count, 35u);
    glyph_map_free(&map);
}

// FNV-1a over the atlas bytes and then every glyph record in glyph-set order. The native run
// records it; the Windows run under Wine must rasterise exactly the same.
u64 atlas_checksum(const TestFont& f) {
    u64 h = 14695981039346656037ull;
    auto mix = [&h](const void* data, size_t n) {
        const u8* p = (const u8*)data;
        for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 1099511628211ull;
    };
    auto mix32 = [&mix](u32 v) {
        u8 b[4] = {(u8)v, (u8)(v >> 8), (u8)(v >> 16), (u8)(v >> 24)};
        mix(b, 4);
    };
    mix32(f.atlas.width);
    mix32(f.atlas.height);
    mix(f.atlas.pixels, (size_t)f.atlas.width * f.atlas.height);
    for (PackedChar c : program_characters()) {
        const Glyph* g = font_find_glyph(&f.map, c);
        mix32(c);
        if (!g) {
            mix32(0xFFFFFFFFu);
            continue;
        }
        for (u32 v : {g->x, g->y, g->x_end, g->y_end, g->width, g->rows, (u32)g->left, (u32)g->top, (u32)g->advance})
            mix32(v);
    }
    return h;
}

TEST(FontAtlas, SameAtlasAndGlyphMapInBothBuilds) {
    const TestFont& f = test_font();
    ASSERT_TRUE(f.built);
    char text[32];
    snprintf(text, sizeof text, "%016llx", (unsigned long long)atlas_checksum(f));
#if defined(_WIN32)
    FILE* file = fopen(KORVANE_ATLAS_CHECKSUM_REFERENCE, "rb");
    ASSERT_NE(file, nullptr) << "No native checksum at " KORVANE_ATLAS_CHECKSUM_REFERENCE
                             << ": build and test the linux preset first.";
    char native[32] = {};
    size_t n = fread(native, 1, 16, file);
    fclose(file);
    ASSERT_EQ(n, 16u);
    EXPECT_STREQ(text, native) << "the Windows build rasterised a different atlas";
#else
    FILE* file = fopen(KORVANE_ATLAS_CHECKSUM_FILE, "wb");
    ASSERT_NE(file, nullptr) << KORVANE_ATLAS_CHECKSUM_FILE;
    fwrite(text, 1, 16, file);
    fclose(file);
#endif
}

}  // namespace
