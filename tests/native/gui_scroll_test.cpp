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
    std::vector<LayoutNode> nodes;
    std::vector<GuiPoint> placed;  // absolute, while the region lives
};

const u32 ITEM_COLORS[] = {RED, GREEN, BLUE, YELLOW, CYAN, MAGENTA};

bool item(GuiContext* ctx, ScrollRegion* region, u32 index, void* user) {
    Items* items = (Items*)user;
    LayoutNode node = {};
    gui_scroll_region_item(&node, region, items->extent);
    node.w = region->node.w;
    items->nodes.push_back(node);
    items->placed.push_back(gui_absolute_position(&node));
    gui_rect(ctx, GuiRectParams{node.w, node.h, ITEM_COLORS[index % 6], node.x, node.y, nullptr, node.parent});
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
    // A vertical region at (20, 30), 100 x 50, spacing 5, over `count` fresh items; the fraction and
    // the content extent are the caller's.
    Items region(u32 count, f32* fraction, f32* content, Items items = {}, LayoutNode* out = nullptr) {
        items.nodes.clear();
        items.placed.clear();
        GuiScrollRegionParams p = {&DefaultScrollRegionStyle, 100, 50, 0.1f, GUI_SCROLL_VERTICAL, 5, 20, 30};
        gui_scroll_region(ctx, p, GuiScrollRegionCall{item, &items, count, fraction, content, out});
        return items;
    }
};

TEST_F(GuiScrollTest, ItemsStartAtMinusTheHiddenFractionAreClippedToTheRegionAndMayEndTheIteration) {
    Items items;
    f32 fraction = 0.5f, content = 105;  // last frame: 3 items of 30 + 5
    LayoutNode out;
    frame(gui_mouse(300, 230), [&] {
        GuiRect before = ctx->clip_rect;
        items = region(3, &fraction, &content, {}, &out);
        EXPECT_EQ(corners(ctx->clip_rect), corners(before)) << "the clip is restored after the region";
    });
    ASSERT_EQ(items.nodes.size(), 3u);
    EXPECT_EQ((std::vector<f32>{items.nodes[0].y, items.nodes[1].y, items.nodes[2].y, items.nodes[1].x}),
              (std::vector<f32>{-27.5f, 7.5f, 42.5f, 0}));
    EXPECT_EQ((std::vector<f32>{items.nodes[1].h, items.placed[1].y, content, fraction, out.y, out.h}),
              (std::vector<f32>{30, 37.5f, 105, 0.5f, 30, 50}));
    // Items cut at the region's top and bottom, the spacing showing the background.
    for (auto [x, y, c] : {std::tuple{50, 29, CLEAR}, {50, 30, RED}, {50, 35, GREY}, {50, 40, GREEN}, {50, 79, BLUE},
                           {50, 80, CLEAR}, {19, 40, CLEAR}})
        EXPECT_EQ(px(x, y), c) << x << "," << y;
    // An item returning false ends the iteration; content shorter than the region forces zero.
    items.stop_after = 1;
    fraction = 0.7f;
    frame(gui_mouse(300, 230), [&] { items = region(10, &fraction, &content, items); });
    EXPECT_EQ(items.nodes.size(), 2u);
    EXPECT_EQ(std::pair(content, fraction), std::pair(70.0f, 0.7f)) << "70 is more than the 50 visible";
    frame(gui_mouse(300, 230), [&] { region(2, &fraction, &content, Items{10}); });
    EXPECT_EQ(std::pair(content, fraction), std::pair(30.0f, 0.0f));
}

// Each row one frame with the mouse over two regions in the same place (or beside them): the
// first one's fraction before and after, and the wheel left for later widgets.
TEST_F(GuiScrollTest, TheWheelIsConsumedByTheFirstRegionUnderTheMouse) {
    const struct { i32 x, wheel; f32 before, after; i32 left; } steps[] = {
        {60, -1, 0, 0.1f, 0},  // towards the user: further down
        {60, 1, 0.05f, 0, 0},  // clamped at the start
        {60, -1, 0.95f, 1, 0},
        {200, -1, 0.5f, 0.5f, -1},
    };
    for (const auto& s : steps) {
        f32 fa = s.before, ca = 210, fb = 0, cb = 210;
        frame(gui_mouse(s.x, 50, false, s.wheel), [&] {
            region(6, &fa, &ca);
            region(6, &fb, &cb);
        });
        EXPECT_EQ((std::vector<f32>{fa, fb, (f32)ctx->input.wheel}), (std::vector<f32>{s.after, 0, (f32)s.left}))
            << &s - steps;
    }
}

