// Frames and context creation on an offscreen context: abandoned frames must not hang the next
// wait, and a failed creation step undoes the earlier ones.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "support/log_capture.h"
#include "support/render_harness.h"
#include "support/vk_hooks.h"

namespace {

int g_failures_left = 0;

PFN_vkQueueSubmit real_submit;
VKAPI_ATTR VkResult VKAPI_CALL flaky_submit(VkQueue q, uint32_t n, const VkSubmitInfo* s, VkFence f) {
    if (g_failures_left > 0) {
        g_failures_left--;
        return VK_ERROR_DEVICE_LOST;
    }
    return real_submit(q, n, s, f);
}

PFN_vkBeginCommandBuffer real_begin;
VKAPI_ATTR VkResult VKAPI_CALL flaky_begin(VkCommandBuffer cb, const VkCommandBufferBeginInfo* info) {
    if (g_failures_left > 0) {
        g_failures_left--;
        return VK_ERROR_OUT_OF_HOST_MEMORY;
    }
    return real_begin(cb, info);
}

PFN_vkEndCommandBuffer real_end;
VKAPI_ATTR VkResult VKAPI_CALL flaky_end(VkCommandBuffer cb) {
    VkResult r = real_end(cb);  // really ended, so the buffer can be reset
    if (g_failures_left > 0) {
        g_failures_left--;
        return VK_ERROR_OUT_OF_DEVICE_MEMORY;
    }
    return r;
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
    // One frame with a full-size rectangle of `color`; true when it was submitted.
    bool frame(u32 color) {
        vulkan_wait_for_frame(&h->vk);
        memtarn_arena_reset(&h->frame_arena);
        if (!vulkan_begin_frame(&h->vk)) return false;
        gui_update_projection(&h->gui, 0, 0, 32, 24);
        gui_begin_frame(&h->gui);
        GuiElement e = render_harness_element(h, 0, 0, 32, 24, color, 0.0f);
        gui_prepare_element(&e);
        gui_draw_element(&e);
        gui_release_element(&e);
        return vulkan_end_frame(&h->vk);
    }
    RenderHarness* h = nullptr;
};

TEST_F(FrameTest, OffscreenContextHasOneTargetAndItsFramesClearAndDraw) {
    EXPECT_EQ(h->vk.surface, VK_NULL_HANDLE);
    EXPECT_EQ(h->vk.swapchain_images.count, 1u);
    EXPECT_EQ(h->vk.swapchain_image_views.count, 1u);
    EXPECT_EQ(h->vk.framebuffers.count, 1u);
    EXPECT_TRUE(fence_signalled());  // created signalled: the first wait returns
    ASSERT_TRUE(frame(gui_pack_color(12, 34, 56, 255)));
    vulkan_wait_for_frame(&h->vk);
    auto pixels = render_harness_pixels(h);
    EXPECT_EQ(pixel_at(pixels, 32, 0, 0), gui_pack_color(12, 34, 56, 255));
    EXPECT_EQ(pixel_at(pixels, 32, 31, 23), gui_pack_color(12, 34, 56, 255));
    EXPECT_TRUE(vulkan_recreate_swapchain(&h->vk));  // nothing to rebuild offscreen
}

TEST_F(FrameTest, AFailedSubmissionLeavesTheFenceSignalled) {
    LogCapture capture;
    VkHooks hooks;
    hooks.replace(&vkQueueSubmit, &real_submit, flaky_submit);
    g_failures_left = 1;
    EXPECT_FALSE(frame(gui_pack_color(255, 0, 0, 255)));
    EXPECT_EQ(capture.count("Failed to submit draw command buffer: The logical device has been lost."), 1);
    // Without the repair the fence stays reset and the next wait never returns.
    EXPECT_TRUE(fence_signalled());
    ASSERT_TRUE(frame(gui_pack_color(0, 255, 0, 255)));
    vulkan_wait_for_frame(&h->vk);
    EXPECT_EQ(pixel_at(render_harness_pixels(h), 32, 5, 5), gui_pack_color(0, 255, 0, 255));
}

TEST_F(FrameTest, WhenEvenTheRepairSubmissionFailsTheFenceIsMadeAgainSignalled) {
    VkHooks hooks;
    hooks.replace(&vkQueueSubmit, &real_submit, flaky_submit);
    g_failures_left = 2;
    EXPECT_FALSE(frame(gui_pack_color(255, 0, 0, 255)));
    EXPECT_EQ(g_failures_left, 0);
    EXPECT_NE(h->vk.in_flight_fence, VK_NULL_HANDLE);
    EXPECT_TRUE(fence_signalled());
    ASSERT_TRUE(frame(gui_pack_color(0, 0, 255, 255)));
    vulkan_wait_for_frame(&h->vk);
    EXPECT_EQ(pixel_at(render_harness_pixels(h), 32, 5, 5), gui_pack_color(0, 0, 255, 255));
}

TEST_F(FrameTest, ACommandBufferThatCannotBeginOrEndDoesNotHangTheNextFrame) {
    LogCapture capture;
    VkHooks hooks;
    hooks.replace(&vkBeginCommandBuffer, &real_begin, flaky_begin);
    hooks.replace(&vkEndCommandBuffer, &real_end, flaky_end);
    g_failures_left = 1;
    vulkan_wait_for_frame(&h->vk);
    EXPECT_FALSE(vulkan_begin_frame(&h->vk));
    EXPECT_EQ(capture.count("Failed to begin Vulkan command buffer recording: A host memory allocation has failed"), 1);
    EXPECT_TRUE(fence_signalled());
    // vkEndCommandBuffer fails once (the begin hook has no failures left; the end hook takes this one).
    g_failures_left = 0;
    ASSERT_TRUE(frame(gui_pack_color(1, 2, 3, 255)));
    vulkan_wait_for_frame(&h->vk);
    memtarn_arena_reset(&h->frame_arena);
    ASSERT_TRUE(vulkan_begin_frame(&h->vk));
    g_failures_left = 1;
    EXPECT_FALSE(vulkan_end_frame(&h->vk));
    EXPECT_EQ(capture.count("Failed to end Vulkan command buffer recording: A device memory allocation has failed"), 1);
    EXPECT_TRUE(fence_signalled());
    ASSERT_TRUE(frame(gui_pack_color(7, 8, 9, 255)));
}

//-----------------------------------------------------------------------------
// Creation failures and their undo
//-----------------------------------------------------------------------------

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

class CreationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(vulkan_load_global()); }
    bool create(VulkanContext* c) {
        RendererSettings settings = {"Korvane tests", 0, g_default_allocator, nullptr};
        return vulkan_create_offscreen_context(&settings, 16, 16, c);
    }
    void count_destroys(VkHooks* hooks) {
        hooks->replace(&vkDestroyDevice, &real_destroy_device, counting_destroy_device);
        hooks->replace(&vkDestroyInstance, &real_destroy_instance, counting_destroy_instance);
        g_device_destroys = g_instance_destroys = 0;
    }
};

