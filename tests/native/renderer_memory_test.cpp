// Device memory arenas, vertex buffers, textures and one-shot commands on a real device
// (lavapipe natively, Wine's Vulkan in the Windows build), offscreen.
#include <gtest/gtest.h>
#include <string.h>
#include <memory>
#include <string>
#include <vector>
#include "support/log_capture.h"
#include "support/render_harness.h"
#include "support/vk_hooks.h"

namespace {

class DeviceTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        harness_ = new RenderHarness;
        ok_ = render_harness_create(harness_, 64, 48);
    }
    static void TearDownTestSuite() {
        render_harness_destroy(harness_);
        delete harness_;
        harness_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(ok_) << "no Vulkan device"; }

    VkDevice device() { return harness_->vk.device; }
    const VkPhysicalDeviceMemoryProperties* properties() { return &harness_->memory_properties; }
    // Memory type bits of every host-visible type: what a small buffer could live in.
    u32 host_type_bits() {
        u32 bits = 0;
        for (u32 i = 0; i < properties()->memoryTypeCount; i++)
            if (properties()->memoryTypes[i].propertyFlags & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT) bits |= 1u << i;
        return bits;
    }
    MemtarnArena make_arena(u64 block_size) {
        MemtarnArena a;
        memtarn_arena_create(device(), block_size,
                             VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, properties(),
                             nullptr, g_default_allocator, &a);
        a.interface = memtarn_arena_interface(&a);
        return a;
    }
    u32 first_host_type() {
        u32 type = 0;
        vulkan_find_memory_type(properties(), host_type_bits(),
                                VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &type);
        return type;
    }

    static RenderHarness* harness_;
    static bool ok_;
};

RenderHarness* DeviceTest::harness_ = nullptr;
bool DeviceTest::ok_ = false;

//-----------------------------------------------------------------------------
// Arenas
//-----------------------------------------------------------------------------

using ArenaTest = DeviceTest;

TEST_F(ArenaTest, AlignedAllocationsFollowEachOther) {
    MemtarnArena arena = make_arena(4096);
    VkDeviceMemory first = VK_NULL_HANDLE, second = VK_NULL_HANDLE;
    VkMemoryRequirements req = {100, 256, host_type_bits()};
    EXPECT_EQ(memtarn_arena_allocate(&arena, req, &first), 0u);
    EXPECT_EQ(memtarn_arena_allocate(&arena, req, &second), 256u);
    EXPECT_EQ(arena.offsets.data[first_host_type()], 356u);
    EXPECT_NE(first, VK_NULL_HANDLE);
    EXPECT_EQ(first, second);
    EXPECT_EQ(arena.blocks.data[first_host_type()], first);
    memtarn_arena_destroy(&arena);
}

TEST_F(ArenaTest, AnAllocationEndingAtTheBlockEndIsRefusedOneByteLessIsNot) {
    LogCapture capture;
    MemtarnArena arena = make_arena(4096);
    VkDeviceMemory memory = VK_NULL_HANDLE;
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{4096, 1, host_type_bits()}, &memory),
              DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.texts(), std::vector<std::string>{
                                   "Failed to allocate from device memory arena because it's full, size:4096, "
                                   "alignment:1, offset:0."});
    EXPECT_EQ(arena.offsets.data[first_host_type()], 0u);
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{4095, 1, host_type_bits()}, &memory), 0u);
    EXPECT_EQ(arena.offsets.data[first_host_type()], 4095u);
    // Full now, but still usable for nothing bigger than what is left (nothing) and not corrupted.
    capture.clear();
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{1, 1, host_type_bits()}, &memory),
              DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.count("Failed to allocate from device memory arena because it's full, size:1, alignment:1, "
                            "offset:4095."),
              1);
    // Sizes near the top of the range must not wrap around.
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{~(u64)0 - 8, 1, host_type_bits()}, &memory),
              DEVICE_ALLOCATION_FAILED);
    memtarn_arena_destroy(&arena);
}

TEST_F(ArenaTest, ResetStartsAgainAtZeroInTheSameBlock) {
    MemtarnArena arena = make_arena(4096);
    VkDeviceMemory before = VK_NULL_HANDLE, after = VK_NULL_HANDLE;
    memtarn_arena_allocate(&arena, VkMemoryRequirements{1000, 16, host_type_bits()}, &before);
    memtarn_arena_allocate(&arena, VkMemoryRequirements{1000, 16, host_type_bits()}, &before);
    memtarn_arena_reset(&arena);
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{10, 16, host_type_bits()}, &after), 0u);
    EXPECT_EQ(before, after);
    memtarn_arena_destroy(&arena);
}

