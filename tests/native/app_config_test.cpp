#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/log.h"
#include "app/color_schemes.h"
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

void expect_window(const AppConfig& c, i32 x, i32 y, i32 w, i32 h, u8 tray) {
    EXPECT_EQ(c.window_x, x);
    EXPECT_EQ(c.window_y, y);
    EXPECT_EQ(c.window_width, w);
    EXPECT_EQ(c.window_height, h);
    EXPECT_EQ(c.tray_icon, tray);
}

TEST(ConfigParse, FirstRunGivesDefaultsMinimumSizeAndSixMessages) {
    LogCapture capture;
    AppConfig c = parse("");
    expect_window(c, 0, 0, 565, 411, 0);
    EXPECT_EQ(scheme(c), "Default");
    EXPECT_EQ(capture.texts(), (std::vector<std::string>{"WINDOW_X not present in config.", "WINDOW_Y not present in config.",
                                                          "WINDOW_W not present in config.", "WINDOW_H not present in config.",
                                                          "TRAY_ICON not present in config.",
                                                          "COLOR_SCHEME not present in config, using Default color scheme."}));
    for (auto& l : capture.lines()) EXPECT_EQ(l.level, LOG_LEVEL_ERROR);
}

TEST(ConfigParse, CompleteFileInAnyOrderWithCommentsAndUnknownKeys) {
    LogCapture capture;
    AppConfig c = parse(
        "; written by hand\r\nCOLOR_SCHEME=Solarized dark.ini\r\nUNKNOWN=5\r\nWINDOW_H=700\r\n"
        "  ; indented comment WINDOW_W=1\r\nTRAY_ICON=1\r\nWINDOW_W=800\r\nWINDOW_Y=-20\r\nWINDOW_X=-1200\r\n");
    expect_window(c, -1200, -20, 800, 700, 1);
    EXPECT_EQ(scheme(c), "Solarized dark.ini");
    EXPECT_TRUE(capture.lines().empty());
    c = parse("WINDOW_W=300\nWINDOW_H=-5\n");  // raised to the minimum
    EXPECT_EQ(c.window_width, 565);
    EXPECT_EQ(c.window_height, 411);
    c = parse("WINDOW_W=565\nWINDOW_H=412\n");
    EXPECT_EQ(c.window_height, 412);
}

TEST(ConfigParse, InvalidValuesGiveZeroAndTheirMessage) {
    LogCapture capture;
    // Out of the 32-bit range is invalid (no wrap into a negative size), then raised to the minimum.
    AppConfig c = parse("WINDOW_X=12a\nWINDOW_Y=+5\nWINDOW_W=2147483648\nWINDOW_H=-2147483649\nTRAY_ICON=true\nCOLOR_SCHEME=a\n");
    expect_window(c, 0, 0, 565, 411, 0);
    EXPECT_EQ(capture.texts(), (std::vector<std::string>{"WINDOW_X invalid in config.ini.", "WINDOW_Y invalid in config.ini.",
                                                          "WINDOW_W invalid in config.ini.", "WINDOW_H invalid in config.ini.",
                                                          "TRAY_ICON invalid in config.ini."}));
    capture.clear();
    EXPECT_EQ(parse("TRAY_ICON=01").tray_icon, 0);
    EXPECT_EQ(parse("TRAY_ICON=1 ").tray_icon, 0);
    EXPECT_EQ(capture.count("TRAY_ICON invalid in config.ini."), 2);
}

TEST(ConfigParse, SchemeNameOf64BytesIsKept65GivesDefault) {
    LogCapture capture;
    std::string name64 = "A" + std::string(62, 'n') + "Z";
    EXPECT_EQ(scheme(parse("COLOR_SCHEME=" + name64 + "\n")), name64);
    EXPECT_FALSE(capture.contains("COLOR_SCHEME invalid in config.ini."));
    EXPECT_EQ(scheme(parse("COLOR_SCHEME=" + name64 + "!\n")), "Default");
    EXPECT_TRUE(capture.contains("COLOR_SCHEME invalid in config.ini."));
}

TEST(ConfigFormat, WritesTheSixLinesInTheOrderTheParseReads) {
    AppConfig c = {-1200, 7, 565, 2147483647, 1};
    memcpy(c.color_scheme_name, "Dark", 4);
    c.color_scheme_name_length = 4;
    EXPECT_EQ(format(c), "WINDOW_X=-1200\nWINDOW_Y=7\nWINDOW_W=565\nWINDOW_H=2147483647\nTRAY_ICON=1\nCOLOR_SCHEME=Dark\n");
}

// Notepad's "UTF-8 with BOM": one leading byte-order mark is skipped, a second one is not.
TEST(ByteOrderMark, FirstKeyOfConfigAndSchemeFileIsRead) {
    const std::string bom = "\xEF\xBB\xBF";
    struct { bool scheme; std::string text; bool read; } cases[] = {
        {false, bom + "WINDOW_X=-40\r\nWINDOW_Y=7\r\n", true},
        {true, bom + "BACKGROUND_COLOR=102030\r\nTEXT_COLOR=405060\r\n", true},
        {false, bom + bom + "WINDOW_X=-40\r\nWINDOW_Y=7\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture capture;
        bool first, second;
        if (c.scheme) {
            ColorScheme s = {};
            color_scheme_parse_colors((const u8*)c.text.data(), (u32)c.text.size(), "x", &s);
            first = s.colors[0] == gui_pack_color(0x10, 0x20, 0x30, 0xFF);
            second = s.colors[1] == gui_pack_color(0x40, 0x50, 0x60, 0xFF);
        } else {
            AppConfig config = parse(c.text);
            first = config.window_x == -40;
            second = config.window_y == 7;
        }
        EXPECT_EQ(first, c.read);
        EXPECT_EQ(second, c.read);
        const char* absent = c.scheme ? "BACKGROUND_COLOR not present in x." : "WINDOW_X not present in config.";
        EXPECT_EQ(capture.contains(absent), !c.read);
    }
}

}  // namespace
