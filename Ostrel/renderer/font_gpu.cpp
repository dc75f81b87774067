#include "Ostrel/renderer/font_gpu.h"
#include "Ostrel/core/log.h"

// The largest atlas the font builds, one byte per pixel, goes through the staging arena into
// the texture arena, each allocation short of the block's end.
static_assert((u64)FONT_ATLAS_MAX_SIDE * FONT_ATLAS_MAX_SIDE < MEMTARN_TEXTURE_BLOCK_SIZE &&
                  (u64)FONT_ATLAS_MAX_SIDE * FONT_ATLAS_MAX_SIDE < MEMTARN_STAGING_BLOCK_SIZE,
              "the largest font atlas fits the texture and staging arenas");

bool font_upload_atlas(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                       const FontAtlas* atlas, GuiTexture* out_texture) {
    TextureCreateInfo info = {};
    info.pixels = atlas->pixels;
    info.width = atlas->width;
    info.height = atlas->height;
    info.format = VK_FORMAT_R8_UNORM;
    info.bytes_per_pixel = 1;
    info.physical_device = context->physical_device;
    info.device = context->device;
    info.queue = context->graphics_queue;
    info.command_pool = context->command_pool;
    return vulkan_create_texture(&info, texture_arena, staging_arena, nullptr, out_texture);
}

bool font_load_from_file(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                         const u8* path, u32 path_length, i32 face_index, u32 pixel_height, GlyphSet glyph_set,
                         GlyphMap* out_map, GuiTexture* out_texture, Allocator* allocator) {
    FontAtlas atlas = {};
    if (!font_build_atlas_from_file(path, path_length, face_index, pixel_height, glyph_set, out_map, &atlas,
                                    allocator)) {
        log_error("font: Could not upload font to GPU because the font has not been correctly loaded.");
        return false;
    }
    bool uploaded = font_upload_atlas(context, texture_arena, staging_arena, &atlas, out_texture);
    font_atlas_free(&atlas);
    // Without its texture the map is of no use; the renderer has logged why.
    if (!uploaded) glyph_map_free(out_map);
    return uploaded;
}
