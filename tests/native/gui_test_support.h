// Whole GUI frames on an offscreen lavapipe device with the program's font: a test scripts one
// GuiInput per frame, runs widgets inside the frame and reads the drawn pixels back.
#pragma once
#include <gtest/gtest.h>
#include <tuple>
#include <vector>
#include "Ostrel/gui/gui.h"
#include "support/harness_test.h"

// Mouse at (x, y), left button down or up, the wheel turned; every other field zero.
inline GuiInput gui_mouse(i32 x, i32 y, bool down = false, i32 wheel = 0) {
    return GuiInput{.wheel = wheel, .mouse_x = x, .mouse_y = y, .left_button = down ? 1u : 0u};
}
inline std::vector<f32> corners(const GuiRect& r) { return {r.x0, r.y0, r.x1, r.y1}; }

class GuiTest : public HarnessTest<320, 240> {
protected:
    static const u32 W = 320, H = 240;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // One frame: the previous input becomes last frame's, `in` this frame's; the body's widgets
    // are drawn and the frame's pixels are kept in `pixels`.
    template <class Body>
    void frame(const GuiInput& in, Body&& body) {
        ctx->previous_input = ctx->input;
        ctx->input = in;
        ASSERT_TRUE(render_harness_begin(h));
        body();
        ASSERT_TRUE(render_harness_end(h));
        pixels = render_harness_pixels(h);
    }
    u32 px(i32 x, i32 y) const { return pixel_at(pixels, W, (u32)x, (u32)y); }
    // Bounding box of the pixels that are (or, with `equal` false, are not) of one colour inside a
    // window rectangle; false when there are none.
    bool bounds(u32 color, GuiRect within, GuiRect* out, bool equal = true) const;
    bool other_bounds(u32 color, GuiRect within, GuiRect* out) const { return bounds(color, within, out, false); }

    GuiContext* ctx = nullptr;
    std::vector<u32> pixels;
    static inline GuiTexture atlas = {};
    static inline const GlyphMap* glyphs = nullptr;

private:
    using Styles = std::tuple<ButtonStyle, ButtonStyle, BoxStyle, SliderStyle, TextInputStyle, CheckBoxStyle,
                              ScrollRegionStyle, ScrollBarStyle>;
    Styles saved_styles_;  // tests change the global styles; each test starts from these
};

// Colours that stand out in read-back pixels.
const u32 RED = gui_pack_color(255, 0, 0, 255);
const u32 GREEN = gui_pack_color(0, 255, 0, 255);
const u32 BLUE = gui_pack_color(0, 0, 255, 255);
const u32 YELLOW = gui_pack_color(255, 255, 0, 255);
const u32 CYAN = gui_pack_color(0, 255, 255, 255);
const u32 MAGENTA = gui_pack_color(255, 0, 255, 255);
const u32 GREY = gui_pack_color(100, 100, 100, 255);
const u32 WHITE = gui_pack_color(255, 255, 255, 255);
const u32 CLEAR = 0;  // the frame's clear colour
