#include <gtest/gtest.h>
#include <string>
#include "Ostrel/text/font_gpu.h"
#include "support/log_capture.h"
#include "text_test_font.h"

namespace {

// One offscreen device for the whole run, kept like the program keeps its renderer (the driver
// holds a little memory per instance that it never gives back); each test gets fresh texture
// and staging arenas.
const VulkanContext* shared_context() {
    static VulkanContext context;
    static bool created = [] {
        RendererSettings settings = {"Korvane text tests", 1, g_default_allocator, nullptr};
        return vulkan_load_global() && vulkan_create_offscreen_context(&settings, 16, 16, &context);
    }();
    return created ? &context : nullptr;
}

class FontUpload : public testing::Test {
protected:
    const VulkanContext* context = nullptr;
    VkPhysicalDeviceMemoryProperties properties = {};
    MemtarnArena texture_arena = {};
    MemtarnArena staging_arena = {};
    bool ready = false;

    void SetUp() override {
        context = shared_context();
        ASSERT_NE(context, nullptr) << "no Vulkan device";
        vkGetPhysicalDeviceMemoryProperties(context->physical_device, &properties);
        ready = true;
        make_arenas(MEMTARN_STAGING_BLOCK_SIZE);
    }

    void make_arenas(u64 staging_block_size) {
        memtarn_arena_create(context->device, MEMTARN_TEXTURE_BLOCK_SIZE, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &properties,
                             nullptr, g_default_allocator, &texture_arena);
        texture_arena.interface = memtarn_arena_interface(&texture_arena);
        memtarn_arena_create(context->device, staging_block_size,
                             VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &properties,
                             nullptr, g_default_allocator, &staging_arena);
        staging_arena.interface = memtarn_arena_interface(&staging_arena);
    }

    void drop_arenas() {
        memtarn_arena_destroy(&texture_arena);
        memtarn_arena_destroy(&staging_arena);
    }

    void TearDown() override {
        if (ready) drop_arenas();
    }

    bool load(const std::string& path, GlyphMap* map, GuiTexture* texture) {
        return font_load_from_file(context, &texture_arena.interface, &staging_arena.interface, (const u8*)path.data(),
                                   (u32)path.size(), 0, 14, g_program_glyph_set, map, texture, g_default_allocator);
    }

    static u64 used(const MemtarnArena& arena) {
        u64 total = 0;
        for (u32 i = 0; i < arena.offsets.count; i++) total += arena.offsets.data[i];
        return total;
    }
};

TEST_F(FontUpload, AtlasBecomesA328SquareSingleChannelTexture) {
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    ASSERT_TRUE(load(test_font_path(), &map, &texture));
    EXPECT_FALSE(gui_texture_is_none(&texture));
    EXPECT_EQ(texture.width, 328u);
    EXPECT_EQ(texture.height, 328u);
    EXPECT_EQ(texture.arena, &texture_arena.interface);
    EXPECT_EQ(map.count, 414u);
    // One byte per pixel went through the staging arena, and the image came from the texture arena.
    EXPECT_GE(used(staging_arena), 328u * 328u);
    EXPECT_LT(used(staging_arena), 2u * 328u * 328u);
    EXPECT_GE(used(texture_arena), 328u * 328u);
    EXPECT_TRUE(capture.lines().empty());
    vulkan_destroy_texture(&texture);
    glyph_map_free(&map);
}

TEST_F(FontUpload, FontThatDoesNotLoadUploadsNothing) {
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    EXPECT_FALSE(load("missing-font.ttf", &map, &texture));
    EXPECT_EQ(capture.texts(),
              (std::vector<std::string>{"font_FreeType: Failed to create face, err code: 1.",
                                        "font: Could not upload font to GPU because the font has not been correctly loaded."}));
    EXPECT_TRUE(gui_texture_is_none(&texture));
    EXPECT_EQ(used(staging_arena), 0u);
    EXPECT_EQ(used(texture_arena), 0u);
}

TEST_F(FontUpload, StagingArenaTooSmallFailsTheLoadAndFreesTheMap) {
    drop_arenas();
    make_arenas(100000);  // less than the 107,584 bytes of the atlas
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    EXPECT_FALSE(load(test_font_path(), &map, &texture));
    EXPECT_FALSE(capture.lines().empty());
    EXPECT_FALSE(capture.contains("font: Could not upload font to GPU because the font has not been correctly loaded."));
    EXPECT_EQ(map.buckets.data, nullptr);
    EXPECT_EQ(map.entries.data, nullptr);
}

}  // namespace
