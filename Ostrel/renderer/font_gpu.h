// Loading the program font onto the GPU: the atlas of font.h uploaded as a single-channel
// 8-bit texture through the renderer's texture and staging arenas.
#pragma once
#include "Ostrel/renderer/renderer.h"
#include "Ostrel/text/font.h"

// Uploads the atlas as a VK_FORMAT_R8_UNORM texture (one byte per pixel): the image from
// texture_arena, the staging buffer from staging_arena, no allocation callbacks.
bool font_upload_atlas(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                       const FontAtlas* atlas, GuiTexture* out_texture);

// Builds the atlas and glyph map of glyph_set from face face_index of the font file at path
// (pointer and length, no terminator) at pixel_height, uploads the atlas and frees its CPU copy.
// A font that could not be loaded logs "font: Could not upload font to GPU because the font has
// not been correctly loaded." and returns false; a failed upload returns false with the
// renderer's messages (and frees out_map). On true, out_map lives as long as the UI.
bool font_load_from_file(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                         const u8* path, u32 path_length, i32 face_index, u32 pixel_height, GlyphSet glyph_set,
                         GlyphMap* out_map, GuiTexture* out_texture, Allocator* allocator);
