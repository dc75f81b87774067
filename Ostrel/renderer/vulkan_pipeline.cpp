// The graphics-pipeline routine shared by the GUI renderer and the shape renderer, and the
// engine's own names for pipeline state.
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/renderer.h"

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
