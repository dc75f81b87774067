// Ostrel renderer: one Vulkan device drawing one window with one frame in flight. This is what
// the other libraries and the program use; the steps and decisions behind it are in
// vulkan_internal.h, contexts without a window in vulkan_offscreen.h.
//
// Index
//   [SECTION] Result texts
//   [SECTION] Context and swapchain
//   [SECTION] Device memory arenas
//   [SECTION] Buffers and textures
//   [SECTION] Frames
//   [SECTION] Pipelines
//
// Every failure is logged at error level and reported by a false, null, zero or all-ones result.
// The Vulkan commands (namespace ostrel_vk) and their loader are in vulkan_loader.h, included here.
#pragma once
#include "Ostrel/core/dyn_array.h"
#include "Ostrel/renderer/vulkan_loader.h"

struct Window;

//-----------------------------------------------------------------------------
// [SECTION] Result texts
//-----------------------------------------------------------------------------

// The enumerator's name; "VK_ERROR_UNKNOWN/Unknwown." for VK_ERROR_UNKNOWN and any code not known.
const char* vulkan_result_name(VkResult result);
// A one-line description of the code (for unknown codes a generic sentence).
const char* vulkan_result_description(VkResult result);
// Logs "Vulkan API call failed: %\n%" with the result's name and description.
void vulkan_log_call_failed(VkResult result);

//-----------------------------------------------------------------------------
// [SECTION] Context and swapchain
//-----------------------------------------------------------------------------

struct RendererSettings {
    const char* application_name;
    u32 application_version;
    Allocator* allocator;                             // host memory of the context's arrays
    const VkAllocationCallbacks* allocation_callbacks;  // may be null
};

// The process's one device, surface, swapchain, render pass and frame objects.
// Swapchain images, image views and framebuffers have the same count and order; every framebuffer
// also uses the one depth view.
struct VulkanContext {
    VkInstance instance;
    VkPhysicalDevice physical_device;
    VkDevice device;
    VkSurfaceKHR surface;
    Window* window;
    u32 queue_family_index;
    VkQueue graphics_queue;
    VkQueue present_queue;
    VkSurfaceFormatKHR surface_format;
    VkSwapchainKHR swapchain;  // null after a recreation that failed past its destroy step
    VkExtent2D extent;
    DynArray<VkImage> swapchain_images;
    DynArray<VkImageView> swapchain_image_views;
    VkRenderPass render_pass;
    DynArray<VkFramebuffer> framebuffers;
    VkCommandPool command_pool;
    VkCommandBuffer command_buffer;
    VkSemaphore image_available_semaphore;
    // One per swapchain image: a present may still wait on its image's semaphore while later images
    // render, so a semaphore is signalled again only for the image it belongs to, which the
    // presentation engine has handed back by then.
    DynArray<VkSemaphore> render_finished_semaphores;
    VkFence in_flight_fence;  // created signalled
    u32 image_index;
    VkFormat depth_format;
    VkImage depth_image;
    VkDeviceMemory depth_memory;  // a dedicated allocation
    VkImageView depth_image_view;
    Allocator* allocator;
    const VkAllocationCallbacks* allocation_callbacks;
    // Frame bookkeeping.
    VkExtent2D window_extent;  // client size the swapchain was last built for
    u8 recreate_pending;       // rebuild before the next acquire
    VkPhysicalDeviceFeatures enabled_features;  // what the device was created with
};

// The whole creation sequence for a window; on false nothing created remains alive.
bool vulkan_create_context(Window* window, const RendererSettings* settings, VulkanContext* context);
// Rebuilds swapchain, views, depth buffer and framebuffers for the window's client size. False
// without changing anything when the window is minimised (client 0 x 0) or the surface has a zero
// extent; false after a failure past the destroy step leaves `swapchain` null, and the next frame
// retries before it acquires.
bool vulkan_recreate_swapchain(VulkanContext* context);
void vulkan_destroy_context(VulkanContext* context);
//-----------------------------------------------------------------------------
// [SECTION] Device memory arenas
//-----------------------------------------------------------------------------

// The all-ones offset of a failed device allocation.
const u64 DEVICE_ALLOCATION_FAILED = ~(u64)0;

// The shape of Allocator for device memory. free does nothing for arenas: space comes back only
// when the arena is reset.
struct DeviceAllocator {
    void* context;
    u64 (*allocate)(void* context, VkMemoryRequirements requirements, VkDeviceMemory* memory);
    void (*free)(void* context, u64 offset, VkDeviceMemory memory);
};

inline u64 device_allocate(DeviceAllocator* a, VkMemoryRequirements requirements, VkDeviceMemory* memory) {
    return a->allocate(a->context, requirements, memory);
}
inline void device_free(DeviceAllocator* a, u64 offset, VkDeviceMemory memory) { a->free(a->context, offset, memory); }

