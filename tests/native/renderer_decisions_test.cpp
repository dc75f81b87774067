// The renderer's decisions that need no device: result texts, adapter, surface format, depth
// format, swapchain parameters and the scissor.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "Ostrel/gui/gui_context.h"
#include "support/log_capture.h"

namespace {

TEST(ResultTexts, KnownCodesHaveTheirNamesAndDescriptions) {
    EXPECT_STREQ(vulkan_result_name(VK_SUCCESS), "VK_SUCCESS");
    EXPECT_STREQ(vulkan_result_description(VK_SUCCESS), "Command completed successfully");
    EXPECT_STREQ(vulkan_result_name(VK_ERROR_OUT_OF_DEVICE_MEMORY), "VK_ERROR_OUT_OF_DEVICE_MEMORY");
    EXPECT_STREQ(vulkan_result_description(VK_ERROR_OUT_OF_DEVICE_MEMORY), "A device memory allocation has failed");
    EXPECT_STREQ(vulkan_result_name(VK_SUBOPTIMAL_KHR), "VK_SUBOPTIMAL_KHR");
    EXPECT_STREQ(vulkan_result_name(VK_ERROR_OUT_OF_DATE_KHR), "VK_ERROR_OUT_OF_DATE_KHR");
    EXPECT_STREQ(vulkan_result_name(VK_ERROR_COMPRESSION_EXHAUSTED_EXT), "VK_ERROR_COMPRESSION_EXHAUSTED_EXT");
    // Newer than the installed headers, known by its value.
    EXPECT_STREQ(vulkan_result_name((VkResult)-1000482000), "VK_ERROR_INCOMPATIBLE_SHADER_BINARY_EXT");
}

TEST(ResultTexts, UnknownCodesAndVkErrorUnknownShareOneText) {
    const char* unknown_description =
        "An unknown error has occurred; either the application has provided invalid input, or an implementation "
        "failure has occurred.";
    for (i32 code : {(i32)VK_ERROR_UNKNOWN, 12345, -77, (i32)VK_RESULT_MAX_ENUM}) {
        EXPECT_STREQ(vulkan_result_name((VkResult)code), "VK_ERROR_UNKNOWN/Unknwown.") << code;
        EXPECT_STREQ(vulkan_result_description((VkResult)code), unknown_description) << code;
    }
}

//-----------------------------------------------------------------------------
// Adapter choice
//-----------------------------------------------------------------------------

// Fake adapters: per adapter, its queue families and which of them can present.
struct FakeAdapter {
    std::vector<VkQueueFlags> families;
    std::set<u32> presenting;
};

struct FakeMachine {
    std::vector<FakeAdapter> adapters;
    int described = 0;
};

VkPhysicalDevice fake_handle(size_t i) { return (VkPhysicalDevice)(uintptr_t)(0x1000 + i); }
size_t fake_index(VkPhysicalDevice d) { return (size_t)((uintptr_t)d - 0x1000); }

PhysicalDeviceInfo fake_describe(void* user, VkPhysicalDevice device, Allocator* allocator) {
    FakeMachine* m = (FakeMachine*)user;
    m->described++;
    const FakeAdapter& a = m->adapters[fake_index(device)];
    PhysicalDeviceInfo info = {};
    info.handle = device;
    info.queue_families = dyn_array_create<VkQueueFamilyProperties>(allocator, (u32)a.families.size(), 1);
    for (VkQueueFlags f : a.families) {
        VkQueueFamilyProperties p = {};
        p.queueFlags = f;
        p.queueCount = 1;
        dyn_array_push(&info.queue_families, p);
    }
    return info;
}

VkBool32 fake_present(void* user, const PhysicalDeviceInfo* info, u32 family) {
    FakeMachine* m = (FakeMachine*)user;
    return m->adapters[fake_index(info->handle)].presenting.count(family) ? VK_TRUE : VK_FALSE;
}

struct Choice {
    bool ok;
    size_t adapter;
    u32 family;
};

Choice choose(FakeMachine* m) {
    std::vector<VkPhysicalDevice> handles;
    for (size_t i = 0; i < m->adapters.size(); i++) handles.push_back(fake_handle(i));
    AdapterQueries queries = {m, fake_describe, fake_present};
    VkPhysicalDevice chosen = VK_NULL_HANDLE;
    u32 family = 99;
    bool ok = vulkan_choose_adapter(handles.data(), (u32)handles.size(), &queries, g_default_allocator, &chosen, &family);
    return Choice{ok, ok ? fake_index(chosen) : 99, family};
}

const std::vector<std::string> k_no_adapter_lines = {
    "Could not find a queue family index that supports surface.",
    "Could not find a queue family index with VK_QUEUE_GRAPHICS_BIT.",
    "Could not found a suitable Vulkan physical device.",
};

TEST(AdapterChoice, FirstAdapterThatCannotPresentGivesWayToTheSecond) {
    LogCapture capture;
    FakeMachine m;
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT}, {}});
    m.adapters.push_back({{VK_QUEUE_TRANSFER_BIT, VK_QUEUE_GRAPHICS_BIT}, {1}});
    Choice c = choose(&m);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.adapter, 1u);
    EXPECT_EQ(c.family, 1u);
    EXPECT_TRUE(capture.texts().empty());
}

