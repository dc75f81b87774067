#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/ini.h"

namespace {

// The lexer is read through the lookup: key words with spaces, comments, section brackets and a
// byte the lexer does not know, which ends the scan; the fuzzer keeps its tokens in bounds.
TEST(IniFind, EdgeCases) {
    const char* absent = "<absent>";
    const std::string sections = "TOP=0\n[s]\nJump=a\n[keyboard_and_mouse]\nJump=b\nFire=c\n";
    struct { std::string text; const char *key, *section, *value; } cases[] = {
        {"KEY = value", "KEY", nullptr, absent},  // the key word is "KEY "
        {"KEY= value", "KEY", nullptr, "value"},          {"KEY=value ; note", "KEY", nullptr, "value ; note"},
        {"  ; KEY=1\nKEY=2", "KEY", nullptr, "2"},         {"KEY=value   \r\nX=1", "KEY", nullptr, "value   "},
        {"KEY=\nNEXT=1", "KEY", nullptr, "NEXT"},
        {"A=B\nB=5", "B", nullptr, absent},  // B matches A's value, then no "="
        {"\xC3\xA9=1\nKEY=2", "KEY", nullptr, absent},    {"KEY=ab\xC3\xA9z", "KEY", nullptr, "ab"},
        {"A=[x]\nB=2", "A", nullptr, absent},            {"A=[x]\nB=2", "B", nullptr, absent},
        {"KEY=", "KEY", nullptr, absent},                {"key=1", "KEY", nullptr, absent},
        {"KEYS=1\nKEY=2", "KEY", nullptr, "2"},          {sections, "TOP", nullptr, "0"},
        {sections, "Jump", nullptr, absent},             {sections, "Jump", "s", "a"},
        {sections, "Jump", "keyboard_and_mouse", "b"},   {sections, "Fire", "s", absent},  // next header ends it
        {"[keyboard_and_mouse ]\nJump=1", "Jump", "keyboard_and_mouse", absent},
        {"[\nkeyboard_and_mouse\nJump=1", "Jump", "keyboard_and_mouse", "1"},
        {"[missing", "Jump", "keyboard_and_mouse", absent},
    };
    for (const auto& c : cases) {
        IniValueSpan span;
        std::string got = absent;
        if (ini_find_value(c.text.data(), (u32)c.text.size(), c.section, c.key, &span)) {
            EXPECT_EQ(c.text.substr(span.key_start, span.key_end - span.key_start), c.key);
            got = c.text.substr(span.value_start, span.value_end - span.value_start);
        }
        EXPECT_EQ(got, c.value) << c.text << " / " << c.key;
    }
}

TEST(IniParseInt, ValuesAndThe32BitRange) {
    struct { const char* text; bool ok; i32 value; } cases[] = {
        {"-12", true, -12},  {"", true, 0},       {"-", true, 0},    {"007", true, 7},  {"12a", false, 0},
        {"+5", false, 0},    {" 5", false, 0},    {"--5", false, 0}, {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0}, {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0}};
    for (const auto& c : cases) {
        i32 v = 99;
        EXPECT_EQ(ini_parse_int((const u8*)c.text, (u32)strlen(c.text), &v), c.ok) << c.text;
        if (c.ok) { EXPECT_EQ(v, c.value) << c.text; }
    }
}

}  // namespace
