// The GUI renderer drawing real frames offscreen: shader pixels read back from the image, texture
// set pools, projection uploads, scissor and the per-frame recycling of element resources.
#include <gtest/gtest.h>
#include <math.h>
#include <string>
#include <tuple>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "support/harness_test.h"
#include "support/log_capture.h"
#include "support/vk_hooks.h"

using namespace ostrel_vk;

namespace {

const u32 W = 160, H = 120;
u32 alpha(u32 pixel) { return pixel >> 24; }

using GuiRendererTest = HarnessTest<W, H>;

// Every pixel of the corner square of radius `r` at (x, y): none outside the circle, full alpha
// `a` inside, a one-pixel soft edge between.
void expect_round_corner(const std::vector<u32>& pixels, u32 x, u32 y, f32 r, u32 a) {
    for (int py = 0; py < (int)r; py++)
        for (int px = 0; px < (int)r; px++)
            EXPECT_NEAR((f32)alpha(pixel_at(pixels, W, x + px, y + py)),
                        fminf(fmaxf((r - hypotf(px + 0.5f - r, py + 0.5f - r)) * 255.0f, 0.0f), (f32)a), 2.0f)
                << px << "," << py;
}

TEST_F(GuiRendererTest, RadiusHalfRoundsAHundredByFortyRectangleAndRadiusOneMakesACircle) {
    // Radius 0.5 of half the shorter side (20): corner circles of radius 10.
    GuiElement e = render_harness_element(h, 20, 30, 100, 40, gui_pack_color(255, 255, 255, 200), 0.5f);
    auto pixels = render_harness_frame(h, {&e});
    for (auto [x, y] : {std::pair{119, 30}, {20, 69}, {119, 69}}) EXPECT_EQ(pixel_at(pixels, W, x, y), 0u);
    expect_round_corner(pixels, 20, 30, 10.0f, 200);
    GuiElement circle = render_harness_element(h, 50, 40, 40, 40, gui_pack_color(0, 255, 0, 255), 1.0f);
    pixels = render_harness_frame(h, {&circle});
    expect_round_corner(pixels, 50, 40, 20.0f, 255);
    EXPECT_EQ(alpha(pixel_at(pixels, W, 89, 79)), 0u);
}

TEST_F(GuiRendererTest, TextTakesAlphaFromTheAtlasRedChannelAndColourFromTheElement) {
    // A 4 x 2 single-channel atlas; the glyph quad shows its top row stretched to 40 x 10 pixels.
    const u8 atlas[8] = {0, 128, 255, 64, 9, 9, 9, 9};
    GuiTexture texture;
    TextureCreateInfo info = {atlas, 4, 2, VK_FORMAT_R8_UNORM, 1, h->vk.physical_device, h->vk.device,
                              h->vk.graphics_queue, h->vk.command_pool};
    ASSERT_TRUE(vulkan_create_texture(&info, &h->texture_arena.interface, &h->staging_arena.interface, nullptr, &texture));
    f32 quad[6 * 4] = {0, 0, 0, 0, 40, 0, 4, 0, 0, 10, 0, 1, 0, 10, 0, 1, 40, 0, 4, 0, 40, 10, 4, 1};
    // The element's alpha is replaced by the coverage and its radius is of no account.
    GuiElement e = render_harness_element(h, 60, 70, 40, 10, gui_pack_color(40, 200, 90, 30), 0.7f);
    e.primitive_type = GUI_PRIMITIVE_TEXT;
    e.texture = texture;
    e.text_layout.vertices = quad;
    e.text_layout.vertex_count = 6;
    auto pixels = render_harness_frame(h, {&e});
    EXPECT_EQ(pixel_at(pixels, W, 65, 75), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 85, 75), gui_pack_color(40, 200, 90, 255)) << "coverage 255, no rounding";
    u32 half = pixel_at(pixels, W, 75, 75);  // coverage 128: the colour blended by it
    EXPECT_EQ(alpha(half), 128u);
    for (int c = 0; c < 3; c++)
        EXPECT_NEAR((f32)((half >> (8 * c)) & 0xFF), (f32)((gui_pack_color(40, 200, 90, 0) >> (8 * c)) & 0xFF) * 128 / 255.0f, 1.0f);
    EXPECT_EQ(alpha(pixel_at(pixels, W, 95, 75)), 64u);
    vulkan_destroy_texture(&texture);
}

// Sets released in a frame are reused by the next ones: the pools stop growing.
TEST_F(GuiRendererTest, LaterFramesReuseTheSetsWithoutMorePools) {
    std::vector<GuiElement> elements(48);
    u32 pools = 0;
    for (int frame = 0; frame < 3; frame++) {
        ASSERT_TRUE(render_harness_begin(h));
        for (GuiElement& e : elements) {
            e = render_harness_element(h, 0, 0, 4, 4, gui_pack_color(1, 1, 1, 255), 0.0f);
            gui_prepare_element(&e);
            gui_release_element(&e);  // release before draw is allowed
            gui_draw_element(&e);
        }
        if (frame == 0) pools = h->gui.texture_descriptor_pools.count;
        EXPECT_EQ(h->gui.texture_descriptor_pools.count, pools) << frame;
        ASSERT_TRUE(render_harness_end(h));
    }
    EXPECT_GT(pools, 1u);
}

