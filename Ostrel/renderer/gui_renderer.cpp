// The GPU side of GUI elements: one pipeline, a projection uniform, texture sets from pools of 24
// that grow on demand, one vertex buffer per element per frame, released at the next frame begin.
#include <stddef.h>
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/gui/gui_context.h"

using namespace ostrel_vk;

namespace {

const u32 k_gui_vert_words[] = {
#include "gui.vert.spv.inc"
};
const u32 k_gui_frag_words[] = {
#include "gui.frag.spv.inc"
};

static_assert(offsetof(GuiElement, size) - offsetof(GuiElement, primitive_type) == 16,
              "the element's style block must be the fragment push-constant block");

const u32 k_vertex_stride = 16;  // x, y, u, v
const u32 k_style_bytes = 24;

}  // namespace

//-----------------------------------------------------------------------------
// Matrices and scissor
//-----------------------------------------------------------------------------

void gui_translation_matrix(f32 x, f32 y, f32 out[16]) {
    memset(out, 0, 16 * sizeof(f32));
    out[0] = out[5] = out[10] = out[15] = 1.0f;
    out[3] = x;
    out[7] = y;
}

void gui_orthographic_matrix(f32 left, f32 right, f32 top, f32 bottom, f32 near_plane, f32 far_plane, f32 out[16]) {
    memset(out, 0, 16 * sizeof(f32));
    out[0] = 2.0f / (right - left);
    out[3] = -(right + left) / (right - left);
    out[5] = 2.0f / (bottom - top);
    out[7] = -(top + bottom) / (bottom - top);
    out[10] = 1.0f / (far_plane - near_plane);
    out[11] = -near_plane / (far_plane - near_plane);
    out[15] = 1.0f;
}

static i32 to_int(f32 v) {
    // Truncation, kept inside the range Vulkan's scissor can take.
    if (!(v > 0.0f)) return 0;
    if (v >= 1073741824.0f) return 1073741824;
    return (i32)v;
}

VkRect2D gui_scissor_from_clip(GuiRect clip) {
    // Vulkan rejects negative offsets: clip the rectangle at the window's edge instead.
    f32 x0 = clip.x0 > 0.0f ? clip.x0 : 0.0f;
    f32 y0 = clip.y0 > 0.0f ? clip.y0 : 0.0f;
    VkRect2D r;
    r.offset = {to_int(x0), to_int(y0)};
    r.extent = {(u32)to_int(clip.x1 - x0), (u32)to_int(clip.y1 - y0)};
    return r;
}

void gui_set_scissor(GuiContext* ctx) {
    VkRect2D scissor = gui_scissor_from_clip(ctx->clip_rect);
    vkCmdSetScissor(ctx->command_buffer, 0, 1, &scissor);
}

//-----------------------------------------------------------------------------
// Start-up helpers
//-----------------------------------------------------------------------------

bool gui_create_placeholder_texture(const VulkanContext* vk, GuiTexture* texture) {
    const u8 texel[4] = {0, 0, 0, 255};
    TextureCreateInfo info = {};
    info.pixels = texel;
    info.width = 1;
    info.height = 1;
    info.format = VK_FORMAT_R8G8B8A8_UNORM;
    info.bytes_per_pixel = 4;
    info.physical_device = vk->physical_device;
    info.device = vk->device;
    info.queue = vk->graphics_queue;
    info.command_pool = vk->command_pool;
    return vulkan_create_texture_dedicated(&info, texture);
}

VkDescriptorPool gui_create_uniform_pool(VkDevice device, const VkAllocationCallbacks* allocation_callbacks) {
    VkDescriptorPoolSize size = {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1};
    VkDescriptorPoolCreateInfo info = {VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    info.maxSets = 1;
    info.poolSizeCount = 1;
    info.pPoolSizes = &size;
    VkDescriptorPool pool = VK_NULL_HANDLE;
    VkResult r = vkCreateDescriptorPool(device, &info, allocation_callbacks, &pool);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return VK_NULL_HANDLE;
    }
    return pool;
}

//-----------------------------------------------------------------------------
// Creation
//-----------------------------------------------------------------------------

