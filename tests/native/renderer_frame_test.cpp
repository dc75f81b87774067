// Frames and context creation on an offscreen context: abandoned frames must not hang the next
// wait, and a failed creation step undoes the earlier ones.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "support/log_capture.h"
#include "support/render_harness.h"
#include "support/vk_hooks.h"
#include "test_files.h"

namespace {

int g_failures_left = 0;
bool take_failure() {
    if (g_failures_left <= 0) return false;
    g_failures_left--;
    return true;
}

PFN_vkQueueSubmit real_submit;
VKAPI_ATTR VkResult VKAPI_CALL flaky_submit(VkQueue q, uint32_t n, const VkSubmitInfo* s, VkFence f) {
    return take_failure() ? VK_ERROR_DEVICE_LOST : real_submit(q, n, s, f);
}
PFN_vkBeginCommandBuffer real_begin;
VKAPI_ATTR VkResult VKAPI_CALL flaky_begin(VkCommandBuffer cb, const VkCommandBufferBeginInfo* info) {
    return take_failure() ? VK_ERROR_OUT_OF_HOST_MEMORY : real_begin(cb, info);
}
PFN_vkEndCommandBuffer real_end;
VKAPI_ATTR VkResult VKAPI_CALL flaky_end(VkCommandBuffer cb) {
    VkResult r = real_end(cb);  // really ended, so the buffer can be reset
    return take_failure() ? VK_ERROR_OUT_OF_DEVICE_MEMORY : r;
}

class FrameTest : public testing::Test {
protected:
    void SetUp() override {
        h = new RenderHarness;
        ASSERT_TRUE(render_harness_create(h, 32, 24)) << "no Vulkan device";
    }
    void TearDown() override {
        render_harness_destroy(h);
        delete h;
    }
    bool fence_signalled() { return vkGetFenceStatus(h->vk.device, h->vk.in_flight_fence) == VK_SUCCESS; }
    // One frame filled with `color`; true when it was submitted.
    bool frame(u32 color) {
        vulkan_wait_for_frame(&h->vk);
        memtarn_arena_reset(&h->frame_arena);
        if (!vulkan_begin_frame(&h->vk)) return false;
        gui_update_projection(&h->gui, 0, 0, 32, 24);
        gui_begin_frame(&h->gui);
        GuiElement e = render_harness_element(h, 0, 0, 32, 24, color, 0.0f);
        render_harness_draw(&e);
        return vulkan_end_frame(&h->vk);
    }
    void expect_next_frame_shows(u32 color) {
        EXPECT_TRUE(fence_signalled()) << "a reset fence would make the next wait hang";
        ASSERT_TRUE(frame(color));
        vulkan_wait_for_frame(&h->vk);
        EXPECT_EQ(pixel_at(render_harness_pixels(h), 32, 5, 5), color);
    }
    RenderHarness* h = nullptr;
};

// Once for the submission, twice when even the repair submission fails (the fence is then made
// anew, signalled).
TEST_F(FrameTest, AFailedSubmissionLeavesTheFenceSignalled) {
    VkHooks hooks;
    hooks.replace(&vkQueueSubmit, &real_submit, flaky_submit);
    for (int failures : {1, 2}) {
        LogCapture capture;
        g_failures_left = failures;
        EXPECT_FALSE(frame(gui_pack_color(255, 0, 0, 255)));
        EXPECT_EQ(g_failures_left, 0);
        if (failures == 1) {
            EXPECT_EQ(capture.count("Failed to submit draw command buffer: The logical device has been lost."), 1);
        }
        expect_next_frame_shows(gui_pack_color(0, 255, (u8)(100 * failures), 255));
    }
}

TEST_F(FrameTest, ACommandBufferThatCannotBeginOrEndDoesNotHangTheNextFrame) {
    LogCapture capture;
    VkHooks hooks;
    hooks.replace(&vkBeginCommandBuffer, &real_begin, flaky_begin);
    g_failures_left = 1;
    vulkan_wait_for_frame(&h->vk);
    EXPECT_FALSE(vulkan_begin_frame(&h->vk));
    EXPECT_EQ(capture.count("Failed to begin Vulkan command buffer recording: A host memory allocation has failed"), 1);
    expect_next_frame_shows(gui_pack_color(1, 2, 3, 255));
    hooks.replace(&vkEndCommandBuffer, &real_end, flaky_end);
    memtarn_arena_reset(&h->frame_arena);
    ASSERT_TRUE(vulkan_begin_frame(&h->vk));
    g_failures_left = 1;
    EXPECT_FALSE(vulkan_end_frame(&h->vk));
    EXPECT_EQ(capture.count("Failed to end Vulkan command buffer recording: A device memory allocation has failed"), 1);
    expect_next_frame_shows(gui_pack_color(7, 8, 9, 255));
}

int g_device_destroys = 0, g_instance_destroys = 0;
PFN_vkDestroyDevice real_destroy_device;
VKAPI_ATTR void VKAPI_CALL counting_destroy_device(VkDevice d, const VkAllocationCallbacks* cb) {
    g_device_destroys++;
    real_destroy_device(d, cb);
}
PFN_vkDestroyInstance real_destroy_instance;
VKAPI_ATTR void VKAPI_CALL counting_destroy_instance(VkInstance i, const VkAllocationCallbacks* cb) {
    g_instance_destroys++;
    real_destroy_instance(i, cb);
}
PFN_vkCreateRenderPass real_create_render_pass;
VKAPI_ATTR VkResult VKAPI_CALL failing_create_render_pass(VkDevice, const VkRenderPassCreateInfo*,
                                                          const VkAllocationCallbacks*, VkRenderPass*) {
    return VK_ERROR_OUT_OF_HOST_MEMORY;
}
PFN_vkGetPhysicalDeviceFormatProperties real_format_properties;
VKAPI_ATTR void VKAPI_CALL no_depth_format(VkPhysicalDevice d, VkFormat f, VkFormatProperties* p) {
    real_format_properties(d, f, p);
    if (f == VK_FORMAT_D32_SFLOAT || f == VK_FORMAT_D32_SFLOAT_S8_UINT || f == VK_FORMAT_D24_UNORM_S8_UINT)
        p->optimalTilingFeatures = 0;
}
PFN_vkCreateFence real_create_fence;
VKAPI_ATTR VkResult VKAPI_CALL failing_create_fence(VkDevice, const VkFenceCreateInfo*, const VkAllocationCallbacks*,
                                                    VkFence*) {
    return VK_ERROR_OUT_OF_DEVICE_MEMORY;
}

bool context_is_empty(const VulkanContext& c) {
    return !c.instance && !c.device && !c.physical_device && !c.render_pass && !c.command_pool && !c.in_flight_fence &&
           !c.image_available_semaphore && !c.depth_image && !c.depth_memory && !c.depth_image_view &&
           c.framebuffers.count == 0 && c.swapchain_images.count == 0 && !c.framebuffers.data &&
           !c.swapchain_images.data;
}

// Every creation step's failure undoes the steps before it and logs its own message; a whole
// context is destroyed whole. Host memory is counted too: everything taken is given back.
TEST(ContextCreation, AFailingStepUndoesEverythingBeforeIt) {
    ASSERT_TRUE(vulkan_load_global());
    const struct {
        std::function<void(VkHooks*)> fail;
        const char* message;
    } cases[] = {
        {[](VkHooks* k) { k->replace(&vkCreateRenderPass, &real_create_render_pass, failing_create_render_pass); },
         "Failed to create Vulkan render pass: A host memory allocation has failed"},
        {[](VkHooks* k) { k->replace(&vkGetPhysicalDeviceFormatProperties, &real_format_properties, no_depth_format); },
         "Failed to find a suitable depth image format."},
        {[](VkHooks* k) { k->replace(&vkCreateFence, &real_create_fence, failing_create_fence); },
         "Failed to create Vulkan semaphores: A device memory allocation has failed"},
        {[](VkHooks*) {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message ? c.message : "no failure");
        LogCapture capture;
        CountingAllocator counting;
        VkHooks hooks;
        hooks.replace(&vkDestroyDevice, &real_destroy_device, counting_destroy_device);
        hooks.replace(&vkDestroyInstance, &real_destroy_instance, counting_destroy_instance);
        c.fail(&hooks);
        g_device_destroys = g_instance_destroys = 0;
        Allocator* saved = g_default_allocator;
        g_default_allocator = &counting.allocator;
        RendererSettings settings = {"Korvane tests", 0, g_default_allocator, nullptr};
        VulkanContext context;
        EXPECT_EQ(vulkan_create_offscreen_context(&settings, 16, 16, &context), c.message == nullptr);
        if (c.message) {
            EXPECT_TRUE(capture.contains(c.message));
        } else {
            EXPECT_EQ(context.extent.width, 16u);
            EXPECT_NE(context.depth_image_view, VK_NULL_HANDLE);
            vulkan_destroy_context(&context);
        }
        g_default_allocator = saved;
        EXPECT_EQ(g_device_destroys, 1);
        EXPECT_EQ(g_instance_destroys, 1);
        EXPECT_TRUE(context_is_empty(context));
        EXPECT_EQ(counting.live(), 0);
    }
}

TEST(HostMemory, ContextArenasAndGuiRendererGiveEverythingBack) {
    CountingAllocator counting;
    Allocator* saved = g_default_allocator;
    g_default_allocator = &counting.allocator;
    RenderHarness* h = new RenderHarness;
    ASSERT_TRUE(render_harness_create(h, 16, 16));
    EXPECT_GT(counting.live(), 0);
    for (int frame = 0; frame < 2; frame++) {
        ASSERT_TRUE(render_harness_begin(h));
        for (int i = 0; i < 30; i++) {
            GuiElement e = render_harness_element(h, 0, 0, 4, 4, gui_pack_color(1, 2, 3, 255), 0.0f);
            render_harness_draw(&e);
        }
        ASSERT_TRUE(render_harness_end(h));
    }
    render_harness_destroy(h);
    delete h;
    g_default_allocator = saved;
    EXPECT_EQ(counting.live(), 0);
}

}  // namespace
