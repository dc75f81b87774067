// Device memory arenas and vertex buffers on a real device
// (lavapipe natively, Wine's Vulkan in the Windows build), offscreen.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include "support/harness_test.h"
#include "support/log_capture.h"
#include "support/vk_hooks.h"

using namespace ostrel_vk;

namespace {

const VkMemoryPropertyFlags HOST = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;

class DeviceTest : public HarnessTest<64, 48> {
protected:
    // Memory type bits of every host-visible type: what a small buffer could live in.
    u32 host_bits() {
        u32 bits = 0;
        for (u32 i = 0; i < h->memory_properties.memoryTypeCount; i++)
            if (h->memory_properties.memoryTypes[i].propertyFlags & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT) bits |= 1u << i;
        return bits;
    }
    // Host-visible arenas made in place: an arena's interface points at the arena itself.
    void make_arena(u64 block_size, MemtarnArena* a) { render_harness_arena(h, block_size, HOST, a); }
    u64 allocate(MemtarnArena* a, u64 size, u64 alignment, VkDeviceMemory* memory) {
        return memtarn_arena_allocate(a, VkMemoryRequirements{size, alignment, host_bits()}, memory);
    }
};

const std::string k_full = "Failed to allocate from device memory arena because it's full, ";

TEST_F(DeviceTest, ArenaOffsetsTheEndOfTheBlockResetAndTypeBits) {
    LogCapture capture;
    MemtarnArena arena;
    make_arena(4096, &arena);
    VkDeviceMemory first = VK_NULL_HANDLE, second = VK_NULL_HANDLE;
    EXPECT_EQ(allocate(&arena, 100, 256, &first), 0u);
    EXPECT_EQ(allocate(&arena, 100, 256, &second), 256u);
    EXPECT_TRUE(first != VK_NULL_HANDLE && first == second);
    memtarn_arena_reset(&arena);
    EXPECT_EQ(allocate(&arena, 10, 16, &second), 0u);
    EXPECT_EQ(second, first) << "the same block after a reset";
    memtarn_arena_reset(&arena);

    // Ending exactly at the block's end is refused; one byte less is not.
    EXPECT_EQ(allocate(&arena, 4096, 1, &second), DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.texts(), std::vector<std::string>{k_full + "size:4096, alignment:1, offset:0."});
    EXPECT_EQ(allocate(&arena, 4095, 1, &second), 0u);
    EXPECT_EQ(allocate(&arena, 1, 1, &second), DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.count(k_full + "size:1, alignment:1, offset:4095."), 1);
    EXPECT_EQ(allocate(&arena, ~(u64)0 - 8, 1, &second), DEVICE_ALLOCATION_FAILED) << "no wrap-around";
    memtarn_arena_destroy(&arena);

    // Type bits matching no type allocate no block.
    capture.clear();
    make_arena(4096, &arena);
    VkDeviceMemory memory = VK_NULL_HANDLE;
    u32 none = ~host_bits() & ((1u << h->memory_properties.memoryTypeCount) - 1);
    EXPECT_EQ(memtarn_arena_allocate(&arena, VkMemoryRequirements{16, 16, none}, &memory), DEVICE_ALLOCATION_FAILED);
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Could not find a memory type that matches the given requirements."});
    EXPECT_EQ(memory, VK_NULL_HANDLE);
    for (u32 i = 0; i < arena.blocks.count; i++) EXPECT_EQ(arena.blocks.data[i], VK_NULL_HANDLE);
    memtarn_arena_destroy(&arena);
}


// A vertex buffer whose creation failed (the mapping, the binding, a full arena) or that has no
// vertices has no buffer and vertex count 0: it draws nothing. Only the failures are logged.
TEST_F(DeviceTest, FailedVertexBuffersAreEmptyAndDrawNothing) {
    MemtarnArena arena, tiny;
    make_arena(65536, &arena);
    make_arena(64, &tiny);
    const f32 vertices[24] = {};
    const struct { std::function<void(VkHooks*)> fail; MemtarnArena* arena; u32 count; std::string message; } cases[] = {
        {[](VkHooks* k) { vk_fail_map(k, 1); }, &arena, 6, "Vertex buffer's vkMapMemory failed."},
        {[](VkHooks* k) { VkFake<&vkBindBufferMemory>::install(k, 2, VK_ERROR_OUT_OF_DEVICE_MEMORY); }, &arena, 6,
         "Vertex buffer's memory binding failed."},
        {[](VkHooks*) {}, &tiny, 6, k_full},
        {[](VkHooks*) {}, &arena, 0, ""},  // an empty text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        LogCapture capture;
        VertexBuffer vb;
        {
            VkHooks hooks;
            c.fail(&hooks);
            VertexBufferDesc desc = {vertices, 16, c.count, h->vk.device, nullptr, &c.arena->interface};
            vb = vulkan_create_vertex_buffer(&desc);  // never copied through a failed mapping
        }
        const std::vector<std::string> texts = capture.texts();
        const bool logged = std::any_of(texts.begin(), texts.end(),
                                        [&](const std::string& t) { return t.rfind(c.message, 0) == 0; });
        EXPECT_TRUE(c.message.empty() ? texts.empty() : logged);
        EXPECT_TRUE(vb.vertex_count == 0 && vb.buffer == VK_NULL_HANDLE);
        VkHooks hooks;
        VkFake<&vkCmdDraw>::install(&hooks);
        vulkan_draw_vertex_buffer(&vb, 1, VK_NULL_HANDLE);  // never reaches the command buffer
        vulkan_destroy_vertex_buffer(&vb);
        EXPECT_EQ(VkFake<&vkCmdDraw>::calls, 0);
    }
    memtarn_arena_destroy(&tiny);
    memtarn_arena_destroy(&arena);
}

}  // namespace
