// The renderer's decisions that need no device: result texts and the scissor.
#include <gtest/gtest.h>
#include <vector>
#include "Ostrel/gui/gui_context.h"

namespace {

TEST(ResultTexts, NamesAndDescriptionsWithOneTextForUnknownCodes) {
    // Known codes appear in the failure messages the other tests read; this one is newer than the
    // installed headers and known by its value.
    EXPECT_STREQ(vulkan_result_name((VkResult)-1000482000), "VK_ERROR_INCOMPATIBLE_SHADER_BINARY_EXT");
    for (i32 code : {(i32)VK_ERROR_UNKNOWN, 12345, -77, (i32)VK_RESULT_MAX_ENUM}) {
        EXPECT_STREQ(vulkan_result_name((VkResult)code), "VK_ERROR_UNKNOWN/Unknwown.") << code;
        EXPECT_STREQ(vulkan_result_description((VkResult)code),
                     "An unknown error has occurred; either the application has provided invalid input, or an "
                     "implementation failure has occurred.");
    }
}

// Vulkan rejects negative offsets and wrapped extents.
TEST(Scissor, TruncatesAndClampsNegativeMinimaToTheWindowEdge) {
    const struct { GuiRect clip; i32 x, y; u32 w, h; } cases[] = {
        {{10.7f, 20.2f, 110.9f, 60.5f}, 10, 20, 100, 40},
        {{-30.0f, -5.5f, 100.0f, 50.0f}, 0, 0, 100, 50},
        {{-50.0f, 10.0f, -20.0f, 5.0f}, 0, 10, 0, 0},  // outside or inverted: nothing passes
    };
    for (const auto& c : cases) {
        VkRect2D r = gui_scissor_from_clip(c.clip);
        EXPECT_EQ((std::vector<i64>{r.offset.x, r.offset.y, r.extent.width, r.extent.height}),
                  (std::vector<i64>{c.x, c.y, c.w, c.h})) << c.clip.x0;
    }
}

}  // namespace
