// The one frame in flight: wait for its fence, acquire and open the render pass, then submit and
// present. Also the repairs that keep a skipped or abandoned frame from hanging the next one.
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

static bool create_fence_signalled(VulkanContext* c) {
    VkFenceCreateInfo info = {VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    info.flags = VK_FENCE_CREATE_SIGNALED_BIT;
    VkResult r = vkCreateFence(c->device, &info, c->allocation_callbacks, &c->in_flight_fence);
    if (r != VK_SUCCESS) {
        c->in_flight_fence = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    return true;
}

static void create_image_available_semaphore(VulkanContext* c) {
    VkSemaphoreCreateInfo info = {VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    VkResult r = vkCreateSemaphore(c->device, &info, c->allocation_callbacks, &c->image_available_semaphore);
    if (r != VK_SUCCESS) {
        c->image_available_semaphore = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
    }
}

// One empty submission that waits on the image-available semaphore (unsignalling it) and, when
// given, signals `fence`.
static bool consume_image_available(VulkanContext* c, VkFence fence) {
    VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSubmitInfo submit = {VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &c->image_available_semaphore;
    submit.pWaitDstStageMask = &stage;
    VkResult r = vkQueueSubmit(c->graphics_queue, 1, &submit, fence);
    if (r != VK_SUCCESS) vulkan_log_call_failed(r);
    return r == VK_SUCCESS;
}

// Last resort when the queue refuses even an empty submission: fresh objects after the device idles.
static void replace_sync_objects(VulkanContext* c, bool semaphore) {
    vkDeviceWaitIdle(c->device);
    if (semaphore) {
        vkDestroySemaphore(c->device, c->image_available_semaphore, c->allocation_callbacks);
        create_image_available_semaphore(c);
    }
    vkDestroyFence(c->device, c->in_flight_fence, c->allocation_callbacks);
    create_fence_signalled(c);
}

// A frame given up after its fence was reset: the fence must end signalled (or the next wait never
// returns), a signalled image-available semaphore must not meet the next acquire, and the image that
// stays acquired is handed back by rebuilding the swapchain before the next acquire.
static void abandon_frame(VulkanContext* c) {
    if (!consume_image_available(c, c->in_flight_fence)) replace_sync_objects(c, true);
    c->recreate_pending = 1;
}

void vulkan_internal_replace_fence(VulkanContext* c) { replace_sync_objects(c, false); }

void vulkan_wait_for_frame(VulkanContext* c) {
    if (c->in_flight_fence == VK_NULL_HANDLE || c->image_available_semaphore == VK_NULL_HANDLE) {
        // Lost in a failed repair: nothing can be in flight once the device idles.
        vkDeviceWaitIdle(c->device);
        if (!c->in_flight_fence) create_fence_signalled(c);
        if (!c->image_available_semaphore) create_image_available_semaphore(c);
        return;
    }
    vkWaitForFences(c->device, 1, &c->in_flight_fence, VK_TRUE, UINT64_MAX);
}

static bool window_wants_new_swapchain(const VulkanContext* c) {
    const Window* w = c->window;
    if (c->swapchain == VK_NULL_HANDLE || c->recreate_pending) return true;
    return w->resized || w->style_changed || w->client_width != c->window_extent.width ||
           w->client_height != c->window_extent.height;
}

bool vulkan_internal_open_render_pass(VulkanContext* c) {
    // Reset only now: a frame skipped before this leaves the fence signalled for the next wait.
    vkResetFences(c->device, 1, &c->in_flight_fence);
    vkResetCommandBuffer(c->command_buffer, 0);
    VkCommandBufferBeginInfo begin = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    VkResult r = vkBeginCommandBuffer(c->command_buffer, &begin);
    if (r != VK_SUCCESS) {
        log_error("Failed to begin Vulkan command buffer recording: %", vulkan_result_description(r));
        return false;
    }
    VkClearValue clear[2] = {};
    clear[0].color = {{0.0f, 0.0f, 0.0f, 0.0f}};
    clear[1].depthStencil = {1.0f, 0};
    VkRenderPassBeginInfo pass = {VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO};
    pass.renderPass = c->render_pass;
    pass.framebuffer = c->framebuffers.data[c->image_index];
    pass.renderArea = {{0, 0}, c->extent};
    pass.clearValueCount = 2;
    pass.pClearValues = clear;
    vkCmdBeginRenderPass(c->command_buffer, &pass, VK_SUBPASS_CONTENTS_INLINE);
    return true;
}

bool vulkan_internal_close_render_pass(VulkanContext* c) {
    vkCmdEndRenderPass(c->command_buffer);
    VkResult r = vkEndCommandBuffer(c->command_buffer);
    if (r == VK_SUCCESS) return true;
    log_error("Failed to end Vulkan command buffer recording: %", vulkan_result_description(r));
    return false;
}

bool vulkan_internal_submit(VulkanContext* c, VkSubmitInfo* submit) {
    submit->commandBufferCount = 1;
    submit->pCommandBuffers = &c->command_buffer;
    VkResult r = vkQueueSubmit(c->graphics_queue, 1, submit, c->in_flight_fence);
    if (r == VK_SUCCESS) return true;
    log_error("Failed to submit draw command buffer: %", vulkan_result_description(r));
    return false;
}

bool vulkan_begin_frame(VulkanContext* c) {
    if (c->in_flight_fence == VK_NULL_HANDLE || c->image_available_semaphore == VK_NULL_HANDLE) return false;
    // Minimised: no acquire (its surface may report a stale 1 x 1 extent), no rebuild, no log.
    if (vulkan_window_minimised(c->window)) return false;
    if (window_wants_new_swapchain(c) && !vulkan_recreate_swapchain(c)) return false;
    VkResult r = vkAcquireNextImageKHR(c->device, c->swapchain, UINT64_MAX, c->image_available_semaphore,
                                       VK_NULL_HANDLE, &c->image_index);
    if (r == VK_ERROR_OUT_OF_DATE_KHR || r == VK_SUBOPTIMAL_KHR) {
        // A suboptimal acquire did deliver an image and signal the semaphore; the frame is still
        // skipped, so the semaphore is waited on before the swapchain goes.
        if (r == VK_SUBOPTIMAL_KHR && !consume_image_available(c, VK_NULL_HANDLE)) replace_sync_objects(c, true);
        vulkan_recreate_swapchain(c);
        return false;
    }
    if (r != VK_SUCCESS) {
        log_error("Failed to acquire Vulkan swapchain image: %", vulkan_result_description(r));
        return false;
    }
    if (vulkan_internal_open_render_pass(c)) return true;
    abandon_frame(c);
    return false;
}

bool vulkan_end_frame(VulkanContext* c) {
    VkSemaphore* render_finished = &c->render_finished_semaphores.data[c->image_index];
    VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSubmitInfo submit = {VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &c->image_available_semaphore;
    submit.pWaitDstStageMask = &stage;
    submit.signalSemaphoreCount = 1;
    submit.pSignalSemaphores = render_finished;
    if (!vulkan_internal_close_render_pass(c) || !vulkan_internal_submit(c, &submit)) {
        abandon_frame(c);
        return false;
    }
    VkPresentInfoKHR present = {VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = render_finished;
    present.swapchainCount = 1;
    present.pSwapchains = &c->swapchain;
    present.pImageIndices = &c->image_index;
    VkResult r = vkQueuePresentKHR(c->present_queue, &present);
    if (r == VK_ERROR_OUT_OF_DATE_KHR) {
        vulkan_recreate_swapchain(c);
    } else if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        // Rebuild before the next acquire rather than show a stretched frame first.
        if (r == VK_SUBOPTIMAL_KHR) c->recreate_pending = 1;
    }
    return true;
}
