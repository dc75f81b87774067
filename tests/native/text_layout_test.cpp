#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "Ostrel/text/text_layout.h"
#include "support/log_capture.h"
#include "text_test_font.h"

namespace {

// Runs are copied into exactly sized buffers, so the sanitizer catches any read past them.
TextLayout lay_out(const std::string& s, f32 max_width = -1, const GlyphMap* map = &test_font().map) {
    std::vector<u8> run(s.begin(), s.end());
    if (max_width < 0) return text_layout(run.data(), (u32)run.size(), map, g_default_allocator);
    return text_layout_bounded(run.data(), (u32)run.size(), map, g_default_allocator, max_width);
}

u32 quads(const TextLayout& l) { return l.vertex_count / TEXT_VERTICES_PER_GLYPH; }
const f32* vertex(const TextLayout& l, u32 i) { return l.vertices + (u64)i * TEXT_FLOATS_PER_VERTEX; }
bool quad_is(const TextLayout& l, u32 q, const Glyph* g) {
    return vertex(l, q * 6)[2] == (f32)g->x && vertex(l, q * 6)[3] == (f32)g->y && vertex(l, q * 6 + 5)[2] == (f32)g->x_end &&
           vertex(l, q * 6 + 5)[3] == (f32)g->y_end;
}
// How many full stops, each at its advance after the last, end left of max.
u32 stops_that_fit(f32 max) {
    const Glyph* stop = test_glyph(".");
    u32 fit = 0;
    while (fit < 3 && (f32)(fit * stop->advance + stop->left + (i32)stop->width) < max) fit++;
    return fit;
}

class TextLayoutTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test_font().built); }
};

TEST_F(TextLayoutTest, TwoLettersGiveTwoQuadsAlongTheBaseline) {
    const Glyph* a = test_glyph("A");
    const Glyph* b = test_glyph("b");
    TextLayout l = lay_out("Ab");
    ASSERT_EQ(l.vertex_count, 12u);
    EXPECT_EQ(l.width, (f32)(a->advance + b->advance));
    EXPECT_EQ(l.vertical_offset, -std::max((f32)std::max(a->top, b->top), 0.0f));
    EXPECT_EQ(l.bottom, std::max((f32)std::max(a->rows - a->top, b->rows - b->top), 0.0f));
    EXPECT_EQ(l.height, l.bottom - l.vertical_offset);
    // The six vertices of b's quad: its bottom edge samples atlas row y (bitmaps are flipped).
    f32 x0 = (f32)(a->advance + b->left), x1 = x0 + (f32)b->width;
    f32 top = -(f32)b->top, bottom = top + (f32)b->rows;
    f32 u0 = (f32)b->x, u1 = (f32)b->x_end, v0 = (f32)b->y, v1 = (f32)b->y_end;
    const f32 expected[6][4] = {{x0, bottom, u0, v0}, {x0, top, u0, v1}, {x1, bottom, u1, v0},
                                {x1, bottom, u1, v0}, {x0, top, u0, v1}, {x1, top, u1, v1}};
    for (int i = 0; i < 6; i++)
        for (int k = 0; k < 4; k++) EXPECT_EQ(vertex(l, 6 + i)[k], expected[i][k]) << i << "," << k;
    EXPECT_TRUE(quad_is(l, 0, a));
    text_layout_free(&l);
}

