#include "Ostrel/renderer/image_gpu.h"
#include "Ostrel/core/log.h"

bool image_upload_texture(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                          const Image* image, GuiTexture* out_texture) {
    *out_texture = GuiTexture{};
    VkFormat format = VK_FORMAT_UNDEFINED;
    if (image->format == IMAGE_FORMAT_RGBA8) format = VK_FORMAT_R8G8B8A8_UNORM;
    if (image->format == IMAGE_FORMAT_R8) format = VK_FORMAT_R8_UNORM;
    if (format == VK_FORMAT_UNDEFINED || !image->pixels) {
        log_error("Failed to upload image: it needs four channels or one (format %).", image->format);
        return false;
    }
    TextureCreateInfo info = {
        .pixels = image->pixels,
        .width = image->width,
        .height = image->height,
        .format = format,
        .bytes_per_pixel = image_format_channels(image->format),
        .physical_device = context->physical_device,
        .device = context->device,
        .queue = context->graphics_queue,
        .command_pool = context->command_pool,
        .bottom_row_first = true,
    };
    return vulkan_create_texture(&info, texture_arena, staging_arena, nullptr, out_texture);
}
