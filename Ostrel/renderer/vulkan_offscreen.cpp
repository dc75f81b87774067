// Contexts without a window: one colour image stands in for the swapchain, so frames, arenas and
// the GUI renderer run unchanged where there is no surface (tests, tools, benchmarks).
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/vulkan_internal.h"

static const VkFormat k_offscreen_format = VK_FORMAT_B8G8R8A8_UNORM;

static VkDeviceMemory allocate_memory(VulkanContext* c, VkMemoryRequirements requirements, VkMemoryPropertyFlags flags) {
    return vulkan_internal_allocate_dedicated(c->physical_device, c->device, requirements, flags,
                                              c->allocation_callbacks);
}

static bool create_color_target(VulkanContext* c) {
    VkImageCreateInfo image = vulkan_internal_image_info(k_offscreen_format, c->extent.width, c->extent.height,
                                                         VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT |
                                                             VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
    VkImage handle = VK_NULL_HANDLE;
    VkResult r = vkCreateImage(c->device, &image, c->allocation_callbacks, &handle);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return false;
    }
    dyn_array_push(&c->swapchain_images, handle);
    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(c->device, handle, &requirements);
    c->offscreen_memory = allocate_memory(c, requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    if (!c->offscreen_memory) return false;
    vkBindImageMemory(c->device, handle, c->offscreen_memory, 0);
    VkImageViewCreateInfo view = vulkan_internal_view_info(handle, k_offscreen_format, VK_IMAGE_ASPECT_COLOR_BIT);
    VkImageView view_handle = VK_NULL_HANDLE;
    r = vkCreateImageView(c->device, &view, c->allocation_callbacks, &view_handle);
    if (r != VK_SUCCESS) {
        log_error("Failed to create image view: %", vulkan_result_description(r));
        return false;
    }
    dyn_array_push(&c->swapchain_image_views, view_handle);
    return true;
}

static bool create_offscreen_steps(const RendererSettings* settings, VulkanContext* c) {
    if (!vulkan_internal_create_instance(c, settings, nullptr, 0)) return false;
    if (!vulkan_load(c->instance, VK_NULL_HANDLE, VK_NULL_HANDLE)) return false;
    if (!vulkan_internal_choose_adapter(c, false)) return false;
    if (!vulkan_internal_create_device(c, nullptr, 0)) return false;
    if (!vulkan_internal_load_device(c)) return false;
    c->swapchain_images = dyn_array_create<VkImage>(c->allocator, 1, 4);
    c->swapchain_image_views = dyn_array_create<VkImageView>(c->allocator, 1, 4);
    c->surface_format = {k_offscreen_format, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR};
    if (!create_color_target(c) || !vulkan_internal_create_depth(c)) return false;
    if (!vulkan_internal_create_render_pass(c, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL)) return false;
    c->framebuffers = dyn_array_create<VkFramebuffer>(c->allocator, 1, 4);
    if (!vulkan_internal_create_framebuffers(c)) return false;
    if (!vulkan_internal_create_command_objects(c)) return false;
    return vulkan_internal_create_sync_objects(c);
}

bool vulkan_create_offscreen_context(const RendererSettings* settings, u32 width, u32 height, VulkanContext* c) {
    *c = {};
    c->allocator = settings->allocator;
    c->allocation_callbacks = settings->allocation_callbacks;
    c->extent = {width, height};
    c->window_extent = c->extent;
    if (width == 0 || height == 0) {
        log_error("Failed to create offscreen Vulkan context: its size is % x %.", width, height);
        return false;
    }
    if (create_offscreen_steps(settings, c)) return true;
    vulkan_internal_release(c);
    return false;
}

bool vulkan_read_offscreen_pixels(VulkanContext* c, u8* rgba) {
    if (c->surface || c->swapchain_images.count == 0) return false;
    vkDeviceWaitIdle(c->device);
    u64 size = (u64)c->extent.width * c->extent.height * 4;
    VkBufferCreateInfo info = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkResult r = vkCreateBuffer(c->device, &info, c->allocation_callbacks, &buffer);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(c->device, buffer, &requirements);
    VkDeviceMemory memory = allocate_memory(
        c, requirements, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
    bool ok = memory && vulkan_bind_buffer_memory(c->device, buffer, memory, 0);
    VkCommandBuffer commands = ok ? vulkan_begin_one_shot_commands(c->device, c->command_pool) : VK_NULL_HANDLE;
    if (commands) {
        VkBufferImageCopy region = {};
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.imageExtent = {c->extent.width, c->extent.height, 1};
        vkCmdCopyImageToBuffer(commands, c->swapchain_images.data[0], VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, buffer, 1,
                               &region);
        ok = vulkan_end_one_shot_commands(commands, c->device, c->command_pool, c->graphics_queue);
    } else {
        ok = false;
    }
    void* mapped = nullptr;
    if (ok) {
        r = vkMapMemory(c->device, memory, 0, size, 0, &mapped);
        if (r != VK_SUCCESS) vulkan_log_call_failed(r);
        ok = r == VK_SUCCESS && mapped;
    }
    if (ok) {
        const u8* bgra = (const u8*)mapped;
        for (u64 i = 0; i < size; i += 4) {
            rgba[i + 0] = bgra[i + 2];
            rgba[i + 1] = bgra[i + 1];
            rgba[i + 2] = bgra[i + 0];
            rgba[i + 3] = bgra[i + 3];
        }
        vkUnmapMemory(c->device, memory);
    }
    vkDestroyBuffer(c->device, buffer, c->allocation_callbacks);
    if (memory) vkFreeMemory(c->device, memory, c->allocation_callbacks);
    return ok;
}
