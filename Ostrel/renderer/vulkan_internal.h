// The renderer's own steps and decisions, shared by its files, the window and offscreen contexts
// and the tests that check them one by one. Not for other modules: they use renderer.h.
#pragma once
#include "Ostrel/renderer/renderer.h"

struct Window;

//-----------------------------------------------------------------------------
// [SECTION] Adapters, surfaces and swapchains
//-----------------------------------------------------------------------------

struct SwapchainSupport {
    VkSurfaceCapabilitiesKHR capabilities;
    DynArray<VkSurfaceFormatKHR> formats;
    DynArray<VkPresentModeKHR> present_modes;
};
SwapchainSupport vulkan_query_swapchain_support(VkPhysicalDevice device, VkSurfaceKHR surface, Allocator* allocator);
void vulkan_free_swapchain_support(SwapchainSupport* support);

struct PhysicalDeviceInfo {
    VkPhysicalDevice handle;
    VkPhysicalDeviceProperties properties;
    VkPhysicalDeviceFeatures features;
    DynArray<VkQueueFamilyProperties> queue_families;
};
PhysicalDeviceInfo vulkan_physical_device_info(VkPhysicalDevice device, Allocator* allocator);
void vulkan_free_physical_device_info(PhysicalDeviceInfo* info);
// The first family whose flags have any of `flags`.
bool vulkan_find_queue_family(const PhysicalDeviceInfo* info, VkQueueFlags flags, u32* index);
VkBool32 vulkan_surface_support(const PhysicalDeviceInfo* info, u32 family, VkSurfaceKHR surface);
// The first of D32_SFLOAT, D32_SFLOAT_S8_UINT, D24_UNORM_S8_UINT usable as an optimal-tiling
// depth attachment.
bool vulkan_find_depth_format(VkPhysicalDevice device, VkFormat* format);

// Platform pieces (vulkan_surface_win32.cpp, vulkan_surface_x11.cpp).
const char* vulkan_surface_extension_name();
VkResult vulkan_create_surface(VkInstance instance, Window* window, const VkAllocationCallbacks* callbacks,
                               VkSurfaceKHR* surface);
bool vulkan_window_minimised(const Window* window);

//-----------------------------------------------------------------------------
// [SECTION] Decisions (pure functions behind the context's choices)
//-----------------------------------------------------------------------------

// How adapters are examined; the context passes the real queries, tests pass their own.
struct AdapterQueries {
    void* user;
    PhysicalDeviceInfo (*describe)(void* user, VkPhysicalDevice device, Allocator* allocator);
    VkBool32 (*can_present)(void* user, const PhysicalDeviceInfo* info, u32 family);
};
// The first adapter, in the given order, whose first graphics family can present. When none
// passes, logs the three lines of that case and returns false.
bool vulkan_choose_adapter(const VkPhysicalDevice* devices, u32 count, const AdapterQueries* queries,
                           Allocator* allocator, VkPhysicalDevice* device, u32* family);
// The first entry with both the wanted format and colour space; otherwise logs and returns the
// first entry (a zero record for an empty list).
VkSurfaceFormatKHR vulkan_choose_surface_format(VkFormat format, VkColorSpaceKHR color_space,
                                                const DynArray<VkSurfaceFormatKHR>* formats);

enum { VULKAN_DEPTH_FORMAT_CANDIDATES = 3 };
extern const VkFormat k_vulkan_depth_formats[VULKAN_DEPTH_FORMAT_CANDIDATES];
// `features[i]` are the optimal-tiling features of k_vulkan_depth_formats[i]; logs when none fits.
bool vulkan_pick_depth_format(const VkFormatFeatureFlags features[VULKAN_DEPTH_FORMAT_CANDIDATES], VkFormat* format);

// Swapchain image count: the surface's maximum; a surface without maximum (0) gets minimum + 1.
u32 vulkan_choose_image_count(const VkSurfaceCapabilitiesKHR* capabilities);
// Mailbox when listed, otherwise FIFO (always available).
VkPresentModeKHR vulkan_choose_present_mode(const VkPresentModeKHR* modes, u32 count);
// The surface's current extent; a surface that leaves it to the swapchain (0xFFFFFFFF) gets the
// client size clamped to the surface's range.
VkExtent2D vulkan_choose_extent(const VkSurfaceCapabilitiesKHR* capabilities, u32 client_width, u32 client_height);

//-----------------------------------------------------------------------------
// [SECTION] Memory types and one-shot commands
//-----------------------------------------------------------------------------

// The first type allowed by `type_bits` whose flags contain all of `flags`.
bool vulkan_find_memory_type(const VkPhysicalDeviceMemoryProperties* properties, u32 type_bits,
                             VkMemoryPropertyFlags flags, u32* index);
bool vulkan_find_memory_type_on_device(VkPhysicalDevice device, u32 type_bits, VkMemoryPropertyFlags flags,
                                       u32* index);

// One primary command buffer for a single submission; null on failure.
VkCommandBuffer vulkan_begin_one_shot_commands(VkDevice device, VkCommandPool pool);
// Ends, submits, waits for the queue to be idle and frees the buffer.
bool vulkan_end_one_shot_commands(VkCommandBuffer command_buffer, VkDevice device, VkCommandPool pool, VkQueue queue);
// Only undefined -> transfer-destination and transfer-destination -> shader-read-only are known;
// any other pair returns false before anything is recorded.
bool vulkan_transition_image_layout(VkImage image, VkFormat format, VkImageLayout old_layout, VkImageLayout new_layout,
                                    VkDevice device, VkCommandPool pool, VkQueue queue);
bool vulkan_copy_buffer_to_image(VkImage image, VkBuffer buffer, u32 width, u32 height, VkDevice device,
                                 VkCommandPool pool, VkQueue queue);
bool vulkan_copy_buffer(VkBuffer source, VkBuffer destination, VkDeviceSize size, VkDevice device, VkCommandPool pool,
                        VkQueue queue);
bool vulkan_bind_buffer_memory(VkDevice device, VkBuffer buffer, VkDeviceMemory memory, u64 offset);

//-----------------------------------------------------------------------------
// [SECTION] Pipeline state
//-----------------------------------------------------------------------------

// Unknown values map to triangle list, point, none and clockwise.
VkPrimitiveTopology vulkan_topology(u32 topology);
VkPolygonMode vulkan_polygon_mode(u32 polygon_mode);
VkCullModeFlags vulkan_cull_mode(u32 cull_mode);
VkFrontFace vulkan_front_face(u32 front_face);

//-----------------------------------------------------------------------------
// [SECTION] Context steps
//-----------------------------------------------------------------------------

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
