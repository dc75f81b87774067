// The renderer's decisions that need no device: result texts, adapter and the scissor.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_context.h"
#include "Ostrel/renderer/vulkan_internal.h"
#include "support/log_capture.h"

namespace {

TEST(ResultTexts, NamesAndDescriptionsWithOneTextForUnknownCodes) {
    // Known codes appear in the failure messages the other tests read.
    // Newer than the installed headers, known by its value.
    EXPECT_STREQ(vulkan_result_name((VkResult)-1000482000), "VK_ERROR_INCOMPATIBLE_SHADER_BINARY_EXT");
    for (i32 code : {(i32)VK_ERROR_UNKNOWN, 12345, -77, (i32)VK_RESULT_MAX_ENUM}) {
        EXPECT_STREQ(vulkan_result_name((VkResult)code), "VK_ERROR_UNKNOWN/Unknwown.") << code;
        EXPECT_STREQ(vulkan_result_description((VkResult)code),
                     "An unknown error has occurred; either the application has provided invalid input, or an "
                     "implementation failure has occurred.")
            << code;
    }
}

// Fake adapters: per adapter, its queue families and which of them can present.
struct FakeAdapter { std::vector<VkQueueFlags> families; std::set<u32> presenting; };

struct FakeMachine { std::vector<FakeAdapter> adapters; int described = 0; };

PhysicalDeviceInfo fake_describe(void* user, VkPhysicalDevice device, Allocator* allocator) {
    FakeMachine* m = (FakeMachine*)user;
    m->described++;
    const FakeAdapter& a = m->adapters[(uintptr_t)device - 1];
    PhysicalDeviceInfo info = {};
    info.handle = device;
    info.queue_families = dyn_array_create<VkQueueFamilyProperties>(allocator, (u32)a.families.size(), 1);
    for (VkQueueFlags f : a.families) dyn_array_push(&info.queue_families, VkQueueFamilyProperties{f, 1});
    return info;
}

VkBool32 fake_present(void* user, const PhysicalDeviceInfo* info, u32 family) {
    return ((FakeMachine*)user)->adapters[(uintptr_t)info->handle - 1].presenting.count(family) ? VK_TRUE : VK_FALSE;
}

// The chosen adapter's index and family, or -1.
std::pair<int, u32> choose(FakeMachine* m) {
    std::vector<VkPhysicalDevice> handles;
    for (size_t i = 0; i < m->adapters.size(); i++) handles.push_back((VkPhysicalDevice)(uintptr_t)(i + 1));
    AdapterQueries queries = {m, fake_describe, fake_present};
    VkPhysicalDevice chosen = VK_NULL_HANDLE;
    u32 family = 99;
    if (!vulkan_choose_adapter(handles.data(), (u32)handles.size(), &queries, g_default_allocator, &chosen, &family))
        return {-1, family};
    return {(int)(uintptr_t)chosen - 1, family};
}

TEST(AdapterChoice, TheFirstAdapterWhoseFirstGraphicsFamilyPresents) {
    LogCapture capture;
    FakeMachine m;
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT}, {}});
    m.adapters.push_back({{VK_QUEUE_TRANSFER_BIT, VK_QUEUE_GRAPHICS_BIT}, {1}});
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT}, {0}});
    EXPECT_EQ(choose(&m), std::make_pair(1, 1u));
    EXPECT_EQ(m.described, 2) << "no look past the first that passes";
    EXPECT_TRUE(capture.texts().empty());
}

TEST(AdapterChoice, RejectedAdaptersLogTheThreeLines) {
    const std::vector<std::string> lines = {
        "Could not find a queue family index that supports surface.",
        "Could not find a queue family index with VK_QUEUE_GRAPHICS_BIT.",
        "Could not found a suitable Vulkan physical device.",
    };
    FakeMachine second_family_presents, compute_only, none;
    // Family 0 draws but cannot present; family 1 could do both, yet is never considered.
    second_family_presents.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT, VK_QUEUE_GRAPHICS_BIT}, {1}});
    compute_only.adapters.push_back({{VK_QUEUE_COMPUTE_BIT}, {0}});
    for (FakeMachine* m : {&second_family_presents, &compute_only, &none}) {
        LogCapture capture;
        EXPECT_EQ(choose(m).first, -1);
        EXPECT_EQ(capture.texts(), lines);
    }
}

TEST(Scissor, TruncatesAndClampsNegativeMinimaToTheWindowEdge) {
    struct { GuiRect clip; i32 x, y; u32 w, h; } cases[] = {
        {{10.7f, 20.2f, 110.9f, 60.5f}, 10, 20, 100, 40},
        // Partly above and left of the window: offset 0, and the extent ends where the clip ends.
        {{-30.0f, -5.5f, 100.0f, 50.0f}, 0, 0, 100, 50},
        {{-50.0f, 10.0f, -20.0f, 5.0f}, 0, 10, 0, 0},  // outside or inverted: nothing passes
    };
    for (const auto& c : cases) {
        VkRect2D r = gui_scissor_from_clip(c.clip);
        EXPECT_EQ(r.extent.width, c.w) << c.clip.x0;
        EXPECT_EQ(r.extent.height, c.h) << c.clip.x0;
        if (c.w) { EXPECT_EQ(r.offset.x, c.x) << c.clip.x0; }
        if (c.h) { EXPECT_EQ(r.offset.y, c.y) << c.clip.x0; }
    }
}

}  // namespace
