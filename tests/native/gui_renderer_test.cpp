// The GUI renderer drawing real frames offscreen: shader pixels read back from the image, texture
// set pools, projection uploads, scissor and the per-frame recycling of element resources.
#include <gtest/gtest.h>
#include <math.h>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "support/log_capture.h"
#include "support/render_harness.h"
#include "support/vk_hooks.h"

namespace {

const u32 W = 160, H = 120;

class GuiRendererTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        harness_ = new RenderHarness;
        ok_ = render_harness_create(harness_, W, H);
    }
    static void TearDownTestSuite() {
        render_harness_destroy(harness_);
        delete harness_;
        harness_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(ok_) << "no Vulkan device";
        h = harness_;
    }

    // Draws the elements in one frame and returns the pixels.
    std::vector<u32> draw(std::initializer_list<GuiElement*> elements) {
        EXPECT_TRUE(render_harness_begin(h));
        for (GuiElement* e : elements) {
            if (e->primitive_type == GUI_PRIMITIVE_TEXT) {
                gui_prepare_text_element(e);
                gui_draw_text_element(e);
                gui_release_text_element(e);
            } else {
                gui_prepare_element(e);
                gui_draw_element(e);
                gui_release_element(e);
            }
        }
        EXPECT_TRUE(render_harness_end(h));
        return render_harness_pixels(h);
    }
    static u32 alpha(u32 pixel) { return pixel >> 24; }

    RenderHarness* h = nullptr;
    static RenderHarness* harness_;
    static bool ok_;
};

RenderHarness* GuiRendererTest::harness_ = nullptr;
bool GuiRendererTest::ok_ = false;

//-----------------------------------------------------------------------------
// Shader pixels
//-----------------------------------------------------------------------------

TEST_F(GuiRendererTest, UntexturedElementShowsItsPackedColourWhereItStands) {
    u32 color = gui_pack_color(10, 20, 30, 255);
    GuiElement e = render_harness_element(h, 40, 30, 50, 20, color, 0.0f);
    e.use_texture = 1;  // stale: drawing decides it from the texture (none: the placeholder, 0)
    auto pixels = draw({&e});
    EXPECT_EQ(e.use_texture, 0u);
    EXPECT_EQ(e.texture_dirty, 0);
    EXPECT_EQ(pixel_at(pixels, W, 40, 30), color);
    EXPECT_EQ(pixel_at(pixels, W, 89, 49), color);
    // Edges: one pixel outside on each side is the clear colour (transparent black).
    EXPECT_EQ(pixel_at(pixels, W, 39, 30), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 90, 30), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 40, 29), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 40, 50), 0u);
}

TEST_F(GuiRendererTest, LaterElementsCoverEarlierOnes) {
    GuiElement under = render_harness_element(h, 10, 10, 40, 40, gui_pack_color(255, 0, 0, 255), 0.0f);
    GuiElement over = render_harness_element(h, 30, 30, 40, 40, gui_pack_color(0, 0, 255, 255), 0.0f);
    auto pixels = draw({&under, &over});
    EXPECT_EQ(pixel_at(pixels, W, 20, 20), gui_pack_color(255, 0, 0, 255));
    EXPECT_EQ(pixel_at(pixels, W, 40, 40), gui_pack_color(0, 0, 255, 255));
    EXPECT_EQ(pixel_at(pixels, W, 60, 60), gui_pack_color(0, 0, 255, 255));
}

