// Frames and context creation on an offscreen context: abandoned frames must not hang the next
// wait, and a failed creation step undoes the earlier ones.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "support/log_capture.h"
#include "support/harness_test.h"
#include "support/vk_hooks.h"
#include "test_files.h"

using namespace ostrel_vk;

namespace {

int g_end_failures = 0;
PFN_vkEndCommandBuffer real_end;
VKAPI_ATTR VkResult VKAPI_CALL flaky_end(VkCommandBuffer cb) {
    VkResult r = real_end(cb);  // really ended, so the buffer can be reset
    return g_end_failures-- > 0 ? VK_ERROR_OUT_OF_DEVICE_MEMORY : r;
}

class FrameTest : public HarnessTest<32, 24> {
protected:
    // The repair's empty submission signals the fence once the queue gets to it: a bounded wait.
    bool fence_signalled() {
        return vkWaitForFences(h->vk.device, 1, &h->vk.in_flight_fence, VK_TRUE, 2000000000ull) == VK_SUCCESS;
    }
    // One frame filled with `color`; true when it was submitted.
    bool frame(u32 color) {
        vulkan_wait_for_frame(&h->vk);
        memtarn_arena_reset(&h->frame_arena);
        if (!vulkan_begin_offscreen_frame(&h->vk)) return false;
        gui_update_projection(&h->gui, 0, 0, 32, 24);
        gui_begin_frame(&h->gui);
        GuiElement e = render_harness_element(h, 0, 0, 32, 24, color, 0.0f);
        render_harness_draw(&e);
        return vulkan_end_offscreen_frame(&h->vk);
    }
    void expect_next_frame_shows(u32 color) {
        EXPECT_TRUE(fence_signalled()) << "a reset fence would make the next wait hang";
        ASSERT_TRUE(frame(color));
        vulkan_wait_for_frame(&h->vk);
        EXPECT_EQ(pixel_at(render_harness_pixels(h), 32, 5, 5), color);
    }
};

// A frame whose command buffer cannot begin or end, or whose submission fails (once, or twice
// when even the repair submission fails and the fence is made anew, signalled), must not hang
// the next frame's wait.
TEST_F(FrameTest, AFailedBeginEndOrSubmissionLeavesTheFenceSignalled) {
    const struct { std::function<void(VkHooks*)> fail; const char* message; } cases[] = {
        {[](VkHooks* k) { VkFake<&vkQueueSubmit>::install(k, 1, VK_ERROR_DEVICE_LOST); },
         "Failed to submit draw command buffer: The logical device has been lost."},
        {[](VkHooks* k) { VkFake<&vkQueueSubmit>::install(k, 2, VK_ERROR_DEVICE_LOST); }, nullptr},
        {[](VkHooks* k) { VkFake<&vkBeginCommandBuffer>::install(k, 1, VK_ERROR_OUT_OF_HOST_MEMORY); },
         "Failed to begin Vulkan command buffer recording: A host memory allocation has failed"},
        {[](VkHooks* k) { k->replace(&vkEndCommandBuffer, &real_end, flaky_end), g_end_failures = 1; },
         "Failed to end Vulkan command buffer recording: A device memory allocation has failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        LogCapture capture;
        VkHooks hooks;
        c.fail(&hooks);
        EXPECT_FALSE(frame(gui_pack_color(255, 0, 0, 255)));
        if (c.message) { EXPECT_EQ(capture.count(c.message), 1); }
        expect_next_frame_shows(gui_pack_color(0, 255, (u8)(50 * (&c - cases)), 255));
    }
}


bool context_is_empty(const VulkanContext& c) {
    return !c.instance && !c.device && !c.physical_device && !c.render_pass && !c.command_pool && !c.in_flight_fence &&
           !c.image_available_semaphore && !c.render_finished_semaphores.data && !c.depth_image && !c.depth_memory &&
           !c.depth_image_view && c.framebuffers.count == 0 && c.swapchain_images.count == 0 && !c.framebuffers.data &&
           !c.swapchain_images.data;
}

// Every creation step's failure undoes the steps before it and logs its own message; a whole
// context, with the arenas and the GUI renderer on it, is destroyed whole. Host memory is counted
// too: everything taken is given back.
TEST(ContextCreation, AFailingStepUndoesEverythingBeforeIt) {
    ASSERT_TRUE(vulkan_load_global());
    const struct { std::function<void(VkHooks*)> fail; const char* message; } cases[] = {
        {[](VkHooks* k) { VkFake<&vkCreateRenderPass>::install(k, 1, VK_ERROR_OUT_OF_HOST_MEMORY); },
         "Failed to create Vulkan render pass: A host memory allocation has failed"},
        {[](VkHooks* k) {
             VkFake<&vkGetPhysicalDeviceFormatProperties>::install(k, 0, 0, [](VkPhysicalDevice, VkFormat f, VkFormatProperties* p) {
                 if (f == VK_FORMAT_D32_SFLOAT || f == VK_FORMAT_D32_SFLOAT_S8_UINT || f == VK_FORMAT_D24_UNORM_S8_UINT)
                     p->optimalTilingFeatures = 0;  // no usable depth format
             });
         },
         "Failed to find a suitable depth image format."},
        {[](VkHooks* k) { VkFake<&vkCreateFence>::install(k, 1, VK_ERROR_OUT_OF_DEVICE_MEMORY); },
         "Failed to create Vulkan semaphores: A device memory allocation has failed"},
        {[](VkHooks*) {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message ? c.message : "no failure");
        LogCapture capture;
        CountingAllocator counting;
        VkHooks hooks;
        VkFake<&vkDestroyDevice>::install(&hooks);
        VkFake<&vkDestroyInstance>::install(&hooks);
        c.fail(&hooks);
        Allocator* saved = g_default_allocator;
        g_default_allocator = &counting.allocator;
        RenderHarness* h = new RenderHarness;
        if (c.message) {
            RendererSettings settings = {"Korvane tests", 0, g_default_allocator, nullptr};
            EXPECT_FALSE(vulkan_create_offscreen_context(&settings, 16, 16, &h->vk));
            EXPECT_TRUE(capture.contains(c.message));
        } else {  // a whole harness (context, arenas, GUI renderer) and two frames of 30 elements
            EXPECT_TRUE(render_harness_create(h, 16, 16));
            for (int frame = 0; frame < 2; frame++) {
                EXPECT_TRUE(render_harness_begin(h));
                for (int i = 0; i < 30; i++) {
                    GuiElement e = render_harness_element(h, 0, 0, 4, 4, gui_pack_color(1, 2, 3, 255), 0.0f);
                    render_harness_draw(&e);
                }
                EXPECT_TRUE(render_harness_end(h));
            }
            render_harness_destroy(h);
        }
        g_default_allocator = saved;
        EXPECT_EQ(VkFake<&vkDestroyDevice>::calls, 1);
        EXPECT_EQ(VkFake<&vkDestroyInstance>::calls, 1);
        EXPECT_TRUE(context_is_empty(h->vk));
        delete h;
        EXPECT_EQ(counting.live(), 0) << "host memory taken is given back";
    }
}

}  // namespace
