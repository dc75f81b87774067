// The program font's atlas uploaded as a texture through the texture and staging arenas.
#include <gtest/gtest.h>
#include <string>
#include "Ostrel/text/font_gpu.h"
#include "support/harness_test.h"
#include "support/log_capture.h"
#include "text_test_font.h"

namespace {

class FontUpload : public HarnessTest<16, 16> {
protected:
    bool load(const std::string& path, MemtarnArena* staging, GlyphMap* map, GuiTexture* texture) {
        return font_load_from_file(&h->vk, &h->texture_arena.interface, &staging->interface, (const u8*)path.data(),
                                   (u32)path.size(), 0, 14, g_program_glyph_set, map, texture, g_default_allocator);
    }
    static u64 used(const MemtarnArena& arena) {
        u64 total = 0;
        for (u32 i = 0; i < arena.offsets.count; i++) total += arena.offsets.data[i];
        return total;
    }
};

// Through arenas of the program's sizes.
TEST_F(FontUpload, AtlasBecomesASquareSingleChannelTexture) {
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    u64 staging = used(h->staging_arena), textures = used(h->texture_arena);
    ASSERT_TRUE(load(test_font_path(), &h->staging_arena, &map, &texture));
    const u32 side = test_font().atlas.width;
    EXPECT_EQ(texture.width, side);
    EXPECT_EQ(texture.height, side);
    EXPECT_EQ(texture.arena, &h->texture_arena.interface);
    EXPECT_EQ(map.count, test_font().map.count);
    // One byte per pixel went through the staging arena, and the image came from the texture arena.
    EXPECT_GE(used(h->staging_arena) - staging, side * side);
    EXPECT_LT(used(h->staging_arena) - staging, 2u * side * side);
    EXPECT_GE(used(h->texture_arena) - textures, side * side);
    EXPECT_TRUE(capture.lines().empty());
    vulkan_destroy_texture(&texture);
    glyph_map_free(&map);
}

TEST_F(FontUpload, AFontThatDoesNotLoadOrDoesNotFitUploadsNothing) {
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    u64 staging = used(h->staging_arena), textures = used(h->texture_arena);
    EXPECT_FALSE(load("missing-font.ttf", &h->staging_arena, &map, &texture));
    EXPECT_EQ(capture.texts(),
              (std::vector<std::string>{"font_FreeType: Failed to create face, err code: 1.",
                                        "font: Could not upload font to GPU because the font has not been correctly loaded."}));
    EXPECT_TRUE(gui_texture_is_none(&texture));
    EXPECT_EQ(used(h->staging_arena), staging);
    EXPECT_EQ(used(h->texture_arena), textures);

    capture.clear();
    MemtarnArena small;  // less than the atlas
    render_harness_arena(h, 100000, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &small);
    EXPECT_FALSE(load(test_font_path(), &small, &map, &texture));
    EXPECT_FALSE(capture.lines().empty());
    EXPECT_FALSE(capture.contains("font: Could not upload font to GPU because the font has not been correctly loaded."));
    EXPECT_EQ(map.buckets.data, nullptr) << "the map is freed";
    EXPECT_EQ(map.entries.data, nullptr);
    memtarn_arena_destroy(&small);
}

}  // namespace