TEST_F(CreationTest, AFailingRenderPassUndoesEverythingBeforeIt) {
    LogCapture capture;
    VkHooks hooks;
    count_destroys(&hooks);
    hooks.replace(&vkCreateRenderPass, &real_create_render_pass, failing_create_render_pass);
    VulkanContext c;
    EXPECT_FALSE(create(&c));
    EXPECT_EQ(capture.texts(),
              std::vector<std::string>{"Failed to create Vulkan render pass: A host memory allocation has failed"});
    EXPECT_EQ(g_device_destroys, 1);
    EXPECT_EQ(g_instance_destroys, 1);
    EXPECT_TRUE(context_is_empty(c));
}

TEST_F(CreationTest, NoUsableDepthFormatStopsCreation) {
    LogCapture capture;
    VkHooks hooks;
    count_destroys(&hooks);
    hooks.replace(&vkGetPhysicalDeviceFormatProperties, &real_format_properties, no_depth_format);
    VulkanContext c;
    EXPECT_FALSE(create(&c));
    EXPECT_TRUE(capture.contains("Failed to find a suitable depth image format."));
    EXPECT_EQ(g_device_destroys, 1);
    EXPECT_EQ(g_instance_destroys, 1);
    EXPECT_TRUE(context_is_empty(c));
}

