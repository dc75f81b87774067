// Image files (any format stb_image decodes) decoded into memory, bottom row first, ready to be
// uploaded as a texture; one- and three-channel images can be widened to four channels.
#pragma once
#include "Ostrel/core/allocator.h"

enum ImageFormat : u32 {
    IMAGE_FORMAT_NONE = 0,
    IMAGE_FORMAT_RGBA8 = 1,  // four channels: 8-bit red, green, blue, alpha
    IMAGE_FORMAT_RGB8 = 2,   // three channels: 8-bit red, green, blue
    IMAGE_FORMAT_R8 = 3,     // one 8-bit channel
};

// All zero means "no image". pixels holds width x height x channels bytes, rows bottom to top.
struct Image {
    u8* pixels;
    u32 width;
    u32 height;
    u32 format;  // ImageFormat
    Allocator* allocator;  // owns pixels
};

// Bytes per pixel of a format; 0 for IMAGE_FORMAT_NONE and unknown values.
u32 image_format_channels(u32 format);

// Reads and decodes the file at path (pointer and length, no terminator). Logs and returns the
// all-zero Image on failure.
Image image_load_file(const u8* path, u32 path_length, Allocator* allocator);
// Decodes an image file held in memory. Grey-with-alpha images are refused.
Image image_decode(const u8* bytes, u32 length, Allocator* allocator);
// Three channels: (r, g, b, color[3]); one channel: (color[0], color[1], color[2], value). Four
// channels and no image are left as they are. The old pixels are freed.
void image_widen_to_four_channels(Image* image, const u8 color[4]);
// Frees the pixels and leaves the all-zero Image behind.
void image_free(Image* image);
