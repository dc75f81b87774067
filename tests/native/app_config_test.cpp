#include <gtest/gtest.h>
#include <string>
#include <vector>
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

// A file's text, then the record it gives and its messages, all errors.
TEST(ConfigParse, ValuesTheMinimumSizeAndMessages) {
    auto absent = [](const char* key) { return std::string(key) + " not present in config."; };
    auto invalid = [](const char* key) { return std::string(key) + " invalid in config.ini."; };
    const std::string name64 = "A" + std::string(62, 'n') + "Z";
    struct Case {
        std::string text;
        std::vector<i32> fields;  // x, y, width, height, tray icon
        std::string scheme;
        std::vector<std::string> log;
    } cases[] = {
        {"", {0, 0, 565, 411, 0}, "Default",
         {absent("WINDOW_X"), absent("WINDOW_Y"), absent("WINDOW_W"), absent("WINDOW_H"), absent("TRAY_ICON"),
          "COLOR_SCHEME not present in config, using Default color scheme."}},
        {"; written by hand\r\nCOLOR_SCHEME=Solarized dark.ini\r\nUNKNOWN=5\r\nWINDOW_H=700\r\n  ; indented comment WINDOW_W=1\r\n"
         "TRAY_ICON=1\r\nWINDOW_W=800\r\nWINDOW_Y=-20\r\nWINDOW_X=-1200\r\n",
         {-1200, -20, 800, 700, 1}, "Solarized dark.ini", {}},
        // Out of the 32-bit range is invalid (no wrap into a negative size), then raised to the minimum.
        {"WINDOW_X=12a\nWINDOW_Y=+5\nWINDOW_W=2147483648\nWINDOW_H=-2147483649\nTRAY_ICON=true\nCOLOR_SCHEME=a\n", {0, 0, 565, 411, 0}, "a",
         {invalid("WINDOW_X"), invalid("WINDOW_Y"), invalid("WINDOW_W"), invalid("WINDOW_H"), invalid("TRAY_ICON")}},
        {"WINDOW_X=1\nWINDOW_Y=2\nWINDOW_W=300\nWINDOW_H=412\nTRAY_ICON=01\nCOLOR_SCHEME=" + name64 + "\n", {1, 2, 565, 412, 0}, name64,
         {invalid("TRAY_ICON")}},
        {"WINDOW_X=1\nWINDOW_Y=2\nWINDOW_W=565\nWINDOW_H=-5\nTRAY_ICON=1 \nCOLOR_SCHEME=" + name64 + "!\n", {1, 2, 565, 411, 0},
         "Default", {invalid("TRAY_ICON"), invalid("COLOR_SCHEME")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture capture;
        AppConfig config = parse(c.text);
        EXPECT_EQ((std::vector<i32>{config.window_x, config.window_y, config.window_width, config.window_height, config.tray_icon}),
                  c.fields);
        EXPECT_EQ(scheme(config), c.scheme);
        EXPECT_EQ(capture.texts(), c.log);
        for (const CapturedLine& l : capture.lines()) EXPECT_EQ(l.level, LOG_LEVEL_ERROR);
    }
}

// Notepad's "UTF-8 with BOM": one leading byte-order mark is skipped, a second one is not (and
// ends the reading there).
TEST(ByteOrderMark, FirstKeyOfConfigAndSchemeFileIsRead) {
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& start : {bom, bom + bom}) {
        const bool read = start == bom;
        SCOPED_TRACE(read ? "one mark" : "two marks");
        LogCapture capture;
        AppConfig config = parse(start + "WINDOW_X=-40\r\nWINDOW_Y=7\r\n");
        EXPECT_EQ(config.window_x == -40, read);
        EXPECT_EQ(config.window_y == 7, read);
        const std::string text = start + "BACKGROUND_COLOR=102030\r\nTEXT_COLOR=405060\r\n";
        ColorScheme s = {};
        color_scheme_parse_colors((const u8*)text.data(), (u32)text.size(), "x", &s);
        EXPECT_EQ(s.colors[0] == gui_pack_color(0x10, 0x20, 0x30, 0xFF), read);
        EXPECT_EQ(s.colors[1] == gui_pack_color(0x40, 0x50, 0x60, 0xFF), read);
        EXPECT_EQ(capture.contains("WINDOW_X not present in config."), !read);
        EXPECT_EQ(capture.contains("BACKGROUND_COLOR not present in x."), !read);
    }
}

}  // namespace
