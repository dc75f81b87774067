#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/log.h"
#include "app/config.h"
#include "support/log_capture.h"

namespace {

AppConfig parse(const std::string& text) {
    AppConfig c;
    memset(&c, 0xAB, sizeof c);  // every field must be written by the parse
    config_parse((const u8*)text.data(), (u32)text.size(), &c);
    return c;
}

std::string scheme(const AppConfig& c) { return std::string((const char*)c.color_scheme_name, c.color_scheme_name_length); }

std::string format(const AppConfig& c) {
    DynString s = config_format(&c, g_default_allocator);
    std::string out((const char*)s.data, s.length);
    dyn_string_free(&s);
    return out;
}

TEST(ConfigParse, FirstRunGivesDefaultsMinimumSizeAndSixMessages) {
    LogCapture capture;
    AppConfig c = parse("");
    EXPECT_EQ(c.window_x, 0);
    EXPECT_EQ(c.window_y, 0);
    EXPECT_EQ(c.window_width, 565);
    EXPECT_EQ(c.window_height, 411);
    EXPECT_EQ(c.tray_icon, 0);
    EXPECT_EQ(scheme(c), "Default");
    std::vector<std::string> expected = {
        "WINDOW_X not present in config.",
        "WINDOW_Y not present in config.",
        "WINDOW_W not present in config.",
        "WINDOW_H not present in config.",
        "TRAY_ICON not present in config.",
        "COLOR_SCHEME not present in config, using Default color scheme.",
    };
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); i++) {
        EXPECT_EQ(lines[i].text, expected[i]);
        EXPECT_EQ(lines[i].level, LOG_LEVEL_ERROR);
    }
}

TEST(ConfigParse, CompleteFileInAnyOrderWithCommentsAndUnknownKeys) {
    LogCapture capture;
    AppConfig c = parse(
        "; written by hand\r\n"
        "COLOR_SCHEME=Solarized dark.ini\r\n"
        "UNKNOWN=5\r\n"
        "WINDOW_H=700\r\n"
        "  ; indented comment WINDOW_W=1\r\n"
        "TRAY_ICON=1\r\n"
        "WINDOW_W=800\r\n"
        "WINDOW_Y=-20\r\n"
        "WINDOW_X=-1200\r\n");
    EXPECT_EQ(c.window_x, -1200);
    EXPECT_EQ(c.window_y, -20);
    EXPECT_EQ(c.window_width, 800);
    EXPECT_EQ(c.window_height, 700);
    EXPECT_EQ(c.tray_icon, 1);
    EXPECT_EQ(scheme(c), "Solarized dark.ini");
    EXPECT_TRUE(capture.lines().empty());
}

TEST(ConfigParse, SizesBelowTheMinimumAreRaised) {
    LogCapture capture;
    AppConfig c = parse("WINDOW_W=300\nWINDOW_H=-5\nWINDOW_X=1\nWINDOW_Y=2\nTRAY_ICON=0\nCOLOR_SCHEME=x\n");
    EXPECT_EQ(c.window_width, 565);
    EXPECT_EQ(c.window_height, 411);
    c = parse("WINDOW_W=565\nWINDOW_H=412\n");
    EXPECT_EQ(c.window_width, 565);
    EXPECT_EQ(c.window_height, 412);
}

TEST(ConfigParse, InvalidValuesGiveZeroAndTheirMessage) {
    LogCapture capture;
    AppConfig c = parse("WINDOW_X=12a\nWINDOW_Y=+5\nWINDOW_W=2147483648\nWINDOW_H=-2147483649\nTRAY_ICON=true\nCOLOR_SCHEME=a\n");
    EXPECT_EQ(c.window_x, 0);
    EXPECT_EQ(c.window_y, 0);
    // Out of the 32-bit range is invalid (no wrap into a negative size), then raised to the minimum.
    EXPECT_EQ(c.window_width, 565);
    EXPECT_EQ(c.window_height, 411);
    EXPECT_EQ(c.tray_icon, 0);
    EXPECT_TRUE(capture.contains("WINDOW_X invalid in config.ini."));
    EXPECT_TRUE(capture.contains("WINDOW_Y invalid in config.ini."));
    EXPECT_TRUE(capture.contains("WINDOW_W invalid in config.ini."));
    EXPECT_TRUE(capture.contains("WINDOW_H invalid in config.ini."));
    EXPECT_TRUE(capture.contains("TRAY_ICON invalid in config.ini."));
    EXPECT_EQ(capture.lines().size(), 5u);
}

