// The GUI context and the drawable element, shared by the GUI toolkit and the GUI renderer, and
// the renderer's operations on them: one pipeline, a projection uniform, texture descriptor sets
// from pools that grow on demand, one vertex buffer per element per frame, and deferred release.
//
// Per frame, inside vulkan_begin_frame / vulkan_end_frame (after the frame arena was reset):
//     gui_update_projection(ctx, 0, 0, client_width, client_height);
//     gui_begin_frame(ctx);                 // recycles last frame's element resources
//     for each element: gui_prepare_element -> gui_draw_element -> gui_release_element
//                       (release may come before draw; resources live until the next begin)
#pragma once
#include "Ostrel/gui/gui_types.h"
#include "Ostrel/renderer/renderer.h"
#include "Ostrel/text/text_layout.h"

// An element's vertex buffer and texture set, destroyed / recycled at the next frame begin.
struct PendingRelease {
    VertexBuffer vertex_buffer;
    VkDescriptorSet descriptor_set;
};

struct GuiRendererConfig {
    u32 viewport_x, viewport_y;
    u32 viewport_width, viewport_height;  // the window's client size
    GuiTexture placeholder_texture;       // gui_create_placeholder_texture
    VkDevice device;
    const VkAllocationCallbacks* allocation_callbacks;
    DeviceAllocator* uniform_arena;
    DeviceAllocator* first_vertex_arena;
    DeviceAllocator* second_vertex_arena;
    VkDescriptorPool uniform_descriptor_pool;  // room for one uniform-buffer set (gui_create_uniform_pool)
    VkRenderPass render_pass;
    VkCommandBuffer command_buffer;
    VkPhysicalDevice physical_device;  // carried for texture work
    VkQueue graphics_queue;
    VkCommandPool command_pool;
    Allocator* host_allocator;
    GuiClipboardGetFn clipboard_get;
    GuiClipboardSetFn clipboard_set;
};

// Rectangle in window pixels: minimum and maximum corners.
struct GuiRect {
    f32 x0, y0, x1, y1;
};

struct GuiContext {
    u32 viewport_x, viewport_y, viewport_width, viewport_height;  // of the last projection upload
    GuiTexture placeholder_texture;
    VkDevice device;
    const VkAllocationCallbacks* allocation_callbacks;
    DeviceAllocator* uniform_arena;
    DeviceAllocator* first_vertex_arena;
    DeviceAllocator* second_vertex_arena;
    VkSampler sampler;
    VkDescriptorPool uniform_descriptor_pool;
    VkDescriptorSetLayout uniform_set_layout;  // set 0
    VkDescriptorSet uniform_descriptor_set;
    VkDescriptorSetLayout texture_set_layout;  // set 1
    DynArray<VkDescriptorPool> texture_descriptor_pools;  // 24 sets each
    DynArray<VkDescriptorSet> free_texture_sets;
    DynArray<PendingRelease> pending_releases;
    VkRenderPass render_pass;
    VkCommandBuffer command_buffer;
    PipelineHandles pipeline;
    VkBuffer uniform_buffer;  // 64 bytes: the projection
    VkDeviceMemory uniform_memory;
    u64 uniform_offset;
    GuiInput input;           // written by the toolkit
    GuiInput previous_input;  // last frame's input, byte for byte
    GuiRect clip_rect;        // the scissor, window pixels
    Allocator* host_allocator;
    GuiClipboardGetFn clipboard_get;
    GuiClipboardSetFn clipboard_set;
};

enum GuiPrimitiveType : u32 { GUI_PRIMITIVE_SHAPE = 0, GUI_PRIMITIVE_TEXT = 1 };

struct GuiElement {
    GuiContext* context;
    VertexBuffer vertex_buffer;
    LayoutNode node;
    f32 transform[16];  // translation to the absolute position, computed at draw time
    // The fragment push-constant block, sent as is (24 bytes).
    u32 primitive_type;  // GuiPrimitiveType
    u32 color;           // packed RGBA, red in the lowest byte
    u32 use_texture;
    f32 radius;  // fraction of half the shorter side: 0 square corners, 1 half-circle ends
    f32 size[2];
    GuiTexture texture;  // the no-texture value draws the packed colour
    u8 texture_dirty;    // 1: write the set before the next draw
    VkDescriptorSet descriptor_set;
    u32 hovered;
    u32 held_button;
    TextLayout text_layout;  // text elements: glyph quads of x, y, u, v (u, v in atlas texels)
};

enum GuiVertexArena : u32 { GUI_VERTEX_ARENA_FIRST = 0, GUI_VERTEX_ARENA_SECOND = 1 };

enum { GUI_TEXTURE_SETS_PER_POOL = 24 };

// Creation ends with the first projection upload. On false nothing created remains alive.
bool gui_create_renderer(const GuiRendererConfig* config, GuiContext* context);
void gui_destroy_renderer(GuiContext* context);
// Uploads a new projection only when the rectangle changed (and is not empty).
void gui_update_projection(GuiContext* context, u32 x, u32 y, u32 width, u32 height);
// Recycles the previous frame's element resources, binds the pipeline, sets viewport and scissor
// (clip maximum = viewport size) and binds the projection set.
void gui_begin_frame(GuiContext* context);
// Scissor from the clip rectangle (negative minima clamped to 0).
void gui_set_scissor(GuiContext* context);
VkRect2D gui_scissor_from_clip(GuiRect clip);

// Take a texture set and build the element's vertices in the chosen vertex arena. An element that
// could get no set or no buffer draws nothing this frame.
void gui_prepare_element(GuiElement* element, GuiVertexArena arena = GUI_VERTEX_ARENA_FIRST);
void gui_prepare_text_element(GuiElement* element, GuiVertexArena arena = GUI_VERTEX_ARENA_FIRST);
void gui_draw_element(GuiElement* element);
void gui_draw_text_element(GuiElement* element);
void gui_release_element(GuiElement* element);
void gui_release_text_element(GuiElement* element);

// Start-up helpers: the 1 x 1 placeholder texture (opaque black, dedicated memory) and the
// uniform pool (one set, one uniform-buffer descriptor).
bool gui_create_placeholder_texture(const VulkanContext* vk, GuiTexture* texture);
VkDescriptorPool gui_create_uniform_pool(VkDevice device, const VkAllocationCallbacks* allocation_callbacks);

// Matrices in the memory order the shaders read (elements 3, 7, 11 are the translation terms).
void gui_translation_matrix(f32 x, f32 y, f32 out[16]);
void gui_orthographic_matrix(f32 left, f32 right, f32 top, f32 bottom, f32 near_plane, f32 far_plane, f32 out[16]);
