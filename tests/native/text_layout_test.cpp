#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/text/text_layout.h"
#include "support/log_capture.h"
#include "text_test_font.h"

namespace {

const GlyphMap* program_map() { return &test_font().map; }

// The run copied into an exactly sized buffer, so the sanitizer catches any read past it.
struct ExactRun {
    std::vector<u8> bytes;
    explicit ExactRun(const std::string& s) : bytes(s.begin(), s.end()) {}
    const u8* data() const { return bytes.data(); }
    u32 size() const { return (u32)bytes.size(); }
};

TextLayout lay_out(const std::string& s) {
    ExactRun run(s);
    return text_layout(run.data(), run.size(), program_map(), g_default_allocator);
}

TextLayout lay_out_bounded(const std::string& s, f32 max_width) {
    ExactRun run(s);
    return text_layout_bounded(run.data(), run.size(), program_map(), g_default_allocator, max_width);
}

u32 quads(const TextLayout& l) { return l.vertex_count / TEXT_VERTICES_PER_GLYPH; }
const f32* vertex(const TextLayout& l, u32 i) { return l.vertices + (u64)i * TEXT_FLOATS_PER_VERTEX; }
f32 quad_left(const TextLayout& l, u32 q) { return vertex(l, q * 6)[0]; }
f32 quad_right(const TextLayout& l, u32 q) { return vertex(l, q * 6 + 5)[0]; }
bool quad_is(const TextLayout& l, u32 q, const Glyph* g) {
    return vertex(l, q * 6)[2] == (f32)g->x && vertex(l, q * 6)[3] == (f32)g->y && vertex(l, q * 6 + 5)[2] == (f32)g->x_end &&
           vertex(l, q * 6 + 5)[3] == (f32)g->y_end;
}

TEST(TextLayout, EmptyRunHasNothing) {
    ASSERT_TRUE(test_font().built);
    for (TextLayout l : {lay_out(""), lay_out_bounded("", 100.0f)}) {
        EXPECT_EQ(l.width, 0.0f);
        EXPECT_EQ(l.height, 0.0f);
        EXPECT_EQ(l.vertex_count, 0u);
        EXPECT_EQ(l.allocator, g_default_allocator);
        text_layout_free(&l);
    }
}

TEST(TextLayout, TwoLettersGiveTwoQuadsAlongTheBaseline) {
    ASSERT_TRUE(test_font().built);
    const Glyph* a = test_glyph("A");
    const Glyph* b = test_glyph("b");
    TextLayout l = lay_out("Ab");
    ASSERT_EQ(l.vertex_count, 12u);
    EXPECT_EQ(l.width, (f32)(a->advance + b->advance));
    f32 ascent = (f32)std::max(a->top, b->top);
    f32 descent = (f32)std::max(a->rows - a->top, b->rows - b->top);
    EXPECT_EQ(l.vertical_offset, -std::max(ascent, 0.0f));
    EXPECT_EQ(l.bottom, std::max(descent, 0.0f));
    EXPECT_EQ(l.height, l.bottom - l.vertical_offset);
    EXPECT_LE(l.vertical_offset, 0.0f);
    EXPECT_GE(l.bottom, 0.0f);

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
    EXPECT_EQ(l.vertices, nullptr);
}

TEST(TextLayout, CharacterWithoutGlyphIsLoggedAndSkippedWithoutMovingThePen) {
    ASSERT_TRUE(test_font().built);
    const Glyph* a = test_glyph("A");
    const Glyph* b = test_glyph("b");
    LogCapture capture;
    // The grave accent, a two-byte letter and a tab are all outside the glyph set.
    TextLayout l = lay_out("A`\xC3\xA9\tb");
    EXPECT_EQ(capture.texts(), (std::vector<std::string>{"Failed to find glyph for character: '`'.",
                                                          "Failed to find glyph for character: '\xC3\xA9'.",
                                                          "Failed to find glyph for character: '\t'."}));
    ASSERT_EQ(quads(l), 2u);
    EXPECT_TRUE(quad_is(l, 1, b));
    EXPECT_EQ(quad_left(l, 1), (f32)(a->advance + b->left));
    EXPECT_EQ(l.width, (f32)(a->advance + b->advance));
    text_layout_free(&l);
}

TEST(TextLayout, MalformedTypedTextStaysInsideTheRun) {
    ASSERT_TRUE(test_font().built);
    LogCapture capture;
    // A three-byte lead byte at the last position, as a text field can hold.
    TextLayout l = lay_out("Ab\xE3");
    EXPECT_EQ(quads(l), 2u);
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Failed to find glyph for character: '\xE3'."});
    text_layout_free(&l);
    TextLayout bounded = lay_out_bounded("Ab\xF0\x9F", 4.0f);
    EXPECT_LE(quads(bounded), 3u);
    text_layout_free(&bounded);
}

TEST(TextLayoutBounded, TextThatFitsIsLaidOutWhole) {
    ASSERT_TRUE(test_font().built);
    TextLayout whole = lay_out("Options");
    TextLayout bounded = lay_out_bounded("Options", whole.width + 1.0f);
    ASSERT_EQ(bounded.vertex_count, whole.vertex_count);
    EXPECT_EQ(bounded.width, whole.width);
    EXPECT_EQ(bounded.height, whole.height);
    for (u32 i = 0; i < whole.vertex_count * TEXT_FLOATS_PER_VERTEX; i++) EXPECT_EQ(bounded.vertices[i], whole.vertices[i]);
    EXPECT_FALSE(quad_is(bounded, quads(bounded) - 1, test_glyph(".")));
    text_layout_free(&whole);
    text_layout_free(&bounded);
}

TEST(TextLayoutBounded, TinyWidthGivesOnlyTheFullStopsThatFit) {
    ASSERT_TRUE(test_font().built);
    const Glyph* stop = test_glyph(".");
    const Glyph* w = test_glyph("W");
    ASSERT_NE(stop, nullptr);
    f32 first_right = (f32)(w->left + (i32)w->width);
    bool saw_none = false, saw_some = false;
    for (f32 max = 0.0f; max <= first_right; max += 0.5f) {
        TextLayout l = lay_out_bounded("Wide text", max);
        u32 fit = 0;
        while (fit < 3 && (f32)(fit * stop->advance + stop->left + (i32)stop->width) < max) fit++;
        ASSERT_EQ(quads(l), fit) << max;
        for (u32 q = 0; q < quads(l); q++) {
            EXPECT_TRUE(quad_is(l, q, stop));
            EXPECT_LT(quad_right(l, q), max);
        }
        (fit ? saw_some : saw_none) = true;
        text_layout_free(&l);
    }
    EXPECT_TRUE(saw_none);
    EXPECT_TRUE(saw_some);
}

TEST(TextLayoutBounded, LongRunEndsInFullStopsLeftOfTheLimit) {
    ASSERT_TRUE(test_font().built);
    const Glyph* stop = test_glyph(".");
    std::string text = "Put program in tray bar when window is closed";
    TextLayout whole = lay_out(text);
    for (f32 max : {30.0f, 57.5f, 100.0f, 151.0f, whole.width - 1.0f}) {
        TextLayout l = lay_out_bounded(text, max);
        ASSERT_GT(quads(l), 0u) << max;
        u32 stops = 0;
        while (stops < quads(l) && quad_is(l, quads(l) - 1 - stops, stop)) stops++;
        EXPECT_GE(stops, 1u) << max;
        EXPECT_LE(stops, 3u) << max;
        for (u32 q = 0; q < quads(l); q++) EXPECT_LT(quad_right(l, q), max) << max << " quad " << q;
        // What stays of the run is its beginning, unchanged.
        u32 kept = quads(l) - stops;
        for (u32 i = 0; i < kept * 6 * TEXT_FLOATS_PER_VERTEX; i++) ASSERT_EQ(l.vertices[i], whole.vertices[i]);
        EXPECT_LT(kept, quads(whole));
        text_layout_free(&l);
    }
    text_layout_free(&whole);
}

TEST(TextLayoutBounded, EllipsisHasRoomWhenItOutnumbersTheQuadsItReplaces) {
    ASSERT_TRUE(test_font().built);
    // One wide character that does not fit: nothing is removed, yet up to three full stops
    // are added to an array sized for one character.
    const Glyph* kanji = test_glyph("\xE6\x9B\xB8");  // 書
    const Glyph* stop = test_glyph(".");
    f32 max = (f32)(kanji->left + (i32)kanji->width);
    u32 fit = 0;
    while (fit < 3 && (f32)(fit * stop->advance + stop->left + (i32)stop->width) < max) fit++;
    ASSERT_GE(fit, 2u);
    TextLayout l = lay_out_bounded("\xE6\x9B\xB8", max);
    EXPECT_EQ(quads(l), fit);
    for (u32 q = 0; q < quads(l); q++) EXPECT_TRUE(quad_is(l, q, stop));
    text_layout_free(&l);
    // Kanji are wider than a full stop's advance: two of them cover the ellipsis, three
    // full stops take their place.
    TextLayout many = lay_out_bounded("\xE6\x9B\xB8\xE6\x9B\xB8\xE6\x9B\xB8", 2.0f * kanji->advance + 1.0f);
    EXPECT_EQ(quads(many), 3u);
    text_layout_free(&many);
}

TEST(TextLayoutBounded, MissingFullStopIsReportedNotDereferenced) {
    ASSERT_TRUE(test_font().built);
    // A map holding only 'W', no full stop.
    GlyphMap map = glyph_map_create(g_default_allocator, 1);
    const Glyph* w = test_glyph("W");
    glyph_map_insert(&map, 'W', *w);
    LogCapture capture;
    ExactRun run("WWWW");
    TextLayout l = text_layout_bounded(run.data(), run.size(), &map, g_default_allocator, 2.0f * w->advance + 1.0f);
    EXPECT_EQ(capture.count("Failed to find glyph for character: '.'."), 3);
    EXPECT_EQ(quads(l), 2u);  // nothing to make room for
    EXPECT_EQ(l.width, (f32)(2 * w->advance));
    text_layout_free(&l);
    glyph_map_free(&map);
}

}  // namespace
