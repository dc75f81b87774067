// Contexts without a window, for tools, benchmarks and drawing tests: the first adapter with a
// graphics family and one colour image (B8G8R8A8_UNORM, the format a window would get) in place of
// a surface and swapchain, built from the window context's own steps. It is a VulkanContext, so
// arenas, textures and both 2D renderers take it as they take a window's; only its frames and its
// end are its own. The colour image ends each frame in transfer-source layout.
#pragma once
#include "Ostrel/renderer/renderer.h"

struct VulkanOffscreen : VulkanContext {
    VkImage color_image;
    VkDeviceMemory color_memory;  // a dedicated allocation
    VkImageView color_view;
};

// On false nothing created remains alive.
bool vulkan_create_offscreen_context(const RendererSettings* settings, u32 width, u32 height,
                                     VulkanOffscreen* offscreen);
void vulkan_destroy_offscreen_context(VulkanOffscreen* offscreen);
// Frames as for a window (vulkan_wait_for_frame first), without acquire or present.
bool vulkan_begin_offscreen_frame(VulkanOffscreen* offscreen);
bool vulkan_end_offscreen_frame(VulkanOffscreen* offscreen);
// Copies the colour image of the last finished frame into `rgba` (width x height x 4 bytes,
// red first) after waiting for the device.
bool vulkan_read_offscreen_pixels(VulkanOffscreen* offscreen, u8* rgba);