TEST_F(CreationTest, AFailingFenceIsReportedUnderItsOwnMessage) {
    LogCapture capture;
    VkHooks hooks;
    count_destroys(&hooks);
    hooks.replace(&vkCreateFence, &real_create_fence, failing_create_fence);
    VulkanContext c;
    EXPECT_FALSE(create(&c));
    EXPECT_EQ(capture.texts(),
              std::vector<std::string>{"Failed to create Vulkan semaphores: A device memory allocation has failed"});
    EXPECT_EQ(g_device_destroys, 1);
    EXPECT_TRUE(context_is_empty(c));
}

TEST_F(CreationTest, ASuccessfulContextIsDestroyedWhole) {
    VkHooks hooks;
    count_destroys(&hooks);
    VulkanContext c;
    ASSERT_TRUE(create(&c));
    EXPECT_EQ(c.extent.width, 16u);
    EXPECT_NE(c.depth_image_view, VK_NULL_HANDLE);
    vulkan_destroy_context(&c);
    EXPECT_EQ(g_device_destroys, 1);
    EXPECT_EQ(g_instance_destroys, 1);
    EXPECT_TRUE(context_is_empty(c));
}

//-----------------------------------------------------------------------------
// Host memory: every teardown returns what creation took
//-----------------------------------------------------------------------------

struct CountingAllocator {
    Allocator allocator;
    Allocator* inner;
    i64 live;
};
void* counting_allocate(void* context, u64 size) {
    CountingAllocator* c = (CountingAllocator*)context;
    c->live++;
    return allocator_alloc(c->inner, size);
}
void counting_free(void* context, void* pointer) {
    CountingAllocator* c = (CountingAllocator*)context;
    c->live--;
    allocator_free(c->inner, pointer);
}

class HostMemoryTest : public testing::Test {
protected:
    void SetUp() override {
        counting_ = CountingAllocator{{&counting_, counting_allocate, counting_free}, g_default_allocator, 0};
        saved_ = g_default_allocator;
        g_default_allocator = &counting_.allocator;
    }
    void TearDown() override { g_default_allocator = saved_; }
    CountingAllocator counting_;
    Allocator* saved_;
};

TEST_F(HostMemoryTest, ContextArenasAndGuiRendererGiveEverythingBack) {
    RenderHarness* h = new RenderHarness;
    ASSERT_TRUE(render_harness_create(h, 16, 16));
    EXPECT_GT(counting_.live, 0);
    for (int frame = 0; frame < 2; frame++) {
        ASSERT_TRUE(render_harness_begin(h));
        for (int i = 0; i < 30; i++) {
            GuiElement e = render_harness_element(h, 0, 0, 4, 4, gui_pack_color(1, 2, 3, 255), 0.0f);
            gui_prepare_element(&e);
            gui_draw_element(&e);
            gui_release_element(&e);
        }
        ASSERT_TRUE(render_harness_end(h));
    }
    render_harness_destroy(h);
    delete h;
    EXPECT_EQ(counting_.live, 0);
}

TEST_F(HostMemoryTest, AFailedCreationGivesEverythingBack) {
    ASSERT_TRUE(vulkan_load_global());
    VkHooks hooks;
    hooks.replace(&vkCreateRenderPass, &real_create_render_pass, failing_create_render_pass);
    RendererSettings settings = {"Korvane tests", 0, g_default_allocator, nullptr};
    VulkanContext c;
    LogCapture capture;
    EXPECT_FALSE(vulkan_create_offscreen_context(&settings, 8, 8, &c));
    EXPECT_EQ(counting_.live, 0);
}

}  // namespace