TEST_F(ArenaTest, TypeBitsMatchingNoTypeAllocateNoBlock) {
    LogCapture capture;
    MemtarnArena arena = make_arena(4096);
    VkDeviceMemory memory = VK_NULL_HANDLE;
    u32 none = ~host_type_bits() & ((1u << properties()->memoryTypeCount) - 1);
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{16, 16, none}, &memory), DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.texts(),
              std::vector<std::string>{"Could not find a memory type that matches the given requirements."});
    EXPECT_EQ(memory, VK_NULL_HANDLE);
    for (u32 i = 0; i < arena.blocks.count; i++) EXPECT_EQ(arena.blocks.data[i], VK_NULL_HANDLE);
    memtarn_arena_destroy(&arena);
}

TEST(MemoryType, FirstTypeWithAllWantedFlagsAmongTheAllowedOnes) {
    VkPhysicalDeviceMemoryProperties p = {};
    p.memoryTypeCount = 4;
    p.memoryTypes[0].propertyFlags = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
    p.memoryTypes[1].propertyFlags = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT;
    p.memoryTypes[2].propertyFlags = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    p.memoryTypes[3].propertyFlags = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT |
                                     VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
    u32 index = 99;
    EXPECT_TRUE(vulkan_find_memory_type(&p, 0xF, 6, &index));
    EXPECT_EQ(index, 2u);
    EXPECT_TRUE(vulkan_find_memory_type(&p, 0x8, 6, &index));
    EXPECT_EQ(index, 3u);
    EXPECT_FALSE(vulkan_find_memory_type(&p, 0x3, 6, &index));
    // Bits beyond the type count name no type.
    EXPECT_FALSE(vulkan_find_memory_type(&p, 0x30, 0, &index));
}

//-----------------------------------------------------------------------------
// Vertex buffers
//-----------------------------------------------------------------------------

int g_draws = 0;
PFN_vkCmdDraw real_draw;
VKAPI_ATTR void VKAPI_CALL counting_draw(VkCommandBuffer cb, uint32_t v, uint32_t i, uint32_t fv, uint32_t fi) {
    g_draws++;
    real_draw(cb, v, i, fv, fi);
}

PFN_vkMapMemory real_map;
VKAPI_ATTR VkResult VKAPI_CALL failing_map(VkDevice, VkDeviceMemory, VkDeviceSize, VkDeviceSize, VkMemoryMapFlags,
                                           void** data) {
    *data = nullptr;
    return VK_ERROR_MEMORY_MAP_FAILED;
}

PFN_vkBindBufferMemory real_bind;
VKAPI_ATTR VkResult VKAPI_CALL failing_bind(VkDevice, VkBuffer, VkDeviceMemory, VkDeviceSize) {
    return VK_ERROR_OUT_OF_DEVICE_MEMORY;
}

using VertexBufferTest = DeviceTest;

TEST_F(VertexBufferTest, FailedMappingGivesAnEmptyRecordThatDrawsNothing) {
    LogCapture capture;
    MemtarnArena arena = make_arena(65536);
    const f32 vertices[12] = {};
    VertexBufferDesc desc = {vertices, 16, 3, device(), nullptr, &arena.interface};
    VertexBuffer vb;
    {
        VkHooks hooks;
        hooks.replace(&vkMapMemory, &real_map, failing_map);
        vb = vulkan_create_vertex_buffer(&desc);
    }
    EXPECT_EQ(vb.vertex_count, 0u);
    EXPECT_EQ(vb.buffer, VK_NULL_HANDLE);
    EXPECT_EQ(capture.texts(), (std::vector<std::string>{
                                   "Vulkan API call failed: VK_ERROR_MEMORY_MAP_FAILED\nMapping of a memory object has "
                                   "failed",
                                   "Vertex buffer's vkMapMemory failed."}));
    VkHooks hooks;
    hooks.replace(&vkCmdDraw, &real_draw, counting_draw);
    g_draws = 0;
    vulkan_draw_vertex_buffer(&vb, 1, VK_NULL_HANDLE);  // never reaches the command buffer
    EXPECT_EQ(g_draws, 0);
    vulkan_destroy_vertex_buffer(&vb);
    memtarn_arena_destroy(&arena);
}

