// Flat-coloured 2D rectangles and quadrilaterals, filled (triangle list) or outlined (line list),
// through the caller's projection, with one vertex buffer per shape per frame. A second, simpler
// renderer beside the GUI renderer; it shares its pipeline routine, arenas and frames.
//
// Per frame: (the caller resets the second arena) -> shape_renderer_2d_begin inside the open render
// pass -> draw calls -> the frame ends. The first arena holds the projection uniform and the shapes
// built by shape_renderer_2d_rectangle: it must not be reset while the renderer lives.
#pragma once
#include "Ostrel/renderer/renderer.h"

struct ShapeRenderer2DConfig {
    u32 viewport_x, viewport_y, viewport_width, viewport_height;
    f32 projection[16];  // memory order as the GUI's matrices: elements 3, 7 and 11 translate
    u32 topology;        // RenderTopology: triangle list fills, line list outlines, others draw nothing
    u32 polygon_mode;    // RenderPolygonMode
    u32 cull_mode;       // RenderCullMode
    u32 front_face;      // RenderFrontFace
    VkDevice device;
    const VkAllocationCallbacks* allocation_callbacks;
    DeviceAllocator* first_arena;   // the uniform buffer and shapes that outlive a frame
    DeviceAllocator* second_arena;  // the shapes drawn and kept for one frame
    VkDescriptorPool descriptor_pool;  // room for one uniform-buffer set, this renderer's alone
    VkRenderPass render_pass;
    VkCommandBuffer command_buffer;
    Allocator* host_allocator;
    // The device was created with fillModeNonSolid (VulkanContext::enabled_features): point and
    // line polygon modes are refused without it.
    bool fill_mode_non_solid;
};

struct ShapeRenderer2D {
    u32 viewport_x, viewport_y, viewport_width, viewport_height;
    u32 topology, polygon_mode, cull_mode, front_face;
    VkDevice device;
    const VkAllocationCallbacks* allocation_callbacks;
    DeviceAllocator* first_arena;
    DeviceAllocator* second_arena;
    VkDescriptorPool descriptor_pool;
    VkDescriptorSetLayout uniform_set_layout;
    VkDescriptorSet uniform_descriptor_set;
    VkRenderPass render_pass;
    VkCommandBuffer command_buffer;
    PipelineHandles pipeline;
    VkBuffer uniform_buffer;
    VkDeviceMemory uniform_memory;
    u64 uniform_offset;
    DynArray<VertexBuffer> drawn_shapes;  // this frame's, destroyed by the next begin
};

// Shape vertex: binding 0, stride 12.
struct ShapeVertex {
    f32 x, y;   // location 0
    u32 color;  // location 1, packed RGBA (red in the lowest byte)
};

struct ShapePoint {
    f32 x, y;
};

// Logs and returns false on failure, with everything made so far undone in reverse order.
bool shape_renderer_2d_create(const ShapeRenderer2DConfig* config, ShapeRenderer2D* renderer);
// Destroys the drawn shapes' buffers, gives the uniform allocation back, destroys the uniform
// buffer and the pipeline, frees the set (by resetting the pool) and destroys the set layout.
void shape_renderer_2d_destroy(ShapeRenderer2D* renderer);
// Replaces the projection (and the viewport that begin sets) after a resize; between frames only.
void shape_renderer_2d_set_view(ShapeRenderer2D* renderer, u32 x, u32 y, u32 width, u32 height,
                                const f32 projection[16]);

// Destroys the previous frame's shapes in the order they were drawn, binds the pipeline, sets the
// viewport and scissor and binds the projection as set 0.
void shape_renderer_2d_begin(ShapeRenderer2D* renderer);

// The rectangle at (0, 0) in the first arena, not drawn; the caller draws it with
// vulkan_draw_vertex_buffer and destroys it. All zero for a topology that makes no shapes.
VertexBuffer shape_renderer_2d_rectangle(ShapeRenderer2D* renderer, f32 width, f32 height, u32 color);
// Drawn and kept: recorded now into the command buffer, destroyed by the next begin.
void shape_renderer_2d_draw_rectangle(ShapeRenderer2D* renderer, f32 width, f32 height, u32 color);
void shape_renderer_2d_draw_rectangle_at(ShapeRenderer2D* renderer, f32 x, f32 y, f32 width, f32 height, u32 color);
// The rectangle with corner a and size b - a.
void shape_renderer_2d_draw_rectangle_between(ShapeRenderer2D* renderer, ShapePoint a, ShapePoint b, u32 color);
void shape_renderer_2d_draw_quad(ShapeRenderer2D* renderer, ShapePoint p0, ShapePoint p1, ShapePoint p2, ShapePoint p3,
                                 u32 color);

// The vertices of a rectangle or quadrilateral for a topology (at most 8); 0 for a topology that
// makes no shapes.
u32 shape_rectangle_vertices(u32 topology, f32 x, f32 y, f32 width, f32 height, u32 color, ShapeVertex out[8]);
u32 shape_quad_vertices(u32 topology, const ShapePoint points[4], u32 color, ShapeVertex out[8]);
