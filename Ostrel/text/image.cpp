#include "Ostrel/text/image.h"
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/string_view.h"
#include "Ostrel/platform/file.h"

#define STBI_NO_STDIO
#include <stb/stb_image.h>

u32 image_format_channels(u32 format) {
    switch (format) {
        case IMAGE_FORMAT_RGBA8: return 4;
        case IMAGE_FORMAT_RGB8: return 3;
        case IMAGE_FORMAT_R8: return 1;
        default: return 0;
    }
}

Image image_decode(const u8* bytes, u32 length, Allocator* allocator) {
    Image image = {};
    // stb_image takes an int length; a larger buffer would wrap to a negative one.
    if (length > 0x7FFFFFFFu) {
        log_error("Failed to loaded buffered image, reason: %", "image file too large");
        return image;
    }
    stbi_set_flip_vertically_on_load(1);
    int width = 0, height = 0, channels = 0;
    stbi_uc* decoded = stbi_load_from_memory(bytes, (int)length, &width, &height, &channels, 0);
    if (!decoded) {
        log_error("Failed to loaded buffered image, reason: %", stbi_failure_reason());
        return image;
    }
    u32 format = IMAGE_FORMAT_NONE;
    switch (channels) {
        case 1: format = IMAGE_FORMAT_R8; break;
        case 3: format = IMAGE_FORMAT_RGB8; break;
        case 4: format = IMAGE_FORMAT_RGBA8; break;
        default: break;
    }
    if (format == IMAGE_FORMAT_NONE) {
        log_error("Unsupported image pixel format.");
        stbi_image_free(decoded);
        return image;
    }
    u64 size = (u64)width * (u64)height * (u64)channels;
    image.pixels = (u8*)allocator_alloc(allocator, size);
    memcpy(image.pixels, decoded, (size_t)size);
    stbi_image_free(decoded);
    image.width = (u32)width;
    image.height = (u32)height;
    image.format = format;
    image.allocator = allocator;
    return image;
}

Image image_load_file(const u8* path, u32 path_length, Allocator* allocator) {
    Image image = {};
    char* path_z = (char*)allocator_alloc(allocator, (u64)path_length + 1);
    memcpy(path_z, path, path_length);
    path_z[path_length] = 0;
    u8* bytes = nullptr;
    u32 size = 0;
    FileReadResult read = file_read_whole(path_z, allocator, 0xFFFFFFFFull, &bytes, &size);
    allocator_free(allocator, path_z);
    if (read == FILE_READ_TOO_LARGE) {
        log_error("Image maximum size reached!");
        return image;
    }
    if (read != FILE_READ_OK) {
        log_error("Failed to open image at %.", string_view((const char*)path, path_length));
        return image;
    }
    image = image_decode(bytes, size, allocator);
    allocator_free(allocator, bytes);
    return image;
}

void image_widen_to_four_channels(Image* image, const u8 color[4]) {
    u32 channels = image_format_channels(image->format);
    if (!image->pixels || (channels != 1 && channels != 3)) return;
    u64 count = (u64)image->width * image->height;
    u8* wide = (u8*)allocator_alloc(image->allocator, count * 4);
    const u8* p = image->pixels;
    u8* q = wide;
    for (u64 i = 0; i < count; i++, q += 4) {
        if (channels == 3) {
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            q[3] = color[3];
            p += 3;
        } else {
            q[0] = color[0];
            q[1] = color[1];
            q[2] = color[2];
            q[3] = p[0];
            p += 1;
        }
    }
    allocator_free(image->allocator, image->pixels);
    image->pixels = wide;
    image->format = IMAGE_FORMAT_RGBA8;
}

void image_free(Image* image) {
    if (image->pixels && image->allocator) allocator_free(image->allocator, image->pixels);
    *image = Image{};
}
