// The toolkit's shared machinery in real frames: layout and alignment, hit testing against the
// clip rectangle and the input snapshot.
#include "Ostrel/gui/gui.h"
#include "app/key_states.h"
#include "gui_test_support.h"
#include "support/log_capture.h"

namespace {

TEST(GuiLayout, EachAlignmentOffsetsInsideTheParentAndANullParentIgnoresIt) {
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
    // A null parent ignores the alignment; alignment 8 places without an offset, with a warning.
    LogCapture capture;
    LayoutNode node = {5, 6, 50, 10, nullptr, ALIGN_BOTTOM_CENTER}, eight = {7, 8, 50, 10, &parent, 8};
    GuiPoint q = gui_absolute_position(&eight);
    p = gui_absolute_position(&node);
    EXPECT_EQ((std::vector<f32>{p.x, p.y, q.x, q.y}), (std::vector<f32>{5, 6, 17, 28}));
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Relative alignment not implemented."});
}

class GuiCoreTest : public GuiTest {};

TEST_F(GuiCoreTest, EdgesAreInclusiveForHitTestAndMouseInRect) {
    LayoutNode node = {10, 10, 20, 20, nullptr, ALIGN_TOP_LEFT};
    struct { i32 x, y; bool inside; } cases[] = {{10, 10, true},  {30, 30, true}, {30, 10, true},
                                                 {31, 30, false}, {9, 20, false}, {20, 31, false}};
    for (const auto& c : cases) {
        u32 held = 0;
        frame(gui_mouse(c.x, c.y, true), [&] { held = gui_rect(ctx, GuiRectParams{20, 20, RED, 10, 10}); });
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

struct Devices {
    MouseState mouse = mouse_state_create();
    KeyboardState keyboard = keyboard_state_create();
    KeyStates keys = key_states_create();
    TextInputRing ring = {};
    GuiContext ctx = {};
    const GuiInput& advance(int frames = 1) {
        for (int i = 0; i < frames; i++) {
            key_states_advance(&keys, &keyboard);
            const GuiKeys gui_keys = key_states_gui_keys(&keys);
            gui_snapshot_input(&ctx, &mouse, &keyboard, &gui_keys, &ring);
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

}  // namespace