TEST(AdapterChoice, FirstPassingAdapterWinsWithoutLookingFurther) {
    FakeMachine m;
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT}, {0}});
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT}, {0}});
    Choice c = choose(&m);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.adapter, 0u);
    EXPECT_EQ(m.described, 1);
}

TEST(AdapterChoice, OnlyTheFirstGraphicsFamilyIsAskedToPresent) {
    LogCapture capture;
    FakeMachine m;
    // Family 0 draws but cannot present; family 1 could do both, yet is never considered.
    m.adapters.push_back({{VK_QUEUE_GRAPHICS_BIT, VK_QUEUE_GRAPHICS_BIT}, {1}});
    Choice c = choose(&m);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(capture.texts(), k_no_adapter_lines);
}

TEST(AdapterChoice, NoGraphicsFamilyOrNoAdapterAtAllLogsTheThreeLines) {
    LogCapture capture;
    FakeMachine compute_only;
    compute_only.adapters.push_back({{VK_QUEUE_COMPUTE_BIT}, {0}});
    EXPECT_FALSE(choose(&compute_only).ok);
    EXPECT_EQ(capture.texts(), k_no_adapter_lines);
    capture.clear();
    FakeMachine empty;
    EXPECT_FALSE(choose(&empty).ok);
    EXPECT_EQ(capture.texts(), k_no_adapter_lines);
}

//-----------------------------------------------------------------------------
// Surface format, depth format, swapchain parameters
//-----------------------------------------------------------------------------

DynArray<VkSurfaceFormatKHR> formats(std::initializer_list<VkSurfaceFormatKHR> list) {
    DynArray<VkSurfaceFormatKHR> a = dyn_array_create<VkSurfaceFormatKHR>(g_default_allocator, 4, 4);
    for (const VkSurfaceFormatKHR& f : list) dyn_array_push(&a, f);
    return a;
}

TEST(SurfaceFormat, TheWantedPairIsTakenWhereverItStands) {
    LogCapture capture;
    auto list = formats({{VK_FORMAT_B8G8R8A8_SRGB, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR},
                         {VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_DISPLAY_P3_NONLINEAR_EXT},
                         {VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR}});
    VkSurfaceFormatKHR f =
        vulkan_choose_surface_format(VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR, &list);
    EXPECT_EQ(f.format, VK_FORMAT_B8G8R8A8_UNORM);
    EXPECT_EQ(f.colorSpace, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR);
    EXPECT_TRUE(capture.texts().empty());
    dyn_array_free(&list);
}

TEST(SurfaceFormat, WithoutTheWantedPairTheFirstEntryIsTakenWithOneLine) {
    LogCapture capture;
    auto list = formats({{VK_FORMAT_R8G8B8A8_SRGB, VK_COLOR_SPACE_DISPLAY_P3_NONLINEAR_EXT},
                         {VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_DISPLAY_P3_NONLINEAR_EXT}});
    VkSurfaceFormatKHR f =
        vulkan_choose_surface_format(VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR, &list);
    EXPECT_EQ(f.format, VK_FORMAT_R8G8B8A8_SRGB);
    EXPECT_EQ(f.colorSpace, VK_COLOR_SPACE_DISPLAY_P3_NONLINEAR_EXT);
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, LOG_LEVEL_ERROR);
    EXPECT_EQ(lines[0].text,
              "Could not find format for swap chain. VkFormat: 44, VkColorSpaceKHR: 0.Returning the first one in the "
              "array: VkFormat: 43, VkColorSpaceKHR: 1000104001.");
    dyn_array_free(&list);
}