TEST_F(GuiRendererTest, RoundedCornersOfAHundredByFortyRectangle) {
    // Radius 0.5 of half the shorter side (20): corner circles of radius 10.
    const f32 x = 20, y = 30;
    GuiElement e = render_harness_element(h, x, y, 100, 40, gui_pack_color(255, 255, 255, 200), 0.5f);
    auto pixels = draw({&e});
    // (0.5, 0.5) from each corner is the centre of its corner pixel: outside the circle.
    EXPECT_EQ(pixel_at(pixels, W, 20, 30), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 119, 30), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 20, 69), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 119, 69), 0u);
    // (10, 10) from the top-left corner, and the middle: the element's own alpha.
    EXPECT_EQ(alpha(pixel_at(pixels, W, 30, 40)), 200u);
    EXPECT_EQ(alpha(pixel_at(pixels, W, 70, 50)), 200u);
    // Along the top edge, away from the corners, the edge pixel is whole.
    EXPECT_EQ(alpha(pixel_at(pixels, W, 70, 30)), 200u);
    // Every pixel of the top-left corner square follows the circle with a one-pixel soft edge.
    for (int py = 0; py < 10; py++) {
        for (int px = 0; px < 10; px++) {
            f32 d = hypotf(px + 0.5f - 10.0f, py + 0.5f - 10.0f);
            u32 a = alpha(pixel_at(pixels, W, (u32)(x + px), (u32)(y + py)));
            if (d > 10.0f) EXPECT_EQ(a, 0u) << px << "," << py;
            else if (d < 9.0f) EXPECT_EQ(a, 200u) << px << "," << py;
            else EXPECT_NEAR((f32)a, fminf((10.0f - d) * 255.0f, 200.0f), 2.0f) << px << "," << py;
        }
    }
}

TEST_F(GuiRendererTest, RadiusOneMakesASquareACircle) {
    const f32 x = 50, y = 40, side = 40;
    GuiElement e = render_harness_element(h, x, y, side, side, gui_pack_color(0, 255, 0, 255), 1.0f);
    auto pixels = draw({&e});
    int inside = 0, outside = 0;
    for (int py = 0; py < (int)side; py++) {
        for (int px = 0; px < (int)side; px++) {
            f32 d = hypotf(px + 0.5f - 20.0f, py + 0.5f - 20.0f);
            u32 a = alpha(pixel_at(pixels, W, (u32)(x + px), (u32)(y + py)));
            if (d > 20.0f) {
                EXPECT_EQ(a, 0u) << px << "," << py;
                outside++;
            } else if (d < 19.0f) {
                EXPECT_EQ(a, 255u) << px << "," << py;
                inside++;
            }
        }
    }
    // A circle of radius 20 covers about 1257 of the 1600 pixels.
    EXPECT_GT(inside, 1100);
    EXPECT_GT(outside, 300);
}

TEST_F(GuiRendererTest, TextTakesAlphaFromTheAtlasRedChannelAndColourFromTheElement) {
    // A 4 x 2 single-channel atlas; the glyph quad shows its top row stretched to 40 x 10 pixels.
    const u8 atlas[8] = {0, 128, 255, 64, 9, 9, 9, 9};
    GuiTexture texture;
    ASSERT_TRUE(render_harness_texture(h, atlas, 4, 2, VK_FORMAT_R8_UNORM, 1, &texture));
    const f32 w = 40, qh = 10;
    f32 quad[6 * 4] = {
        0, 0, 0, 0,  //
        w, 0, 4, 0,  //
        0, qh, 0, 1, //
        0, qh, 0, 1, //
        w, 0, 4, 0,  //
        w, qh, 4, 1, //
    };
    u32 color = gui_pack_color(40, 200, 90, 30);  // its alpha is replaced by the atlas's coverage
    GuiElement e = render_harness_element(h, 60, 70, w, qh, color, 0.7f);
    e.primitive_type = GUI_PRIMITIVE_TEXT;
    e.texture = texture;
    e.text_layout.vertices = quad;
    e.text_layout.vertex_count = 6;
    auto pixels = draw({&e});
    EXPECT_EQ(pixel_at(pixels, W, 65, 75), 0u);  // coverage 0
    EXPECT_EQ(pixel_at(pixels, W, 85, 75), gui_pack_color(40, 200, 90, 255));  // coverage 255, no rounding
    u32 half = pixel_at(pixels, W, 75, 75);  // coverage 128: colour blended by it
    EXPECT_EQ(alpha(half), 128u);
    EXPECT_NEAR((f32)(half & 0xFF), 40 * 128 / 255.0f, 1.0f);
    EXPECT_NEAR((f32)((half >> 8) & 0xFF), 200 * 128 / 255.0f, 1.0f);
    EXPECT_NEAR((f32)((half >> 16) & 0xFF), 90 * 128 / 255.0f, 1.0f);
    EXPECT_EQ(alpha(pixel_at(pixels, W, 95, 75)), 64u);
    EXPECT_EQ(e.use_texture, 1u);
    vulkan_destroy_texture(&texture);
}

