// The toolkit's shared machinery in real frames: layout and alignment, hit testing against the
// clip rectangle, the press/hold edges, the input snapshot and colour schemes.
#include <string.h>
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"
#include "support/log_capture.h"

namespace {

TEST(GuiLayout, EachAlignmentOffsetsInsideTheParent) {
    LayoutNode parent = {10, 20, 200, 100, nullptr, ALIGN_TOP_LEFT};
    struct { u32 alignment; f32 x, y; } cases[] = {
        {ALIGN_TOP_LEFT, 10, 20},     {ALIGN_TOP_CENTER, 85, 20},    {ALIGN_TOP_RIGHT, 160, 20},
        {ALIGN_CENTER_LEFT, 10, 65},  {ALIGN_CENTER, 85, 65},        {ALIGN_CENTER_RIGHT, 160, 65},
        {ALIGN_BOTTOM_LEFT, 10, 110}, {ALIGN_BOTTOM_CENTER, 85, 110},
    };
    for (const auto& c : cases) {
        LayoutNode child = {0, 0, 50, 10, &parent, c.alignment};
        GuiPoint p = gui_absolute_position(&child);
        EXPECT_FLOAT_EQ(p.x, c.x) << c.alignment;
        EXPECT_FLOAT_EQ(p.y, c.y) << c.alignment;
    }
    // The child's own position adds to the offset; grandchildren add up along the chain.
    LayoutNode child = {3, 4, 50, 10, &parent, ALIGN_BOTTOM_CENTER};
    LayoutNode grandchild = {1, 1, 10, 4, &child, ALIGN_CENTER};
    GuiPoint p = gui_absolute_position(&grandchild);
    EXPECT_FLOAT_EQ(p.x, 85 + 3 + 1 + 20);
    EXPECT_FLOAT_EQ(p.y, 110 + 4 + 1 + 3);
}

TEST(GuiLayout, ANullParentIgnoresAlignmentAndAlignmentEightPlacesWithoutOffset) {
    LogCapture capture;
    LayoutNode node = {5, 6, 50, 10, nullptr, ALIGN_BOTTOM_CENTER}, parent = {10, 20, 200, 100, nullptr, ALIGN_TOP_LEFT},
               child = {7, 8, 50, 10, &parent, 8};
    GuiPoint p = gui_absolute_position(&node), q = gui_absolute_position(&child);
    EXPECT_EQ((std::vector<f32>{p.x, p.y, q.x, q.y}), (std::vector<f32>{5, 6, 17, 28}));
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Relative alignment not implemented."});
}

TEST(GuiRectIntersect, TouchingEdgesOverlapAndSeparatedRectanglesDoNot) {
    GuiRect out;
    ASSERT_TRUE(gui_rect_intersect(GuiRect{0, 0, 10, 10}, GuiRect{5, 2, 20, 8}, &out));
    EXPECT_EQ(corners(out), (std::vector<f32>{5, 2, 10, 8}));
    ASSERT_TRUE(gui_rect_intersect(GuiRect{0, 0, 10, 10}, GuiRect{10, 10, 20, 20}, &out));
    EXPECT_EQ(corners(out), (std::vector<f32>{10, 10, 10, 10}));
    EXPECT_FALSE(gui_rect_intersect(GuiRect{0, 0, 10, 10}, GuiRect{10.5f, 0, 20, 10}, &out));
    EXPECT_FALSE(gui_rect_intersect(GuiRect{0, 0, 10, 10}, GuiRect{0, -5, 10, -0.5f}, &out));
}

class GuiCoreTest : public GuiTest {};

TEST_F(GuiCoreTest, BottomCentreChildIsDrawnAtSeventyFiveNinetyInsideItsParent) {
    LayoutNode parent, child;
    frame(gui_mouse(0, 0), [&] {
        rect(10, 20, 200, 100, BLUE, nullptr, ALIGN_TOP_LEFT, &parent);
        rect(0, 0, 50, 10, RED, &parent, ALIGN_BOTTOM_CENTER, &child);
    });
    GuiPoint p = gui_absolute_position(&child);
    EXPECT_FLOAT_EQ(p.x - parent.x, 75);
    EXPECT_FLOAT_EQ(p.y - parent.y, 90);
    GuiRect red;
    ASSERT_TRUE(bounds(RED, GuiRect{0, 0, W, H}, &red));
    EXPECT_EQ(corners(red), (std::vector<f32>{85, 110, 134, 119}));
    EXPECT_EQ(px(84, 110), BLUE);
}

TEST_F(GuiCoreTest, EdgesAreInclusiveForHitTestAndMouseInRect) {
    LayoutNode node = {10, 10, 20, 20, nullptr, ALIGN_TOP_LEFT};
    struct { i32 x, y; bool inside; } cases[] = {{10, 10, true},  {30, 30, true}, {30, 10, true},
                                                 {31, 30, false}, {9, 20, false}, {20, 31, false}};
    for (const auto& c : cases) {
        u32 held = 0;
        frame(gui_mouse(c.x, c.y, true), [&] { held = rect(10, 10, 20, 20, RED); });
        EXPECT_EQ(held != 0, c.inside) << c.x << "," << c.y;
        EXPECT_EQ(gui_mouse_in_rect(ctx, &node), c.inside) << c.x << "," << c.y;
    }
}

TEST_F(GuiCoreTest, AnElementOutsideTheClipIsNeverHoveredAndAPartlyClippedOneOnlyInItsVisiblePart) {
    frame(gui_mouse(50, 50), [&] {
        GuiRect saved = ctx->clip_rect;
        ctx->clip_rect = GuiRect{0, 0, 40, 40};
        GuiElement outside, partly;
        gui_init_element(&outside, ctx, 20, 20, 0, 45, 45, RED, GUI_NO_TEXTURE, nullptr, ALIGN_TOP_LEFT);
        gui_hit_test(&outside);
        EXPECT_EQ(outside.hovered, 0u);
        EXPECT_FALSE(gui_mouse_in_clip(ctx));
        gui_init_element(&partly, ctx, 30, 30, 0, 30, 30, RED, GUI_NO_TEXTURE, nullptr, ALIGN_TOP_LEFT);
        gui_hit_test(&partly);  // the mouse over the clipped-away part
        EXPECT_EQ(partly.hovered, 0u);
        ctx->input.mouse_x = 40;
        ctx->input.mouse_y = 35;
        EXPECT_TRUE(gui_mouse_in_clip(ctx));
        gui_hit_test(&partly);
        EXPECT_EQ(partly.hovered, 1u);
        ctx->clip_rect = saved;
    });
}

TEST_F(GuiCoreTest, PressEdgeOnTheFirstFrameOnlyThenHeldUntilRelease) {
    const struct { bool down, held, press; } steps[] = {{false, false, false}, {true, true, true},   {true, true, false},
                                                         {true, true, false},   {false, false, false}, {true, true, true}};
    for (const auto& s : steps) {
        u32 held = 0;
        frame(gui_mouse(15, 15, s.down), [&] { held = rect(10, 10, 20, 20, RED); });
        EXPECT_EQ(held != 0, s.held) << &s - steps;
        EXPECT_EQ(gui_press_edge(ctx), s.press) << &s - steps;
    }
}

struct Devices {
    MouseState mouse = mouse_state_create();
    KeyboardState keyboard = keyboard_state_create();
    KeyStates keys = key_states_create();
    TextInputRing ring = {};
    GuiContext ctx = {};
    const GuiInput& advance(int frames = 1) {
        for (int i = 0; i < frames; i++) {
            key_states_advance(&keys, &keyboard);
            gui_snapshot_input(&ctx, &mouse, &keyboard, &keys, &ring);
        }
        return ctx.input;
    }
};

// Mouse, wheel, typed text and the previous frame come across in every UI test; here the keys.
TEST(GuiSnapshot, EditingKeysRepeatButShortcutsFireOnlyWhenPressed) {
    Devices d;
    for (int k : {(int)KEY_RCONTROL, (int)KEY_DEL, (int)(KEY_A + 'v' - 'a')}) d.keyboard.key_down[k] = 1;
    const GuiInput& in = d.advance();
    EXPECT_TRUE(in.del && in.del_control && in.paste) << "right control counts";
    EXPECT_FALSE(in.backspace);
    d.advance();  // held, not yet repeating
    EXPECT_FALSE(in.del || in.paste);
    d.advance(40);  // past the repeat threshold
    EXPECT_TRUE(in.del && in.del_control);
    EXPECT_FALSE(in.paste) << "no repeat for the control shortcuts";

    // Without control: plain keys, arrows as bits, shift from the right side.
    Devices e;
    for (int k : {(int)KEY_BACKSPACE, (int)KEY_ENTER, (int)KEY_ARROW_RIGHT, (int)KEY_RSHIFT, (int)KEY_A, (int)(KEY_A + 'c' - 'a')})
        e.keyboard.key_down[k] = 1;
    const GuiInput& plain = e.advance();
    EXPECT_TRUE(plain.backspace && plain.enter && plain.shift);
    EXPECT_FALSE(plain.backspace_control);
    EXPECT_EQ(plain.arrows, GUI_ARROW_RIGHT);
    EXPECT_FALSE(plain.select_all || plain.copy) << "A and C without control are typed letters";
    e.keyboard.key_down[KEY_ARROW_RIGHT] = e.keyboard.key_down[KEY_A] = 0;
    e.keyboard.key_down[KEY_ARROW_LEFT] = e.keyboard.key_down[KEY_LCONTROL] = 1;
    EXPECT_EQ(e.advance().arrows, GUI_ARROW_LEFT) << "each bit is set or cleared every frame";
    e.keyboard.key_down[KEY_A] = e.keyboard.key_down[KEY_A + ('x' - 'a')] = 1;
    EXPECT_TRUE(e.advance().select_all && plain.cut);
}

void vivid(u32 colors[GUI_COLOR_COUNT]) {
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) colors[i] = gui_pack_color((u8)(10 * i + 5), (u8)(200 - i), 77, 255);
}

