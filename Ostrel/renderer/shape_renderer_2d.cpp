// One pipeline for flat-coloured shapes, a projection uniform in the first arena, and the shapes
// drawn in a frame kept until the next begin, when the frame's fence has been waited on.
#include "Ostrel/renderer/shape_renderer_2d.h"
#include <stddef.h>
#include "Ostrel/core/log.h"

using namespace ostrel_vk;

namespace {

const u32 k_shape_vert_words[] = {
#include "shape_renderer_2d.vert.spv.inc"
};
const u32 k_shape_frag_words[] = {
#include "shape_renderer_2d.frag.spv.inc"
};

static_assert(sizeof(ShapeVertex) == 12 && offsetof(ShapeVertex, color) == 8, "shape vertex layout");

const u32 k_drawn_shapes_step = 24;

}  // namespace

//-----------------------------------------------------------------------------
// Vertices
//-----------------------------------------------------------------------------

u32 shape_quad_vertices(u32 topology, const ShapePoint p[4], u32 color, ShapeVertex out[8]) {
    if (topology == RENDER_TOPOLOGY_TRIANGLE_LIST) {
        const u32 order[6] = {0, 1, 2, 0, 2, 3};
        for (u32 i = 0; i < 6; i++) out[i] = ShapeVertex{p[order[i]].x, p[order[i]].y, color};
        return 6;
    }
    if (topology == RENDER_TOPOLOGY_LINE_LIST) {
        for (u32 edge = 0; edge < 4; edge++) {
            const ShapePoint& from = p[edge];
            const ShapePoint& to = p[(edge + 1) % 4];
            out[edge * 2] = ShapeVertex{from.x, from.y, color};
            out[edge * 2 + 1] = ShapeVertex{to.x, to.y, color};
        }
        return 8;
    }
    return 0;
}

u32 shape_rectangle_vertices(u32 topology, f32 x, f32 y, f32 width, f32 height, u32 color, ShapeVertex out[8]) {
    const ShapePoint corners[4] = {{x, y}, {x, y + height}, {x + width, y + height}, {x + width, y}};
    return shape_quad_vertices(topology, corners, color, out);
}

static VertexBuffer make_buffer(ShapeRenderer2D* r, const ShapeVertex* vertices, u32 count, DeviceAllocator* arena) {
    if (count == 0) return VertexBuffer{};
    VertexBufferDesc desc = {};
    desc.vertices = vertices;
    desc.stride = sizeof(ShapeVertex);
    desc.vertex_count = count;
    desc.device = r->device;
    desc.allocation_callbacks = r->allocation_callbacks;
    desc.arena = arena;
    return vulkan_create_vertex_buffer(&desc);
}

static void draw_and_keep(ShapeRenderer2D* r, const ShapeVertex* vertices, u32 count) {
    VertexBuffer buffer = make_buffer(r, vertices, count, r->second_arena);
    // No geometry (another topology) or a failed buffer: nothing to draw or to destroy later.
    if (buffer.vertex_count == 0) return;
    vulkan_draw_vertex_buffer(&buffer, 1, r->command_buffer);
    dyn_array_push(&r->drawn_shapes, buffer);
}

//-----------------------------------------------------------------------------
// Creation and destruction
//-----------------------------------------------------------------------------

