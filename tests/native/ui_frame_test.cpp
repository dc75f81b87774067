// The UI frame: the tab switch.
#include "ui_test_support.h"

using UiFrame = UiTest;

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
