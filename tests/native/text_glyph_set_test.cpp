#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/text/glyph_set.h"
#include "Ostrel/text/text_layout.h"

namespace {

TEST(GlyphSet, ValidationFollowsTheWellFormedTableAndStaysInsideTheText) {
    const std::pair<std::string, bool> cases[] = {
        {"", true}, {"plain ASCII ~", true}, {"\xC2\x80\xDF\xBF", true},
        // Second-byte ranges that depend on the lead: overlong, surrogate, past U+10FFFF.
        {"\xE0\xA0\x80", true}, {"\xE0\x9F\xBF", false}, {"\xED\x9F\xBF", true}, {"\xED\xA0\x80", false},
        {"\xEF\xBF\xBF", true}, {"\xF0\x90\x80\x80", true}, {"\xF0\x8F\xBF\xBF", false},
        {"\xF4\x8F\xBF\xBF", true}, {"\xF4\x90\x80\x80", false},
        // Later bytes must be continuations; some bytes start nothing.
        {"\xE3\x81\x41", false}, {"\xF0\x9F\x98\xC0", false}, {"\x80", false}, {"\xBF", false},
        {"\xC0\x80", false}, {"\xC1\xBF", false}, {"\xF5\x80\x80\x80", false}, {"\xFF", false},
        // Cut off by the end (exactly sized buffers: the sanitizer sees any read past them).
        {"\xC3", false}, {"A\xE3", false}, {"A\xE3\x81", false}, {"\xF0\x9F\x98", false},
    };
    for (const auto& [text, valid] : cases) {
        std::vector<u8> bytes(text.begin(), text.end());
        EXPECT_EQ(utf8_validate(bytes.data(), (u32)bytes.size()), valid) << text.size();
    }
}

// Exactly sized runs, so the sanitizer sees any read past the last byte: a multi-byte lead byte
// near the end of typed text must not take the iterator outside.
TEST(Utf8Iterator, WalksCharactersAndNeverReadsPastTheRun) {
    struct { std::string text; std::vector<PackedChar> expected; } cases[] = {
        {"a\xC3\xA9\xE3\x81\x82", {0x61, 0xC3A9, 0xE38182}},
        {"\xF0\x9F\x98", {0xF09F98}},
        {"\xFF\xFF", {0xFFFF}},  // 0xFF claims four bytes; two are there
    };
    for (const auto& c : cases) {
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
