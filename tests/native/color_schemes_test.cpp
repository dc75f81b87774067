#include <gtest/gtest.h>
#include <string.h>
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

bool parse(const std::string& text, u32* out) { return parse_color((const u8*)text.data(), (u32)text.size(), out); }

std::vector<int> parsed(const std::string& text) {
    u32 color = 0;
    EXPECT_TRUE(parse(text, &color)) << text;
    return bytes_of(color);
}

std::string name_of(const ColorScheme& s) { return std::string((const char*)s.name, s.name_length); }

TEST(ParseColor, AcceptsOneToFourChannelsWithOptionalPrefix) {
    EXPECT_EQ(parsed("FF"), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(parsed("00FF"), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(parsed("1A1A1A"), (std::vector<int>{0x1A, 0x1A, 0x1A, 255}));
    EXPECT_EQ(parsed("1A1A1A80"), (std::vector<int>{0x1A, 0x1A, 0x1A, 0x80}));
    EXPECT_EQ(parsed("0x2C2C2CFF"), parsed("2C2C2CFF"));
    EXPECT_EQ(parsed("0x2C2C2CFF"), (std::vector<int>{0x2C, 0x2C, 0x2C, 0xFF}));
    EXPECT_EQ(parsed("0x1A1A1A"), (std::vector<int>{0x1A, 0x1A, 0x1A, 255}));
    EXPECT_EQ(parsed("09AF00"), (std::vector<int>{0x09, 0xAF, 0x00, 255}));
    EXPECT_EQ(parsed("00000000"), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ParseColor, RefusesMalformedValuesAndLeavesTheOutputAlone) {
    const char* invalid[] = {
        "",          "F",         "1a1a1a",     "FFffFF",   "0X1A1A1A", "FFF",        "FFFFF",
        "FF0000FF ", " FF",       "0x",         "0xF",      "0x0x11",   "1A1A1A1A1A", "GG",
        "F-",        "FF0000FFF", "0xFF0000FF0",
    };
    for (const char* text : invalid) {
        u32 color = 0x12345678;
        EXPECT_FALSE(parse(text, &color)) << '"' << text << '"';
        EXPECT_EQ(color, 0x12345678u) << text;
    }
}

class ColorSchemes : public testing::Test {
protected:
    void SetUp() override {
        color_schemes_list_create();
        g_selected_color_scheme = 0;
        g_color_schemes_loaded = false;
    }
    void TearDown() override {
        dyn_array_free(&g_color_schemes);
        g_selected_color_scheme = 0;
    }

    // A scheme named `name` parsed from `text`, as a load would build it.
    ColorScheme scheme_from(const std::string& path, const std::string& text) {
        ColorScheme s;
        EXPECT_TRUE(color_scheme_begin(path.c_str(), &s));
        color_scheme_parse_colors((const u8*)text.data(), (u32)text.size(), path.c_str(), &s);
        return s;
    }

    void add(const std::string& name) {
        ColorScheme s;
        ASSERT_TRUE(color_scheme_begin(name.c_str(), &s));
        color_scheme_append(&s);
    }

    void select(const std::string& configured) {
        AppConfig config = {};
        memcpy(config.color_scheme_name, configured.data(), configured.size());
        config.color_scheme_name_length = (u32)configured.size();
        color_scheme_select_configured(&config);
    }
};

TEST_F(ColorSchemes, BuiltInDefaultMatchesItsFileForm) {
    // "Default" written out as a scheme file must give the built-in colours, key for key.
    const std::string text =
        "BACKGROUND_COLOR=1A1A1AFF\nTEXT_COLOR=FFFFFFFF\nBUTTON=2C2C2CFF\nBUTTON_HOVERED=464646FF\n"
        "TEXT_INPUT_BACKGROUND=2A2A2AFF\nTEXT_INPUT_BORDER=00000000\nTEXT_INPUT_CURSOR=CCCCCCFF\n"
        "TEXT_INPUT_SELECT_BOX=797A7AFF\nVOLUME_CONTROL_BORDER=2E2E2EFF\nVOLUME_CONTROL_BACKGROUND=3A3A3AFF\n"
        "SLIDER_GAUGE=2C2C2CFF\nSLIDER_CONTROL=1A1A1AFF\nSLIDER_CONTROL_HOVERED=2E2E2EFF\n"
        "SLIDER_CONTROL_ACTIVATED=2E2E2EFF\nSCROLLABLE_REGION_BACKGROUND=2E2E2EFF\n"
        "SCROLL_BAR_BACKWARD_BUTTON=161616FF\nSCROLL_BAR_FORWARD_BUTTON=161616FF\nSCROLL_BAR_SLIDE_BAR=2C2C2CFF\n"
        "CHECK_BOX_CHECKED=CCCCCCFF\nCHECK_BOX_UNCHECKED=555555FF\n";
    ColorScheme zeroed;
    memset(&zeroed, 0, sizeof(zeroed));
    LogCapture capture;
    ColorScheme from_file = scheme_from("x", text);
    EXPECT_TRUE(capture.lines().empty());
    // Parse into an all-zero record so a key that was not read shows up.
    color_scheme_parse_colors((const u8*)text.data(), (u32)text.size(), "x", &zeroed);
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        EXPECT_EQ(zeroed.colors[i], g_color_scheme_default.colors[i]) << g_color_scheme_keys[i];
        EXPECT_EQ(from_file.colors[i], g_color_scheme_default.colors[i]) << g_color_scheme_keys[i];
    }
    EXPECT_EQ(name_of(g_color_scheme_default), "Default");
    EXPECT_EQ(bytes_of(g_color_scheme_default.colors[GUI_COLOR_TEXT_INPUT_SELECT_BOX]),
              (std::vector<int>{0x79, 0x7A, 0x7A, 0xFF}));
}

TEST_F(ColorSchemes, FileWithoutKeysIsDefaultAfterTwentyMessages) {
    LogCapture capture;
    ColorScheme s = scheme_from("color_schemes\\Empty.ini", "; nothing here\nOTHER=FF\n");
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 20u);
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        EXPECT_EQ(lines[i].text, std::string(g_color_scheme_keys[i]) + " not present in color_schemes\\Empty.ini.");
        EXPECT_EQ(lines[i].level, LOG_LEVEL_ERROR);
    }
    EXPECT_EQ(memcmp(s.colors, g_color_scheme_default.colors, sizeof(s.colors)), 0);
    EXPECT_EQ(name_of(s), "Empty.ini");
}

