#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "app/color_schemes.h"
#include "support/log_capture.h"

namespace {

// The colour as it lies in memory: red, green, blue, alpha.
std::vector<int> bytes_of(u32 color) {
    u8 b[4];
    memcpy(b, &color, 4);
    return {b[0], b[1], b[2], b[3]};
}

std::string name_of(const ColorScheme& s) { return std::string((const char*)s.name, s.name_length); }

TEST(ParseColor, OneToFourChannelsWithOptionalPrefixAndNothingElse) {
    const std::pair<const char*, std::vector<int>> valid[] = {
        {"FF", {255, 0, 0, 255}},           {"00FF", {0, 255, 0, 255}},
        {"1A1A1A", {0x1A, 0x1A, 0x1A, 255}}, {"1A1A1A80", {0x1A, 0x1A, 0x1A, 0x80}},
        {"0x2C2C2CFF", {0x2C, 0x2C, 0x2C, 0xFF}}, {"0x1A1A1A", {0x1A, 0x1A, 0x1A, 255}},
        {"09AF00", {0x09, 0xAF, 0x00, 255}}, {"00000000", {0, 0, 0, 0}},
    };
    for (const auto& [text, expected] : valid) {
        u32 color = 0;
        EXPECT_TRUE(parse_color((const u8*)text, (u32)strlen(text), &color)) << text;
        EXPECT_EQ(bytes_of(color), expected) << text;
    }
    for (const char* text : {"", "F", "1a1a1a", "FFffFF", "0X1A1A1A", "FFF", "FFFFF", "FF0000FF ", " FF", "0x", "0xF",
                             "0x0x11", "1A1A1A1A1A", "GG", "F-", "FF0000FFF", "0xFF0000FF0"}) {
        u32 color = 0x12345678;
        EXPECT_FALSE(parse_color((const u8*)text, (u32)strlen(text), &color)) << '"' << text << '"';
        EXPECT_EQ(color, 0x12345678u) << text;
    }
}

class ColorSchemes : public testing::Test {
protected:
    void SetUp() override {
        color_schemes_list_create();
        color_schemes_list_reset();
        g_selected_color_scheme = 0;
    }
    void TearDown() override {
        dyn_array_free(&g_color_schemes);
        g_selected_color_scheme = 0;
    }
    void add(const std::string& name) {
        ColorScheme s;
        ASSERT_TRUE(color_scheme_begin(name.c_str(), &s));
        color_scheme_append(&s);
    }
    u32 select(const std::string& configured) {
        AppConfig config = {};
        memcpy(config.color_scheme_name, configured.data(), configured.size());
        config.color_scheme_name_length = (u32)configured.size();
        color_scheme_select_configured(&config);
        return g_selected_color_scheme;
    }
};

// Each key falls back to the built-in colour on its own, with an error naming it and the file. The
// colours of valid values are ParseColor's, the fuzzer's and the files story's.
TEST_F(ColorSchemes, KeysFallBackOneByOne) {
    const std::string path = "color_schemes\\sub\\Mixed.ini";
    const std::string text = "; a comment\nOTHER=FF\nTEXT_COLOR=0x11223344\nBACKGROUND_COLOR=102030\nBUTTON=2c2c2cff\n"
                             "BUTTON_HOVERED=FF0000FF \nSLIDER_GAUGE=ABC\nCHECK_BOX_CHECKED=0X00FF00\nCHECK_BOX_UNCHECKED=80\n"
                             "TEXT_INPUT_BORDER = 123456\nSCROLL_BAR_SLIDE_BAR=00FF\n";
    LogCapture capture;
    ColorScheme s;
    ASSERT_TRUE(color_scheme_begin(path.c_str(), &s));
    color_scheme_parse_colors((const u8*)text.data(), (u32)text.size(), path.c_str(), &s);
    const std::vector<std::string> invalid = {"BUTTON", "BUTTON_HOVERED", "SLIDER_GAUGE", "CHECK_BOX_CHECKED"};
    const std::vector<std::string> valid = {"BACKGROUND_COLOR", "TEXT_COLOR", "CHECK_BOX_UNCHECKED", "SCROLL_BAR_SLIDE_BAR"};
    std::vector<std::string> expected;
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        std::string key = g_color_scheme_keys[i];
        bool is_invalid = std::count(invalid.begin(), invalid.end(), key) > 0;
        if (std::count(valid.begin(), valid.end(), key)) continue;
        expected.push_back(key + (is_invalid ? " invalid in " : " not present in ") + path + ".");
        EXPECT_EQ(s.colors[i], g_color_scheme_default.colors[i]) << key;
    }
    EXPECT_EQ(capture.texts(), expected);
    for (const CapturedLine& l : capture.lines()) EXPECT_EQ(l.level, LOG_LEVEL_ERROR);
    EXPECT_EQ(name_of(s), "Mixed.ini");
    for (u32 i = s.name_length; i < COLOR_SCHEME_NAME_CAPACITY; i++) EXPECT_EQ(s.name[i], 0) << i;
}

TEST_F(ColorSchemes, ConfiguredNameSelectsTheFirstSchemeItPrefixesOrDefaultSilently) {
    LogCapture capture;
    for (const char* name : {"Darker.ini", "Dark.ini", "Light.ini", "Ab"}) add(name);
    const std::pair<const char*, u32> cases[] = {
        {"Dark", 1},  // "Darker.ini" comes first
        {"Dark.ini", 2}, {"Light", 3}, {"", 0}, {"Default", 0}, {"Solarized.ini", 0},
        {"Dark.ini.bak", 0},  // longer than the scheme's name
        {"Abfault", 0},       // must not match "Ab" through bytes past its name
    };
    for (auto [name, index] : cases) {
        g_selected_color_scheme = 3;
        EXPECT_EQ(select(name), index) << name;
    }
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(ColorSchemes, ListStartsWithDefaultAndASelectionPastItGivesDefault) {
    dyn_array_free(&g_color_schemes);  // before any list exists the built-in record stands in
    g_selected_color_scheme = 3;
    EXPECT_EQ(name_of(*color_scheme_selected()), "Default");
    color_schemes_list_create();
    g_color_schemes_loaded = false;
    color_schemes_list_reset();
    EXPECT_FALSE(g_color_schemes_loaded);  // only files count as loaded
    for (int i = 0; i < 13; i++) add("s" + std::to_string(i));
    EXPECT_TRUE(g_color_schemes_loaded);
    ASSERT_EQ(g_color_schemes.count, 14u);
    EXPECT_EQ(name_of(g_color_schemes.data[0]) + name_of(g_color_schemes.data[13]), "Defaults12");
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[3]);
    // A rebuild starts over from "Default"; finding fewer files it keeps the index but must not
    // read past the list.
    color_schemes_list_reset();
    add("A.ini");
    EXPECT_EQ(g_color_schemes.count, 2u);
    EXPECT_EQ(g_selected_color_scheme, 3u);
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[0]);
    EXPECT_EQ(color_scheme_selected_index(), 0u);
}

}  // namespace