// One block of `block_size` bytes per memory type, made on first use, handed out by a bump offset.
struct MemtarnArena {
    VkDevice device;
    u64 block_size;
    VkMemoryPropertyFlags property_flags;
    const VkPhysicalDeviceMemoryProperties* memory_properties;
    const VkAllocationCallbacks* allocation_callbacks;
    DynArray<VkDeviceMemory> blocks;  // one slot per memory type
    DynArray<u64> offsets;            // one bump offset per memory type
    DeviceAllocator interface;        // memtarn_arena_interface(this): the record must not move
};

// The program's four arenas (block sizes and property flags).
const u64 MEMTARN_UNIFORM_BLOCK_SIZE = 1048576;
const u64 MEMTARN_TEXTURE_BLOCK_SIZE = 1228800;
const u64 MEMTARN_STAGING_BLOCK_SIZE = 1228800;
const u64 MEMTARN_FRAME_BLOCK_SIZE = 1048576;

// Sizes both arrays to memoryTypeCount and fills `interface`; allocates no device memory; always true.
bool memtarn_arena_create(VkDevice device, u64 block_size, VkMemoryPropertyFlags property_flags,
                          const VkPhysicalDeviceMemoryProperties* memory_properties,
                          const VkAllocationCallbacks* allocation_callbacks, Allocator* allocator, MemtarnArena* arena);
DeviceAllocator memtarn_arena_interface(MemtarnArena* arena);
// Offset inside *memory, or DEVICE_ALLOCATION_FAILED. An allocation that would end exactly at
// the block's end is refused.
u64 memtarn_arena_allocate(MemtarnArena* arena, VkMemoryRequirements requirements, VkDeviceMemory* memory);
void memtarn_arena_reset(MemtarnArena* arena);
// Frees the blocks and arrays (the program never does; tests and tools tidy up with it).
void memtarn_arena_destroy(MemtarnArena* arena);

//-----------------------------------------------------------------------------
// [SECTION] Buffers and textures
//-----------------------------------------------------------------------------

struct VertexBufferDesc {
    const void* vertices;
    u32 stride;
    u32 vertex_count;
    VkDevice device;
    const VkAllocationCallbacks* allocation_callbacks;
    DeviceAllocator* arena;
};

// A buffer written once at creation. A failed creation yields vertex count 0 and no buffer: it
// draws nothing.
struct VertexBuffer {
    u32 vertex_count;
    VkDevice device;
    VkBuffer buffer;
    const VkAllocationCallbacks* allocation_callbacks;
    VkDeviceMemory memory;  // the arena block
    u64 offset;
    DeviceAllocator* arena;
};

VertexBuffer vulkan_create_vertex_buffer(const VertexBufferDesc* desc);
// Binds the buffer as binding 0 and records one draw; nothing for an empty or failed buffer.
void vulkan_draw_vertex_buffer(const VertexBuffer* buffer, u32 instance_count, VkCommandBuffer command_buffer);
// Destroys the buffer only; its memory stays in the arena until the arena is reset.
void vulkan_destroy_vertex_buffer(VertexBuffer* buffer);

struct TextureCreateInfo {
    const void* pixels;  // tightly packed rows, the first row on top (see bottom_row_first)
    u64 width;
    u32 height;
    VkFormat format;
    u32 bytes_per_pixel;
    VkPhysicalDevice physical_device;
    VkDevice device;
    VkQueue queue;
    VkCommandPool command_pool;
    bool bottom_row_first;  // pixels hold the rows bottom to top (decoded images); turned on upload
};

// A sampled image in shader-read-only layout. The all-null record (device, image, view and memory
// null) is the no-texture value.
struct GuiTexture {
    VkDevice device;
    VkImage image;
    VkImageView view;
    VkDeviceMemory memory;
    u64 offset;
    DeviceAllocator* arena;  // null: the texture owns a dedicated allocation
    const VkAllocationCallbacks* allocation_callbacks;
    u32 width;
    u32 height;
};

inline bool gui_texture_is_none(const GuiTexture* t) {
    return t->device == VK_NULL_HANDLE && t->image == VK_NULL_HANDLE && t->view == VK_NULL_HANDLE &&
           t->memory == VK_NULL_HANDLE;
}

// Uploads through a staging buffer from `staging_arena` into an image from `image_arena`; the
// upload has finished when this returns. The staging space stays taken (that arena is never reset).
bool vulkan_create_texture(const TextureCreateInfo* info, DeviceAllocator* image_arena, DeviceAllocator* staging_arena,
                           const VkAllocationCallbacks* allocation_callbacks, GuiTexture* texture);
// The same upload with dedicated allocations for the staging buffer and the image.
bool vulkan_create_texture_dedicated(const TextureCreateInfo* info, GuiTexture* texture);
void vulkan_destroy_texture(GuiTexture* texture);

//-----------------------------------------------------------------------------
// [SECTION] Frames
//-----------------------------------------------------------------------------
// Per frame: vulkan_wait_for_frame -> reset the frame arena -> vulkan_begin_frame (false: skip
// the rest) -> record into context->command_buffer inside the open render pass -> vulkan_end_frame.
// A minimised window skips frames without acquiring, recreating or logging.

void vulkan_wait_for_frame(VulkanContext* context);
// True when the render pass is open (colour cleared to 0,0,0,0, depth to 1.0).
bool vulkan_begin_frame(VulkanContext* context);
// False when the frame was not submitted; true also after a present error.
bool vulkan_end_frame(VulkanContext* context);

