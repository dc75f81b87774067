// The UI frame: background, the two tabs and their switch, and the scheme re-applied when a
// file was loaded.
#include "ui_test_support.h"

class UiFrame : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        dyn_array_push(&g_color_schemes, ui_test_scheme("Vivid.ini", 40));
        g_selected_color_scheme = 1;
        gui_apply_color_scheme(color_scheme_selected()->colors);
    }
};

TEST_F(UiFrame, TabsScaleWithTheWindowHeightUpToForty) {
    for (auto [height, tab_h, tab_w] : {std::tuple{1000u, 40.0f, 120.0f}, {500u, 27.5f, 82.5f}}) {
        window_size(1000, height);
        EXPECT_FLOAT_EQ(ui_tab_height((f32)height), tab_h);
        frame();
        // The Options tab (inactive) in the button colour; the background around it and under
        // the active Mixer tab.
        auto p = pixels();
        const u32 button = color(GUI_COLOR_BUTTON), background = color(GUI_COLOR_BACKGROUND);
        EXPECT_EQ((std::vector<u32>{pixel(p, tab_w + 1, 1), pixel(p, 2 * tab_w - 1, tab_h - 1), pixel(p, tab_w + 1, tab_h + 1),
                                    pixel(p, 2 * tab_w + 1, 1), pixel(p, 1, 1), pixel(p, tab_w - 1, tab_h - 1)}),
                  (std::vector<u32>{button, button, background, background, background, background}));
    }
}

TEST_F(UiFrame, HoldingTheButtonOverTheInactiveTabSwitchesOnce) {
    one_device({"System"});
    const f32 tab = ui_tab_height(H());
    move(4.5f * tab, tab / 2);  // over the Options tab
    button(true);
    frame();
    EXPECT_TRUE(g_ui_options_active);
    // The Mixer screen was drawn in the switching frame; Options (which asks the registry) from
    // the next one.
    EXPECT_EQ(g_fake_tray.queries, 0u);
    frames(3);
    EXPECT_TRUE(g_ui_options_active);
    EXPECT_EQ(g_fake_tray.queries, 3u);
    EXPECT_EQ(pixel(pixels(), 1, 1), color(GUI_COLOR_BUTTON));
    EXPECT_EQ(pixel(pixels(), 3 * tab + 1, 1), color(GUI_COLOR_BACKGROUND));
    button(false);
    frame();
    move(tab, tab / 2);  // over the Mixer tab, now inactive
    button(true);
    frame();  // still drawn as Options
    EXPECT_FALSE(g_ui_options_active);
    frames(2);
    EXPECT_FALSE(g_ui_options_active);
    EXPECT_EQ(g_fake_tray.queries, 5u);
}

TEST_F(UiFrame, ALoadedSchemeFileIsAppliedAtTheTopOfTheNextFrame) {
    frame();
    EXPECT_EQ(pixel(pixels(), 400, 300), color(GUI_COLOR_BACKGROUND));
    g_color_schemes.data[1] = ui_test_scheme("Vivid.ini", 90);  // a rebuild put another scheme there
    g_color_schemes_loaded = true;
    frame();
    EXPECT_FALSE(g_color_schemes_loaded);
    EXPECT_EQ(DefaultButtonStyle.normal_color, color(GUI_COLOR_BUTTON));
    EXPECT_EQ(pixel(pixels(), 400, 300), color(GUI_COLOR_BACKGROUND));
}
