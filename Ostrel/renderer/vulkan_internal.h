// Steps shared by the window and offscreen contexts and their frames. Not for other modules.
#pragma once
#include "Ostrel/renderer/renderer.h"

bool vulkan_internal_create_instance(VulkanContext* c, const RendererSettings* settings, const char* const* extensions,
                                     u32 extension_count);
// The first adapter whose first graphics family passes `can_present` (vulkan_choose_adapter).
bool vulkan_internal_choose_adapter(VulkanContext* c,
                                    VkBool32 (*can_present)(void* user, const PhysicalDeviceInfo* info, u32 family),
                                    void* user);
bool vulkan_internal_create_device(VulkanContext* c, const char* const* extensions, u32 extension_count);
bool vulkan_internal_load_device(VulkanContext* c);
bool vulkan_internal_create_depth(VulkanContext* c);
bool vulkan_internal_create_render_pass(VulkanContext* c, VkImageLayout final_color_layout);
// One framebuffer per colour view, each with the depth view.
bool vulkan_internal_create_framebuffers(VulkanContext* c, const VkImageView* color_views, u32 count);
void vulkan_internal_destroy_framebuffers(VulkanContext* c);
// Depth buffer, swapchain image views and the swapchain.
void vulkan_internal_destroy_swapchain_resources(VulkanContext* c);
bool vulkan_internal_create_command_objects(VulkanContext* c);
// The image-available semaphore and the in-flight fence (signalled).
bool vulkan_internal_create_sync_objects(VulkanContext* c);
// Frame steps. Open resets the fence and the command buffer, then begins recording and the render
// pass on framebuffer `image_index`; close ends both; submit adds the command buffer to `submit`
// and signals the fence. Each logs its failure; a frame that fails after open is abandoned by the
// caller, whose fence must end signalled.
bool vulkan_internal_open_render_pass(VulkanContext* c);
bool vulkan_internal_close_render_pass(VulkanContext* c);
bool vulkan_internal_submit(VulkanContext* c, VkSubmitInfo* submit);
// A new signalled fence once the device idles (when even an empty submission was refused).
void vulkan_internal_replace_fence(VulkanContext* c);
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
