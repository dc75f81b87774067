// The renderer's decisions that need no device: the scissor.
#include <gtest/gtest.h>
#include <vector>
#include "Ostrel/gui/gui_context.h"

namespace {

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