TEST(DepthFormat, CandidatesAreTriedInTheirOrder) {
    const VkFormatFeatureFlags usable = VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT;
    const VkFormatFeatureFlags other = VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT | VK_FORMAT_FEATURE_TRANSFER_SRC_BIT;
    struct Case {
        VkFormatFeatureFlags features[3];
        VkFormat expected;
    } cases[] = {
        {{usable, usable, usable}, VK_FORMAT_D32_SFLOAT},
        {{other, usable, usable}, VK_FORMAT_D32_SFLOAT_S8_UINT},
        {{0, other, usable | other}, VK_FORMAT_D24_UNORM_S8_UINT},
    };
    for (const Case& c : cases) {
        VkFormat f = VK_FORMAT_UNDEFINED;
        EXPECT_TRUE(vulkan_pick_depth_format(c.features, &f));
        EXPECT_EQ(f, c.expected);
    }
    EXPECT_EQ(k_vulkan_depth_formats[0], 126);
    EXPECT_EQ(k_vulkan_depth_formats[1], 130);
    EXPECT_EQ(k_vulkan_depth_formats[2], 129);
}

TEST(DepthFormat, NoneUsableIsReported) {
    LogCapture capture;
    VkFormatFeatureFlags none[3] = {VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT, 0, VK_FORMAT_FEATURE_BLIT_SRC_BIT};
    VkFormat f = VK_FORMAT_UNDEFINED;
    EXPECT_FALSE(vulkan_pick_depth_format(none, &f));
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Failed to find a suitable depth image format."});
}

TEST(SwapchainParameters, ImageCountIsTheMaximumOrAValidCountWithoutOne) {
    VkSurfaceCapabilitiesKHR caps = {};
    caps.minImageCount = 3;
    caps.maxImageCount = 16;
    EXPECT_EQ(vulkan_choose_image_count(&caps), 16u);
    // No maximum: requesting "the maximum" (0) would be invalid; at least the minimum it is.
    caps.minImageCount = 2;
    caps.maxImageCount = 0;
    u32 count = vulkan_choose_image_count(&caps);
    EXPECT_GE(count, caps.minImageCount);
    EXPECT_EQ(count, 3u);
}

TEST(SwapchainParameters, MailboxWhenOfferedOtherwiseFifo) {
    VkPresentModeKHR with_mailbox[] = {VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_FIFO_KHR,
                                       VK_PRESENT_MODE_MAILBOX_KHR};
    EXPECT_EQ(vulkan_choose_present_mode(with_mailbox, 3), VK_PRESENT_MODE_MAILBOX_KHR);
    VkPresentModeKHR without[] = {VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_FIFO_RELAXED_KHR};
    EXPECT_EQ(vulkan_choose_present_mode(without, 2), VK_PRESENT_MODE_FIFO_KHR);
    EXPECT_EQ(vulkan_choose_present_mode(nullptr, 0), VK_PRESENT_MODE_FIFO_KHR);
}

TEST(SwapchainParameters, ExtentIsTheSurfacesUnlessItLeavesItToUs) {
    VkSurfaceCapabilitiesKHR caps = {};
    caps.currentExtent = {640, 480};
    caps.minImageExtent = {1, 1};
    caps.maxImageExtent = {4096, 4096};
    VkExtent2D e = vulkan_choose_extent(&caps, 800, 600);
    EXPECT_EQ(e.width, 640u);
    EXPECT_EQ(e.height, 480u);
    caps.currentExtent = {0xFFFFFFFFu, 0xFFFFFFFFu};
    e = vulkan_choose_extent(&caps, 800, 9000);
    EXPECT_EQ(e.width, 800u);
    EXPECT_EQ(e.height, 4096u);
}

//-----------------------------------------------------------------------------
// Scissor
//-----------------------------------------------------------------------------

TEST(Scissor, TruncatesAndClampsNegativeMinimaToTheWindowEdge) {
    VkRect2D r = gui_scissor_from_clip(GuiRect{10.7f, 20.2f, 110.9f, 60.5f});
    EXPECT_EQ(r.offset.x, 10);
    EXPECT_EQ(r.offset.y, 20);
    EXPECT_EQ(r.extent.width, 100u);
    EXPECT_EQ(r.extent.height, 40u);
    // A scroll region partly above and left of the window: offset 0, and the extent ends where
    // the clip rectangle ends rather than growing by the clamped amount.
    r = gui_scissor_from_clip(GuiRect{-30.0f, -5.5f, 100.0f, 50.0f});
    EXPECT_EQ(r.offset.x, 0);
    EXPECT_EQ(r.offset.y, 0);
    EXPECT_EQ(r.extent.width, 100u);
    EXPECT_EQ(r.extent.height, 50u);
    // Entirely outside or inverted: nothing passes.
    r = gui_scissor_from_clip(GuiRect{-50.0f, 10.0f, -20.0f, 5.0f});
    EXPECT_EQ(r.extent.width, 0u);
    EXPECT_EQ(r.extent.height, 0u);
}

}  // namespace