TEST_F(ColorSchemes, MixedKeysFallBackOneByOne) {
    const std::string path = "color_schemes\\Mixed.ini";
    const std::string text =
        "; a partial scheme\n"
        "TEXT_COLOR=0x11223344\n"
        "BACKGROUND_COLOR=102030\n"
        "BUTTON=2c2c2cff\n"            // lower case
        "BUTTON_HOVERED=FF0000FF \n"   // trailing space
        "SLIDER_GAUGE=ABC\n"           // 3 digits
        "CHECK_BOX_CHECKED=0X00FF00\n" // upper-case X
        "CHECK_BOX_UNCHECKED=80\n"
        "TEXT_INPUT_BORDER = 123456\n" // the key word is "TEXT_INPUT_BORDER "
        "SCROLL_BAR_SLIDE_BAR=00FF\n";
    LogCapture capture;
    ColorScheme s = scheme_from(path, text);

    std::vector<std::string> expected;
    const char* invalid[] = {"BUTTON", "BUTTON_HOVERED", "SLIDER_GAUGE", "CHECK_BOX_CHECKED"};
    const char* valid[] = {"BACKGROUND_COLOR", "TEXT_COLOR", "CHECK_BOX_UNCHECKED", "SCROLL_BAR_SLIDE_BAR"};
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        std::string key = g_color_scheme_keys[i];
        bool is_invalid = false, is_valid = false;
        for (const char* k : invalid) is_invalid |= key == k;
        for (const char* k : valid) is_valid |= key == k;
        if (is_invalid) {
            expected.push_back(key + " invalid in " + path + ".");
        } else if (!is_valid) {
            expected.push_back(key + " not present in " + path + ".");
        }
        if (!is_valid) {
            EXPECT_EQ(s.colors[i], g_color_scheme_default.colors[i]) << key;
        }
    }
    EXPECT_EQ(capture.texts(), expected);
    EXPECT_EQ(bytes_of(s.colors[GUI_COLOR_BACKGROUND]), (std::vector<int>{0x10, 0x20, 0x30, 0xFF}));
    EXPECT_EQ(bytes_of(s.colors[GUI_COLOR_TEXT]), (std::vector<int>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(bytes_of(s.colors[GUI_COLOR_CHECK_BOX_UNCHECKED]), (std::vector<int>{0x80, 0, 0, 0xFF}));
    EXPECT_EQ(bytes_of(s.colors[GUI_COLOR_SCROLL_BAR_SLIDE_BAR]), (std::vector<int>{0, 0xFF, 0, 0xFF}));
}

TEST_F(ColorSchemes, NameIsThePathsLastPartUpToSixtyFourBytes) {
    ColorScheme s;
    ASSERT_TRUE(color_scheme_begin("color_schemes\\sub\\Dark.ini", &s));
    EXPECT_EQ(name_of(s), "Dark.ini");
    for (u32 i = s.name_length; i < COLOR_SCHEME_NAME_CAPACITY; i++) EXPECT_EQ(s.name[i], 0) << i;

    std::string name64(64, 'n');
    ASSERT_TRUE(color_scheme_begin(("color_schemes\\" + name64).c_str(), &s));
    EXPECT_EQ(name_of(s), name64);

    LogCapture capture;
    std::string path65 = "color_schemes\\" + std::string(65, 'n');
    EXPECT_FALSE(color_scheme_begin(path65.c_str(), &s));
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Cannot load color scheme " + path65 +
                                                        " because its name is too long (maximum is 64 bytes)."});
}

