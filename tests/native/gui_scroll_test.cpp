// Scroll regions and scroll bars over whole frames: item placement, clipping, the wheel, the
// bar's buttons and dragging.
#include <math.h>
#include <vector>
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"

namespace {

struct Items {
    f32 extent = 30;
    u32 stop_after = ~0u;  // index whose call returns false
    std::vector<GuiPoint> placed;  // absolute position of each item
    std::vector<LayoutNode> nodes;
    std::vector<bool> clicked;
    bool buttons = false;
};

const u32 ITEM_COLORS[] = {RED, GREEN, BLUE, YELLOW, CYAN, MAGENTA};

bool item(GuiContext* ctx, ScrollRegion* region, u32 index, void* user) {
    Items* items = (Items*)user;
    LayoutNode node = {};
    gui_scroll_region_item(&node, region, items->extent);
    if (region->orientation == GUI_SCROLL_VERTICAL) node.w = region->node.w;
    else node.h = region->node.h;
    items->nodes.push_back(node);
    items->placed.push_back(gui_absolute_position(&node));
    if (items->buttons) {
        ButtonStyle style = DefaultButtonStyle;
        style.normal_color = style.hovered_color = style.pressed_color = ITEM_COLORS[index % 6];
        GuiButtonParams p = {&style, node.w, node.h, "", 0, ALIGN_CENTER, node.x, node.y, node.parent};
        items->clicked.push_back(gui_button(ctx, p));
    } else {
        GuiRectParams p = {node.w, node.h, ITEM_COLORS[index % 6], node.x, node.y, nullptr, node.parent};
        gui_rect(ctx, p);
    }
    return index != items->stop_after;
}

class GuiScrollTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        DefaultScrollRegionStyle.background_color = GREY;
        DefaultScrollBarStyle.backward_color = RED;
        DefaultScrollBarStyle.forward_color = GREEN;
        DefaultScrollBarStyle.slide_bar_color = BLUE;
    }
    // A region at (20, 30), 100 x 50, spacing 5; F and C are the caller's.
    void region(Items* items, u32 count, f32* fraction, f32* content, u8 orientation = GUI_SCROLL_VERTICAL,
                LayoutNode* out = nullptr) {
        GuiScrollRegionParams p = {&DefaultScrollRegionStyle, 100, 50, 0.1f, orientation, 5, 20, 30};
        gui_scroll_region(ctx, p, GuiScrollRegionCall{item, items, count, fraction, content, out});
    }
};

TEST_F(GuiScrollTest, ItemsStartAtMinusFractionTimesTheHiddenExtentAndAreClippedToTheRegion) {
    Items items;
    f32 fraction = 0.5f, content = 105;  // last frame: 3 items of 30 + 5
    LayoutNode out;
    frame(gui_mouse(300, 230), [&] { region(&items, 3, &fraction, &content, GUI_SCROLL_VERTICAL, &out); });
    ASSERT_EQ(items.placed.size(), 3u);
    EXPECT_FLOAT_EQ(items.nodes[0].y, -27.5f);
    EXPECT_FLOAT_EQ(items.nodes[1].y, 7.5f);
    EXPECT_FLOAT_EQ(items.nodes[2].y, 42.5f);
    EXPECT_FLOAT_EQ(items.nodes[1].x, 0);
    EXPECT_FLOAT_EQ(items.nodes[1].h, 30);
    EXPECT_FLOAT_EQ(items.placed[1].y, 37.5f);
    EXPECT_FLOAT_EQ(content, 105);
    EXPECT_FLOAT_EQ(fraction, 0.5f);
    EXPECT_FLOAT_EQ(out.y, 30);
    EXPECT_FLOAT_EQ(out.h, 50);

    EXPECT_EQ(px(50, 29), CLEAR) << "item 0 is cut at the region's top";
    EXPECT_EQ(px(50, 30), RED);
    EXPECT_EQ(px(50, 35), GREY) << "the spacing shows the background";
    EXPECT_EQ(px(50, 40), GREEN);
    EXPECT_EQ(px(50, 79), BLUE);
    EXPECT_EQ(px(50, 80), CLEAR) << "item 2 is cut at the region's bottom";
    EXPECT_EQ(px(19, 40), CLEAR);
}

