// Device memory arenas, vertex buffers, textures and one-shot command submissions.
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

//-----------------------------------------------------------------------------
// Arenas
//-----------------------------------------------------------------------------

bool vulkan_find_memory_type(const VkPhysicalDeviceMemoryProperties* properties, u32 type_bits,
                             VkMemoryPropertyFlags flags, u32* index) {
    for (u32 i = 0; i < properties->memoryTypeCount && i < 32; i++) {
        if ((type_bits & (1u << i)) && (properties->memoryTypes[i].propertyFlags & flags) == flags) {
            *index = i;
            return true;
        }
    }
    return false;
}

bool vulkan_find_memory_type_on_device(VkPhysicalDevice device, u32 type_bits, VkMemoryPropertyFlags flags,
                                       u32* index) {
    VkPhysicalDeviceMemoryProperties properties;
    vkGetPhysicalDeviceMemoryProperties(device, &properties);
    return vulkan_find_memory_type(&properties, type_bits, flags, index);
}

VkDeviceMemory vulkan_internal_allocate_dedicated(VkPhysicalDevice physical_device, VkDevice device,
                                                  VkMemoryRequirements requirements, VkMemoryPropertyFlags flags,
                                                  const VkAllocationCallbacks* callbacks) {
    u32 type = 0;
    if (!vulkan_find_memory_type_on_device(physical_device, requirements.memoryTypeBits, flags, &type)) {
        log_error("Could not find a memory type that matches the given requirements.");
        return VK_NULL_HANDLE;
    }
    VkMemoryAllocateInfo info = {VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
    info.allocationSize = requirements.size;
    info.memoryTypeIndex = type;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    VkResult r = vkAllocateMemory(device, &info, callbacks, &memory);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return VK_NULL_HANDLE;
    }
    return memory;
}

bool memtarn_arena_create(VkDevice device, u64 block_size, VkMemoryPropertyFlags property_flags,
                          const VkPhysicalDeviceMemoryProperties* memory_properties,
                          const VkAllocationCallbacks* allocation_callbacks, Allocator* allocator, MemtarnArena* arena) {
    *arena = {};
    arena->device = device;
    arena->block_size = block_size;
    arena->property_flags = property_flags;
    arena->memory_properties = memory_properties;
    arena->allocation_callbacks = allocation_callbacks;
    u32 types = memory_properties->memoryTypeCount;
    arena->blocks = dyn_array_create<VkDeviceMemory>(allocator, types, 0);
    arena->offsets = dyn_array_create<u64>(allocator, types, 0);
    for (u32 i = 0; i < types; i++) {
        arena->blocks.data[i] = VK_NULL_HANDLE;
        arena->offsets.data[i] = 0;
    }
    arena->blocks.count = types;
    arena->offsets.count = types;
    arena->interface = memtarn_arena_interface(arena);  // valid while the record stays where it is
    return true;
}

static u64 arena_allocate_callback(void* context, VkMemoryRequirements requirements, VkDeviceMemory* memory) {
    return memtarn_arena_allocate((MemtarnArena*)context, requirements, memory);
}
static void arena_free_callback(void*, u64, VkDeviceMemory) {}

DeviceAllocator memtarn_arena_interface(MemtarnArena* arena) {
    return DeviceAllocator{arena, arena_allocate_callback, arena_free_callback};
}

