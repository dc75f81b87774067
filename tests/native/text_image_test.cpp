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
    EXPECT_EQ((size_t)(width * height * channels), pixels.size());
    EXPECT_TRUE(stbi_write_png_to_func(append_bytes, &out, width, height, channels, pixels.data(), width * channels));
    return out;
}

std::string bmp(int width, int height, int channels, const std::vector<u8>& pixels) {
    std::string out;
    EXPECT_TRUE(stbi_write_bmp_to_func(append_bytes, &out, width, height, channels, pixels.data()));
    return out;
}

std::vector<u8> pixels_of(const Image& image) {
    u64 n = (u64)image.width * image.height * image_format_channels(image.format);
    return std::vector<u8>(image.pixels, image.pixels + n);
}

Image decode(const std::string& file, Allocator* allocator) {
    return image_decode((const u8*)file.data(), (u32)file.size(), allocator);
}

Image load(const std::string& path, Allocator* allocator) {
    return image_load_file((const u8*)path.data(), (u32)path.size(), allocator);
}

struct ImageFixture : testing::Test {
    CountingAllocator heap;
    LogCapture log;
    void TearDown() override { EXPECT_EQ(heap.live(), 0) << "every block from the caller's allocator is freed"; }
};

TEST_F(ImageFixture, RgbFileGivesFormat2WithItsBytes) {
    ScratchFile file(".png");
    ASSERT_TRUE(file.write(png(2, 1, 3, {10, 20, 30, 40, 50, 60})));
    Image image = load(file.path(), &heap.allocator);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_RGB8);
    EXPECT_EQ(image.allocator, &heap.allocator);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(heap.live(), 1) << "only the pixels stay allocated";
    image_free(&image);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_TRUE(log.texts().empty());
}

TEST_F(ImageFixture, RowsComeBottomFirst) {
    // Top row red, bottom row blue.
    const std::vector<u8> top_first = {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    const std::vector<u8> bottom_first = {0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0};
    Image image = decode(png(2, 2, 3, top_first), &heap.allocator);
    EXPECT_EQ(pixels_of(image), bottom_first);
    image_free(&image);
    // BMP stores its rows bottom up already; the decoded order is the same.
    image = decode(bmp(2, 2, 3, top_first), &heap.allocator);
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_RGB8);
    EXPECT_EQ(pixels_of(image), bottom_first);
    image_free(&image);
}

TEST_F(ImageFixture, GreyAndRgbaKeepTheirChannelCounts) {
    Image grey = decode(png(3, 1, 1, {0, 128, 255}), &heap.allocator);
    EXPECT_EQ(grey.format, (u32)IMAGE_FORMAT_R8);
    EXPECT_EQ(pixels_of(grey), (std::vector<u8>{0, 128, 255}));
    image_free(&grey);
    Image rgba = decode(png(1, 1, 4, {1, 2, 3, 4}), &heap.allocator);
    EXPECT_EQ(rgba.format, (u32)IMAGE_FORMAT_RGBA8);
    EXPECT_EQ(pixels_of(rgba), (std::vector<u8>{1, 2, 3, 4}));
    image_free(&rgba);
}

TEST_F(ImageFixture, GreyWithAlphaIsRefused) {
    ScratchFile file(".png");
    ASSERT_TRUE(file.write(png(2, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8})));
    Image image = load(file.path(), &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.format, 0u);
    EXPECT_EQ(image.allocator, nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Unsupported image pixel format."});
}

TEST_F(ImageFixture, MissingFileNamesThePath) {
    const std::string path = "no/such/picture.png";
    Image image = load(path, &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to open image at no/such/picture.png."});
    log.clear();
    // The path is taken by its length, not up to a terminator.
    image = image_load_file((const u8*)"missing.pngXYZ", 11, &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to open image at missing.png."});
}

TEST_F(ImageFixture, UndecodableBytesGiveStbsReason) {
    ScratchFile file(".png");
    ASSERT_TRUE(file.write("not an image at all"));
    Image image = load(file.path(), &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
    std::vector<std::string> texts = log.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Failed to loaded buffered image, reason: ", 0), 0u) << texts[0];
    EXPECT_GT(texts[0].size(), std::string("Failed to loaded buffered image, reason: ").size());
    log.clear();
    // A PNG cut short is refused too, and nothing of it is kept.
    std::string whole = png(4, 4, 3, std::vector<u8>(48, 7));
    image = decode(whole.substr(0, whole.size() / 2), &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
    texts = log.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("Failed to loaded buffered image, reason: ", 0), 0u) << texts[0];
    image = decode("", &heap.allocator);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(ImageFixture, WideningOneChannelMakesItTheAlpha) {
    Image image = decode(png(3, 1, 1, {0, 77, 255}), &heap.allocator);
    const u8 white_clear[4] = {255, 255, 255, 0};
    image_widen_to_four_channels(&image, white_clear);
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_RGBA8);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{255, 255, 255, 0, 255, 255, 255, 77, 255, 255, 255, 255}));
    EXPECT_EQ(heap.live(), 1) << "the one-channel pixels were freed";
    image_free(&image);
}

TEST_F(ImageFixture, WideningThreeChannelsTakesTheColoursAlpha) {
    Image image = decode(png(2, 1, 3, {1, 2, 3, 4, 5, 6}), &heap.allocator);
    const u8 colour[4] = {9, 9, 9, 200};
    image_widen_to_four_channels(&image, colour);
    EXPECT_EQ(image.format, (u32)IMAGE_FORMAT_RGBA8);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{1, 2, 3, 200, 4, 5, 6, 200}));
    // Four channels stay as they are, and so does no image.
    u8* before = image.pixels;
    image_widen_to_four_channels(&image, colour);
    EXPECT_EQ(image.pixels, before);
    EXPECT_EQ(pixels_of(image), (std::vector<u8>{1, 2, 3, 200, 4, 5, 6, 200}));
    image_free(&image);
    Image none = {};
    image_widen_to_four_channels(&none, colour);
    EXPECT_EQ(none.pixels, nullptr);
    EXPECT_EQ(none.format, 0u);
    image_free(&none);
}

}  // namespace