static bool create_pipeline(ShapeRenderer2D* r) {
    VkVertexInputBindingDescription binding = {0, sizeof(ShapeVertex), VK_VERTEX_INPUT_RATE_VERTEX};
    VkVertexInputAttributeDescription attributes[2] = {{0, 0, VK_FORMAT_R32G32_SFLOAT, offsetof(ShapeVertex, x)},
                                                       {1, 0, VK_FORMAT_R32_UINT, offsetof(ShapeVertex, color)}};
    VkPushConstantRange range = {VK_SHADER_STAGE_VERTEX_BIT, 0, 64};

    GraphicsPipelineConfig config = {};
    vulkan_pipeline_config_2d(&config, r->topology, r->polygon_mode, r->cull_mode, r->front_face);
    config.vertex_input = {VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
    config.vertex_input.vertexBindingDescriptionCount = 1;
    config.vertex_input.pVertexBindingDescriptions = &binding;
    config.vertex_input.vertexAttributeDescriptionCount = 2;
    config.vertex_input.pVertexAttributeDescriptions = attributes;
    config.layout = {VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    config.layout.setLayoutCount = 1;
    config.layout.pSetLayouts = &r->uniform_set_layout;
    config.layout.pushConstantRangeCount = 1;
    config.layout.pPushConstantRanges = &range;
    config.render_pass = r->render_pass;
    if (vulkan_create_graphics_pipeline(r->device, k_shape_vert_words, (u32)OSTREL_COUNT_OF(k_shape_vert_words),
                                        k_shape_frag_words, (u32)OSTREL_COUNT_OF(k_shape_frag_words), &config,
                                        &r->pipeline))
        return true;
    log_error("Failed to instantiate graphics pipeline.");
    return false;
}

static bool create_uniform(ShapeRenderer2D* r) {
    if (!vulkan_create_single_binding_layout(r->device, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, VK_SHADER_STAGE_VERTEX_BIT,
                                             r->allocation_callbacks, &r->uniform_set_layout))
        return false;
    return vulkan_allocate_descriptor_set(r->device, r->descriptor_pool, r->uniform_set_layout,
                                          &r->uniform_descriptor_set);
}

// Everything that exists, in the reverse order of creation; handles are zeroed.
static void release(ShapeRenderer2D* r) {
    for (u32 i = 0; i < r->drawn_shapes.count; i++) vulkan_destroy_vertex_buffer(&r->drawn_shapes.data[i]);
    r->drawn_shapes.count = 0;
    if (r->uniform_memory) device_free(r->first_arena, r->uniform_offset, r->uniform_memory);
    if (r->uniform_buffer) vkDestroyBuffer(r->device, r->uniform_buffer, r->allocation_callbacks);
    r->uniform_buffer = VK_NULL_HANDLE;
    r->uniform_memory = VK_NULL_HANDLE;
    r->uniform_offset = 0;
    vulkan_destroy_pipeline(&r->pipeline);
    // The pool holds this set alone; resetting it frees the set without asking the pool for the
    // free-descriptor-set flag.
    if (r->uniform_descriptor_set) vkResetDescriptorPool(r->device, r->descriptor_pool, 0);
    r->uniform_descriptor_set = VK_NULL_HANDLE;
    if (r->uniform_set_layout) vkDestroyDescriptorSetLayout(r->device, r->uniform_set_layout, r->allocation_callbacks);
    r->uniform_set_layout = VK_NULL_HANDLE;
    dyn_array_free(&r->drawn_shapes);
}

bool shape_renderer_2d_create(const ShapeRenderer2DConfig* config, ShapeRenderer2D* r) {
    *r = {};
    if (config->polygon_mode != RENDER_POLYGON_FILL && !config->fill_mode_non_solid) {
        log_error("Shape renderer: point and line polygon modes need the fillModeNonSolid device feature, which "
                  "this device lacks.");
        return false;
    }
    r->viewport_x = config->viewport_x;
    r->viewport_y = config->viewport_y;
    r->viewport_width = config->viewport_width;
    r->viewport_height = config->viewport_height;
    r->topology = config->topology;
    r->polygon_mode = config->polygon_mode;
    r->cull_mode = config->cull_mode;
    r->front_face = config->front_face;
    r->device = config->device;
    r->allocation_callbacks = config->allocation_callbacks;
    r->first_arena = config->first_arena;
    r->second_arena = config->second_arena;
    r->descriptor_pool = config->descriptor_pool;
    r->render_pass = config->render_pass;
    r->command_buffer = config->command_buffer;
    r->pipeline.device = config->device;
    r->drawn_shapes = dyn_array_create<VertexBuffer>(config->host_allocator, k_drawn_shapes_step, k_drawn_shapes_step);
    VkResult bind = VK_SUCCESS;
    bool ok = create_uniform(r) && create_pipeline(r) &&
              vulkan_create_projection_buffer(r->device, r->allocation_callbacks, r->first_arena,
                                              r->uniform_descriptor_set, &r->uniform_buffer, &r->uniform_memory,
                                              &r->uniform_offset, &bind);
    if (!ok) {
        release(r);
        return false;
    }
    vulkan_upload_projection(r->device, r->uniform_memory, r->uniform_offset, config->projection);
    return true;
}

void shape_renderer_2d_destroy(ShapeRenderer2D* r) { release(r); }

void shape_renderer_2d_set_view(ShapeRenderer2D* r, u32 x, u32 y, u32 width, u32 height, const f32 projection[16]) {
    r->viewport_x = x;
    r->viewport_y = y;
    r->viewport_width = width;
    r->viewport_height = height;
    vulkan_upload_projection(r->device, r->uniform_memory, r->uniform_offset, projection);
}

//-----------------------------------------------------------------------------
// Frames
//-----------------------------------------------------------------------------

void shape_renderer_2d_begin(ShapeRenderer2D* r) {
    for (u32 i = 0; i < r->drawn_shapes.count; i++) vulkan_destroy_vertex_buffer(&r->drawn_shapes.data[i]);
    r->drawn_shapes.count = 0;
    VkCommandBuffer cb = r->command_buffer;
    vkCmdBindPipeline(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, r->pipeline.pipeline);
    vulkan_set_viewport(cb, r->viewport_x, r->viewport_y, r->viewport_width, r->viewport_height);
    VkRect2D scissor = {{0, 0}, {r->viewport_width, r->viewport_height}};
    vkCmdSetScissor(cb, 0, 1, &scissor);
    vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, r->pipeline.layout, 0, 1, &r->uniform_descriptor_set,
                            0, nullptr);
}

VertexBuffer shape_renderer_2d_rectangle(ShapeRenderer2D* r, f32 width, f32 height, u32 color) {
    ShapeVertex vertices[8];
    u32 count = shape_rectangle_vertices(r->topology, 0, 0, width, height, color, vertices);
    return make_buffer(r, vertices, count, r->first_arena);
}

void shape_renderer_2d_draw_rectangle(ShapeRenderer2D* r, f32 width, f32 height, u32 color) {
    shape_renderer_2d_draw_rectangle_at(r, 0, 0, width, height, color);
}

void shape_renderer_2d_draw_rectangle_at(ShapeRenderer2D* r, f32 x, f32 y, f32 width, f32 height, u32 color) {
    ShapeVertex vertices[8];
    u32 count = shape_rectangle_vertices(r->topology, x, y, width, height, color, vertices);
    draw_and_keep(r, vertices, count);
}

void shape_renderer_2d_draw_rectangle_between(ShapeRenderer2D* r, ShapePoint a, ShapePoint b, u32 color) {
    shape_renderer_2d_draw_rectangle_at(r, a.x, a.y, b.x - a.x, b.y - a.y, color);
}

void shape_renderer_2d_draw_quad(ShapeRenderer2D* r, ShapePoint p0, ShapePoint p1, ShapePoint p2, ShapePoint p3,
                                 u32 color) {
    const ShapePoint points[4] = {p0, p1, p2, p3};
    ShapeVertex vertices[8];
    u32 count = shape_quad_vertices(r->topology, points, color, vertices);
    draw_and_keep(r, vertices, count);
}