static bool create_sampler(GuiContext* ctx) {
    VkSamplerCreateInfo info = {VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    info.magFilter = VK_FILTER_NEAREST;
    info.minFilter = VK_FILTER_NEAREST;
    info.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
    info.addressModeU = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    info.addressModeV = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    info.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    info.borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    VkResult r = vkCreateSampler(ctx->device, &info, ctx->allocation_callbacks, &ctx->sampler);
    if (r != VK_SUCCESS) {
        ctx->sampler = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create Vulkan sampler.");
        return false;
    }
    return true;
}

static bool create_gui_pipeline(GuiContext* ctx) {
    VkVertexInputBindingDescription binding = {0, k_vertex_stride, VK_VERTEX_INPUT_RATE_VERTEX};
    VkVertexInputAttributeDescription attributes[2] = {{0, 0, VK_FORMAT_R32G32_SFLOAT, 0},
                                                       {1, 0, VK_FORMAT_R32G32_SFLOAT, 8}};
    VkDescriptorSetLayout set_layouts[2] = {ctx->uniform_set_layout, ctx->texture_set_layout};
    VkPushConstantRange ranges[2] = {{VK_SHADER_STAGE_VERTEX_BIT, 0, 64},
                                     {VK_SHADER_STAGE_FRAGMENT_BIT, 64, k_style_bytes}};

    GraphicsPipelineConfig config = {};
    vulkan_pipeline_config_2d(&config, RENDER_TOPOLOGY_TRIANGLE_LIST, RENDER_POLYGON_FILL, RENDER_CULL_NONE,
                              RENDER_FRONT_FACE_CLOCKWISE);
    config.vertex_input = {VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
    config.vertex_input.vertexBindingDescriptionCount = 1;
    config.vertex_input.pVertexBindingDescriptions = &binding;
    config.vertex_input.vertexAttributeDescriptionCount = 2;
    config.vertex_input.pVertexAttributeDescriptions = attributes;
    config.layout = {VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    config.layout.setLayoutCount = 2;
    config.layout.pSetLayouts = set_layouts;
    config.layout.pushConstantRangeCount = 2;
    config.layout.pPushConstantRanges = ranges;
    config.render_pass = ctx->render_pass;
    if (vulkan_create_graphics_pipeline(ctx->device, k_gui_vert_words, (u32)OSTREL_COUNT_OF(k_gui_vert_words),
                                        k_gui_frag_words, (u32)OSTREL_COUNT_OF(k_gui_frag_words), &config,
                                        &ctx->pipeline))
        return true;
    log_error("Failed to instantiate graphics pipeline.");
    return false;
}

static bool create_uniform_buffer(GuiContext* ctx) {
    VkResult bind = VK_SUCCESS;
    if (!vulkan_create_projection_buffer(ctx->device, ctx->allocation_callbacks, ctx->uniform_arena,
                                         ctx->uniform_descriptor_set, &ctx->uniform_buffer, &ctx->uniform_memory,
                                         &ctx->uniform_offset, &bind))
        return false;
    if (bind != VK_SUCCESS) log_error("Uniform buffer's memory binding failed.");
    return true;
}

static bool create_renderer_steps(GuiContext* ctx) {
    if (!create_sampler(ctx)) return false;
    if (!vulkan_create_single_binding_layout(ctx->device, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
                                             VK_SHADER_STAGE_VERTEX_BIT, ctx->allocation_callbacks,
                                             &ctx->uniform_set_layout))
        return false;
    if (!vulkan_create_single_binding_layout(ctx->device, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER,
                                             VK_SHADER_STAGE_FRAGMENT_BIT, nullptr, &ctx->texture_set_layout))
        return false;
    if (!vulkan_allocate_descriptor_set(ctx->device, ctx->uniform_descriptor_pool, ctx->uniform_set_layout,
                                        &ctx->uniform_descriptor_set))
        return false;
    if (!create_gui_pipeline(ctx)) return false;
    return create_uniform_buffer(ctx);
}

bool gui_create_renderer(const GuiRendererConfig* config, GuiContext* ctx) {
    *ctx = {};
    ctx->placeholder_texture = config->placeholder_texture;
    ctx->device = config->device;
    ctx->allocation_callbacks = config->allocation_callbacks;
    ctx->uniform_arena = config->uniform_arena;
    ctx->first_vertex_arena = config->first_vertex_arena;
    ctx->second_vertex_arena = config->second_vertex_arena;
    ctx->uniform_descriptor_pool = config->uniform_descriptor_pool;
    ctx->render_pass = config->render_pass;
    ctx->command_buffer = config->command_buffer;
    ctx->host_allocator = config->host_allocator;
    ctx->clipboard_get = config->clipboard_get;
    ctx->clipboard_set = config->clipboard_set;
    ctx->pending_releases = dyn_array_create<PendingRelease>(config->host_allocator, 24, 24);
    ctx->texture_descriptor_pools = dyn_array_create<VkDescriptorPool>(config->host_allocator, 4, 4);
    ctx->free_texture_sets = dyn_array_create<VkDescriptorSet>(config->host_allocator, 8, 4);
    if (!create_renderer_steps(ctx)) {
        gui_destroy_renderer(ctx);
        return false;
    }
    gui_update_projection(ctx, config->viewport_x, config->viewport_y, config->viewport_width,
                          config->viewport_height);
    return true;
}

void gui_destroy_renderer(GuiContext* ctx) {
    VkDevice device = ctx->device;
    for (u32 i = 0; i < ctx->pending_releases.count; i++)
        vulkan_destroy_vertex_buffer(&ctx->pending_releases.data[i].vertex_buffer);
    ctx->pending_releases.count = 0;
    if (ctx->uniform_buffer) vkDestroyBuffer(device, ctx->uniform_buffer, ctx->allocation_callbacks);
    if (ctx->uniform_memory) device_free(ctx->uniform_arena, ctx->uniform_offset, ctx->uniform_memory);
    vulkan_destroy_pipeline(&ctx->pipeline);
    for (u32 i = 0; i < ctx->texture_descriptor_pools.count; i++)
        vkDestroyDescriptorPool(device, ctx->texture_descriptor_pools.data[i], nullptr);
    // The uniform pool holds only this set; resetting it needs no free flag on the pool.
    if (ctx->uniform_descriptor_set) vkResetDescriptorPool(device, ctx->uniform_descriptor_pool, 0);
    if (ctx->texture_set_layout) vkDestroyDescriptorSetLayout(device, ctx->texture_set_layout, nullptr);
    if (ctx->uniform_set_layout) vkDestroyDescriptorSetLayout(device, ctx->uniform_set_layout, ctx->allocation_callbacks);
    if (ctx->sampler) vkDestroySampler(device, ctx->sampler, ctx->allocation_callbacks);
    dyn_array_free(&ctx->pending_releases);
    dyn_array_free(&ctx->texture_descriptor_pools);
    dyn_array_free(&ctx->free_texture_sets);
    ctx->uniform_buffer = VK_NULL_HANDLE;
    ctx->uniform_memory = VK_NULL_HANDLE;
    ctx->uniform_descriptor_set = VK_NULL_HANDLE;
    ctx->texture_set_layout = VK_NULL_HANDLE;
    ctx->uniform_set_layout = VK_NULL_HANDLE;
    ctx->sampler = VK_NULL_HANDLE;
}

//-----------------------------------------------------------------------------
// Frames
//-----------------------------------------------------------------------------

void gui_update_projection(GuiContext* ctx, u32 x, u32 y, u32 width, u32 height) {
    if (x == ctx->viewport_x && y == ctx->viewport_y && width == ctx->viewport_width && height == ctx->viewport_height)
        return;
    // An empty rectangle (a minimised window) has no projection; keep the last one.
    if (width == 0 || height == 0 || width == x || height == y) return;
    f32 projection[16];
    gui_orthographic_matrix((f32)x, (f32)width, (f32)y, (f32)height, -1.0f, 1.0f, projection);
    if (!vulkan_upload_projection(ctx->device, ctx->uniform_memory, ctx->uniform_offset, projection)) {
        log_error("gui_vk: Failed to map memory required to upload uniform buffer.");
        return;
    }
    ctx->viewport_x = x;
    ctx->viewport_y = y;
    ctx->viewport_width = width;
    ctx->viewport_height = height;
}

void gui_begin_frame(GuiContext* ctx) {
    for (u32 i = 0; i < ctx->pending_releases.count; i++) {
        PendingRelease* p = &ctx->pending_releases.data[i];
        vulkan_destroy_vertex_buffer(&p->vertex_buffer);
        if (p->descriptor_set) dyn_array_push(&ctx->free_texture_sets, p->descriptor_set);
    }
    ctx->pending_releases.count = 0;
    VkCommandBuffer cb = ctx->command_buffer;
    vkCmdBindPipeline(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, ctx->pipeline.pipeline);
    vulkan_set_viewport(cb, ctx->viewport_x, ctx->viewport_y, ctx->viewport_width, ctx->viewport_height);
    ctx->clip_rect.x1 = (f32)ctx->viewport_width;
    ctx->clip_rect.y1 = (f32)ctx->viewport_height;
    gui_set_scissor(ctx);
    vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, ctx->pipeline.layout, 0, 1,
                            &ctx->uniform_descriptor_set, 0, nullptr);
}

//-----------------------------------------------------------------------------
// Texture sets
//-----------------------------------------------------------------------------

static bool add_descriptor_pool(GuiContext* ctx) {
    u32 index = ctx->texture_descriptor_pools.count;
    VkDescriptorPoolSize size = {VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, GUI_TEXTURE_SETS_PER_POOL};
    VkDescriptorPoolCreateInfo info = {VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    info.maxSets = GUI_TEXTURE_SETS_PER_POOL;
    info.poolSizeCount = 1;
    info.pPoolSizes = &size;
    VkDescriptorPool pool = VK_NULL_HANDLE;
    VkResult r = vkCreateDescriptorPool(ctx->device, &info, nullptr, &pool);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        log_error("Failed to create GUI descriptor pool at index %.", index);
        return false;
    }
    VkDescriptorSetLayout layouts[GUI_TEXTURE_SETS_PER_POOL];
    for (u32 i = 0; i < GUI_TEXTURE_SETS_PER_POOL; i++) layouts[i] = ctx->texture_set_layout;
    dyn_array_reserve_more(&ctx->free_texture_sets, GUI_TEXTURE_SETS_PER_POOL);
    VkDescriptorSetAllocateInfo allocate = {VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    allocate.descriptorPool = pool;
    allocate.descriptorSetCount = GUI_TEXTURE_SETS_PER_POOL;
    allocate.pSetLayouts = layouts;
    r = vkAllocateDescriptorSets(ctx->device, &allocate,
                                 ctx->free_texture_sets.data + ctx->free_texture_sets.count);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        log_error("Failed to create GUI descriptor sets at index %.", index);
        vkDestroyDescriptorPool(ctx->device, pool, nullptr);
        return false;
    }
    ctx->free_texture_sets.count += GUI_TEXTURE_SETS_PER_POOL;
    dyn_array_push(&ctx->texture_descriptor_pools, pool);
    return true;
}

// Null when no pool could be added: the element is given up for this frame instead of retrying
// forever.
static VkDescriptorSet take_texture_set(GuiContext* ctx) {
    if (ctx->free_texture_sets.count == 0 && !add_descriptor_pool(ctx)) return VK_NULL_HANDLE;
    return ctx->free_texture_sets.data[--ctx->free_texture_sets.count];
}

static DeviceAllocator* vertex_arena(GuiContext* ctx, GuiVertexArena arena) {
    return arena == GUI_VERTEX_ARENA_SECOND ? ctx->second_vertex_arena : ctx->first_vertex_arena;
}

static void make_vertex_buffer(GuiElement* e, const f32* vertices, u32 vertex_count, GuiVertexArena arena) {
    GuiContext* ctx = e->context;
    VertexBufferDesc desc = {};
    desc.vertices = vertices;
    desc.stride = k_vertex_stride;
    desc.vertex_count = vertex_count;
    desc.device = ctx->device;
    desc.allocation_callbacks = ctx->allocation_callbacks;
    desc.arena = vertex_arena(ctx, arena);
    e->vertex_buffer = vulkan_create_vertex_buffer(&desc);
}

void gui_prepare_element(GuiElement* e, GuiVertexArena arena) {
    e->vertex_buffer = VertexBuffer{};
    e->descriptor_set = take_texture_set(e->context);
    if (!e->descriptor_set) return;
    e->texture_dirty = 1;  // a set taken now holds whatever its last element wrote
    f32 w = e->size[0], h = e->size[1];
    // v = 1 on the top edge: the fragment shader measures corners from the bottom-left.
    const f32 vertices[6 * 4] = {
        0, 0, 0, 1,  //
        w, 0, 1, 1,  //
        0, h, 0, 0,  //
        0, h, 0, 0,  //
        w, 0, 1, 1,  //
        w, h, 1, 0,  //
    };
    make_vertex_buffer(e, vertices, 6, arena);
}

void gui_prepare_text_element(GuiElement* e, GuiVertexArena arena) {
    e->vertex_buffer = VertexBuffer{};
    e->descriptor_set = take_texture_set(e->context);
    if (!e->descriptor_set) return;
    e->texture_dirty = 1;  // a set taken now holds whatever its last element wrote
    make_vertex_buffer(e, e->text_layout.vertices, e->text_layout.vertex_count, arena);
}

static void write_texture(GuiContext* ctx, VkDescriptorSet set, const GuiTexture* texture) {
    VkDescriptorImageInfo image = {ctx->sampler, texture->view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
    VkWriteDescriptorSet write = {VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
    write.dstSet = set;
    write.dstBinding = 0;
    write.descriptorCount = 1;
    write.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
    write.pImageInfo = &image;
    vkUpdateDescriptorSets(ctx->device, 1, &write, 0, nullptr);
}

static void record_draw(GuiElement* e) {
    GuiContext* ctx = e->context;
    GuiPoint p = gui_absolute_position(&e->node);
    gui_translation_matrix(p.x, p.y, e->transform);
    VkCommandBuffer cb = ctx->command_buffer;
    vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, ctx->pipeline.layout, 1, 1, &e->descriptor_set, 0,
                            nullptr);
    vkCmdPushConstants(cb, ctx->pipeline.layout, VK_SHADER_STAGE_VERTEX_BIT, 0, 64, e->transform);
    vkCmdPushConstants(cb, ctx->pipeline.layout, VK_SHADER_STAGE_FRAGMENT_BIT, 64, k_style_bytes, &e->primitive_type);
    vulkan_draw_vertex_buffer(&e->vertex_buffer, 1, cb);
}

void gui_draw_element(GuiElement* e) {
    if (!e->descriptor_set || e->vertex_buffer.vertex_count == 0) return;
    if (e->texture_dirty) {
        if (gui_texture_is_none(&e->texture)) {
            write_texture(e->context, e->descriptor_set, &e->context->placeholder_texture);
            e->use_texture = 0;
        } else {
            write_texture(e->context, e->descriptor_set, &e->texture);
            e->use_texture = 1;
        }
        e->texture_dirty = 0;
    }
    record_draw(e);
}

void gui_draw_text_element(GuiElement* e) {
    // A text without its atlas (a failed upload) has nothing to sample: draw nothing.
    if (!e->descriptor_set || e->vertex_buffer.vertex_count == 0 || gui_texture_is_none(&e->texture)) return;
    if (e->texture_dirty) {
        write_texture(e->context, e->descriptor_set, &e->texture);
        e->use_texture = 1;
        e->texture_dirty = 0;
    }
    record_draw(e);
}

void gui_release_element(GuiElement* e) {
    dyn_array_push(&e->context->pending_releases, PendingRelease{e->vertex_buffer, e->descriptor_set});
}

void gui_release_text_element(GuiElement* e) { gui_release_element(e); }