TEST_F(VertexBufferTest, FailedBindingOrFullArenaAlsoGiveEmptyRecords) {
    LogCapture capture;
    MemtarnArena arena = make_arena(65536);
    const f32 vertices[24] = {};
    VertexBufferDesc desc = {vertices, 16, 6, device(), nullptr, &arena.interface};
    {
        VkHooks hooks;
        hooks.replace(&vkBindBufferMemory, &real_bind, failing_bind);
        VertexBuffer vb = vulkan_create_vertex_buffer(&desc);
        EXPECT_EQ(vb.vertex_count, 0u);
        EXPECT_EQ(vb.buffer, VK_NULL_HANDLE);
    }
    EXPECT_TRUE(capture.contains("Vertex buffer's memory binding failed."));
    MemtarnArena tiny = make_arena(64);
    desc.arena = &tiny.interface;
    VertexBuffer vb = vulkan_create_vertex_buffer(&desc);
    EXPECT_EQ(vb.vertex_count, 0u);
    EXPECT_EQ(vb.buffer, VK_NULL_HANDLE);
    // And nothing at all for an empty vertex list (an empty text), without a message.
    capture.clear();
    desc.arena = &arena.interface;
    desc.vertex_count = 0;
    vb = vulkan_create_vertex_buffer(&desc);
    EXPECT_EQ(vb.buffer, VK_NULL_HANDLE);
    EXPECT_TRUE(capture.texts().empty());
    memtarn_arena_destroy(&tiny);
    memtarn_arena_destroy(&arena);
}

//-----------------------------------------------------------------------------
// One-shot commands, transitions, copies
//-----------------------------------------------------------------------------

int g_allocations = 0;
int g_submits = 0;
PFN_vkAllocateCommandBuffers real_allocate_commands;
PFN_vkQueueSubmit real_submit;
VKAPI_ATTR VkResult VKAPI_CALL counting_allocate_commands(VkDevice d, const VkCommandBufferAllocateInfo* info,
                                                          VkCommandBuffer* out) {
    g_allocations++;
    return real_allocate_commands(d, info, out);
}
VKAPI_ATTR VkResult VKAPI_CALL counting_submit(VkQueue q, uint32_t n, const VkSubmitInfo* s, VkFence f) {
    g_submits++;
    return real_submit(q, n, s, f);
}

using CommandTest = DeviceTest;