// One row: frames with the mouse (and wheel) over a bar showing `visible` of its content, then the
// fraction, the dragging flag and the slide bar's top row (0: not checked).
struct BarStep { i32 x, y; bool down; i32 wheel; f32 visible; int frames; f32 fraction; u8 dragging; i32 slide_top; };

class GuiScrollBarTest : public GuiScrollTest {
protected:
    // Vertical at (200, 20): thickness 10, length 100; the room between the buttons is 80.
    void bar(const GuiInput& in, f32 visible, f32 length = 100) {
        frame(in, [&] {
            GuiScrollBarParams p = {&DefaultScrollBarStyle, GUI_SCROLL_VERTICAL, 0.1f, 0.05f, length, 10, 200, 20};
            gui_scroll_bar(ctx, p, GuiScrollBarCall{visible, &fraction, &dragging, nullptr});
        });
    }
    void run(f32 start, std::initializer_list<BarStep> steps) {
        fraction = start;
        for (const BarStep& s : steps) {
            for (int i = 0; i < s.frames; i++) bar(gui_mouse(s.x, s.y, s.down, s.wheel), s.visible);
            EXPECT_TRUE(fabsf(fraction - s.fraction) < 1e-5f && dragging == s.dragging &&
                        (!s.slide_top || slide_top() == s.slide_top))
                << "row " << &s - steps.begin() << ": " << fraction << " " << (int)dragging << " " << slide_top();
        }
    }
    i32 slide_top() {
        for (i32 y = 0; y < (i32)H; y++)
            if (px(205, y) == BLUE) return y;
        return -1;
    }
    f32 fraction = 0.5f;
    u8 dragging = 0;
};

TEST_F(GuiScrollBarTest, ButtonsStepOnEveryFrameHeldAndTheWheelStepsAndIsConsumed) {
    run(0.5f, {{205, 25, false, 0, 0.5f, 1, 0.5f, 0, 30 + 20},  // 10 + 40 x 0.5
               {205, 115, true, 0, 0.5f, 3, 0.65f, 0, 30 + 26},
               {205, 25, true, 0, 0.5f, 20, 0, 0, 30},          // clamped
               {205, 115, true, 0, 1.0f, 1, 0, 0, 30},          // all visible: the buttons do nothing
               {205, 115, true, 0, 3.0f, 1, 0, 0, 30},          // and past one or not a number: all visible
               {205, 115, true, 0, NAN, 1, 0, 0, 30}});
    EXPECT_EQ((std::vector<u32>{px(205, 109), px(205, 20), px(205, 119)}), (std::vector<u32>{BLUE, RED, GREEN}))
        << "the slide bar fills the room between the buttons";
    run(0.5f, {{205, 60, false, -1, 0.5f, 1, 0.6f, 0, 0}, {205, 60, false, 1, 0.5f, 2, 0.4f, 0, 0}});
    EXPECT_EQ(ctx->input.wheel, 0);
}

TEST_F(GuiScrollBarTest, APressOnTheBarDragsByTheMouseMovementButSlidingOntoItOrABarWithoutRoomDoesNot) {
    run(0.25f, {{150, 60, true, 0, 0.5f, 1, 0.25f, 0, 0},  // held before reaching the bar
                {205, 60, true, 0, 0.5f, 1, 0.25f, 0, 0},
                {205, 80, true, 0, 0.5f, 1, 0.25f, 0, 0},
                {205, 60, false, 0, 0.5f, 1, 0.25f, 0, 40},  // slide bar at 40 .. 80
                {205, 60, true, 0, 0.5f, 1, 0.25f, 1, 0},
                {150, 70, true, 0, 0.5f, 1, 0.5f, 1, 50},     // 10 down, off the bar: (40 x 0.25 + 10) / 40
                {150, 500, true, 0, 0.5f, 1, 1.0f, 1, 0},
                {150, 500, false, 0, 0.5f, 1, 1.0f, 0, 0},
                {150, 100, false, 0, 0.5f, 1, 1.0f, 0, 0}});
    dragging = 1;  // shorter than its two buttons: dragging must not divide by a zero room
    bar(gui_mouse(205, 22, true), 0.5f, 15);
    EXPECT_TRUE(isfinite(fraction));
}

}  // namespace
