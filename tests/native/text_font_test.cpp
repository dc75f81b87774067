#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>
#include <ft2build.h>
#include FT_FREETYPE_H
#include "Ostrel/text/font.h"
#include "Ostrel/text/text_layout.h"
#include "support/log_capture.h"
#include "test_files.h"
#include "text_test_font.h"

namespace {

class FontAtlasTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(f.built); }
    const TestFont& f = test_font();
};

// Rasterises every character of the map again straight through FreeType and finds its bitmap,
// flipped, in its atlas rectangle: nothing packed later may have overwritten any part of it.
TEST_F(FontAtlasTest, EveryGlyphHoldsItsOwnBitmapFlippedAndItsMetrics) {
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(lib, test_font_path().c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 14), 0);
    const GlyphSet& set = g_program_glyph_set;
    for (Utf8Iterator it = utf8_iterator_start(set.text, set.length); it.valid; utf8_iterator_next(&it))
        ASSERT_NE(font_find_glyph(&f.map, it.current), nullptr) << std::hex << it.current;
    int taller_than_row = 0;
    for (u32 i = 0; i < f.map.entries.count; i++) {  // the listed characters and what the ranges add
        PackedChar c = f.map.entries.data[i].key;
        const Glyph* g = &f.map.entries.data[i].value;
        ASSERT_EQ(FT_Load_Char(face, packed_char_code_point(c), FT_LOAD_RENDER), 0);
        const FT_Bitmap& b = face->glyph->bitmap;
        ASSERT_EQ(g->width, b.width);
        ASSERT_EQ(g->rows, b.rows);
        EXPECT_EQ(g->left, face->glyph->bitmap_left);
        EXPECT_EQ(g->top, face->glyph->bitmap_top);
        EXPECT_EQ(g->advance, face->glyph->advance.x >> 6);
        if (b.rows > 14) taller_than_row++;
        for (u32 r = 0; r < b.rows; r++)  // atlas row y holds the bitmap's bottom row
            for (u32 col = 0; col < b.width; col++)
                ASSERT_EQ(f.atlas.pixels[(u64)(g->y + r) * f.atlas.width + g->x + col],
                          b.buffer[(b.rows - 1 - r) * b.pitch + col])
                    << "character " << std::hex << c << " row " << std::dec << r << " column " << col;
    }
    EXPECT_GT(taller_than_row, 0) << "bitmaps taller than the pixel height ('|', 'j') must survive too";
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
}

// Each failure logs its message, and whatever was allocated (with the caller's allocator) is given
// back; an empty glyph set is refused before anything is allocated.
TEST(FontLoad, FailuresAreLoggedAndLeaveNothingAllocatedAndAPathNeedsNoTerminator) {
    LogCapture capture;
    CountingAllocator counting;
    GlyphMap map = {};
    FontAtlas atlas = {};
    auto build = [&](const std::string& path, u32 length, const std::string& glyphs, u32 height) {
        GlyphSet set = {(const u8*)glyphs.data(), utf8_count((const u8*)glyphs.data(), (u32)glyphs.size()),
                        (u32)glyphs.size()};
        return font_build_atlas_from_file((const u8*)path.data(), length, 0, height, set, &map, &atlas, &counting.allocator);
    };
    const std::string font = test_font_path(), all((const char*)g_program_glyph_set.text, g_program_glyph_set.length);
    std::string licence = font;  // not a font: the licence text beside it
    licence.replace(licence.size() - 4, 4, "-LICENSE.txt");
    const struct { std::string path, glyphs; u32 height; const char* message; bool allocates; } cases[] = {
        {"no-such-font.ttf", all, 14, "font_FreeType: Failed to create face, err code: 1.", true},
        {licence, all, 14, "font_FreeType: Failed to create face, err code: 2.", true},
        {font, "", 14, "font: The glyph set is empty.", false},
        // At 1000 pixels '|' is taller than the largest atlas.
        {font, "|", 1000, "font: The glyph atlas of 1024 x 1024 pixels is too small for the glyph set.", true},
    };
    for (const auto& c : cases) {
        const int before = counting.allocations;
        EXPECT_FALSE(build(c.path, (u32)c.path.size(), c.glyphs, c.height));
        EXPECT_TRUE(capture.contains(c.message)) << c.message;
        EXPECT_EQ(std::pair(counting.allocations > before, counting.live()), std::pair(c.allocates, 0)) << c.message;
    }
    // The path needs no terminator; the caller's allocator holds the atlas until it is freed.
    ASSERT_TRUE(build(font + "trailing bytes that are not part of the path", (u32)font.size(), all, 14));
    EXPECT_GT(counting.live(), 0);
    glyph_map_free(&map);
    font_atlas_free(&atlas);
    EXPECT_EQ(counting.live(), 0);
}

// FNV-1a over the atlas bytes and then every glyph record in the map's order. The native run
// records it; the Windows run under Wine must rasterise exactly the same.
u64 atlas_checksum(const TestFont& f) {
    u64 h = 14695981039346656037ull;
    auto mix32 = [&h](u32 v) { for (int i = 0; i < 4; i++) h = (h ^ (u8)(v >> (8 * i))) * 1099511628211ull; };
    mix32(f.atlas.width);
    mix32(f.atlas.height);
    for (size_t i = 0; i < (size_t)f.atlas.width * f.atlas.height; i++) h = (h ^ f.atlas.pixels[i]) * 1099511628211ull;
    for (u32 i = 0; i < f.map.entries.count; i++) {
        const Glyph* g = &f.map.entries.data[i].value;
        mix32(f.map.entries.data[i].key);
        for (u32 v : {g->x, g->y, g->x_end, g->y_end, g->width, g->rows, (u32)g->left, (u32)g->top, (u32)g->advance})
            mix32(v);
    }
    return h;
}

TEST_F(FontAtlasTest, SameAtlasAndGlyphMapInBothBuilds) {
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