TEST_F(CommandTest, ARefusedTransitionRecordsAndSubmitsNothing) {
    RenderHarness* h = harness_;
    VkImageCreateInfo info = {VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = VK_FORMAT_R8G8B8A8_UNORM;
    info.extent = {4, 4, 1};
    info.mipLevels = 1;
    info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT;
    VkImage image = VK_NULL_HANDLE;
    ASSERT_EQ(vkCreateImage(device(), &info, nullptr, &image), VK_SUCCESS);
    VkMemoryRequirements req;
    vkGetImageMemoryRequirements(device(), image, &req);
    VkDeviceMemory memory = VK_NULL_HANDLE;
    u64 offset = memtarn_arena_allocate(&h->texture_arena, req, &memory);
    ASSERT_NE(offset, DEVICE_ALLOCATION_FAILED);
    vkBindImageMemory(device(), image, memory, offset);

    LogCapture capture;
    VkHooks hooks;
    hooks.replace(&vkAllocateCommandBuffers, &real_allocate_commands, counting_allocate_commands);
    hooks.replace(&vkQueueSubmit, &real_submit, counting_submit);
    g_allocations = g_submits = 0;
    EXPECT_FALSE(vulkan_transition_image_layout(image, info.format, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                                                VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, device(), h->vk.command_pool,
                                                h->vk.graphics_queue));
    EXPECT_FALSE(vulkan_transition_image_layout(image, info.format, VK_IMAGE_LAYOUT_UNDEFINED,
                                                VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, device(), h->vk.command_pool,
                                                h->vk.graphics_queue));
    EXPECT_EQ(g_allocations, 0);
    EXPECT_EQ(g_submits, 0);
    EXPECT_EQ(capture.count("Unsupported image layout transition from 5 to 7."), 1);
    // The two known transitions each take one buffer and one submission.
    EXPECT_TRUE(vulkan_transition_image_layout(image, info.format, VK_IMAGE_LAYOUT_UNDEFINED,
                                               VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, device(), h->vk.command_pool,
                                               h->vk.graphics_queue));
    EXPECT_TRUE(vulkan_transition_image_layout(image, info.format, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                                               VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, device(), h->vk.command_pool,
                                               h->vk.graphics_queue));
    EXPECT_EQ(g_allocations, 2);
    EXPECT_EQ(g_submits, 2);
    vkDestroyImage(device(), image, nullptr);
}

// A host-visible buffer with its own memory, for copies the test reads back.
struct HostBuffer {
    VkDevice device;
    VkBuffer buffer;
    VkDeviceMemory memory;
    void* mapped;
};

HostBuffer host_buffer(VkDevice device, VkPhysicalDevice physical, u64 size, VkBufferUsageFlags usage) {
    HostBuffer b = {device};
    VkBufferCreateInfo info = {VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = usage;
    vkCreateBuffer(device, &info, nullptr, &b.buffer);
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(device, b.buffer, &req);
    u32 type = 0;
    vulkan_find_memory_type_on_device(physical, req.memoryTypeBits,
                                      VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &type);
    VkMemoryAllocateInfo allocate = {VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
    allocate.allocationSize = req.size;
    allocate.memoryTypeIndex = type;
    vkAllocateMemory(device, &allocate, nullptr, &b.memory);
    vulkan_bind_buffer_memory(device, b.buffer, b.memory, 0);
    vkMapMemory(device, b.memory, 0, size, 0, &b.mapped);
    return b;
}

void free_host_buffer(HostBuffer* b) {
    vkUnmapMemory(b->device, b->memory);
    vkDestroyBuffer(b->device, b->buffer, nullptr);
    vkFreeMemory(b->device, b->memory, nullptr);
}

TEST_F(CommandTest, CopyBufferMovesTheBytes) {
    RenderHarness* h = harness_;
    HostBuffer a = host_buffer(device(), h->vk.physical_device, 256, VK_BUFFER_USAGE_TRANSFER_SRC_BIT);
    HostBuffer b = host_buffer(device(), h->vk.physical_device, 256, VK_BUFFER_USAGE_TRANSFER_DST_BIT);
    for (int i = 0; i < 256; i++) ((u8*)a.mapped)[i] = (u8)(i * 7 + 3);
    memset(b.mapped, 0, 256);
    EXPECT_TRUE(vulkan_copy_buffer(a.buffer, b.buffer, 200, device(), h->vk.command_pool, h->vk.graphics_queue));
    for (int i = 0; i < 200; i++) ASSERT_EQ(((u8*)b.mapped)[i], (u8)(i * 7 + 3)) << i;
    for (int i = 200; i < 256; i++) ASSERT_EQ(((u8*)b.mapped)[i], 0) << i;
    free_host_buffer(&a);
    free_host_buffer(&b);
}

TEST_F(CommandTest, BindFailureIsReportedWithTheDescription) {
    LogCapture capture;
    VkHooks hooks;
    hooks.replace(&vkBindBufferMemory, &real_bind, failing_bind);
    EXPECT_FALSE(vulkan_bind_buffer_memory(device(), VK_NULL_HANDLE, VK_NULL_HANDLE, 0));
    EXPECT_EQ(capture.texts(),
              std::vector<std::string>{"Failed to bind memory to Vulkan buffer: A device memory allocation has failed"});
}

//-----------------------------------------------------------------------------
// Textures
//-----------------------------------------------------------------------------

using TextureTest = DeviceTest;

TEST_F(TextureTest, ArenaTextureKeepsItsStagingSpaceAndRecordsItsSize) {
    RenderHarness* h = harness_;
    std::vector<u8> pixels(33 * 7);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = (u8)i;
    u64 staging_before = h->staging_arena.offsets.data[first_host_type()];
    GuiTexture t;
    ASSERT_TRUE(render_harness_texture(h, pixels.data(), 33, 7, VK_FORMAT_R8_UNORM, 1, &t));
    EXPECT_EQ(t.width, 33u);
    EXPECT_EQ(t.height, 7u);
    EXPECT_EQ(t.arena, &h->texture_arena.interface);
    EXPECT_FALSE(gui_texture_is_none(&t));
    // The staging arena is never reset: the upload's bytes stay taken.
    EXPECT_GE(h->staging_arena.offsets.data[first_host_type()], staging_before + 33 * 7);
    vulkan_destroy_texture(&t);
    EXPECT_TRUE(gui_texture_is_none(&t));
}

TEST_F(TextureTest, DedicatedTextureOwnsItsMemory) {
    GuiTexture t;
    ASSERT_TRUE(gui_create_placeholder_texture(&harness_->vk, &t));
    EXPECT_EQ(t.arena, nullptr);
    EXPECT_NE(t.memory, VK_NULL_HANDLE);
    EXPECT_EQ(t.width, 1u);
    vulkan_destroy_texture(&t);
}

TEST_F(TextureTest, FailedUploadLeavesTheNoTextureValue) {
    LogCapture capture;
    RenderHarness* h = harness_;
    MemtarnArena small_staging = make_arena(256);
    std::vector<u8> pixels(64 * 64 * 4, 0x7F);
    TextureCreateInfo info = {pixels.data(), 64, 64, VK_FORMAT_R8G8B8A8_UNORM, 4, h->vk.physical_device, device(),
                              h->vk.graphics_queue, h->vk.command_pool};
    GuiTexture t;
    memset((void*)&t, 0xAB, sizeof(t));
    EXPECT_FALSE(vulkan_create_texture(&info, &h->texture_arena.interface, &small_staging.interface, nullptr, &t));
    EXPECT_TRUE(gui_texture_is_none(&t));
    EXPECT_FALSE(capture.texts().empty());
    memtarn_arena_destroy(&small_staging);
}

}  // namespace
