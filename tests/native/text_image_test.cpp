#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/text/image.h"
#include "support/log_capture.h"
#include "test_files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace {

void append_bytes(void* context, void* data, int size) {
    ((std::string*)context)->append((const char*)data, (size_t)size);
}

// Test images are encoded here, rows top first as the file formats store them on screen.
std::string png(int width, int height, int channels, const std::vector<u8>& pixels) {
    std::string out;
    EXPECT_TRUE(stbi_write_png_to_func(append_bytes, &out, width, height, channels, pixels.data(), width * channels));
    return out;
}

std::vector<u8> pixels_of(const Image& image) {
    u64 n = (u64)image.width * image.height * image_format_channels(image.format);
    return std::vector<u8>(image.pixels, image.pixels + n);
}

struct ImageFixture : testing::Test {
    CountingAllocator heap;
    LogCapture log;
    void TearDown() override { EXPECT_EQ(heap.live(), 0) << "every block from the caller's allocator is freed"; }
    Image load(const std::string& path) { return image_load_file((const u8*)path.data(), (u32)path.size(), &heap.allocator); }
    Image decode(const std::string& file) { return image_decode((const u8*)file.data(), (u32)file.size(), &heap.allocator); }
};

TEST_F(ImageFixture, RgbFileGivesFormat2WithItsBytesBottomRowFirst) {
    ScratchFile file(".png");
    ASSERT_TRUE(file.write(png(2, 1, 3, {10, 20, 30, 40, 50, 60})));
    Image image = load(file.path());
    EXPECT_TRUE(image.width == 2 && image.height == 1 && image.allocator == &heap.allocator);
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_RGB8);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(heap.live(), 1) << "only the pixels stay allocated";
    image_free(&image);
    // Top row red, bottom row blue: the bottom row comes first.
    image = decode(png(2, 2, 3, {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}));
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0}));
    image_free(&image);
    // Grey keeps its one channel.
    image = decode(png(3, 1, 1, {0, 128, 255}));
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_R8);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{0, 128, 255}));
    image_free(&image);
    EXPECT_TRUE(log.texts().empty());
}

// Nothing is kept, and each refusal logs one line: the decoder's reason follows its prefix.
TEST_F(ImageFixture, RefusedImagesAreReportedAndKeepNothing) {
    ScratchFile file(".png");
    ASSERT_TRUE(file.write(png(2, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8})));  // grey with alpha
    const std::string whole = png(4, 4, 3, std::vector<u8>(48, 7)), reason = "Failed to loaded buffered image, reason: ";
    const struct { Image image; std::string message; } cases[] = {
        {load(file.path()), "Unsupported image pixel format."},
        // The path is taken by its length, not up to a terminator.
        {image_load_file((const u8*)"no/such/picture.pngXYZ", 19, &heap.allocator), "Failed to open image at no/such/picture.png."},
        {decode("not an image at all"), reason},
        {decode(whole.substr(0, whole.size() / 2)), reason},
    };
    const std::vector<std::string> texts = log.texts();
    ASSERT_EQ(texts.size(), 4u);
    for (size_t i = 0; i < 4; i++) {
        const Image& image = cases[i].image;
        EXPECT_TRUE(image.pixels == nullptr && image.format == 0 && image.allocator == nullptr) << i;
        EXPECT_EQ(texts[i].substr(0, cases[i].message.size()), cases[i].message);
        EXPECT_EQ(texts[i].size() > cases[i].message.size(), cases[i].message == reason) << texts[i];
    }
}

}  // namespace