TEST_F(GuiScrollTest, HorizontalItemsRunAlongXAndTheContentExtentCountsEverySpacing) {
    Items items;
    items.extent = 40;
    f32 fraction = 0.25f, content = 0;
    frame(gui_mouse(300, 230), [&] { region(&items, 4, &fraction, &content, GUI_SCROLL_HORIZONTAL); });
    // Last frame's extent was 0: the offset is -0.25 x (0 - 100) = 25.
    EXPECT_FLOAT_EQ(items.nodes[0].x, 25);
    EXPECT_FLOAT_EQ(items.nodes[1].x, 70);
    EXPECT_FLOAT_EQ(items.nodes[0].y, 0);
    EXPECT_FLOAT_EQ(content, 4 * 45);
    EXPECT_FLOAT_EQ(fraction, 0.25f);
    items = Items();
    items.extent = 40;
    frame(gui_mouse(300, 230), [&] { region(&items, 4, &fraction, &content, GUI_SCROLL_HORIZONTAL); });
    EXPECT_FLOAT_EQ(items.nodes[0].x, -0.25f * (180 - 100));
    // Items at -20, 25, 70 from the region's x = 20: 0..40, 45..85, 90..130 in the window.
    EXPECT_EQ(px(20, 40), RED);
    EXPECT_EQ(px(42, 40), GREY);
    EXPECT_EQ(px(60, 40), GREEN);
    EXPECT_EQ(px(119, 40), BLUE);
    EXPECT_EQ(px(120, 40), CLEAR);
}

TEST_F(GuiScrollTest, AnItemReturningFalseEndsTheIterationAndContentShorterThanTheRegionForcesZero) {
    Items items;
    items.stop_after = 1;
    f32 fraction = 0.7f, content = 400;
    frame(gui_mouse(300, 230), [&] { region(&items, 10, &fraction, &content); });
    EXPECT_EQ(items.placed.size(), 2u);
    EXPECT_FLOAT_EQ(content, 70);
    EXPECT_FLOAT_EQ(fraction, 0.7f) << "70 is more than the 50 visible";
    items = Items();
    items.extent = 10;
    frame(gui_mouse(300, 230), [&] { region(&items, 2, &fraction, &content); });
    EXPECT_FLOAT_EQ(content, 30);
    EXPECT_FLOAT_EQ(fraction, 0);
}

TEST_F(GuiScrollTest, TheWheelIsConsumedByTheFirstRegionUnderTheMouse) {
    Items a, b;
    f32 fa = 0, ca = 210, fb = 0, cb = 210;
    GuiInput in = gui_mouse(60, 50);
    in.wheel = -1;  // towards the user: further down
    frame(in, [&] {
        region(&a, 6, &fa, &ca);
        region(&b, 6, &fb, &cb);  // the same place, drawn later
    });
    EXPECT_FLOAT_EQ(fa, 0.1f);
    EXPECT_FLOAT_EQ(fb, 0) << "the second region saw no wheel";
    EXPECT_EQ(ctx->input.wheel, 0);

    in.wheel = 1;
    frame(in, [&] { region(&a, 6, &fa, &ca); });
    frame(in, [&] { region(&a, 6, &fa, &ca); });
    EXPECT_FLOAT_EQ(fa, 0) << "clamped at the start";
    fa = 0.95f;
    in.wheel = -1;
    frame(in, [&] { region(&a, 6, &fa, &ca); });
    EXPECT_FLOAT_EQ(fa, 1.0f) << "clamped at the end";

    GuiInput outside = gui_mouse(200, 50);
    outside.wheel = -1;
    frame(outside, [&] { region(&a, 6, &fa, &ca); });
    EXPECT_EQ(ctx->input.wheel, -1) << "outside the region the wheel stays";
}

TEST_F(GuiScrollTest, TheClipIsRestoredAfterTheRegion) {
    Items items;
    f32 fraction = 0, content = 0;
    GuiRect before;
    frame(gui_mouse(300, 230), [&] {
        before = ctx->clip_rect;
        region(&items, 1, &fraction, &content);
        EXPECT_EQ(memcmp(&before, &ctx->clip_rect, sizeof(GuiRect)), 0);
        rect(150, 100, 20, 20, MAGENTA);
    });
    EXPECT_EQ(px(160, 110), MAGENTA);
}

