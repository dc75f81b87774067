#include "gui_test_support.h"
#include <math.h>
#include "Ostrel/renderer/font_gpu.h"
#include "text_test_font.h"

static auto all_styles() {
    return std::tie(DefaultButtonStyle, ListButtonStyle, DefaultBoxStyle, DefaultSliderStyle, DefaultTextInputStyle,
                    DefaultCheckBoxStyle, DefaultScrollRegionStyle, DefaultScrollBarStyle);
}

void GuiTest::SetUpTestSuite() {
    HarnessTest::SetUpTestSuite();
    ok = ok && test_font().built &&
         font_upload_atlas(&h->vk, &h->texture_arena.interface, &h->staging_arena.interface, &test_font().atlas, &atlas);
    glyphs = &test_font().map;
}

void GuiTest::TearDownTestSuite() {
    vulkan_destroy_texture(&atlas);
    HarnessTest::TearDownTestSuite();
}

void GuiTest::SetUp() {
    ASSERT_TRUE(ok) << "no Vulkan device or no font";
    ctx = &h->gui;
    ctx->input = GuiInput{};
    ctx->previous_input = GuiInput{};
    ctx->clipboard_get = nullptr;
    ctx->clipboard_set = nullptr;
    saved_styles_ = all_styles();
    gui_set_style_font(glyphs, atlas);
}

void GuiTest::TearDown() { all_styles() = saved_styles_; }

bool GuiTest::bounds(u32 color, GuiRect within, GuiRect* out, bool equal) const {
    bool any = false;
    for (i32 y = (i32)within.y0; y < (i32)within.y1; y++) {
        for (i32 x = (i32)within.x0; x < (i32)within.x1; x++) {
            if ((px(x, y) == color) != equal) continue;
            if (!any) *out = GuiRect{(f32)x, (f32)y, (f32)x, (f32)y};
            any = true;
            out->x0 = fminf(out->x0, (f32)x);
            out->y0 = fminf(out->y0, (f32)y);
            out->x1 = fmaxf(out->x1, (f32)x);
            out->y1 = fmaxf(out->y1, (f32)y);
        }
    }
    return any;
}