TEST_F(GuiRendererTest, TexturedRectangleShowsTheTexturesColoursTheRightWayUp) {
    // 2 x 2 texels, first row on top: red, green / blue, white.
    const u32 texels[4] = {gui_pack_color(255, 0, 0, 255), gui_pack_color(0, 255, 0, 255),
                           gui_pack_color(0, 0, 255, 255), gui_pack_color(255, 255, 255, 255)};
    GuiTexture texture;
    ASSERT_TRUE(render_harness_texture(h, texels, 2, 2, VK_FORMAT_R8G8B8A8_UNORM, 4, &texture));
    GuiElement e = render_harness_element(h, 10, 20, 40, 40, gui_pack_color(255, 255, 0, 255), 0.0f);
    e.texture = texture;  // the element's own colour is ignored
    auto pixels = draw({&e});
    EXPECT_EQ(pixel_at(pixels, W, 15, 25), texels[0]);
    EXPECT_EQ(pixel_at(pixels, W, 45, 25), texels[1]);
    EXPECT_EQ(pixel_at(pixels, W, 15, 55), texels[2]);
    EXPECT_EQ(pixel_at(pixels, W, 45, 55), texels[3]);
    EXPECT_EQ(e.use_texture, 1u);
    vulkan_destroy_texture(&texture);
}

TEST_F(GuiRendererTest, ParentAndAlignmentPlaceTheElement) {
    LayoutNode parent = {20, 10, 100, 60, nullptr, ALIGN_TOP_LEFT};
    GuiElement e = render_harness_element(h, 0, 0, 20, 10, gui_pack_color(9, 99, 199, 255), 0.0f);
    e.node.parent = &parent;
    e.node.alignment = ALIGN_BOTTOM_CENTER;  // (100 - 20) / 2 = 40 right, 60 - 10 = 50 down
    auto pixels = draw({&e});
    EXPECT_EQ(pixel_at(pixels, W, 60, 60), gui_pack_color(9, 99, 199, 255));
    EXPECT_EQ(pixel_at(pixels, W, 79, 69), gui_pack_color(9, 99, 199, 255));
    EXPECT_EQ(pixel_at(pixels, W, 59, 60), 0u);
    EXPECT_EQ(e.transform[3], 60.0f);
    EXPECT_EQ(e.transform[7], 60.0f);
}

TEST_F(GuiRendererTest, EveryFrameStartsCleared) {
    GuiElement full = render_harness_element(h, 0, 0, W, H, gui_pack_color(200, 100, 50, 255), 0.0f);
    draw({&full});
    auto pixels = draw({});
    for (u32 p : pixels) ASSERT_EQ(p, 0u);
}

//-----------------------------------------------------------------------------
// Scissor
//-----------------------------------------------------------------------------

TEST_F(GuiRendererTest, NegativeClipMinimaAreClampedForTheScissor) {
    ASSERT_TRUE(render_harness_begin(h));
    h->gui.clip_rect = GuiRect{-20.0f, -10.0f, 30.0f, 25.0f};
    gui_set_scissor(&h->gui);
    GuiElement e = render_harness_element(h, 0, 0, 100, 100, gui_pack_color(255, 0, 255, 255), 0.0f);
    gui_prepare_element(&e);
    gui_draw_element(&e);
    gui_release_element(&e);
    ASSERT_TRUE(render_harness_end(h));
    auto pixels = render_harness_pixels(h);
    EXPECT_EQ(pixel_at(pixels, W, 0, 0), gui_pack_color(255, 0, 255, 255));
    EXPECT_EQ(pixel_at(pixels, W, 29, 24), gui_pack_color(255, 0, 255, 255));
    EXPECT_EQ(pixel_at(pixels, W, 30, 10), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 10, 25), 0u);
    // The next frame begin restores the whole viewport as the clip maximum.
    h->gui.clip_rect = GuiRect{0, 0, 0, 0};
    GuiElement whole = render_harness_element(h, 0, 0, W, H, gui_pack_color(1, 1, 1, 255), 0.0f);
    auto full = draw({&whole});
    EXPECT_EQ(pixel_at(full, W, W - 1, H - 1), gui_pack_color(1, 1, 1, 255));
    EXPECT_EQ(h->gui.clip_rect.x1, (f32)W);
    EXPECT_EQ(h->gui.clip_rect.y1, (f32)H);
}

