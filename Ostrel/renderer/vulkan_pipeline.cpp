// The graphics-pipeline routine shared by the GUI renderer and the shape renderer, the state and
// projection uniform both keep, and the engine's own names for pipeline state.
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

VkPrimitiveTopology vulkan_topology(u32 topology) {
    switch (topology) {
        case RENDER_TOPOLOGY_TRIANGLE_STRIP: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
        case RENDER_TOPOLOGY_POINT_LIST: return VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
        case RENDER_TOPOLOGY_LINE_LIST: return VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
        default: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    }
}

VkPolygonMode vulkan_polygon_mode(u32 polygon_mode) {
    switch (polygon_mode) {
        case RENDER_POLYGON_LINE: return VK_POLYGON_MODE_LINE;
        case RENDER_POLYGON_FILL: return VK_POLYGON_MODE_FILL;
        default: return VK_POLYGON_MODE_POINT;
    }
}

VkCullModeFlags vulkan_cull_mode(u32 cull_mode) {
    switch (cull_mode) {
        case RENDER_CULL_FRONT: return VK_CULL_MODE_FRONT_BIT;
        case RENDER_CULL_BACK: return VK_CULL_MODE_BACK_BIT;
        case RENDER_CULL_FRONT_AND_BACK: return VK_CULL_MODE_FRONT_AND_BACK;
        default: return VK_CULL_MODE_NONE;
    }
}

VkFrontFace vulkan_front_face(u32 front_face) {
    return front_face == RENDER_FRONT_FACE_COUNTER_CLOCKWISE ? VK_FRONT_FACE_COUNTER_CLOCKWISE
                                                             : VK_FRONT_FACE_CLOCKWISE;
}

