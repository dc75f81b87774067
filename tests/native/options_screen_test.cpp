// The Options screen, driven by whole frames: run at log-in against the registry stand-in and
// the colour-scheme chooser.
#include <string.h>
#include "ui_test_support.h"

class Options : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_ui_options_active = true;
        add_schemes(3);
    }
    void add_schemes(int n) {
        for (int i = 0; i < n; i++) {
            std::string name = "Scheme" + std::to_string(g_color_schemes.count) + ".ini";
            dyn_array_push(&g_color_schemes, ui_test_scheme(name.c_str(), (u8)(30 * g_color_schemes.count)));
        }
    }
    // The list's first frame is the one whose press opened it. The press is on the button's
    // bottom row, where the list's first entry starts: it must not pick that entry too.
    void open_scheme_list() { move(100, kListY), button(true), frame(), move(100, 150), button(false); }
    // The check boxes' colours are crossed: CHECK_BOX_UNCHECKED shows a checked box.
    u32 box(bool checked) const { return color(checked ? GUI_COLOR_CHECK_BOX_UNCHECKED : GUI_COLOR_CHECK_BOX_CHECKED); }
    static constexpr f32 kListX = 60.0f, kListY = 165.0f;
};

TEST_F(Options, TheRunAtLogInBoxIsTheRegistry) {
    frame();
    click(38, 98);
    frames(2);
    EXPECT_EQ(g_fake_tray.registers, 1u);
    EXPECT_EQ(pixel(pixels(), 31, 91), box(true));
    g_fake_tray.registered = false;  // removed by another program: unchecked, nothing written
    frame();
    EXPECT_EQ(pixel(pixels(), 31, 91), box(false));
    EXPECT_EQ(g_fake_tray.unregisters, 0u);
}

TEST_F(Options, TheSchemeListIsEmptyOnItsFirstFrameThenFortyPerSchemeAndAChoiceRecoloursAtOnce) {
    frame();
    open_scheme_list();
    EXPECT_TRUE(g_options.scheme_list_open);
    const u32 background = color(GUI_COLOR_BACKGROUND);
    EXPECT_EQ(pixel(pixels(), kListX + 10, kListY + 5), background);
    frame();
    auto p = pixels();
    EXPECT_EQ(pixel(p, kListX + 1, kListY + 1), color(GUI_COLOR_BUTTON));
    EXPECT_EQ(pixel(p, kListX + 129, kListY + 159), color(GUI_COLOR_BUTTON));
    EXPECT_EQ(pixel(p, kListX + 10, kListY + 161), background);
    add_schemes(3);  // seven schemes: 180 high, the rest reached by the wheel
    frames(2);
    p = pixels();
    EXPECT_EQ(pixel(p, kListX + 1, kListY + 179), color(GUI_COLOR_BUTTON));
    EXPECT_EQ(pixel(p, kListX + 10, kListY + 181), background);
    move(kListX + 20, kListY + 50);
    g_mouse.wheel = (u32)-120;  // one notch towards the user
    frame();
    EXPECT_FLOAT_EQ(g_options.scheme_list_fraction, 0.15f);
    // A choice recolours at once and closes the list.
    move(kListX + 50, kListY + 2 * 40 + 20);  // the third entry, "Scheme2.ini", scrolled up by 15
    button(true);
    frame();
    EXPECT_EQ(g_selected_color_scheme, 2u);
    EXPECT_EQ(std::string((const char*)g_config.color_scheme_name, g_config.color_scheme_name_length), "Scheme2.ini");
    EXPECT_FALSE(g_options.scheme_list_open);
    const ColorScheme& chosen = g_color_schemes.data[2];
    // Applied within the frame: the styles hold the new colours; what was drawn before the click
    // (the background) still has the old ones.
    EXPECT_EQ(DefaultButtonStyle.normal_color, chosen.colors[GUI_COLOR_BUTTON]);
    EXPECT_EQ(pixel(pixels(), 400, 300), background);
    button(false);
    frame();
    p = pixels();
    EXPECT_EQ(pixel(p, 400, 300), chosen.colors[GUI_COLOR_BACKGROUND]);
    EXPECT_EQ(pixel(p, 61, 141), chosen.colors[GUI_COLOR_BUTTON]);
    EXPECT_EQ(pixel(p, 31, 61), chosen.colors[GUI_COLOR_CHECK_BOX_CHECKED]);
    EXPECT_EQ(pixel(p, kListX + 10, kListY + 5), chosen.colors[GUI_COLOR_BACKGROUND]) << "closed";
}
