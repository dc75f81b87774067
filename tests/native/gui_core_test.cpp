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

// Edges count as inside; the clip rectangle cuts what can be hovered, and the mouse is in the
// element's rectangle whatever the clip.
TEST_F(GuiCoreTest, EdgesAreInsideAndOnlyTheVisiblePartOfAnElementIsHovered) {
    const GuiRect window = {0, 0, (f32)W, (f32)H}, corner = {0, 0, 20, 20}, away = {0, 0, 5, 5};
    const struct { i32 x, y; GuiRect clip; bool in_rect, in_clip, hovered; } cases[] = {
        {10, 10, window, true, true, true},    {30, 30, window, true, true, true},
        {30, 10, window, true, true, true},    {31, 30, window, false, true, false},
        {9, 20, window, false, true, false},   {20, 31, window, false, true, false},
        {25, 25, corner, true, false, false},  // over the clipped-away part
        {20, 20, corner, true, true, true},    {20, 20, away, true, false, false},
    };
    const LayoutNode node = {10, 10, 20, 20, nullptr, ALIGN_TOP_LEFT};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " clip " << c.clip.x1);
        frame(gui_mouse(c.x, c.y, true), [&] {
            const GuiRect saved = ctx->clip_rect;
            ctx->clip_rect = c.clip;
            EXPECT_EQ(gui_rect(ctx, GuiRectParams{20, 20, RED, 10, 10}) != 0, c.hovered);
            EXPECT_EQ(gui_mouse_in_clip(ctx), c.in_clip);
            EXPECT_EQ(gui_mouse_in_rect(ctx, &node), c.in_rect);
            ctx->clip_rect = saved;
        });
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
