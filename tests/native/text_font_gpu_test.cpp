// The program font's atlas and decoded images uploaded as textures through the texture and
// staging arenas.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/renderer/font_gpu.h"
#include "Ostrel/renderer/image_gpu.h"
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

TEST_F(FontUpload, AFontThatDoesNotLoadOrDoesNotFitUploadsNothing) {
    LogCapture capture;
    GlyphMap map = {};
    GuiTexture texture = {};
    u64 staging = used(h->staging_arena), textures = used(h->texture_arena);
    EXPECT_FALSE(load("missing-font.ttf", &h->staging_arena, &map, &texture));
    // The face's own message is the font loader's test.
    EXPECT_TRUE(capture.contains("font: Could not upload font to GPU because the font has not been correctly loaded."));
    EXPECT_TRUE(gui_texture_is_none(&texture));
    EXPECT_EQ(std::pair(used(h->staging_arena), used(h->texture_arena)), std::pair(staging, textures));

    capture.clear();
    MemtarnArena small;  // less than the atlas
    render_harness_arena(h, 100000, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &small);
    memset((void*)&texture, 0xAB, sizeof(texture));
    EXPECT_FALSE(load(test_font_path(), &small, &map, &texture));
    EXPECT_TRUE(gui_texture_is_none(&texture)) << "a failed texture is never a record with dead handles";
    EXPECT_FALSE(capture.lines().empty());
    EXPECT_FALSE(capture.contains("font: Could not upload font to GPU because the font has not been correctly loaded."));
    EXPECT_TRUE(map.buckets.data == nullptr && map.entries.data == nullptr) << "the map is freed";
    memtarn_arena_destroy(&small);
}

using ImageUpload = FontUpload;

// Binary PPM: rows top to bottom, as on screen.
Image decode_ppm(u32 width, u32 height, const std::vector<u8>& rgb) {
    std::string file = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    file.append(rgb.begin(), rgb.end());
    return image_decode((const u8*)file.data(), (u32)file.size(), g_default_allocator);
}

TEST_F(ImageUpload, ADecodedImageIsDrawnUprightAsAGuiTexture) {
    LogCapture capture;
    Image image = decode_ppm(1, 2, {255, 0, 0, 0, 0, 255});  // red over blue
    GuiTexture texture = {};
    auto upload = [&] {
        return image_upload_texture(&h->vk, &h->texture_arena.interface, &h->staging_arena.interface, &image, &texture);
    };
    EXPECT_FALSE(upload());
    EXPECT_EQ(capture.texts(),
              std::vector<std::string>{"Failed to upload image: it needs four channels or one (format 2)."});
    const u8 opaque[4] = {0, 0, 0, 255};
    image_widen_to_four_channels(&image, opaque);
    ASSERT_TRUE(upload());
    image_free(&image);
    GuiElement e = render_harness_element(h, 0, 0, 16, 16, 0, 0.0f);
    e.texture = texture;
    auto pixels = render_harness_frame(h, {&e});
    EXPECT_EQ(pixel_at(pixels, 16, 8, 2), gui_pack_color(255, 0, 0, 255));
    EXPECT_EQ(pixel_at(pixels, 16, 8, 13), gui_pack_color(0, 0, 255, 255));
    vulkan_destroy_texture(&texture);
    EXPECT_TRUE(gui_texture_is_none(&texture)) << "a destroyed texture reads as none";
}

}  // namespace
