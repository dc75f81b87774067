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

// A press held over the inactive tab switches once. The screen drawn in the switching frame is
// the old one: Options (which asks the registry) only from the next frame.
TEST_F(UiFrame, HoldingTheButtonOverTheInactiveTabSwitchesOnce) {
    one_device({"System"});
    const f32 tab = ui_tab_height(H());
    const struct { f32 x; bool down; int frames; bool options; u32 queries; } steps[] = {
        {4.5f, true, 1, true, 0},  // over the Options tab
        {4.5f, true, 3, true, 3},
        {4.5f, false, 1, true, 4},
        {1.0f, true, 1, false, 5},  // over the Mixer tab, now inactive
        {1.0f, true, 2, false, 5},
    };
    for (const auto& s : steps) {
        move(s.x * tab, tab / 2);
        button(s.down);
        frames(s.frames);
        EXPECT_EQ(std::pair(g_ui_options_active, g_fake_tray.queries), std::pair(s.options, s.queries)) << &s - steps;
    }
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