using PoolCreations = VkFake<&vkCreateDescriptorPool>;
using Maps = VkFake<&vkMapMemory>;

// A harness of its own, whose pools are counted from the start.
using GuiRendererPools = HarnessTest<32, 32>;

TEST_F(GuiRendererPools, WhenPoolsCannotBeAddedTheElementIsGivenUpForTheFrame) {
    const u32 white = gui_pack_color(255, 255, 255, 255);
    LogCapture capture;
    {
        VkHooks hooks;
        PoolCreations::install(&hooks, 1000, (VkResult)-77,  // a code no Vulkan version has
                               [](VkDevice, const VkDescriptorPoolCreateInfo*, const VkAllocationCallbacks*,
                                  VkDescriptorPool* pool) { *pool = VK_NULL_HANDLE; });
        VkFake<&vkCmdDraw>::install(&hooks);
        ASSERT_TRUE(render_harness_begin(h));
        GuiElement a = render_harness_element(h, 0, 0, 8, 8, white, 0.0f), b = a;
        gui_prepare_element(&a);  // returns: no endless retry
        EXPECT_EQ(a.descriptor_set, VK_NULL_HANDLE);
        EXPECT_EQ(a.vertex_buffer.vertex_count, 0u);
        gui_draw_element(&a);
        gui_release_element(&a);
        render_harness_draw(&b);  // the next element tries once more
        ASSERT_TRUE(render_harness_end(h));
        EXPECT_EQ(PoolCreations::calls, 2);
        EXPECT_EQ(VkFake<&vkCmdDraw>::calls, 0);
        ASSERT_TRUE(render_harness_begin(h));
        EXPECT_EQ(h->gui.free_texture_sets.count, 0u) << "nothing null was recycled";
        ASSERT_TRUE(render_harness_end(h));
    }
    EXPECT_EQ(capture.count("Failed to create GUI descriptor pool at index 0."), 2);
    EXPECT_EQ(capture.count("Vulkan API call failed: VK_ERROR_UNKNOWN/Unknwown.\nAn unknown error has occurred; either the "
                            "application has provided invalid input, or an implementation failure has occurred."), 2);
    GuiElement c = render_harness_element(h, 0, 0, 8, 8, white, 0.0f);  // pools can be made again
    EXPECT_EQ(pixel_at(render_harness_frame(h, {&c}), 32, 3, 3), white);
}

// Vulkan rejects negative offsets and wrapped extents.
TEST(Scissor, TruncatesAndClampsNegativeMinimaToTheWindowEdge) {
    const struct { GuiRect clip; i32 x, y; u32 w, h; } cases[] = {
        {{10.7f, 20.2f, 110.9f, 60.5f}, 10, 20, 100, 40},
        {{-30.0f, -5.5f, 100.0f, 50.0f}, 0, 0, 100, 50},
        {{-50.0f, 10.0f, -20.0f, 5.0f}, 0, 10, 0, 0},  // outside or inverted: nothing passes
    };
    for (const auto& c : cases) {
        VkRect2D r = gui_scissor_from_clip(c.clip);
        EXPECT_EQ((std::vector<i64>{r.offset.x, r.offset.y, r.extent.width, r.extent.height}),
                  (std::vector<i64>{c.x, c.y, c.w, c.h})) << c.clip.x0;
    }
}

TEST_F(GuiRendererTest, TheSameProjectionRectangleIsUploadedOnceAndAFailedUploadIsRetried) {
    VkHooks hooks;
    Maps::install(&hooks);
    gui_update_projection(&h->gui, 0, 0, 123, 45);
    gui_update_projection(&h->gui, 0, 0, 123, 45);
    EXPECT_EQ(Maps::calls, 1);
    gui_update_projection(&h->gui, 0, 0, 124, 45);
    gui_update_projection(&h->gui, 0, 0, 0, 0);  // a minimised window keeps the last projection
    EXPECT_EQ(Maps::calls, 2);
    EXPECT_EQ(h->gui.viewport_width, 124u);

    LogCapture capture;
    vk_fail_map(&hooks, 2);  // counts afresh
    gui_update_projection(&h->gui, 0, 0, 77, 66);
    EXPECT_EQ(h->gui.viewport_width, 124u);
    gui_update_projection(&h->gui, 0, 0, 77, 66);
    EXPECT_EQ(Maps::calls, 2) << "both retried";
    EXPECT_EQ(capture.count("gui_vk: Failed to map memory required to upload uniform buffer."), 2);
    gui_update_projection(&h->gui, 0, 0, 77, 66);
    EXPECT_EQ(Maps::calls, 3);
    EXPECT_EQ(h->gui.viewport_width, 77u);
    gui_update_projection(&h->gui, 0, 0, W, H);
}

}  // namespace
