// Contexts without a window: one colour image stands in for the swapchain, so arenas, textures and
// the 2D renderers run unchanged where there is no surface.
#include "Ostrel/renderer/vulkan_offscreen.h"
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

static const VkFormat k_offscreen_format = VK_FORMAT_B8G8R8A8_UNORM;

static VkDeviceMemory allocate_memory(VulkanOffscreen* o, VkMemoryRequirements requirements,
                                      VkMemoryPropertyFlags flags) {
    return vulkan_internal_allocate_dedicated(o->physical_device, o->device, requirements, flags,
                                              o->allocation_callbacks);
}

static bool create_color_target(VulkanOffscreen* o) {
    VkImageCreateInfo image = vulkan_internal_image_info(k_offscreen_format, o->extent.width, o->extent.height,
                                                         VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT |
                                                             VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
    VkResult r = vkCreateImage(o->device, &image, o->allocation_callbacks, &o->color_image);
    if (r != VK_SUCCESS) {
        o->color_image = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(o->device, o->color_image, &requirements);
    o->color_memory = allocate_memory(o, requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    if (!o->color_memory) return false;
    vkBindImageMemory(o->device, o->color_image, o->color_memory, 0);
    VkImageViewCreateInfo view = vulkan_internal_view_info(o->color_image, k_offscreen_format, VK_IMAGE_ASPECT_COLOR_BIT);
    r = vkCreateImageView(o->device, &view, o->allocation_callbacks, &o->color_view);
    if (r != VK_SUCCESS) {
        o->color_view = VK_NULL_HANDLE;
        log_error("Failed to create image view: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

static VkBool32 any_graphics_family(void*, const PhysicalDeviceInfo*, u32) { return VK_TRUE; }

static bool create_offscreen_steps(const RendererSettings* settings, VulkanOffscreen* o) {
    if (!vulkan_internal_create_instance(o, settings, nullptr, 0)) return false;
    if (!vulkan_load(o->instance, VK_NULL_HANDLE, VK_NULL_HANDLE)) return false;
    if (!vulkan_internal_choose_adapter(o, any_graphics_family, nullptr)) return false;
    if (!vulkan_internal_create_device(o, nullptr, 0)) return false;
    if (!vulkan_internal_load_device(o)) return false;
    o->surface_format = {k_offscreen_format, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR};
    if (!create_color_target(o) || !vulkan_internal_create_depth(o)) return false;
    if (!vulkan_internal_create_render_pass(o, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL)) return false;
    o->framebuffers = dyn_array_create<VkFramebuffer>(o->allocator, 1, 4);
    if (!vulkan_internal_create_framebuffers(o, &o->color_view, 1)) return false;
    if (!vulkan_internal_create_command_objects(o)) return false;
    return vulkan_internal_create_sync_objects(o);
}

// The colour target goes first: the context's own release then finds only what it made itself.
static void release(VulkanOffscreen* o) {
    if (o->device) {
        vulkan_internal_destroy_framebuffers(o);
        if (o->color_view) vkDestroyImageView(o->device, o->color_view, o->allocation_callbacks);
        if (o->color_image) vkDestroyImage(o->device, o->color_image, o->allocation_callbacks);
        if (o->color_memory) vkFreeMemory(o->device, o->color_memory, o->allocation_callbacks);
    }
    o->color_view = VK_NULL_HANDLE;
    o->color_image = VK_NULL_HANDLE;
    o->color_memory = VK_NULL_HANDLE;
    vulkan_internal_release(o);
}

bool vulkan_create_offscreen_context(const RendererSettings* settings, u32 width, u32 height, VulkanOffscreen* o) {
    *o = {};
    o->allocator = settings->allocator;
    o->allocation_callbacks = settings->allocation_callbacks;
    o->extent = {width, height};
    if (width == 0 || height == 0) {
        log_error("Failed to create offscreen Vulkan context: its size is % x %.", width, height);
        return false;
    }
    if (create_offscreen_steps(settings, o)) return true;
    release(o);
    return false;
}

void vulkan_destroy_offscreen_context(VulkanOffscreen* o) {
    if (o->device) vkDeviceWaitIdle(o->device);
    release(o);
}

// A frame given up after its fence was reset: an empty submission signals the fence again.
static void abandon_frame(VulkanOffscreen* o) {
    VkSubmitInfo submit = {VK_STRUCTURE_TYPE_SUBMIT_INFO};
    VkResult r = vkQueueSubmit(o->graphics_queue, 1, &submit, o->in_flight_fence);
    if (r == VK_SUCCESS) return;
    vulkan_log_call_failed(r);
    vulkan_internal_replace_fence(o);
}

bool vulkan_begin_offscreen_frame(VulkanOffscreen* o) {
    if (o->in_flight_fence == VK_NULL_HANDLE) return false;
    if (vulkan_internal_open_render_pass(o)) return true;
    abandon_frame(o);
    return false;
}

bool vulkan_end_offscreen_frame(VulkanOffscreen* o) {
    VkSubmitInfo submit = {VK_STRUCTURE_TYPE_SUBMIT_INFO};
    if (vulkan_internal_close_render_pass(o) && vulkan_internal_submit(o, &submit)) return true;
    abandon_frame(o);
    return false;
}

bool vulkan_read_offscreen_pixels(VulkanOffscreen* o, u8* rgba) {
    vkDeviceWaitIdle(o->device);
    u64 size = (u64)o->extent.width * o->extent.height * 4;
    VkBufferCreateInfo info = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkResult r = vkCreateBuffer(o->device, &info, o->allocation_callbacks, &buffer);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(o->device, buffer, &requirements);
    VkDeviceMemory memory = allocate_memory(
        o, requirements, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
    bool ok = memory && vulkan_bind_buffer_memory(o->device, buffer, memory, 0);
    VkCommandBuffer commands = ok ? vulkan_begin_one_shot_commands(o->device, o->command_pool) : VK_NULL_HANDLE;
    if (commands) {
        VkBufferImageCopy region = {};
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.imageExtent = {o->extent.width, o->extent.height, 1};
        vkCmdCopyImageToBuffer(commands, o->color_image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, buffer, 1, &region);
        ok = vulkan_end_one_shot_commands(commands, o->device, o->command_pool, o->graphics_queue);
    } else {
        ok = false;
    }
    void* mapped = nullptr;
    if (ok) {
        r = vkMapMemory(o->device, memory, 0, size, 0, &mapped);
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
        vkUnmapMemory(o->device, memory);
    }
    vkDestroyBuffer(o->device, buffer, o->allocation_callbacks);
    if (memory) vkFreeMemory(o->device, memory, o->allocation_callbacks);
    return ok;
}