// Device names come in the user's language. What the font still lacks draws as '?' and is
// logged once, not on every frame that shows it.
TEST_F(TextLayoutTest, NamesInTheUsersLanguageAreDrawnAndAMissingCharacterIsLoggedOnce) {
    LogCapture capture;
    for (std::string name : {"Głośniki (Realtek® Audio)", "Динамики", "Ηχεία", "Kopfhörer", "Haut-parleurs"}) {
        TextLayout l = lay_out(name);
        EXPECT_EQ(quads(l), utf8_count((const u8*)name.data(), (u32)name.size())) << name;
        text_layout_free(&l);
    }
    EXPECT_EQ(capture.texts(), std::vector<std::string>{});
    // The grave accent and a three-byte lead byte cut off by the end (as a text field can hold)
    // become '?'; a tab is reported too but draws nothing.
    const Glyph *a = test_glyph("A"), *b = test_glyph("b"), *q = test_glyph("?");
    for (int frame = 0; frame < 3; frame++) {
        TextLayout l = lay_out("A`\tb\xE3");
        ASSERT_EQ(quads(l), 4u);
        EXPECT_TRUE(quad_is(l, 0, a) && quad_is(l, 1, q) && quad_is(l, 2, b) && quad_is(l, 3, q));
        EXPECT_EQ(vertex(l, 12)[0], (f32)(a->advance + q->advance + b->left));
        EXPECT_EQ(l.width, (f32)(a->advance + 2 * q->advance + b->advance));
        text_layout_free(&l);
    }
    EXPECT_EQ(capture.texts(), (std::vector<std::string>{"Failed to find glyph for character: '`'.",
                                                          "Failed to find glyph for character: '\t'.",
                                                          "Failed to find glyph for character: '\xE3'."}));
    TextLayout bounded = lay_out("Ab\xF0\x9F", 4.0f);
    EXPECT_LE(quads(bounded), 3u);
    text_layout_free(&bounded);
}

// The run cut at max: every quad ends left of it, and what stays of the run is its beginning
// unchanged, then at most three full stops. Gives the number of quads kept and of full stops.
std::pair<u32, u32> cut(const std::string& text, f32 max) {
    TextLayout whole = lay_out(text), l = lay_out(text, max);
    u32 stops = 0;
    while (stops < quads(l) && stops < 3 && quad_is(l, quads(l) - 1 - stops, test_glyph("."))) stops++;
    u32 kept = quads(l) - stops;
    for (u32 q = 0; q < quads(l); q++) EXPECT_LT(vertex(l, q * 6 + 5)[0], max) << text << " at " << max << " quad " << q;
    EXPECT_TRUE(kept <= quads(whole) &&
                std::equal(l.vertices, l.vertices + kept * 6 * TEXT_FLOATS_PER_VERTEX, whole.vertices))
        << text << " at " << max;
    text_layout_free(&l);
    text_layout_free(&whole);
    return {kept, stops};
}

TEST_F(TextLayoutTest, ABoundedRunKeepsItsBeginningAndEndsInTheFullStopsThatFit) {
    const Glyph* w = test_glyph("W");
    const f32 w_right = (f32)(w->left + (i32)w->width);
    EXPECT_GT(stops_that_fit(w_right), 0u);
    for (f32 max = 0.0f; max <= w_right; max += 0.5f)  // not even the first letter fits
        EXPECT_EQ(cut("Wide text", max), std::pair(0u, stops_that_fit(max))) << max;
    std::string text = "Put program in tray bar when window is closed";
    TextLayout whole = lay_out(text);
    for (f32 max : {30.0f, 57.5f, 100.0f, 151.0f, whole.width - 1.0f}) {
        auto [kept, stops] = cut(text, max);
        EXPECT_TRUE(stops >= 1 && kept < quads(whole)) << max;
    }
    text_layout_free(&whole);
    // One wide character that does not fit: nothing is removed, yet up to three full stops are
    // added to an array sized for one character.
    const Glyph* kanji = test_glyph("\xE6\x9B\xB8");  // 書
    const f32 max = (f32)(kanji->left + (i32)kanji->width);
    ASSERT_GE(stops_that_fit(max), 2u);
    EXPECT_EQ(cut("\xE6\x9B\xB8", max), std::pair(0u, stops_that_fit(max)));
    // Kanji are wider than a full stop's advance: two of them cover the ellipsis.
    auto [kept, stops] = cut("\xE6\x9B\xB8\xE6\x9B\xB8\xE6\x9B\xB8", 2.0f * kanji->advance + 1.0f);
    EXPECT_EQ(kept + stops, 3u);
    // A map without a full stop: reported, not dereferenced, and nothing is removed to make room.
    GlyphMap map = glyph_map_create(g_default_allocator, 1);
    glyph_map_insert(&map, 'W', *w);
    LogCapture capture;
    TextLayout l = lay_out("WWWW", 2.0f * w->advance + 1.0f, &map);
    EXPECT_EQ(capture.count("Failed to find glyph for character: '.'."), 1);
    EXPECT_EQ(std::pair(quads(l), l.width), std::pair(2u, (f32)(2 * w->advance)));
    text_layout_free(&l);
    glyph_map_free(&map);
}

}  // namespace