//-----------------------------------------------------------------------------
// [SECTION] Pipelines
//-----------------------------------------------------------------------------

// The engine's own enumerations of pipeline state (stored as u32 in configurations).
enum RenderTopology : u32 {
    RENDER_TOPOLOGY_TRIANGLE_LIST = 0,
    RENDER_TOPOLOGY_TRIANGLE_STRIP = 1,
    RENDER_TOPOLOGY_POINT_LIST = 2,
    RENDER_TOPOLOGY_LINE_LIST = 3,
};
enum RenderPolygonMode : u32 { RENDER_POLYGON_POINT = 0, RENDER_POLYGON_LINE = 1, RENDER_POLYGON_FILL = 2 };
enum RenderCullMode : u32 {
    RENDER_CULL_NONE = 0,
    RENDER_CULL_FRONT = 1,
    RENDER_CULL_BACK = 2,
    RENDER_CULL_FRONT_AND_BACK = 3,
};
enum RenderFrontFace : u32 { RENDER_FRONT_FACE_CLOCKWISE = 0, RENDER_FRONT_FACE_COUNTER_CLOCKWISE = 1 };

// Everything a graphics pipeline needs except the shader code; the routine fills the stages.
struct GraphicsPipelineConfig {
    VkPipelineShaderStageCreateInfo shader_stages[2];
    VkPipelineVertexInputStateCreateInfo vertex_input;
    VkPipelineInputAssemblyStateCreateInfo input_assembly;
    VkPipelineViewportStateCreateInfo viewport;
    VkPipelineRasterizationStateCreateInfo rasterization;
    VkPipelineMultisampleStateCreateInfo multisample;
    VkPipelineColorBlendAttachmentState color_blend_attachment;
    VkPipelineColorBlendStateCreateInfo color_blend;
    VkPipelineDynamicStateCreateInfo dynamic_state;
    VkPipelineLayoutCreateInfo layout;
    VkRenderPass render_pass;
    VkPipelineDepthStencilStateCreateInfo depth_stencil;
};

struct PipelineHandles {
    VkDevice device;
    VkPipeline pipeline;
    VkPipelineLayout layout;
};

// Shader modules from the two SPIR-V word arrays, the layout, then the pipeline (subpass 0); the
// modules are destroyed either way. False leaves nothing alive.
bool vulkan_create_graphics_pipeline(VkDevice device, const u32* vertex_words, u32 vertex_word_count,
                                     const u32* fragment_words, u32 fragment_word_count, GraphicsPipelineConfig* config,
                                     PipelineHandles* pipeline);
void vulkan_destroy_pipeline(PipelineHandles* pipeline);

// The fixed-function state of the engine's 2D pipelines (GUI and shapes): the given topology,
// polygon mode, cull mode and front face; one viewport and one scissor, both dynamic; one sample;
// depth test and write with less-or-equal; source-alpha blending of all four channels. Vertex
// input, layout and render pass stay the caller's.
void vulkan_pipeline_config_2d(GraphicsPipelineConfig* config, u32 topology, u32 polygon_mode, u32 cull_mode,
                               u32 front_face);
// Viewport (x, y, width, height) with depth 0 to 1. Vulkan refuses an empty viewport: a zero side
// (a minimised window) becomes 1.
void vulkan_set_viewport(VkCommandBuffer command_buffer, u32 x, u32 y, u32 width, u32 height);

// The projection uniform both 2D renderers keep: one 4 x 4 float matrix in set 0, binding 0.
const u64 VULKAN_PROJECTION_BYTES = 64;

// A set layout with one descriptor at binding 0. Logs "Vulkan API call failed: %\n%" and "Failed
// to create descriptor set layout." on failure and leaves the layout null.
bool vulkan_create_single_binding_layout(VkDevice device, VkDescriptorType type, VkShaderStageFlags stage,
                                         const VkAllocationCallbacks* callbacks, VkDescriptorSetLayout* layout);
// One set of `layout` from `pool`. Logs "Vulkan API call failed: %\n%" and "Failed to create
// descriptor set." on failure and leaves the set null.
bool vulkan_allocate_descriptor_set(VkDevice device, VkDescriptorPool pool, VkDescriptorSetLayout layout,
                                    VkDescriptorSet* set);
// The projection's uniform buffer, its memory from `arena`, bound and named by binding 0 of
// `set` once for good (a new projection only changes its contents). False, with nothing left
// alive, when the buffer (logged) or its memory cannot be had. A failed bind is logged, its result
// goes to *bind_result, and creation goes on.
bool vulkan_create_projection_buffer(VkDevice device, const VkAllocationCallbacks* callbacks, DeviceAllocator* arena,
                                     VkDescriptorSet set, VkBuffer* buffer, VkDeviceMemory* memory, u64* offset,
                                     VkResult* bind_result);
// Copies the matrix into the buffer's memory; false after logging a failed map.
bool vulkan_upload_projection(VkDevice device, VkDeviceMemory memory, u64 offset, const f32 projection[16]);
