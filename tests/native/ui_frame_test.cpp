// The UI frame: the tab switch, and the scheme re-applied when a file was loaded.
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