TEST_F(GuiCoreTest, SchemeKeysReachTheirStylesWithTheCheckBoxPairCrossed) {
    u32 c[GUI_COLOR_COUNT];
    vivid(c);
    gui_apply_color_scheme(c);
    for (const ButtonStyle* b : {&DefaultButtonStyle, &ListButtonStyle}) {
        EXPECT_EQ((std::vector<u32>{b->normal_color, b->hovered_color, b->pressed_color, b->pressed_text_color}),
                  (std::vector<u32>{c[GUI_COLOR_BUTTON], c[GUI_COLOR_BUTTON_HOVERED], c[GUI_COLOR_BUTTON_HOVERED],
                                    c[GUI_COLOR_TEXT]}));
        EXPECT_EQ(b->glyph_map, glyphs) << "the font stays";
    }
    EXPECT_EQ(DefaultTextInputStyle.cursor_color, c[GUI_COLOR_TEXT_INPUT_CURSOR]);
    // The check box shows CHECK_BOX_CHECKED while unchecked.
    bool checked = true;
    frame(gui_mouse(0, 0), [&] { checked = gui_check_box(ctx, GuiCheckBoxParams{&DefaultCheckBoxStyle, 16, 16, 0, 10, 10}); });
    EXPECT_FALSE(checked);
    EXPECT_EQ(px(15, 15), c[GUI_COLOR_CHECK_BOX_CHECKED]);
}

