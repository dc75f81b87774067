#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/ini.h"

namespace {

// Looks a key up and returns its value, or "<absent>".
std::string find(const std::string& text, const char* key, const char* section = nullptr) {
    IniValueSpan span;
    if (!ini_find_value(text.data(), (u32)text.size(), section, key, &span)) return "<absent>";
    EXPECT_EQ(text.substr(span.key_start, span.key_end - span.key_start), key);
    return text.substr(span.value_start, span.value_end - span.value_start);
}

TEST(IniLexer, TokenKindsAndLines) {
    std::string text = "[sec]\nKEY = va lue\n;comment\n\x01";
    IniLexer lx = ini_lexer(text.data(), (u32)text.size());
    IniToken t = ini_next_token(&lx);
    EXPECT_EQ(t.kind, INI_TOKEN_BRACKET);
    t = ini_next_token(&lx);
    EXPECT_EQ(t.kind, INI_TOKEN_WORD);  // "sec]" : a word swallows the closing bracket
    EXPECT_EQ(text.substr(t.start, t.end - t.start), "sec]");
    t = ini_next_token(&lx);
    EXPECT_EQ(t.kind, INI_TOKEN_WORD);
    EXPECT_EQ(text.substr(t.start, t.end - t.start), "KEY ");
    EXPECT_EQ(t.line, 2u);
    t = ini_next_token(&lx);
    EXPECT_EQ(t.kind, INI_TOKEN_ASSIGN);
    EXPECT_EQ(t.start, t.end);
    t = ini_next_token(&lx);
    EXPECT_EQ(text.substr(t.start, t.end - t.start), "va lue");
    t = ini_next_token(&lx);
    EXPECT_EQ(t.kind, INI_TOKEN_UNKNOWN);
    EXPECT_EQ(t.line, 4u);
    IniToken again = ini_next_token(&lx);  // unknown bytes are not consumed
    EXPECT_EQ(again.kind, INI_TOKEN_UNKNOWN);
    EXPECT_EQ(again.start, t.start);
}

TEST(IniLexer, CommentRunningToTheEndIsTheEnd) {
    std::string text = "  ; only a comment";
    IniLexer lx = ini_lexer(text.data(), (u32)text.size());
    EXPECT_EQ(ini_next_token(&lx).kind, INI_TOKEN_END);
    IniLexer empty = ini_lexer("", 0);
    IniToken end = ini_next_token(&empty);
    EXPECT_EQ(end.kind, INI_TOKEN_END);
    EXPECT_EQ(end.line, 1u);
}

TEST(IniFind, SpacesAroundTheAssignment) {
    EXPECT_EQ(find("KEY = value", "KEY"), "<absent>");  // the key word is "KEY "
    EXPECT_EQ(find("KEY= value", "KEY"), "value");
    EXPECT_EQ(find("KEY=value ; note", "KEY"), "value ; note");
    EXPECT_EQ(find("  ; KEY=1\nKEY=2", "KEY"), "2");
    EXPECT_EQ(find("KEY=value   \r\nX=1", "KEY"), "value   ");
}

TEST(IniFind, LineBreaksDoNotEndAnEntry) {
    EXPECT_EQ(find("KEY=\nNEXT=1", "KEY"), "NEXT");
    EXPECT_EQ(find("A=B\nB=5", "B"), "<absent>");  // B matches A's value, then no "="
}

TEST(IniFind, BytesAboveAsciiAndBrackets) {
    EXPECT_EQ(find("\xC3\xA9=1\nKEY=2", "KEY"), "<absent>");
    EXPECT_EQ(find("KEY=ab\xC3\xA9z", "KEY"), "ab");
    EXPECT_EQ(find("A=[x]\nB=2", "A"), "<absent>");
    EXPECT_EQ(find("A=[x]\nB=2", "B"), "<absent>");
    EXPECT_EQ(find("KEY", "KEY"), "<absent>");
    EXPECT_EQ(find("KEY=", "KEY"), "<absent>");
    EXPECT_EQ(find("key=1", "KEY"), "<absent>");  // case-sensitive
    EXPECT_EQ(find("KEYS=1\nKEY=2", "KEY"), "2");
}

TEST(IniFind, Sections) {
    std::string text = "TOP=0\n[other]\nJump=keyboard_a\n[keyboard_and_mouse]\nJump=keyboard_space\nFire=mouse_left\n";
    EXPECT_EQ(find(text, "TOP"), "0");
    EXPECT_EQ(find(text, "Jump"), "<absent>");  // no section: only entries before the first bracket
    EXPECT_EQ(find(text, "Jump", "other"), "keyboard_a");
    EXPECT_EQ(find(text, "Jump", "keyboard_and_mouse"), "keyboard_space");
    EXPECT_EQ(find(text, "Fire", "keyboard_and_mouse"), "mouse_left");
    EXPECT_EQ(find(text, "Fire", "other"), "<absent>");  // the next header ends the section
    EXPECT_EQ(find("[keyboard_and_mouse ]\nJump=1", "Jump", "keyboard_and_mouse"), "<absent>");
    EXPECT_EQ(find("[ keyboard_and_mouse\n]\nJump=1", "Jump", "keyboard_and_mouse"), "<absent>");
    EXPECT_EQ(find("[\nkeyboard_and_mouse\nJump=1", "Jump", "keyboard_and_mouse"), "1");
    EXPECT_EQ(find("[missing", "Jump", "keyboard_and_mouse"), "<absent>");
}

TEST(IniParseInt, Values) {
    auto parse = [](const std::string& s, i32* out) { return ini_parse_int((const u8*)s.data(), (u32)s.size(), out); };
    i32 v = 99;
    EXPECT_TRUE(parse("-12", &v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(parse("", &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(parse("-", &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(parse("007", &v));
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(parse("12a", &v));
    EXPECT_FALSE(parse("+5", &v));
    EXPECT_FALSE(parse(" 5", &v));
    EXPECT_FALSE(parse("--5", &v));
}

TEST(IniParseInt, OutsideThe32BitRangeIsInvalid) {
    auto parse = [](const std::string& s, i32* out) { return ini_parse_int((const u8*)s.data(), (u32)s.size(), out); };
    i32 v = 0;
    EXPECT_TRUE(parse("2147483647", &v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(parse("-2147483648", &v));
    EXPECT_EQ(v, (i32)-2147483648LL);
    EXPECT_FALSE(parse("2147483648", &v));
    EXPECT_FALSE(parse("-2147483649", &v));
    EXPECT_FALSE(parse("99999999999999999999999", &v));
}

}  // namespace