TEST_F(GuiScrollTest, AButtonScrolledOutOfTheRegionIsNeverHovered) {
    Items items;
    items.buttons = true;
    f32 fraction = 0.5f, content = 105;  // item 0 spans y 2.5 .. 32.5, visible from 30
    frame(gui_mouse(50, 10), [&] { region(&items, 3, &fraction, &content); });
    frame(gui_mouse(50, 10, true), [&] {
        items = Items();
        items.buttons = true;
        region(&items, 3, &fraction, &content);
    });
    EXPECT_FALSE(items.clicked[0]) << "pressed over its clipped-away part";
    frame(gui_mouse(50, 31), [&] {
        items = Items();
        items.buttons = true;
        region(&items, 3, &fraction, &content);
    });
    frame(gui_mouse(50, 31, true), [&] {
        items = Items();
        items.buttons = true;
        region(&items, 3, &fraction, &content);
    });
    EXPECT_TRUE(items.clicked[0]) << "pressed over its visible part";
    EXPECT_FALSE(items.clicked[1]);
}

//-----------------------------------------------------------------------------
// Scroll bar
//-----------------------------------------------------------------------------

struct BarState {
    f32 fraction;
    u8 dragging;
};

class GuiScrollBarTest : public GuiScrollTest {
protected:
    // Vertical at (200, 20): thickness 10, length 100; the room between the buttons is 80.
    void bar(const GuiInput& in, BarState* s, f32 visible, u8 orientation = GUI_SCROLL_VERTICAL) {
        frame(in, [&] {
            GuiScrollBarParams p = {&DefaultScrollBarStyle, orientation, 0.1f, 0.05f, 100, 10, 200, 20};
            if (orientation == GUI_SCROLL_HORIZONTAL) p.x = 20, p.y = 200;
            gui_scroll_bar(ctx, p, GuiScrollBarCall{visible, &s->fraction, &s->dragging, nullptr});
        });
    }
    i32 slide_top() {
        for (i32 y = 0; y < (i32)H; y++)
            if (px(205, y) == BLUE) return y;
        return -1;
    }
};

TEST_F(GuiScrollBarTest, ButtonsStepOnEveryFrameHeld) {
    BarState s = {0.5f, 0};
    bar(gui_mouse(205, 25), &s, 0.5f);
    EXPECT_EQ(px(205, 20), RED);
    EXPECT_EQ(px(205, 119), GREEN);
    EXPECT_EQ(slide_top(), 20 + 10 + 20);  // 10 + 40 x 0.5
    for (int i = 0; i < 3; i++) bar(gui_mouse(205, 115, true), &s, 0.5f);
    EXPECT_NEAR(s.fraction, 0.65f, 1e-5f);
    EXPECT_EQ(s.dragging, 0);
    EXPECT_EQ(slide_top(), 20 + 10 + 26);
    for (int i = 0; i < 20; i++) bar(gui_mouse(205, 25, true), &s, 0.5f);
    EXPECT_FLOAT_EQ(s.fraction, 0) << "clamped";
    EXPECT_EQ(slide_top(), 30);

    // Everything visible: the buttons do nothing and the slide bar fills the room.
    bar(gui_mouse(205, 115, true), &s, 1.0f);
    EXPECT_FLOAT_EQ(s.fraction, 0);
    EXPECT_EQ(px(205, 30), BLUE);
    EXPECT_EQ(px(205, 109), BLUE);
}