//-----------------------------------------------------------------------------
// Texture sets, vertex arenas and recycling
//-----------------------------------------------------------------------------

TEST_F(GuiRendererTest, PoolsGrowAtTheTwentyFifthElementAndLaterFramesReuseTheSets) {
    // A renderer of its own, so earlier tests' sets do not count.
    RenderHarness* own = new RenderHarness;
    ASSERT_TRUE(render_harness_create(own, 32, 32));
    GuiContext* gui = &own->gui;
    EXPECT_EQ(gui->texture_descriptor_pools.count, 0u);
    ASSERT_TRUE(render_harness_begin(own));
    std::vector<GuiElement> elements(49);
    for (int i = 0; i < 24; i++) {
        elements[i] = render_harness_element(own, 0, 0, 4, 4, gui_pack_color(1, 1, 1, 255), 0.0f);
        gui_prepare_element(&elements[i]);
    }
    EXPECT_EQ(gui->texture_descriptor_pools.count, 1u);
    elements[24] = render_harness_element(own, 0, 0, 4, 4, gui_pack_color(1, 1, 1, 255), 0.0f);
    gui_prepare_element(&elements[24]);
    EXPECT_EQ(gui->texture_descriptor_pools.count, 2u);
    for (int i = 0; i < 25; i++) {
        gui_draw_element(&elements[i]);
        gui_release_element(&elements[i]);
    }
    ASSERT_TRUE(render_harness_end(own));

    for (int frame = 0; frame < 3; frame++) {
        ASSERT_TRUE(render_harness_begin(own));
        EXPECT_EQ(gui->free_texture_sets.count, 48u);
        EXPECT_EQ(gui->pending_releases.count, 0u);
        for (int i = 0; i < 48; i++) {
            elements[i] = render_harness_element(own, 0, 0, 4, 4, gui_pack_color(1, 1, 1, 255), 0.0f);
            gui_prepare_element(&elements[i]);
            gui_release_element(&elements[i]);  // release before draw is allowed
            gui_draw_element(&elements[i]);
        }
        EXPECT_EQ(gui->texture_descriptor_pools.count, 2u);
        ASSERT_TRUE(render_harness_end(own));
    }
    // More than 48 live elements in one frame: a third pool.
    ASSERT_TRUE(render_harness_begin(own));
    for (int i = 0; i < 49; i++) {
        elements[i] = render_harness_element(own, 0, 0, 4, 4, gui_pack_color(1, 1, 1, 255), 0.0f);
        gui_prepare_element(&elements[i]);
        gui_release_element(&elements[i]);
    }
    EXPECT_EQ(gui->texture_descriptor_pools.count, 3u);
    ASSERT_TRUE(render_harness_end(own));
    render_harness_destroy(own);
    delete own;
}

PFN_vkCreateDescriptorPool real_create_pool;
int g_pool_attempts = 0;
VKAPI_ATTR VkResult VKAPI_CALL failing_create_pool(VkDevice, const VkDescriptorPoolCreateInfo*,
                                                   const VkAllocationCallbacks*, VkDescriptorPool* pool) {
    g_pool_attempts++;
    *pool = VK_NULL_HANDLE;
    return VK_ERROR_OUT_OF_DEVICE_MEMORY;
}
PFN_vkCmdDraw real_draw;
int g_draws = 0;
VKAPI_ATTR void VKAPI_CALL counting_draw(VkCommandBuffer cb, uint32_t v, uint32_t i, uint32_t fv, uint32_t fi) {
    g_draws++;
    real_draw(cb, v, i, fv, fi);
}