u64 memtarn_arena_allocate(MemtarnArena* arena, VkMemoryRequirements requirements, VkDeviceMemory* memory) {
    u32 type = 0;
    if (!vulkan_find_memory_type(arena->memory_properties, requirements.memoryTypeBits, arena->property_flags, &type)) {
        log_error("Could not find a memory type that matches the given requirements.");
        return DEVICE_ALLOCATION_FAILED;
    }
    VkDeviceMemory* block = &arena->blocks.data[type];
    if (*block == VK_NULL_HANDLE) {
        VkMemoryAllocateInfo info = {VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
        info.allocationSize = arena->block_size;
        info.memoryTypeIndex = type;
        VkResult r = vkAllocateMemory(arena->device, &info, arena->allocation_callbacks, block);
        if (r != VK_SUCCESS) {
            *block = VK_NULL_HANDLE;
            vulkan_log_call_failed(r);
            log_error("Memtarn allocation failed.");
            return DEVICE_ALLOCATION_FAILED;
        }
    }
    u64 alignment = requirements.alignment ? requirements.alignment : 1;
    u64 offset = arena->offsets.data[type];
    u64 aligned = (offset + alignment - 1) & ~(alignment - 1);
    // end = aligned + size must stay strictly below the block size (written so it cannot overflow).
    if (aligned < arena->block_size && requirements.size < arena->block_size - aligned) {
        arena->offsets.data[type] = aligned + requirements.size;
        *memory = *block;
        return aligned;
    }
    log_error("Failed to allocate from device memory arena because it's full, size:%, alignment:%, offset:%.",
              (u64)requirements.size, (u64)requirements.alignment, offset);
    return DEVICE_ALLOCATION_FAILED;
}

void memtarn_arena_reset(MemtarnArena* arena) {
    for (u32 i = 0; i < arena->offsets.count; i++) arena->offsets.data[i] = 0;
}

void memtarn_arena_destroy(MemtarnArena* arena) {
    for (u32 i = 0; i < arena->blocks.count; i++)
        if (arena->blocks.data[i]) vkFreeMemory(arena->device, arena->blocks.data[i], arena->allocation_callbacks);
    dyn_array_free(&arena->blocks);
    dyn_array_free(&arena->offsets);
}

//-----------------------------------------------------------------------------
// Vertex buffers
//-----------------------------------------------------------------------------

VertexBuffer vulkan_create_vertex_buffer(const VertexBufferDesc* desc) {
    VertexBuffer vb = {};
    vb.device = desc->device;
    vb.allocation_callbacks = desc->allocation_callbacks;
    vb.arena = desc->arena;
    u64 size = (u64)desc->vertex_count * desc->stride;
    if (size == 0 || !desc->vertices) return vb;  // nothing to draw (an empty text, say)

    VkBufferCreateInfo info = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = VK_BUFFER_USAGE_VERTEX_BUFFER_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkResult r = vkCreateBuffer(desc->device, &info, desc->allocation_callbacks, &vb.buffer);
    if (r != VK_SUCCESS) {
        vb.buffer = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Vertex buffer's VkBuffer creation failed.");
        return vb;
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(desc->device, vb.buffer, &requirements);
    vb.offset = device_allocate(desc->arena, requirements, &vb.memory);
    void* mapped = nullptr;
    bool ok = vb.offset != DEVICE_ALLOCATION_FAILED;
    if (ok) {
        r = vkBindBufferMemory(desc->device, vb.buffer, vb.memory, vb.offset);
        if (r != VK_SUCCESS) {
            vulkan_log_call_failed(r);
            log_error("Vertex buffer's memory binding failed.");
            ok = false;
        }
    }
    if (ok) {
        r = vkMapMemory(desc->device, vb.memory, vb.offset, size, 0, &mapped);
        if (r != VK_SUCCESS || !mapped) {
            vulkan_log_call_failed(r);
            log_error("Vertex buffer's vkMapMemory failed.");
            ok = false;
        }
    }
    if (!ok) {
        // A record that a draw would use must not survive a failed step.
        vkDestroyBuffer(desc->device, vb.buffer, desc->allocation_callbacks);
        vb.buffer = VK_NULL_HANDLE;
        vb.memory = VK_NULL_HANDLE;
        vb.offset = 0;
        return vb;
    }
    memcpy(mapped, desc->vertices, (size_t)size);
    vkUnmapMemory(desc->device, vb.memory);
    vb.vertex_count = desc->vertex_count;
    return vb;
}

void vulkan_draw_vertex_buffer(const VertexBuffer* buffer, u32 instance_count, VkCommandBuffer command_buffer) {
    if (buffer->vertex_count == 0 || buffer->buffer == VK_NULL_HANDLE) return;
    VkDeviceSize offset = 0;
    vkCmdBindVertexBuffers(command_buffer, 0, 1, &buffer->buffer, &offset);
    vkCmdDraw(command_buffer, buffer->vertex_count, instance_count, 0, 0);
}

void vulkan_destroy_vertex_buffer(VertexBuffer* buffer) {
    if (buffer->buffer) vkDestroyBuffer(buffer->device, buffer->buffer, buffer->allocation_callbacks);
    buffer->buffer = VK_NULL_HANDLE;
    buffer->vertex_count = 0;
}

//-----------------------------------------------------------------------------
// One-shot commands, transitions and copies
//-----------------------------------------------------------------------------

VkCommandBuffer vulkan_begin_one_shot_commands(VkDevice device, VkCommandPool pool) {
    VkCommandBufferAllocateInfo info = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    info.commandPool = pool;
    info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    info.commandBufferCount = 1;
    VkCommandBuffer command_buffer = VK_NULL_HANDLE;
    VkResult r = vkAllocateCommandBuffers(device, &info, &command_buffer);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        return VK_NULL_HANDLE;
    }
    VkCommandBufferBeginInfo begin = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    r = vkBeginCommandBuffer(command_buffer, &begin);
    if (r != VK_SUCCESS) {
        vulkan_log_call_failed(r);
        vkFreeCommandBuffers(device, pool, 1, &command_buffer);
        return VK_NULL_HANDLE;
    }
    return command_buffer;
}

bool vulkan_end_one_shot_commands(VkCommandBuffer command_buffer, VkDevice device, VkCommandPool pool, VkQueue queue) {
    VkResult r = vkEndCommandBuffer(command_buffer);
    if (r == VK_SUCCESS) {
        VkSubmitInfo submit = {VK_STRUCTURE_TYPE_SUBMIT_INFO};
        submit.commandBufferCount = 1;
        submit.pCommandBuffers = &command_buffer;
        r = vkQueueSubmit(queue, 1, &submit, VK_NULL_HANDLE);
        if (r == VK_SUCCESS) r = vkQueueWaitIdle(queue);
    }
    if (r != VK_SUCCESS) vulkan_log_call_failed(r);
    // Freed on every path: a failed upload must not leak its buffer into the frame's pool.
    vkFreeCommandBuffers(device, pool, 1, &command_buffer);
    return r == VK_SUCCESS;
}

bool vulkan_transition_image_layout(VkImage image, VkFormat format, VkImageLayout old_layout, VkImageLayout new_layout,
                                    VkDevice device, VkCommandPool pool, VkQueue queue) {
    (void)format;  // the barrier is the same for every colour format
    VkImageMemoryBarrier barrier = {VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
    VkPipelineStageFlags source_stage, destination_stage;
    if (old_layout == VK_IMAGE_LAYOUT_UNDEFINED && new_layout == VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL) {
        barrier.srcAccessMask = 0;
        barrier.dstAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        source_stage = VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT;
        destination_stage = VK_PIPELINE_STAGE_TRANSFER_BIT;
    } else if (old_layout == VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL &&
               new_layout == VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL) {
        barrier.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        barrier.dstAccessMask = VK_ACCESS_SHADER_READ_BIT;
        source_stage = VK_PIPELINE_STAGE_TRANSFER_BIT;
        destination_stage = VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT;
    } else {
        // Refused before any command buffer exists: nothing is recorded or submitted.
        log_error("Unsupported image layout transition from % to %.", (u32)old_layout, (u32)new_layout);
        return false;
    }
    barrier.oldLayout = old_layout;
    barrier.newLayout = new_layout;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    VkCommandBuffer command_buffer = vulkan_begin_one_shot_commands(device, pool);
    if (!command_buffer) return false;
    vkCmdPipelineBarrier(command_buffer, source_stage, destination_stage, 0, 0, nullptr, 0, nullptr, 1, &barrier);
    return vulkan_end_one_shot_commands(command_buffer, device, pool, queue);
}

bool vulkan_copy_buffer_to_image(VkImage image, VkBuffer buffer, u32 width, u32 height, VkDevice device,
                                 VkCommandPool pool, VkQueue queue) {
    VkCommandBuffer command_buffer = vulkan_begin_one_shot_commands(device, pool);
    if (!command_buffer) return false;
    VkBufferImageCopy region = {};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {width, height, 1};
    vkCmdCopyBufferToImage(command_buffer, buffer, image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
    return vulkan_end_one_shot_commands(command_buffer, device, pool, queue);
}

bool vulkan_copy_buffer(VkBuffer source, VkBuffer destination, VkDeviceSize size, VkDevice device, VkCommandPool pool,
                        VkQueue queue) {
    VkCommandBuffer command_buffer = vulkan_begin_one_shot_commands(device, pool);
    if (!command_buffer) return false;
    VkBufferCopy region = {0, 0, size};
    vkCmdCopyBuffer(command_buffer, source, destination, 1, &region);
    return vulkan_end_one_shot_commands(command_buffer, device, pool, queue);
}

bool vulkan_bind_buffer_memory(VkDevice device, VkBuffer buffer, VkDeviceMemory memory, u64 offset) {
    VkResult r = vkBindBufferMemory(device, buffer, memory, offset);
    if (r != VK_SUCCESS) {
        log_error("Failed to bind memory to Vulkan buffer: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

//-----------------------------------------------------------------------------
// Textures
//-----------------------------------------------------------------------------

namespace {

// Where a texture's memory comes from: two arenas, or dedicated allocations.
struct TextureMemory {
    DeviceAllocator* image_arena;  // null: dedicated
    DeviceAllocator* staging_arena;
    const VkAllocationCallbacks* callbacks;
};

struct Staging {
    VkBuffer buffer;
    VkDeviceMemory memory;
    u64 offset;
    VkDeviceMemory dedicated_memory;  // freed with the buffer
};

VkDeviceMemory allocate_dedicated(const TextureCreateInfo* info, VkMemoryRequirements requirements,
                                  VkMemoryPropertyFlags flags) {
    return vulkan_internal_allocate_dedicated(info->physical_device, info->device, requirements, flags, nullptr);
}

bool fill_staging(const TextureCreateInfo* info, const TextureMemory* m, u64 size, Staging* s) {
    VkBufferCreateInfo buffer = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    buffer.size = size;
    buffer.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT;
    buffer.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkResult r = vkCreateBuffer(info->device, &buffer, m->callbacks, &s->buffer);
    if (r != VK_SUCCESS) {
        s->buffer = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(info->device, s->buffer, &requirements);
    if (m->image_arena) {
        s->offset = device_allocate(m->staging_arena, requirements, &s->memory);
        if (s->offset == DEVICE_ALLOCATION_FAILED) return false;
        r = vkBindBufferMemory(info->device, s->buffer, s->memory, s->offset);
        if (r != VK_SUCCESS) {
            vulkan_log_call_failed(r);
            return false;
        }
    } else {
        s->dedicated_memory = allocate_dedicated(info, requirements,
                                                 VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
        if (!s->dedicated_memory) return false;
        s->memory = s->dedicated_memory;
        s->offset = 0;
        if (!vulkan_bind_buffer_memory(info->device, s->buffer, s->memory, 0)) return false;
    }
    void* mapped = nullptr;
    r = vkMapMemory(info->device, s->memory, s->offset, size, 0, &mapped);
    if (r != VK_SUCCESS || !mapped) {
        vulkan_log_call_failed(r);
        return false;
    }
    if (!info->pixels) {
        memset(mapped, 0, (size_t)size);
    } else if (info->bottom_row_first) {
        // Textures keep their top row first, as the GUI samples them.
        u64 row = size / info->height;
        for (u32 y = 0; y < info->height; y++)
            memcpy((u8*)mapped + y * row, (const u8*)info->pixels + (u64)(info->height - 1 - y) * row, (size_t)row);
    } else {
        memcpy(mapped, info->pixels, (size_t)size);
    }
    vkUnmapMemory(info->device, s->memory);
    return true;
}

// Image, memory, upload and view; on false everything made here is gone again.
bool make_image(const TextureCreateInfo* info, const TextureMemory* m, const Staging* s, GuiTexture* t) {
    VkImageCreateInfo image = vulkan_internal_image_info(info->format, (u32)info->width, info->height,
                                                         VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
    VkResult r = vkCreateImage(info->device, &image, m->callbacks, &t->image);
    if (r != VK_SUCCESS) {
        t->image = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(info->device, t->image, &requirements);
    bool ok = true;
    if (m->image_arena) {
        t->offset = device_allocate(m->image_arena, requirements, &t->memory);
        ok = t->offset != DEVICE_ALLOCATION_FAILED;
    } else {
        t->memory = allocate_dedicated(info, requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
        t->offset = 0;
        ok = t->memory != VK_NULL_HANDLE;
    }
    if (ok) {
        r = vkBindImageMemory(info->device, t->image, t->memory, t->offset);
        if (r != VK_SUCCESS) {
            vulkan_log_call_failed(r);
            ok = false;
        }
    }
    ok = ok &&
         vulkan_transition_image_layout(t->image, info->format, VK_IMAGE_LAYOUT_UNDEFINED,
                                        VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, info->device, info->command_pool,
                                        info->queue) &&
         vulkan_copy_buffer_to_image(t->image, s->buffer, (u32)info->width, info->height, info->device,
                                     info->command_pool, info->queue) &&
         vulkan_transition_image_layout(t->image, info->format, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                                        VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, info->device, info->command_pool,
                                        info->queue);
    if (ok) {
        VkImageViewCreateInfo view = vulkan_internal_view_info(t->image, info->format, VK_IMAGE_ASPECT_COLOR_BIT);
        r = vkCreateImageView(info->device, &view, m->callbacks, &t->view);
        if (r != VK_SUCCESS) {
            t->view = VK_NULL_HANDLE;
            vulkan_log_call_failed(r);
            ok = false;
        }
    }
    if (!ok) {
        vkDestroyImage(info->device, t->image, m->callbacks);
        t->image = VK_NULL_HANDLE;
        if (t->memory) {
            if (m->image_arena) device_free(m->image_arena, t->offset, t->memory);
            else vkFreeMemory(info->device, t->memory, nullptr);
        }
        t->memory = VK_NULL_HANDLE;
    }
    return ok;
}

bool create_texture(const TextureCreateInfo* info, const TextureMemory* m, GuiTexture* texture) {
    GuiTexture t = {};
    t.device = info->device;
    t.arena = m->image_arena;
    t.allocation_callbacks = m->callbacks;
    u64 size = info->width * info->height * info->bytes_per_pixel;
    if (size == 0) {
        log_error("Failed to create texture: its size is % x %.", info->width, info->height);
        *texture = GuiTexture{};
        return false;
    }
    Staging s = {};
    bool ok = fill_staging(info, m, size, &s) && make_image(info, m, &s, &t);
    if (s.buffer) vkDestroyBuffer(info->device, s.buffer, m->callbacks);
    if (s.dedicated_memory) vkFreeMemory(info->device, s.dedicated_memory, nullptr);
    if (!ok) {
        // A failed texture is the no-texture value, never a record with dead handles.
        *texture = GuiTexture{};
        return false;
    }
    t.width = (u32)info->width;
    t.height = info->height;
    *texture = t;
    return true;
}

}  // namespace

bool vulkan_create_texture(const TextureCreateInfo* info, DeviceAllocator* image_arena, DeviceAllocator* staging_arena,
                           const VkAllocationCallbacks* allocation_callbacks, GuiTexture* texture) {
    TextureMemory m = {image_arena, staging_arena, allocation_callbacks};
    return create_texture(info, &m, texture);
}

bool vulkan_create_texture_dedicated(const TextureCreateInfo* info, GuiTexture* texture) {
    TextureMemory m = {nullptr, nullptr, nullptr};
    return create_texture(info, &m, texture);
}

void vulkan_destroy_texture(GuiTexture* texture) {
    if (gui_texture_is_none(texture)) return;
    if (texture->view) vkDestroyImageView(texture->device, texture->view, texture->allocation_callbacks);
    if (texture->image) vkDestroyImage(texture->device, texture->image, texture->allocation_callbacks);
    if (texture->memory) {
        if (texture->arena) device_free(texture->arena, texture->offset, texture->memory);
        else vkFreeMemory(texture->device, texture->memory, nullptr);
    }
    *texture = GuiTexture{};
}