TEST_F(GuiScrollBarTest, APressOnTheBarDragsByTheMouseMovement) {
    BarState s = {0.25f, 0};
    bar(gui_mouse(205, 60), &s, 0.5f);  // slide bar at 40 .. 80
    EXPECT_EQ(slide_top(), 40);
    bar(gui_mouse(205, 60, true), &s, 0.5f);
    EXPECT_EQ(s.dragging, 1);
    EXPECT_FLOAT_EQ(s.fraction, 0.25f);
    bar(gui_mouse(150, 70, true), &s, 0.5f);  // 10 down, off the bar sideways
    EXPECT_FLOAT_EQ(s.fraction, 0.5f);        // (40 x 0.25 + 10) / 40
    EXPECT_EQ(slide_top(), 50);
    bar(gui_mouse(150, 500, true), &s, 0.5f);
    EXPECT_FLOAT_EQ(s.fraction, 1.0f);
    bar(gui_mouse(150, 500, false), &s, 0.5f);
    EXPECT_EQ(s.dragging, 0);
    bar(gui_mouse(150, 100, false), &s, 0.5f);
    EXPECT_FLOAT_EQ(s.fraction, 1.0f);
}

TEST_F(GuiScrollBarTest, SlidingOntoTheBarWithTheButtonHeldStartsNoDrag) {
    BarState s = {0.25f, 0};
    bar(gui_mouse(150, 60, true), &s, 0.5f);
    bar(gui_mouse(205, 60, true), &s, 0.5f);
    EXPECT_EQ(s.dragging, 0);
    bar(gui_mouse(205, 80, true), &s, 0.5f);
    EXPECT_FLOAT_EQ(s.fraction, 0.25f);
}

TEST_F(GuiScrollBarTest, TheWheelOverTheBarStepsAndIsConsumed) {
    BarState s = {0.5f, 0};
    GuiInput in = gui_mouse(205, 60);
    in.wheel = -1;
    bar(in, &s, 0.5f);
    EXPECT_FLOAT_EQ(s.fraction, 0.6f);
    EXPECT_EQ(ctx->input.wheel, 0);
    in.wheel = 1;
    bar(in, &s, 0.5f);
    bar(in, &s, 0.5f);
    EXPECT_NEAR(s.fraction, 0.4f, 1e-6f);
}

TEST_F(GuiScrollBarTest, HorizontalBarHasItsForwardButtonAtTheRight) {
    BarState s = {0.0f, 0};
    bar(gui_mouse(300, 230), &s, 0.25f, GUI_SCROLL_HORIZONTAL);
    EXPECT_EQ(px(20, 205), RED);
    EXPECT_EQ(px(29, 205), RED);
    EXPECT_EQ(px(30, 205), BLUE);  // 80 x 0.25 = 20 long
    EXPECT_EQ(px(49, 205), BLUE);
    EXPECT_EQ(px(50, 205), CLEAR);
    EXPECT_EQ(px(110, 205), GREEN);
    EXPECT_EQ(px(119, 209), GREEN);
    for (int i = 0; i < 2; i++) bar(gui_mouse(115, 205, true), &s, 0.25f, GUI_SCROLL_HORIZONTAL);
    EXPECT_FLOAT_EQ(s.fraction, 0.1f);
    // A drag moves along x.
    bar(gui_mouse(40, 205), &s, 0.25f, GUI_SCROLL_HORIZONTAL);
    bar(gui_mouse(40, 205, true), &s, 0.25f, GUI_SCROLL_HORIZONTAL);
    bar(gui_mouse(52, 150, true), &s, 0.25f, GUI_SCROLL_HORIZONTAL);
    EXPECT_NEAR(s.fraction, (60 * 0.1f + 12) / 60, 1e-6f);
}

TEST_F(GuiScrollBarTest, AVisibleFractionPastOneOrABarWithoutRoomMovesNothing) {
    BarState s = {0.5f, 0};
    bar(gui_mouse(205, 115, true), &s, 3.0f);
    bar(gui_mouse(205, 115, true), &s, NAN);
    EXPECT_FLOAT_EQ(s.fraction, 0.5f);
    // Shorter than its two buttons: dragging must not divide by a zero room.
    frame(gui_mouse(205, 22, true), [&] {
        GuiScrollBarParams p = {&DefaultScrollBarStyle, GUI_SCROLL_VERTICAL, 0.1f, 0.05f, 15, 10, 200, 20};
        s.dragging = 1;
        gui_scroll_bar(ctx, p, GuiScrollBarCall{0.5f, &s.fraction, &s.dragging, nullptr});
    });
    EXPECT_TRUE(isfinite(s.fraction));
}

}  // namespace