TEST_F(GuiRendererTest, WhenPoolsCannotBeAddedTheElementIsGivenUpForTheFrame) {
    RenderHarness* own = new RenderHarness;
    ASSERT_TRUE(render_harness_create(own, 32, 32));
    LogCapture capture;
    {
        VkHooks hooks;
        hooks.replace(&vkCreateDescriptorPool, &real_create_pool, failing_create_pool);
        hooks.replace(&vkCmdDraw, &real_draw, counting_draw);
        g_pool_attempts = g_draws = 0;
        ASSERT_TRUE(render_harness_begin(own));
        GuiElement a = render_harness_element(own, 0, 0, 8, 8, gui_pack_color(255, 255, 255, 255), 0.0f);
        GuiElement b = a;
        gui_prepare_element(&a);  // returns: no endless retry
        EXPECT_EQ(a.descriptor_set, VK_NULL_HANDLE);
        EXPECT_EQ(a.vertex_buffer.vertex_count, 0u);
        gui_draw_element(&a);
        gui_release_element(&a);
        gui_prepare_element(&b);  // the next element tries once more
        gui_draw_element(&b);
        gui_release_element(&b);
        ASSERT_TRUE(render_harness_end(own));
        EXPECT_EQ(g_pool_attempts, 2);
        EXPECT_EQ(g_draws, 0);
        ASSERT_TRUE(render_harness_begin(own));
        EXPECT_EQ(own->gui.free_texture_sets.count, 0u);  // nothing null was recycled
        ASSERT_TRUE(render_harness_end(own));
    }
    EXPECT_EQ(capture.count("Failed to create GUI descriptor pool at index 0."), 2);
    EXPECT_EQ(capture.count("Vulkan API call failed: VK_ERROR_OUT_OF_DEVICE_MEMORY\nA device memory allocation has "
                            "failed"),
              2);
    // Once pools can be made again, elements draw again.
    ASSERT_TRUE(render_harness_begin(own));
    GuiElement c = render_harness_element(own, 0, 0, 8, 8, gui_pack_color(255, 255, 255, 255), 0.0f);
    gui_prepare_element(&c);
    gui_draw_element(&c);
    gui_release_element(&c);
    ASSERT_TRUE(render_harness_end(own));
    EXPECT_EQ(pixel_at(render_harness_pixels(own), 32, 3, 3), gui_pack_color(255, 255, 255, 255));
    render_harness_destroy(own);
    delete own;
}

TEST_F(GuiRendererTest, TheTwoFormsDrawOnTheirOwnVertexArenas) {
    ASSERT_TRUE(render_harness_begin(h));
    u32 type = 0;
    vulkan_find_memory_type(&h->memory_properties, ~0u, h->frame_arena.property_flags, &type);
    GuiElement a = render_harness_element(h, 0, 0, 10, 10, gui_pack_color(255, 0, 0, 255), 0.0f);
    GuiElement b = render_harness_element(h, 20, 0, 10, 10, gui_pack_color(0, 255, 0, 255), 0.0f);
    gui_prepare_element(&a, GUI_VERTEX_ARENA_FIRST);
    u64 first_after_a = h->frame_arena.offsets.data[type];
    gui_prepare_element(&b, GUI_VERTEX_ARENA_SECOND);
    EXPECT_GT(first_after_a, 0u);
    EXPECT_EQ(h->frame_arena.offsets.data[type], first_after_a);
    EXPECT_GT(h->second_frame_arena.offsets.data[type], 0u);
    EXPECT_EQ(b.vertex_buffer.arena, &h->second_frame_arena.interface);
    gui_draw_element(&a);
    gui_draw_element(&b);
    gui_release_element(&a);
    gui_release_element(&b);
    ASSERT_TRUE(render_harness_end(h));
    auto pixels = render_harness_pixels(h);
    EXPECT_EQ(pixel_at(pixels, W, 5, 5), gui_pack_color(255, 0, 0, 255));
    EXPECT_EQ(pixel_at(pixels, W, 25, 5), gui_pack_color(0, 255, 0, 255));
}

TEST_F(GuiRendererTest, AnEmptyTextDrawsNothingAndATextWithoutAtlasToo) {
    VkHooks hooks;
    hooks.replace(&vkCmdDraw, &real_draw, counting_draw);
    g_draws = 0;
    ASSERT_TRUE(render_harness_begin(h));
    GuiElement empty = render_harness_element(h, 0, 0, 10, 10, gui_pack_color(255, 0, 0, 255), 0.0f);
    empty.primitive_type = GUI_PRIMITIVE_TEXT;
    empty.texture = h->placeholder;
    gui_prepare_text_element(&empty);
    gui_draw_text_element(&empty);
    gui_release_text_element(&empty);
    f32 quad[24] = {0, 0, 0, 0, 8, 0, 1, 0, 0, 8, 0, 1, 0, 8, 0, 1, 8, 0, 1, 0, 8, 8, 1, 1};
    GuiElement no_atlas = empty;
    no_atlas.texture = GuiTexture{};
    no_atlas.text_layout.vertices = quad;
    no_atlas.text_layout.vertex_count = 6;
    gui_prepare_text_element(&no_atlas);
    gui_draw_text_element(&no_atlas);
    gui_release_text_element(&no_atlas);
    ASSERT_TRUE(render_harness_end(h));
    EXPECT_EQ(g_draws, 0);
}

