// Decoded images onto the GPU: an Image of image.h (rows bottom first) uploaded as a GUI texture
// whose top row is the picture's top, so a textured element shows it upright.
#pragma once
#include "Ostrel/renderer/renderer.h"
#include "Ostrel/text/image.h"

// Four channels become a VK_FORMAT_R8G8B8A8_UNORM texture, one channel VK_FORMAT_R8_UNORM; three
// channels are refused with a message (widen them first). The image from texture_arena, the
// staging buffer from staging_arena, no allocation callbacks.
bool image_upload_texture(const VulkanContext* context, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena,
                          const Image* image, GuiTexture* out_texture);