TEST(ConfigParse, TrayIconIsExactlyOneByteZeroOrOne) {
    LogCapture capture;
    EXPECT_EQ(parse("TRAY_ICON=1").tray_icon, 1);
    EXPECT_EQ(parse("TRAY_ICON=0").tray_icon, 0);
    capture.clear();
    EXPECT_EQ(parse("TRAY_ICON=01").tray_icon, 0);
    EXPECT_EQ(parse("TRAY_ICON=true").tray_icon, 0);
    EXPECT_EQ(parse("TRAY_ICON=1 ").tray_icon, 0);
    EXPECT_EQ(capture.count("TRAY_ICON invalid in config.ini."), 3);
}

TEST(ConfigParse, SchemeNameOf64BytesIsKept65GivesDefault) {
    LogCapture capture;
    std::string name64(64, 'n');
    name64[0] = 'A';
    name64[63] = 'Z';
    AppConfig c = parse("COLOR_SCHEME=" + name64 + "\n");
    EXPECT_EQ(c.color_scheme_name_length, 64u);
    EXPECT_EQ(scheme(c), name64);
    EXPECT_FALSE(capture.contains("COLOR_SCHEME invalid in config.ini."));

    c = parse("COLOR_SCHEME=" + name64 + "!\n");
    EXPECT_EQ(scheme(c), "Default");
    EXPECT_TRUE(capture.contains("COLOR_SCHEME invalid in config.ini."));
}

TEST(ConfigParse, KeyWithSpaceBeforeEqualsIsNotFound) {
    LogCapture capture;
    AppConfig c = parse("WINDOW_X =40\nWINDOW_Y= 41\n");
    EXPECT_EQ(c.window_x, 0);
    EXPECT_EQ(c.window_y, 41);
    EXPECT_TRUE(capture.contains("WINDOW_X not present in config."));
}

TEST(ConfigFallback, ValuesAreNotRaisedToTheMinimum) {
    AppConfig c;
    memset(&c, 0xAB, sizeof c);
    config_set_fallback(&c);
    EXPECT_EQ(c.window_x, 150);
    EXPECT_EQ(c.window_y, 20);
    EXPECT_EQ(c.window_width, 400);
    EXPECT_EQ(c.window_height, 300);
    EXPECT_EQ(c.tray_icon, 0);
    EXPECT_EQ(c.color_scheme_name_length, 0u);
}

TEST(ConfigFormat, WritesTheSixLinesExactly) {
    AppConfig c = {};
    c.window_x = -1200;
    c.window_y = 7;
    c.window_width = 565;
    c.window_height = 2147483647;
    c.tray_icon = 1;
    memcpy(c.color_scheme_name, "Dark", 4);
    c.color_scheme_name_length = 4;
    EXPECT_EQ(format(c),
              "WINDOW_X=-1200\nWINDOW_Y=7\nWINDOW_W=565\nWINDOW_H=2147483647\nTRAY_ICON=1\nCOLOR_SCHEME=Dark\n");
    c.window_x = -2147483647 - 1;
    c.color_scheme_name_length = 0;
    c.tray_icon = 0;
    EXPECT_EQ(format(c),
              "WINDOW_X=-2147483648\nWINDOW_Y=7\nWINDOW_W=565\nWINDOW_H=2147483647\nTRAY_ICON=0\nCOLOR_SCHEME=\n");
}

TEST(ConfigFormat, SavedTextReadsBackToTheSameRecord) {
    LogCapture capture;
    AppConfig c = {};
    c.window_x = -1200;
    c.window_y = 33;
    c.window_width = 1024;
    c.window_height = 768;
    c.tray_icon = 1;
    std::string name(64, 's');
    memcpy(c.color_scheme_name, name.data(), 64);
    c.color_scheme_name_length = 64;
    AppConfig back = parse(format(c));
    EXPECT_EQ(back.window_x, c.window_x);
    EXPECT_EQ(back.window_y, c.window_y);
    EXPECT_EQ(back.window_width, c.window_width);
    EXPECT_EQ(back.window_height, c.window_height);
    EXPECT_EQ(back.tray_icon, c.tray_icon);
    EXPECT_EQ(scheme(back), name);
    EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
