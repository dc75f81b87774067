#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "Ostrel/text/glyph_set.h"
#include "Ostrel/text/text_layout.h"

namespace {

bool valid(const std::string& s) { return utf8_validate((const u8*)s.data(), (u32)s.size()); }

TEST(GlyphSet, ProgramSetHas447CharactersOf414KindsIn1147Bytes) {
    const GlyphSet& set = g_program_glyph_set;
    EXPECT_EQ(set.length, 1147u);
    EXPECT_EQ(set.count, 447u);  // worked out before main ran
    EXPECT_TRUE(utf8_validate(set.text, set.length));

    std::set<PackedChar> distinct;
    u32 walked = 0;
    for (Utf8Iterator it = utf8_iterator_start(set.text, set.length); it.valid; utf8_iterator_next(&it)) {
        distinct.insert(it.current);
        walked++;
    }
    EXPECT_EQ(walked, 447u);
    EXPECT_EQ(distinct.size(), 414u);
    // The blank comes first, the grave accent is left out, the ideographic space and the
    // last kanji are in.
    EXPECT_EQ(set.text[0], ' ');
    EXPECT_EQ(distinct.count('`'), 0u);
    EXPECT_EQ(distinct.count(0xE38080u), 1u);
    EXPECT_EQ(std::string((const char*)set.text + set.length - 3, 3), "計");
}

TEST(GlyphSet, CountTakesSequenceLengthsFromLeadBytes) {
    std::string s = "A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80";  // 1 + 2 + 3 + 4 bytes
    EXPECT_EQ(utf8_count((const u8*)s.data(), (u32)s.size()), 4u);
    EXPECT_EQ(utf8_count((const u8*)s.data(), 0), 0u);
    // A sequence cut off by the end counts once.
    EXPECT_EQ(utf8_count((const u8*)"A\xE3\x81", 3), 2u);
}

TEST(GlyphSet, ValidationFollowsTheWellFormedTable) {
    EXPECT_TRUE(valid(""));
    EXPECT_TRUE(valid("plain ASCII ~"));
    EXPECT_TRUE(valid("\xC2\x80\xDF\xBF"));
    // Second-byte ranges that depend on the lead.
    EXPECT_TRUE(valid("\xE0\xA0\x80"));
    EXPECT_FALSE(valid("\xE0\x9F\xBF"));  // overlong
    EXPECT_TRUE(valid("\xED\x9F\xBF"));
    EXPECT_FALSE(valid("\xED\xA0\x80"));  // surrogate
    EXPECT_TRUE(valid("\xEF\xBF\xBF"));
    EXPECT_TRUE(valid("\xF0\x90\x80\x80"));
    EXPECT_FALSE(valid("\xF0\x8F\xBF\xBF"));
    EXPECT_TRUE(valid("\xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(valid("\xF4\x90\x80\x80"));  // past U+10FFFF
    // Later bytes must be continuations.
    EXPECT_FALSE(valid("\xE3\x81\x41"));
    EXPECT_FALSE(valid("\xF0\x9F\x98\xC0"));
    // Bytes that cannot start a character.
    EXPECT_FALSE(valid("\x80"));
    EXPECT_FALSE(valid("\xBF"));
    EXPECT_FALSE(valid("\xC0\x80"));
    EXPECT_FALSE(valid("\xC1\xBF"));
    EXPECT_FALSE(valid("\xF5\x80\x80\x80"));
    EXPECT_FALSE(valid("\xFF"));
}

TEST(GlyphSet, ValidationNeverLooksPastTheText) {
    // Exactly sized buffers: a read past the end is caught by the address sanitizer.
    for (std::string s : {"\xC3", "A\xE3", "A\xE3\x81", "\xF0\x9F\x98"}) {
        std::vector<u8> bytes(s.begin(), s.end());
        EXPECT_FALSE(utf8_validate(bytes.data(), (u32)bytes.size())) << s.size();
    }
    // The program's glyph set, cut short inside its last character.
    EXPECT_FALSE(utf8_validate(g_program_glyph_set.text, g_program_glyph_set.length - 1));
}

TEST(PackedChar, PacksFirstByteMostSignificantAndDecodes) {
    EXPECT_EQ(utf8_pack((const u8*)"A", 1), 0x41u);
    EXPECT_EQ(utf8_pack((const u8*)"\xE3\x81\x82", 3), 0xE38182u);
    EXPECT_EQ(packed_char_code_point(0x41), 0x41u);
    EXPECT_EQ(packed_char_code_point(0xC3A9), 0xE9u);
    EXPECT_EQ(packed_char_code_point(0xE38182), 0x3042u);
    EXPECT_EQ(packed_char_code_point(0xF09F9880), 0x1F600u);
    u8 b[4];
    ASSERT_EQ(packed_char_bytes(0xE38182, b), 3u);
    EXPECT_EQ(b[0], 0xE3);
    EXPECT_EQ(b[2], 0x82);
    EXPECT_EQ(packed_char_bytes(0, b), 1u);
    EXPECT_EQ(b[0], 0);
}

TEST(Utf8Iterator, WalksCharactersAndStops) {
    std::string s = "a\xC3\xA9\xE3\x81\x82";
    Utf8Iterator it = utf8_iterator_start((const u8*)s.data(), s.size());
    std::vector<PackedChar> seen;
    std::vector<u64> positions;
    for (; it.valid; utf8_iterator_next(&it)) {
        seen.push_back(it.current);
        positions.push_back(it.position);
    }
    EXPECT_EQ(seen, (std::vector<PackedChar>{0x61, 0xC3A9, 0xE38182}));
    EXPECT_EQ(positions, (std::vector<u64>{1, 3, 6}));
    EXPECT_FALSE(utf8_iterator_start((const u8*)"", 0).valid);
}

TEST(Utf8Iterator, NeverReadsPastTheRunForMalformedText) {
    // A multi-byte lead byte near the end of typed text: exactly sized, so the sanitizer sees
    // any read past the last byte.
    struct Case {
        std::string text;
        std::vector<PackedChar> expected;
    } cases[] = {
        {"A\xE3", {0x41, 0xE3}},
        {"Ab\xE3\x81", {0x41, 0x62, 0xE381}},
        {"\xF0\x9F\x98", {0xF09F98}},
        {"\xC3", {0xC3}},
        {"\xFF\xFF", {0xFFFF}},  // 0xFF claims four bytes; two are there
    };
    for (const Case& c : cases) {
        std::vector<u8> bytes(c.text.begin(), c.text.end());
        std::vector<PackedChar> seen;
        Utf8Iterator it = utf8_iterator_start(bytes.data(), bytes.size());
        for (; it.valid; utf8_iterator_next(&it)) {
            seen.push_back(it.current);
            ASSERT_LE(it.position, bytes.size());
        }
        EXPECT_EQ(seen, c.expected) << c.text.size();
        EXPECT_EQ(it.position, bytes.size());
    }
}

}  // namespace
