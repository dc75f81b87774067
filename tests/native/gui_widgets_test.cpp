// Widgets driven through whole frames: what they return frame by frame and where their pixels land.
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"

namespace {

using GuiWidgetTest = GuiTest;

// Labels at y 40 (the second with the vertical adjust) and button captions at y 140: the glyph
// boxes stand where the layout says, a caption centred and a long one cut inside its button.
TEST_F(GuiWidgetTest, VerticalAdjustPutsTheGlyphBoxTopWhereTheLabelIsAndCaptionsAreCentredOrCut) {
    DefaultButtonStyle.normal_color = GREY;
    DefaultButtonStyle.normal_text_color = BLUE;
    const char* name = "Speakers (High Definition Audio Device)";
    auto lay_out = [&](const char* t) { return text_layout((const u8*)t, (u32)strlen(t), glyphs, g_default_allocator); };
    TextLayout l = lay_out("Hello"), mute = lay_out("Mute");
    ASSERT_LT(l.vertical_offset, 0.0f);
    LayoutNode plain, adjusted;
    frame(gui_mouse(0, 0), [&] {
        // A clip that ends above the baseline still shows the glyphs standing on it.
        GuiRect saved = ctx->clip_rect;
        ctx->clip_rect = GuiRect{0, 0, 90, 39};
        gui_label_unbounded(ctx, GuiLabelUnboundedParams{glyphs, atlas, "Hello", 5, GREEN, 10, 40, &plain});
        ctx->clip_rect = saved;
        gui_label_unbounded(ctx, GuiLabelUnboundedParams{glyphs, atlas, "Hello", 5, BLUE, 100, 40, &adjusted, nullptr,
                                                         ALIGN_TOP_LEFT, 1});
        gui_button(ctx, GuiButtonParams{&DefaultButtonStyle, 100, 30, "Mute", 4, ALIGN_CENTER, 40, 140});
        gui_button(ctx, GuiButtonParams{&DefaultButtonStyle, 100, 30, name, (u32)strlen(name), ALIGN_CENTER, 160, 140});
    });
    EXPECT_FLOAT_EQ(adjusted.y, 40 - l.vertical_offset);
    GuiRect a, b, text, cut;
    ASSERT_TRUE(other_bounds(CLEAR, GuiRect{0, 0, 90, 100}, &a));
    ASSERT_TRUE(other_bounds(CLEAR, GuiRect{90, 0, W, 100}, &b));
    EXPECT_NEAR(a.y0, 40 + l.vertical_offset, 1.0f) << "unadjusted, the glyphs stand on the baseline at 40";
    EXPECT_LE(a.y1, 40 + l.bottom);
    EXPECT_NEAR(b.y0, 40, 1.0f) << "adjusted, the tallest glyph's top is at 40";
    EXPECT_LE(b.y1, 40 + l.height);
    ASSERT_TRUE(other_bounds(GREY, GuiRect{40, 140, 140, 170}, &text));
    const f32 x0 = 40 + (100 - mute.width) / 2, y0 = 140 + (30 - mute.height) / 2;
    EXPECT_NEAR(text.x0, x0, 2.0f);
    EXPECT_NEAR(text.x1, x0 + mute.width, 2.0f);
    EXPECT_NEAR(text.y0, y0, 1.0f);
    EXPECT_NEAR(text.y1 + 1, y0 + mute.height, 1.0f);
    ASSERT_TRUE(other_bounds(GREY, GuiRect{160, 140, 260, 170}, &cut));
    EXPECT_TRUE(cut.x0 > 160 && cut.x1 < 259);
    text_layout_free(&l);
    text_layout_free(&mute);
}

// A button and, drawn over its top-left corner, a check box, under the same mouse: both act on the
// press edge only, the button showing its hovered look while held.
TEST_F(GuiWidgetTest, ButtonAndCheckBoxActOnThePressEdgeOnly) {
    DefaultCheckBoxStyle.first_color = CYAN;
    DefaultCheckBoxStyle.second_color = GREEN;
    const struct { i32 x, y; bool down, clicked; u32 look; bool checked; const char* what; } steps[] = {
        {200, 200, false, false, WHITE, false, "away: normal"},
        {45, 45, false, false, YELLOW, false, "hovered"},
        {45, 45, true, true, RED, true, "press: click, pressed look"},
        {47, 47, true, false, YELLOW, true, "held: hovered look, no click"},
        {47, 47, false, false, YELLOW, true, "release: nothing"},
        {45, 45, true, true, RED, false, "the next press"},
        {200, 200, true, false, WHITE, false, "press elsewhere"},
        {45, 45, true, false, YELLOW, false, "slid onto it while held: no click"},
        {45, 45, false, false, YELLOW, false, "release"},
        {139, 69, true, true, RED, false, "press on the button's bottom-right edge pixel"},
    };
    bool checked = false;
    for (const auto& s : steps) {
        bool clicked = false;
        frame(gui_mouse(s.x, s.y, s.down), [&] {
            clicked = gui_button(ctx, GuiButtonParams{&DefaultButtonStyle, 100, 30, "", 0, ALIGN_CENTER, 40, 40});
            checked = gui_check_box(ctx, GuiCheckBoxParams{&DefaultCheckBoxStyle, 16, 16, (u8)checked, 40, 40});
        });
        EXPECT_EQ(std::tuple(clicked, px(130, 60), checked, px(42, 42)),
                  std::tuple(s.clicked, s.look, s.checked, s.checked ? GREEN : CYAN))
            << s.what;
    }
}

// A vertical slider at (100, 50): track 6 x 100, knob 36 x 10.
const GuiSliderParams k_vertical = {&DefaultSliderStyle, GUI_SLIDER_VERTICAL, 0, 6, 100, 36, 10, 100, 50};

class GuiSliderTest : public GuiWidgetTest {
protected:
    void SetUp() override {
        GuiWidgetTest::SetUp();
        DefaultSliderStyle.track_color = GREY;
        DefaultSliderStyle.knob_normal_color = BLUE;
        DefaultSliderStyle.knob_hovered_color = YELLOW;
        DefaultSliderStyle.knob_dragged_color = RED;
    }
    // The value and the flag persist here from frame to frame.
    void slider(const GuiInput& in, GuiSliderParams p) {
        frame(in, [&] {
            p.value = value;
            p.dragging = dragging;
            p.value_out = &value;
            p.dragging_out = &dragging;
            moved = gui_slider(ctx, p);
        });
    }
    // Top row of the knob in column x (the knob is wider than the track).
    i32 knob_top(u32 color, i32 x = 90) {
        for (i32 y = 0; y < (i32)H; y++)
            if (px(x, y) == color) return y;
        return -1;
    }
    f32 value = 0.5f;
    u8 dragging = 0;
    bool moved = false;
};

// One frame per row: the mouse (and wheel), then the slider's value, dragging flag, result and
// where its knob's top is drawn in which colour (none: not checked), on the slider of `params`.
struct SliderStep {
    i32 x, y; bool down; i32 wheel; f32 value; u8 dragging; bool moved; u32 knob_color; i32 knob_top; const char* what;
    const GuiSliderParams* params = &k_vertical;
};

TEST_F(GuiSliderTest, DragsFromTheKnobOnlyClampsAtTheEndAndAReleaseAnywhereEndsIt) {
    // At (50, 150): track 100 x 6, knob 10 x 20, value 0 at the left end; then a track of length 0.
    const GuiSliderParams horizontal = {&DefaultSliderStyle, GUI_SLIDER_HORIZONTAL, 0, 100, 6, 10, 20, 50, 150},
                          empty = {&DefaultSliderStyle, GUI_SLIDER_VERTICAL, 0, 6, 0, 36, 10, 50, 50};
    const SliderStep steps[] = {
        {103, 140, true, 0, 0.5f, 0, false, BLUE, 95, "press on the track: nothing"},
        {103, 100, true, 0, 0.5f, 0, false, YELLOW, 95, "slid onto the knob held: hovered, no drag"},
        {103, 90, true, 0, 0.5f, 0, false, 0, 0, "moving on: nothing"},
        {103, 100, false, 1, 0.5f, 0, false, YELLOW, 95, "the wheel: nothing"},
        {103, 100, true, 0, 0.5f, 1, false, 0, 0, "press on the knob: the press frame does not move"},
        {130, 80, true, 0, 0.7f, 1, true, RED, 75, "up 20 pixels, sideways does not matter"},
        {130, -300, true, 0, 1.0f, 1, true, RED, 45, "far past the top end: clamped"},
        {130, -290, true, 0, 0.9f, 1, true, RED, 55, "back down by 10 from there"},
        {300, 230, false, 0, 0.9f, 0, false, BLUE, 55, "released far from the knob"},
        {300, 100, false, 0, 0.9f, 0, false, BLUE, 55, "no longer dragging"},
        {140, 155, true, 0, 0.9f, 1, false, 0, 0, "press on the horizontal knob, near the right end", &horizontal},
        {115, 100, true, 0, 0.65f, 1, true, 0, 0, "left 25 pixels, up and down does not matter", &horizontal},
        {115, 50, true, 0, 0.65f, 1, true, 0, 0, "an empty track keeps the value: no 0 / 0", &empty},
    };
    for (const SliderStep& s : steps) {
        slider(gui_mouse(s.x, s.y, s.down, s.wheel), *s.params);
        EXPECT_NEAR(value, s.value, 1e-5f) << s.what;
        EXPECT_EQ(std::pair(dragging, moved), std::pair(s.dragging, s.moved)) << s.what;
        if (s.knob_color) { EXPECT_EQ(knob_top(s.knob_color), s.knob_top) << s.what; }
        if (s.wheel) { EXPECT_EQ(ctx->input.wheel, s.wheel) << "the slider leaves the wheel to others"; }
    }
}

}  // namespace