TEST_F(ColorSchemes, ListStartsWithDefaultAndGrowsByTwelve) {
    EXPECT_EQ(g_color_schemes.capacity, 12u);
    EXPECT_EQ(g_color_schemes.count, 0u);
    color_schemes_list_reset();
    EXPECT_FALSE(g_color_schemes_loaded);  // "Default" alone is not a loaded file
    for (int i = 0; i < 12; i++) add("s" + std::to_string(i));
    EXPECT_TRUE(g_color_schemes_loaded);
    EXPECT_EQ(g_color_schemes.count, 13u);
    EXPECT_EQ(g_color_schemes.capacity, 24u);
    EXPECT_EQ(name_of(g_color_schemes.data[0]), "Default");
    EXPECT_EQ(name_of(g_color_schemes.data[12]), "s11");
    // A rebuild starts over from "Default" and keeps the block.
    color_schemes_list_reset();
    EXPECT_EQ(g_color_schemes.count, 1u);
    EXPECT_EQ(g_color_schemes.capacity, 24u);
}

TEST_F(ColorSchemes, ConfiguredNameSelectsTheFirstSchemeItPrefixes) {
    color_schemes_list_reset();
    add("Dark.ini");
    add("Light.ini");
    select("Dark.ini");
    EXPECT_EQ(g_selected_color_scheme, 1u);
    select("Dark");
    EXPECT_EQ(g_selected_color_scheme, 1u);
    select("Light");
    EXPECT_EQ(g_selected_color_scheme, 2u);
    select("");
    EXPECT_EQ(g_selected_color_scheme, 0u);
    select("Default");
    EXPECT_EQ(g_selected_color_scheme, 0u);

    // An earlier name that also starts with "Dark" wins.
    color_schemes_list_reset();
    add("Darker.ini");
    add("Dark.ini");
    select("Dark");
    EXPECT_EQ(g_selected_color_scheme, 1u);
    select("Dark.ini");
    EXPECT_EQ(g_selected_color_scheme, 2u);
}

TEST_F(ColorSchemes, UnknownNameSelectsDefaultSilently) {
    color_schemes_list_reset();
    add("Dark.ini");
    add("Ab");
    g_selected_color_scheme = 2;
    LogCapture capture;
    select("Solarized.ini");
    EXPECT_EQ(g_selected_color_scheme, 0u);
    select("Dark.ini.bak");  // longer than the scheme's name
    EXPECT_EQ(g_selected_color_scheme, 0u);
    select("Abfault");  // must not match "Ab" through bytes past its name
    EXPECT_EQ(g_selected_color_scheme, 0u);
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(ColorSchemes, SelectedIndexPastTheListGivesDefault) {
    // Before any list exists the built-in record stands in.
    dyn_array_free(&g_color_schemes);
    g_selected_color_scheme = 3;
    EXPECT_EQ(name_of(*color_scheme_selected()), "Default");

    color_schemes_list_create();
    color_schemes_list_reset();
    add("A.ini");
    add("B.ini");
    add("C.ini");
    g_selected_color_scheme = 3;
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[3]);
    EXPECT_EQ(color_scheme_selected_index(), 3u);

    // A rebuild that finds fewer files keeps the index but must not read past the list.
    color_schemes_list_reset();
    add("A.ini");
    EXPECT_EQ(g_selected_color_scheme, 3u);
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[0]);
    EXPECT_EQ(color_scheme_selected_index(), 0u);
    EXPECT_EQ(name_of(*color_scheme_selected()), "Default");
    g_selected_color_scheme = 2;
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[0]);
    g_selected_color_scheme = 1;
    EXPECT_EQ(name_of(*color_scheme_selected()), "A.ini");
}

}  // namespace
