#include "gui_test_support.h"
#include "Ostrel/text/font_gpu.h"
#include "text_test_font.h"

RenderHarness* GuiTest::h = nullptr;
GuiTexture GuiTest::atlas = {};
const GlyphMap* GuiTest::glyphs = nullptr;
bool GuiTest::ok = false;

GuiInput gui_mouse(i32 x, i32 y, bool down) {
    GuiInput in = {};
    in.mouse_x = x;
    in.mouse_y = y;
    in.left_button = down ? 1 : 0;
    return in;
}

void GuiTest::SetUpTestSuite() {
    h = new RenderHarness;
    ok = render_harness_create(h, W, H) && test_font().built &&
         font_upload_atlas(&h->vk, &h->texture_arena.interface, &h->staging_arena.interface, &test_font().atlas,
                           &atlas);
    glyphs = &test_font().map;
}

void GuiTest::TearDownTestSuite() {
    render_harness_destroy(h);
    delete h;
    h = nullptr;
}

void GuiTest::SetUp() {
    ASSERT_TRUE(ok) << "no Vulkan device or no font";
    ctx = &h->gui;
    ctx->input = GuiInput{};
    ctx->previous_input = GuiInput{};
    ctx->clipboard_get = nullptr;
    ctx->clipboard_set = nullptr;
    saved_button_ = DefaultButtonStyle;
    saved_list_button_ = ListButtonStyle;
    saved_box_ = DefaultBoxStyle;
    saved_slider_ = DefaultSliderStyle;
    saved_text_input_ = DefaultTextInputStyle;
    saved_check_box_ = DefaultCheckBoxStyle;
    saved_region_ = DefaultScrollRegionStyle;
    saved_bar_ = DefaultScrollBarStyle;
    gui_set_style_font(glyphs, atlas);
}

void GuiTest::TearDown() {
    DefaultButtonStyle = saved_button_;
    ListButtonStyle = saved_list_button_;
    DefaultBoxStyle = saved_box_;
    DefaultSliderStyle = saved_slider_;
    DefaultTextInputStyle = saved_text_input_;
    DefaultCheckBoxStyle = saved_check_box_;
    DefaultScrollRegionStyle = saved_region_;
    DefaultScrollBarStyle = saved_bar_;
}

bool GuiTest::color_bounds(u32 color, GuiRect within, GuiRect* out) const {
    return scan(color, ~0u, true, within, out);
}

bool GuiTest::other_bounds(u32 color, GuiRect within, GuiRect* out) const {
    return scan(color, ~0u, false, within, out);
}

bool GuiTest::rgb_bounds(u32 color, GuiRect within, GuiRect* out) const {
    return scan(color, 0x00FFFFFFu, true, within, out);
}

bool GuiTest::scan(u32 color, u32 mask, bool equal, GuiRect within, GuiRect* out) const {
    bool any = false;
    for (i32 y = (i32)within.y0; y < (i32)within.y1; y++) {
        for (i32 x = (i32)within.x0; x < (i32)within.x1; x++) {
            if (((px(x, y) & mask) == (color & mask)) != equal) continue;
            if (!any) *out = GuiRect{(f32)x, (f32)y, (f32)x, (f32)y};
            any = true;
            if (x < out->x0) out->x0 = (f32)x;
            if (y < out->y0) out->y0 = (f32)y;
            if (x > out->x1) out->x1 = (f32)x;
            if (y > out->y1) out->y1 = (f32)y;
        }
    }
    return any;
}

u32 GuiTest::rect(f32 x, f32 y, f32 w, f32 hh, u32 color, LayoutNode* parent, u32 alignment, LayoutNode* out) {
    GuiRectParams p = {};
    p.width = w;
    p.height = hh;
    p.color = color;
    p.x = x;
    p.y = y;
    p.out_node = out;
    p.parent = parent;
    p.alignment = alignment;
    return gui_rect(ctx, p);
}
