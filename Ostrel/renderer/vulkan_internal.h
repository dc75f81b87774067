// Steps shared by the window and offscreen contexts and the frame code. Not for other modules.
#pragma once
#include "Ostrel/renderer/renderer.h"

bool vulkan_internal_create_instance(VulkanContext* c, const RendererSettings* settings, const char* const* extensions,
                                     u32 extension_count);
bool vulkan_internal_choose_adapter(VulkanContext* c, bool need_present);
bool vulkan_internal_create_device(VulkanContext* c, const char* const* extensions, u32 extension_count);
bool vulkan_internal_load_device(VulkanContext* c);
bool vulkan_internal_create_depth(VulkanContext* c);
bool vulkan_internal_create_render_pass(VulkanContext* c, VkImageLayout final_color_layout);
bool vulkan_internal_create_framebuffers(VulkanContext* c);
void vulkan_internal_destroy_framebuffers(VulkanContext* c);
// Depth buffer, image views and the swapchain (offscreen: the colour image and its memory).
void vulkan_internal_destroy_swapchain_resources(VulkanContext* c);
bool vulkan_internal_create_command_objects(VulkanContext* c);
bool vulkan_internal_create_sync_objects(VulkanContext* c);
// Tops the render-finished semaphores up to one per swapchain image.
bool vulkan_internal_create_render_finished_semaphores(VulkanContext* c);
// A 2D image of one mip level, one layer and one sample, optimal tiling, exclusive, undefined layout.
VkImageCreateInfo vulkan_internal_image_info(VkFormat format, u32 width, u32 height, VkImageUsageFlags usage);
// A 2D view of the whole of such an image.
VkImageViewCreateInfo vulkan_internal_view_info(VkImage image, VkFormat format, VkImageAspectFlags aspect);
// One allocation of its own for `requirements`, of the first type with `flags`; null after logging.
VkDeviceMemory vulkan_internal_allocate_dedicated(VkPhysicalDevice physical_device, VkDevice device,
                                                  VkMemoryRequirements requirements, VkMemoryPropertyFlags flags,
                                                  const VkAllocationCallbacks* callbacks);
// Destroys whatever exists, in the reverse order of creation, and zeroes the handles.
void vulkan_internal_release(VulkanContext* c);