static bool create_shader_module(VkDevice device, const u32* words, u32 word_count, VkShaderModule* module) {
    VkShaderModuleCreateInfo info = {VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
    info.codeSize = (size_t)word_count * 4;
    info.pCode = words;
    VkResult r = vkCreateShaderModule(device, &info, nullptr, module);
    if (r != VK_SUCCESS) {
        *module = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan shader module: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

bool vulkan_create_graphics_pipeline(VkDevice device, const u32* vertex_words, u32 vertex_word_count,
                                     const u32* fragment_words, u32 fragment_word_count, GraphicsPipelineConfig* config,
                                     PipelineHandles* pipeline) {
    *pipeline = PipelineHandles{device, VK_NULL_HANDLE, VK_NULL_HANDLE};
    VkShaderModule vertex = VK_NULL_HANDLE, fragment = VK_NULL_HANDLE;
    bool ok = create_shader_module(device, vertex_words, vertex_word_count, &vertex) &&
              create_shader_module(device, fragment_words, fragment_word_count, &fragment);
    if (ok) {
        config->shader_stages[0] = {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO};
        config->shader_stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
        config->shader_stages[0].module = vertex;
        config->shader_stages[0].pName = "main";
        config->shader_stages[1] = {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO};
        config->shader_stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
        config->shader_stages[1].module = fragment;
        config->shader_stages[1].pName = "main";
        VkResult r = vkCreatePipelineLayout(device, &config->layout, nullptr, &pipeline->layout);
        if (r != VK_SUCCESS) {
            pipeline->layout = VK_NULL_HANDLE;
            log_error("Failed to create Vulkan pipeline layout: %", vulkan_result_description(r));
            ok = false;
        }
    }
    if (ok) {
        config->color_blend.attachmentCount = 1;
        config->color_blend.pAttachments = &config->color_blend_attachment;
        VkGraphicsPipelineCreateInfo info = {VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
        info.stageCount = 2;
        info.pStages = config->shader_stages;
        info.pVertexInputState = &config->vertex_input;
        info.pInputAssemblyState = &config->input_assembly;
        info.pViewportState = &config->viewport;
        info.pRasterizationState = &config->rasterization;
        info.pMultisampleState = &config->multisample;
        info.pDepthStencilState = &config->depth_stencil;
        info.pColorBlendState = &config->color_blend;
        info.pDynamicState = &config->dynamic_state;
        info.layout = pipeline->layout;
        info.renderPass = config->render_pass;
        info.subpass = 0;
        info.basePipelineIndex = -1;
        VkResult r = vkCreateGraphicsPipelines(device, VK_NULL_HANDLE, 1, &info, nullptr, &pipeline->pipeline);
        if (r != VK_SUCCESS) {
            pipeline->pipeline = VK_NULL_HANDLE;
            log_error("Failed to create Vulkan graphics pipeline: %", vulkan_result_description(r));
            vkDestroyPipelineLayout(device, pipeline->layout, nullptr);
            pipeline->layout = VK_NULL_HANDLE;
            ok = false;
        }
    }
    if (vertex) vkDestroyShaderModule(device, vertex, nullptr);
    if (fragment) vkDestroyShaderModule(device, fragment, nullptr);
    config->shader_stages[0].module = VK_NULL_HANDLE;
    config->shader_stages[1].module = VK_NULL_HANDLE;
    return ok;
}

void vulkan_destroy_pipeline(PipelineHandles* pipeline) {
    if (pipeline->pipeline) vkDestroyPipeline(pipeline->device, pipeline->pipeline, nullptr);
    if (pipeline->layout) vkDestroyPipelineLayout(pipeline->device, pipeline->layout, nullptr);
    pipeline->pipeline = VK_NULL_HANDLE;
    pipeline->layout = VK_NULL_HANDLE;
}

void vulkan_pipeline_config_2d(GraphicsPipelineConfig* config, u32 topology, u32 polygon_mode, u32 cull_mode,
                               u32 front_face) {
    static const VkDynamicState k_dynamic[2] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
    config->input_assembly = {VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
    config->input_assembly.topology = vulkan_topology(topology);
    config->viewport = {VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
    config->viewport.viewportCount = 1;
    config->viewport.scissorCount = 1;
    config->rasterization = {VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
    config->rasterization.polygonMode = vulkan_polygon_mode(polygon_mode);
    config->rasterization.cullMode = vulkan_cull_mode(cull_mode);
    config->rasterization.frontFace = vulkan_front_face(front_face);
    config->rasterization.lineWidth = 1.0f;
    config->multisample = {VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
    config->multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    config->multisample.minSampleShading = 1.0f;
    VkPipelineColorBlendAttachmentState* blend = &config->color_blend_attachment;
    *blend = {};
    blend->blendEnable = VK_TRUE;
    blend->srcColorBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    blend->dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    blend->colorBlendOp = VK_BLEND_OP_ADD;
    blend->srcAlphaBlendFactor = VK_BLEND_FACTOR_ONE;
    blend->dstAlphaBlendFactor = VK_BLEND_FACTOR_ZERO;
    blend->alphaBlendOp = VK_BLEND_OP_ADD;
    blend->colorWriteMask =
        VK_COLOR_COMPONENT_R_BIT | VK_COLOR_COMPONENT_G_BIT | VK_COLOR_COMPONENT_B_BIT | VK_COLOR_COMPONENT_A_BIT;
    config->color_blend = {VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
    config->dynamic_state = {VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO};
    config->dynamic_state.dynamicStateCount = 2;
    config->dynamic_state.pDynamicStates = k_dynamic;
    config->depth_stencil = {VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO};
    config->depth_stencil.depthTestEnable = VK_TRUE;
    config->depth_stencil.depthWriteEnable = VK_TRUE;
    config->depth_stencil.depthCompareOp = VK_COMPARE_OP_LESS_OR_EQUAL;
    config->depth_stencil.minDepthBounds = 0.0f;
    config->depth_stencil.maxDepthBounds = 1.0f;
}

void vulkan_set_viewport(VkCommandBuffer command_buffer, u32 x, u32 y, u32 width, u32 height) {
    VkViewport viewport = {};
    viewport.x = (f32)x;
    viewport.y = (f32)y;
    viewport.width = (f32)(width ? width : 1);
    viewport.height = (f32)(height ? height : 1);
    viewport.minDepth = 0.0f;
    viewport.maxDepth = 1.0f;
    vkCmdSetViewport(command_buffer, 0, 1, &viewport);
}

//-----------------------------------------------------------------------------
// Projection uniform
//-----------------------------------------------------------------------------

bool vulkan_create_single_binding_layout(VkDevice device, VkDescriptorType type, VkShaderStageFlags stage,
                                         const VkAllocationCallbacks* callbacks, VkDescriptorSetLayout* layout) {
    VkDescriptorSetLayoutBinding binding = {};
    binding.binding = 0;
    binding.descriptorType = type;
    binding.descriptorCount = 1;
    binding.stageFlags = stage;
    VkDescriptorSetLayoutCreateInfo info = {VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
    info.bindingCount = 1;
    info.pBindings = &binding;
    VkResult r = vkCreateDescriptorSetLayout(device, &info, callbacks, layout);
    if (r != VK_SUCCESS) {
        *layout = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create descriptor set layout.");
        return false;
    }
    return true;
}

bool vulkan_allocate_descriptor_set(VkDevice device, VkDescriptorPool pool, VkDescriptorSetLayout layout,
                                    VkDescriptorSet* set) {
    VkDescriptorSetAllocateInfo info = {VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    info.descriptorPool = pool;
    info.descriptorSetCount = 1;
    info.pSetLayouts = &layout;
    VkResult r = vkAllocateDescriptorSets(device, &info, set);
    if (r != VK_SUCCESS) {
        *set = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create descriptor set.");
        return false;
    }
    return true;
}

bool vulkan_create_projection_buffer(VkDevice device, const VkAllocationCallbacks* callbacks, DeviceAllocator* arena,
                                     VkDescriptorSet set, VkBuffer* buffer, VkDeviceMemory* memory, u64* offset,
                                     VkResult* bind_result) {
    VkBufferCreateInfo info = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = VULKAN_PROJECTION_BYTES;
    info.usage = VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkResult r = vkCreateBuffer(device, &info, callbacks, buffer);
    if (r != VK_SUCCESS) {
        *buffer = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(device, *buffer, &requirements);
    *offset = device_allocate(arena, requirements, memory);
    if (*offset == DEVICE_ALLOCATION_FAILED) {
        vkDestroyBuffer(device, *buffer, callbacks);
        *buffer = VK_NULL_HANDLE;
        *memory = VK_NULL_HANDLE;
        *offset = 0;
        return false;
    }
    *bind_result = vkBindBufferMemory(device, *buffer, *memory, *offset);
    if (*bind_result != VK_SUCCESS) vulkan_log_call_failed(*bind_result);
    VkDescriptorBufferInfo whole = {*buffer, 0, VULKAN_PROJECTION_BYTES};
    VkWriteDescriptorSet write = {VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
    write.dstSet = set;
    write.dstBinding = 0;
    write.descriptorCount = 1;
    write.descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
    write.pBufferInfo = &whole;
    vkUpdateDescriptorSets(device, 1, &write, 0, nullptr);
    return true;
}

bool vulkan_upload_projection(VkDevice device, VkDeviceMemory memory, u64 offset, const f32 projection[16]) {
    void* mapped = nullptr;
    VkResult r = vkMapMemory(device, memory, offset, VULKAN_PROJECTION_BYTES, 0, &mapped);
    if (r != VK_SUCCESS || !mapped) {
        vulkan_log_call_failed(r);
        return false;
    }
    memcpy(mapped, projection, VULKAN_PROJECTION_BYTES);
    vkUnmapMemory(device, memory);
    return true;
}
