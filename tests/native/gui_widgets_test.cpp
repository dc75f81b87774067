// Widgets driven through whole frames: what they return frame by frame and where their pixels land.
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"

namespace {

class GuiWidgetTest : public GuiTest {
protected:
    TextLayout lay_out(const char* text) {
        return text_layout((const u8*)text, (u32)strlen(text), glyphs, g_default_allocator);
    }
};

//-----------------------------------------------------------------------------
// Rectangle, panel, box and labels
//-----------------------------------------------------------------------------

TEST_F(GuiWidgetTest, PanelRoundsItsCornersAndBoxInsetsItsInnerRectangle) {
    LayoutNode panel_node, box_node;
    DefaultBoxStyle.outer_color = RED;
    DefaultBoxStyle.inner_color = BLUE;
    DefaultBoxStyle.border_thickness = 3;
    frame(gui_mouse(0, 0), [&] {
        GuiPanelParams panel = {&panel_node, 40, 40, 1.0f, GREEN, GUI_NO_TEXTURE, 10, 10};
        gui_panel(ctx, panel);
        GuiBoxParams box = {&DefaultBoxStyle, 50, 30, 100, 10, nullptr, ALIGN_TOP_LEFT, &box_node};
        gui_box(ctx, box);
    });
    EXPECT_EQ(px(10, 10), CLEAR) << "a circle leaves the corner empty";
    EXPECT_EQ(px(30, 30), GREEN);
    EXPECT_FLOAT_EQ(panel_node.w, 40);
    EXPECT_EQ(px(100, 10), RED);
    EXPECT_EQ(px(102, 12), RED);
    EXPECT_EQ(px(103, 13), BLUE);
    EXPECT_EQ(px(146, 36), BLUE);
    EXPECT_EQ(px(147, 37), RED);
    EXPECT_EQ(px(149, 39), RED);
    EXPECT_EQ(px(150, 40), CLEAR);
    EXPECT_FLOAT_EQ(box_node.x, 100);
    EXPECT_FLOAT_EQ(box_node.h, 30);
}

TEST_F(GuiWidgetTest, VerticalAdjustPutsTheGlyphBoxTopWhereTheLabelIs) {
    TextLayout l = lay_out("Hello");
    ASSERT_LT(l.vertical_offset, 0.0f);
    LayoutNode plain, adjusted;
    frame(gui_mouse(0, 0), [&] {
        GuiLabelUnboundedParams p = {glyphs, atlas, "Hello", 5, GREEN, 10, 40, &plain};
        gui_label_unbounded(ctx, p);
        GuiLabelUnboundedParams q = {glyphs, atlas, "Hello", 5, BLUE, 100, 40, &adjusted, nullptr, ALIGN_TOP_LEFT, 1};
        gui_label_unbounded(ctx, q);
    });
    EXPECT_FLOAT_EQ(plain.w, l.width);
    EXPECT_FLOAT_EQ(plain.h, l.height);
    EXPECT_FLOAT_EQ(adjusted.y, 40 - l.vertical_offset);
    GuiRect a, b;
    ASSERT_TRUE(other_bounds(CLEAR, GuiRect{0, 0, 90, H}, &a));
    ASSERT_TRUE(other_bounds(CLEAR, GuiRect{90, 0, W, H}, &b));
    // Unadjusted, the baseline is at y = 40: the glyphs stand above it.
    EXPECT_NEAR(a.y0, 40 + l.vertical_offset, 1.0f);
    EXPECT_LE(a.y1, 40 + l.bottom);
    // Adjusted, the tallest glyph's top is at y = 40.
    EXPECT_NEAR(b.y0, 40, 1.0f);
    EXPECT_LE(b.y1, 40 + l.height);
    text_layout_free(&l);
}

TEST_F(GuiWidgetTest, BoundedLabelEndsWithAnEllipsisInsideItsWidth) {
    const char* text = "Put program in tray bar when window is closed";
    LayoutNode node;
    frame(gui_mouse(0, 0), [&] {
        GuiLabelParams p = {glyphs, atlas, text, (u32)strlen(text), 60.0f, GREEN, 10, 20, &node};
        gui_label(ctx, p);
    });
    EXPECT_LT(node.w, 60.0f);
    GuiRect drawn;
    ASSERT_TRUE(other_bounds(CLEAR, GuiRect{0, 0, W, H}, &drawn));
    EXPECT_LT(drawn.x1, 10 + 60);
    EXPECT_GT(drawn.x1, 10 + 40) << "cut near the limit, not far before it";
}

//-----------------------------------------------------------------------------
// Button
//-----------------------------------------------------------------------------

TEST_F(GuiWidgetTest, ButtonClicksOnThePressEdgeAndShowsTheHoveredLookWhileHeld) {
    struct Step {
        i32 x, y;
        bool down;
        bool clicked;
        u32 look;
        const char* what;
    } steps[] = {
        {200, 200, false, false, WHITE, "away: normal"},
        {60, 50, false, false, YELLOW, "hovered"},
        {60, 50, true, true, RED, "press: click, pressed look"},
        {62, 52, true, false, YELLOW, "held: hovered look, no click"},
        {62, 52, true, false, YELLOW, "still held"},
        {62, 52, false, false, YELLOW, "release: nothing"},
        {200, 200, true, false, WHITE, "press elsewhere"},
        {60, 50, true, false, YELLOW, "slid onto it while held: no click"},
        {60, 50, false, false, YELLOW, "release"},
        {139, 69, true, true, RED, "press on the bottom-right edge pixel"},
    };
    LayoutNode node;
    for (const Step& s : steps) {
        bool clicked = false;
        frame(gui_mouse(s.x, s.y, s.down), [&] {
            GuiButtonParams p = {&DefaultButtonStyle, 100, 30, "", 0, ALIGN_CENTER, 40, 40, nullptr, 0, &node};
            clicked = gui_button(ctx, p);
        });
        EXPECT_EQ(clicked, s.clicked) << s.what;
        EXPECT_EQ(px(42, 42), s.look) << s.what;
    }
    EXPECT_FLOAT_EQ(node.x, 40);
    EXPECT_FLOAT_EQ(node.w, 100);
}

TEST_F(GuiWidgetTest, ButtonCaptionSitsByItsTextAlignmentOnItsGlyphBox) {
    DefaultButtonStyle.normal_color = GREY;
    DefaultButtonStyle.normal_text_color = BLUE;
    TextLayout l = lay_out("Mute");
    frame(gui_mouse(300, 230), [&] {
        GuiButtonParams centred = {&DefaultButtonStyle, 100, 30, "Mute", 4, ALIGN_CENTER, 40, 40};
        gui_button(ctx, centred);
        GuiButtonParams top_left = {&DefaultButtonStyle, 100, 30, "Mute", 4, ALIGN_TOP_LEFT, 40, 100};
        gui_button(ctx, top_left);
    });
    GuiRect text;
    ASSERT_TRUE(other_bounds(GREY, GuiRect{40, 40, 140, 70}, &text));
    f32 x0 = 40 + (100 - l.width) / 2, y0 = 40 + (30 - l.height) / 2;
    EXPECT_NEAR(text.x0, x0, 2.0f);
    EXPECT_NEAR(text.x1, x0 + l.width, 2.0f);
    EXPECT_NEAR(text.y0, y0, 1.0f);
    EXPECT_NEAR(text.y1 + 1, y0 + l.height, 1.0f);
    ASSERT_TRUE(other_bounds(GREY, GuiRect{40, 100, 140, 130}, &text));
    EXPECT_NEAR(text.x0, 40, 2.0f);
    EXPECT_EQ(text.y0, 100);
    text_layout_free(&l);
}

TEST_F(GuiWidgetTest, ALongCaptionIsCutInsideTheButton) {
    DefaultButtonStyle.normal_color = GREY;
    const char* name = "Speakers (High Definition Audio Device)";
    frame(gui_mouse(300, 230), [&] {
        GuiButtonParams p = {&DefaultButtonStyle, 100, 30, name, (u32)strlen(name), ALIGN_CENTER, 40, 40};
        gui_button(ctx, p);
    });
    GuiRect text;
    ASSERT_TRUE(other_bounds(GREY, GuiRect{40, 40, 140, 70}, &text));
    EXPECT_GT(text.x0, 40);
    EXPECT_LT(text.x1, 139);
}

//-----------------------------------------------------------------------------
// Check box
//-----------------------------------------------------------------------------

TEST_F(GuiWidgetTest, CheckBoxTogglesOncePerPress) {
    DefaultCheckBoxStyle.first_color = RED;
    DefaultCheckBoxStyle.second_color = GREEN;
    struct Step {
        i32 x;
        bool down;
        bool checked;
    } steps[] = {{20, false, false}, {20, true, true},   {20, true, true},  {21, true, true},
                 {20, false, true},  {20, true, false},  {20, false, false}, {100, true, false},
                 {20, true, false},  {20, false, false}};
    bool checked = false;
    int i = 0;
    for (const Step& s : steps) {
        frame(gui_mouse(s.x, 20, s.down), [&] {
            GuiCheckBoxParams p = {&DefaultCheckBoxStyle, 16, 16, (u8)checked, 12, 12};
            checked = gui_check_box(ctx, p);
        });
        EXPECT_EQ(checked, s.checked) << "frame " << i;
        EXPECT_EQ(px(14, 14), s.checked ? GREEN : RED) << "frame " << i;
        i++;
    }
}

//-----------------------------------------------------------------------------
// Slider
//-----------------------------------------------------------------------------

struct SliderRun {
    f32 value;
    u8 dragging;
    bool result;
};

class GuiSliderTest : public GuiWidgetTest {
protected:
    // A vertical slider at (100, 50): track 6 x 100, knob 36 x 10. The caller keeps value and flag.
    void vertical(const GuiInput& in, SliderRun* s, LayoutNode* out = nullptr) {
        frame(in, [&] {
            GuiSliderParams p = {&DefaultSliderStyle, GUI_SLIDER_VERTICAL, s->value, 6, 100, 36, 10, 100, 50};
            p.dragging = s->dragging;
            p.value_out = &s->value;
            p.dragging_out = &s->dragging;
            p.out_node = out;
            s->result = gui_slider(ctx, p);
        });
    }
    void SetUp() override {
        GuiWidgetTest::SetUp();
        DefaultSliderStyle.track_color = GREY;
        DefaultSliderStyle.knob_normal_color = BLUE;
        DefaultSliderStyle.knob_hovered_color = YELLOW;
        DefaultSliderStyle.knob_dragged_color = RED;
    }
    // Top row of the knob in column x (the knob is wider than the track).
    i32 knob_top(u32 color, i32 x = 90) {
        for (i32 y = 0; y < (i32)H; y++)
            if (px(x, y) == color) return y;
        return -1;
    }
};

TEST_F(GuiSliderTest, HalfwayOnAHundredHighTrackPutsATenHighKnobTopAtFortyFive) {
    SliderRun s = {0.5f, 0, false};
    LayoutNode node;
    vertical(gui_mouse(300, 230), &s, &node);
    EXPECT_EQ(knob_top(BLUE), 50 + 45);
    EXPECT_EQ(px(90, 104), BLUE);
    EXPECT_EQ(px(90, 105), CLEAR);
    EXPECT_EQ(px(85, 100), BLUE);  // knob x = 3 - 18 = -15 from the slider
    EXPECT_EQ(px(84, 100), CLEAR);
    EXPECT_EQ(px(103, 60), GREY);  // the track
    EXPECT_FLOAT_EQ(s.value, 0.5f);
    EXPECT_FALSE(s.result);
    EXPECT_FLOAT_EQ(node.w, 36);
    EXPECT_FLOAT_EQ(node.h, 100);

    // The ends: 0 centres the knob on the bottom end, 1 on the top end.
    s.value = 0;
    vertical(gui_mouse(300, 230), &s);
    EXPECT_EQ(knob_top(BLUE), 50 + 95);
    s.value = 1;
    vertical(gui_mouse(300, 230), &s);
    EXPECT_EQ(knob_top(BLUE), 50 - 5);
}

TEST_F(GuiSliderTest, DraggingFollowsTheMouseClampsAtTheEndAndAReleaseAnywhereEndsIt) {
    SliderRun s = {0.5f, 0, false};
    vertical(gui_mouse(103, 100), &s);
    EXPECT_EQ(knob_top(YELLOW), 95) << "hovered";
    vertical(gui_mouse(103, 100, true), &s);  // press on the knob
    EXPECT_EQ(s.dragging, 1);
    EXPECT_FALSE(s.result) << "the press frame does not move yet";
    EXPECT_FLOAT_EQ(s.value, 0.5f);

    vertical(gui_mouse(130, 80, true), &s);  // up 20 pixels, sideways does not matter
    EXPECT_TRUE(s.result);
    EXPECT_NEAR(s.value, 0.7f, 1e-5f);
    EXPECT_EQ(knob_top(RED), 75);

    vertical(gui_mouse(130, -300, true), &s);  // far past the top end
    EXPECT_TRUE(s.result);
    EXPECT_FLOAT_EQ(s.value, 1.0f);
    EXPECT_EQ(knob_top(RED), 45);
    vertical(gui_mouse(130, -290, true), &s);  // back down by 10 from there
    EXPECT_NEAR(s.value, 0.9f, 1e-5f);

    vertical(gui_mouse(300, 230, false), &s);  // released far from the knob
    EXPECT_EQ(s.dragging, 0);
    EXPECT_FALSE(s.result);
    EXPECT_NEAR(s.value, 0.9f, 1e-5f);
    EXPECT_EQ(knob_top(BLUE), 55);
    vertical(gui_mouse(300, 100, false), &s);
    EXPECT_NEAR(s.value, 0.9f, 1e-5f) << "no longer dragging";
}

TEST_F(GuiSliderTest, TheTrackTheWheelAndSlidingOntoTheKnobDoNothing) {
    SliderRun s = {0.5f, 0, false};
    vertical(gui_mouse(103, 140, true), &s);  // press on the track below the knob
    EXPECT_EQ(s.dragging, 0);
    EXPECT_FLOAT_EQ(s.value, 0.5f);
    vertical(gui_mouse(103, 100, true), &s);  // slide onto the knob with the button held
    EXPECT_EQ(s.dragging, 0);
    EXPECT_EQ(knob_top(YELLOW), 95);
    vertical(gui_mouse(103, 90, true), &s);
    EXPECT_FLOAT_EQ(s.value, 0.5f);
    EXPECT_FALSE(s.result);

    GuiInput wheel = gui_mouse(103, 100);
    wheel.wheel = 1;
    vertical(wheel, &s);
    EXPECT_FLOAT_EQ(s.value, 0.5f);
    EXPECT_EQ(ctx->input.wheel, 1) << "the slider leaves the wheel to others";
}

TEST_F(GuiSliderTest, HorizontalSliderRunsFromTheLeftEnd) {
    f32 value = 0;
    u8 dragging = 0;
    auto draw = [&](const GuiInput& in) {
        frame(in, [&] {
            GuiSliderParams p = {&DefaultSliderStyle, GUI_SLIDER_HORIZONTAL, value, 100, 6, 10, 20, 50, 150};
            p.dragging = dragging;
            p.value_out = &value;
            p.dragging_out = &dragging;
            gui_slider(ctx, p);
        });
    };
    draw(gui_mouse(300, 230));
    // Knob x = -5, y = 3 - 10 = -7 from the slider.
    EXPECT_EQ(px(45, 143), BLUE);
    EXPECT_EQ(px(44, 143), CLEAR);
    EXPECT_EQ(px(54, 162), BLUE);
    EXPECT_EQ(px(55, 162), CLEAR);
    draw(gui_mouse(50, 150, true));
    draw(gui_mouse(75, 150, true));
    EXPECT_NEAR(value, 0.25f, 1e-5f);
    draw(gui_mouse(75, 150, false));
    EXPECT_EQ(dragging, 0);
}

TEST_F(GuiSliderTest, ATrackOfLengthZeroKeepsTheValue) {
    f32 value = -1;
    u8 dragging = 1;
    frame(gui_mouse(60, 60, true), [&] {
        GuiSliderParams p = {&DefaultSliderStyle, GUI_SLIDER_VERTICAL, 0.3f, 6, 0, 36, 10, 50, 50};
        p.dragging = 1;
        p.value_out = &value;
        p.dragging_out = &dragging;
        gui_slider(ctx, p);
    });
    EXPECT_FLOAT_EQ(value, 0.3f) << "no 0 / 0";
}

}  // namespace