// Everything the toolkit can draw, once.
void draw_every_widget(GuiContext* ctx) {
    gui_button(ctx, GuiButtonParams{&DefaultButtonStyle, 80, 24, "Mute", 4, ALIGN_CENTER, 5, 5});
    gui_box(ctx, GuiBoxParams{&DefaultBoxStyle, 60, 60, 100, 5});
    f32 value;
    u8 dragging, focused;
    GuiSliderParams slider = {&DefaultSliderStyle, GUI_SLIDER_VERTICAL, 0.3f, 6, 80, 20, 8, 180, 5};
    slider.value_out = &value;
    slider.dragging_out = &dragging;
    gui_slider(ctx, slider);
    gui_check_box(ctx, GuiCheckBoxParams{&DefaultCheckBoxStyle, 16, 16, 1, 220, 5});
    DynString text = dyn_string_create(g_default_allocator);
    dyn_string_append_cstr(&text, "42");
    u32 cursor = 1;
    i32 selection = 1;
    gui_text_input(ctx, GuiTextInputParams{nullptr, 1, 40, 20, &text, 5, 100}, &DefaultTextInputStyle,
                   TextInputState{&focused, &cursor, &selection});
    dyn_string_free(&text);
    f32 fraction = 0.2f, extent = 500, bar_fraction = 0.5f;
    GuiScrollRegionParams region = {&DefaultScrollRegionStyle, 100, 60, 0.1f, GUI_SCROLL_VERTICAL, 0, 60, 100};
    gui_scroll_region(ctx, region, GuiScrollRegionCall{nullptr, nullptr, 0, &fraction, &extent, nullptr});
    u8 bar_dragging = 0;
    GuiScrollBarParams bar = {&DefaultScrollBarStyle, GUI_SCROLL_VERTICAL, 0.1f, 0.05f, 100, 12, 170, 100};
    gui_scroll_bar(ctx, bar, GuiScrollBarCall{0.4f, &bar_fraction, &bar_dragging, nullptr});
}

TEST_F(GuiCoreTest, TextInputBorderColourChangesNothingOnScreen) {
    u32 c[GUI_COLOR_COUNT];
    vivid(c);
    std::vector<u32> before;
    for (GuiColor key : {GUI_COLOR_COUNT, GUI_COLOR_TEXT_INPUT_BORDER, GUI_COLOR_VOLUME_CONTROL_BORDER}) {
        if (key != GUI_COLOR_COUNT) c[key] = MAGENTA;
        gui_apply_color_scheme(c);
        frame(gui_mouse(300, 230), [&] { draw_every_widget(ctx); });
        if (key == GUI_COLOR_COUNT) before = pixels;
        EXPECT_EQ(pixels == before, key != GUI_COLOR_VOLUME_CONTROL_BORDER) << "another key does change the picture";
    }
}

TEST_F(GuiCoreTest, ASchemeAppliedMidFrameRecoloursOnlyWhatIsDrawnAfterIt) {
    u32 c[GUI_COLOR_COUNT];
    vivid(c);
    c[GUI_COLOR_BUTTON] = GREEN;
    DefaultButtonStyle.normal_color = RED;
    auto button = [&](f32 y) { gui_button(ctx, GuiButtonParams{&DefaultButtonStyle, 60, 20, "", 0, ALIGN_CENTER, 10, y}); };
    frame(gui_mouse(300, 230), [&] {
        button(10);
        gui_apply_color_scheme(c);
        button(40);
    });
    EXPECT_EQ(px(20, 15), RED);
    EXPECT_EQ(px(20, 45), GREEN);
    frame(gui_mouse(300, 230), [&] { button(10); });
    EXPECT_EQ(px(20, 15), GREEN);
}

}  // namespace