//-----------------------------------------------------------------------------
// Projection
//-----------------------------------------------------------------------------

PFN_vkMapMemory real_map;
int g_maps = 0;
VKAPI_ATTR VkResult VKAPI_CALL counting_map(VkDevice d, VkDeviceMemory m, VkDeviceSize o, VkDeviceSize s,
                                            VkMemoryMapFlags f, void** data) {
    g_maps++;
    return real_map(d, m, o, s, f, data);
}
VKAPI_ATTR VkResult VKAPI_CALL failing_map(VkDevice, VkDeviceMemory, VkDeviceSize, VkDeviceSize, VkMemoryMapFlags,
                                           void** data) {
    g_maps++;
    *data = nullptr;
    return VK_ERROR_MEMORY_MAP_FAILED;
}

TEST_F(GuiRendererTest, TheSameProjectionRectangleIsUploadedOnce) {
    VkHooks hooks;
    hooks.replace(&vkMapMemory, &real_map, counting_map);
    g_maps = 0;
    gui_update_projection(&h->gui, 0, 0, 123, 45);
    gui_update_projection(&h->gui, 0, 0, 123, 45);
    EXPECT_EQ(g_maps, 1);
    gui_update_projection(&h->gui, 0, 0, 124, 45);
    EXPECT_EQ(g_maps, 2);
    // An empty rectangle (a minimised window) keeps the last projection.
    gui_update_projection(&h->gui, 0, 0, 0, 0);
    EXPECT_EQ(g_maps, 2);
    EXPECT_EQ(h->gui.viewport_width, 124u);
    gui_update_projection(&h->gui, 0, 0, W, H);
    EXPECT_EQ(g_maps, 3);
}

TEST_F(GuiRendererTest, AFailedProjectionUploadIsRetriedByTheNextCall) {
    LogCapture capture;
    {
        VkHooks hooks;
        hooks.replace(&vkMapMemory, &real_map, failing_map);
        g_maps = 0;
        gui_update_projection(&h->gui, 0, 0, 77, 66);
        EXPECT_EQ(h->gui.viewport_width, W);
        gui_update_projection(&h->gui, 0, 0, 77, 66);
        EXPECT_EQ(g_maps, 2);
    }
    EXPECT_EQ(capture.count("gui_vk: Failed to map memory required to upload uniform buffer."), 2);
    gui_update_projection(&h->gui, 0, 0, W, H);
}

TEST_F(GuiRendererTest, ViewportAndScissorFollowTheProjectionRectangle) {
    // A projection for the top-left quarter: pixels map 1:1 inside it and nothing lands outside.
    vulkan_wait_for_frame(&h->vk);
    memtarn_arena_reset(&h->frame_arena);
    ASSERT_TRUE(vulkan_begin_frame(&h->vk));
    gui_update_projection(&h->gui, 0, 0, W / 2, H / 2);
    gui_begin_frame(&h->gui);
    GuiElement e = render_harness_element(h, 70, 50, 20, 20, gui_pack_color(3, 4, 5, 255), 0.0f);
    gui_prepare_element(&e);
    gui_draw_element(&e);
    gui_release_element(&e);
    ASSERT_TRUE(render_harness_end(h));
    auto pixels = render_harness_pixels(h);
    gui_update_projection(&h->gui, 0, 0, W, H);
    EXPECT_EQ(pixel_at(pixels, W, 70, 50), gui_pack_color(3, 4, 5, 255));
    EXPECT_EQ(pixel_at(pixels, W, 79, 59), gui_pack_color(3, 4, 5, 255));
    EXPECT_EQ(pixel_at(pixels, W, 80, 55), 0u);
    EXPECT_EQ(pixel_at(pixels, W, 75, 60), 0u);
}

}  // namespace
