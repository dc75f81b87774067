// The 2D shape renderer drawing real frames offscreen: filled and outlined shapes in read-back
// pixels through the caller's projection, topologies that make no shapes, the per-frame release of
// drawn shapes, and creation and destruction giving back what they took. Vulkan objects left
// behind fail the native run under the validation layer when the device goes.
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/renderer/shape_renderer_2d.h"
#include "support/harness_test.h"
#include "support/log_capture.h"
#include "support/vk_hooks.h"

using namespace ostrel_vk;

namespace {

const u32 W = 128, H = 96;
const u32 RED = gui_pack_color(255, 0, 0, 255), GREEN = gui_pack_color(0, 255, 0, 255),
          BLUE = gui_pack_color(0, 0, 255, 255), CYAN = gui_pack_color(0, 255, 255, 255);
using Strings = std::vector<std::string>;

// The orthographic matrix in the engine's memory order (elements 3, 7 and 11 translate).
// Depth: near -1, far 1.
void orthographic(f32 l, f32 r, f32 t, f32 b, f32 out[16]) {
    const f32 m[16] = {2 / (r - l), 0, 0, -(r + l) / (r - l), 0, 2 / (b - t), 0, -(t + b) / (b - t),
                       0,           0, 0.5f, 0.5f,            0, 0,           0, 1};
    memcpy(out, m, sizeof m);
}

// A device allocator in front of an arena that counts what passes through it and can refuse.
struct RecordingArena {
    DeviceAllocator interface;
    DeviceAllocator* inner = nullptr;
    int allocations = 0, frees = 0;
    bool refuse = false;
    void wrap(DeviceAllocator* arena) {
        *this = RecordingArena{};
        inner = arena;
        interface = DeviceAllocator{this, allocate, release};
    }
    static u64 allocate(void* context, VkMemoryRequirements requirements, VkDeviceMemory* memory) {
        RecordingArena* a = (RecordingArena*)context;
        if (a->refuse) return DEVICE_ALLOCATION_FAILED;
        a->allocations++;
        return device_allocate(a->inner, requirements, memory);
    }
    static void release(void* context, u64 offset, VkDeviceMemory memory) {
        RecordingArena* a = (RecordingArena*)context;
        a->frees++;
        device_free(a->inner, offset, memory);
    }
};

class ShapeRenderer2DTest : public HarnessTest<W, H> {
protected:
    void SetUp() override {
        HarnessTest::SetUp();
        // Long-lived shapes and the uniform in the uniform arena (never reset); drawn shapes in the
        // frame arena, which every frame begin resets.
        first.wrap(&h->uniform_arena.interface);
        second.wrap(&h->frame_arena.interface);
        VkDescriptorPoolSize size = {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1};
        VkDescriptorPoolCreateInfo info = {VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO, nullptr, 0, 1, 1, &size};
        ASSERT_EQ(vkCreateDescriptorPool(h->vk.device, &info, nullptr, &pool), VK_SUCCESS);
    }
    void TearDown() override {
        vkDeviceWaitIdle(h->vk.device);
        if (created) shape_renderer_2d_destroy(&shapes);
        vkDestroyDescriptorPool(h->vk.device, pool, nullptr);
    }
    ShapeRenderer2DConfig config(u32 topology = RENDER_TOPOLOGY_TRIANGLE_LIST) {
        ShapeRenderer2DConfig c = {0, 0, W, H, {}, topology, RENDER_POLYGON_FILL, RENDER_CULL_NONE, RENDER_FRONT_FACE_CLOCKWISE,
                                   h->vk.device, nullptr, &first.interface, &second.interface, pool, h->vk.render_pass,
                                   h->vk.command_buffer, g_default_allocator,
                                   (bool)h->vk.enabled_features.fillModeNonSolid};
        orthographic(0, (f32)W, 0, (f32)H, c.projection);  // pixels, y down
        return c;
    }
    void create() {
        ShapeRenderer2DConfig c = config();
        created = shape_renderer_2d_create(&c, &shapes);
        ASSERT_TRUE(created);
    }
    // One frame of the shapes the body draws.
    template <class Body>
    std::vector<u32> frame(Body&& body) {
        EXPECT_TRUE(render_harness_begin(h));
        shape_renderer_2d_begin(&shapes);
        body();
        EXPECT_TRUE(render_harness_end(h));
        return render_harness_pixels(h);
    }
    // Buffers made and not yet destroyed while `hooks` live.
    static void count_buffers(VkHooks* hooks) {
        VkFake<&vkCreateBuffer>::install(hooks);
        VkFake<&vkDestroyBuffer>::install(hooks);
    }
    static int live_buffers() { return VkFake<&vkCreateBuffer>::calls - VkFake<&vkDestroyBuffer>::calls; }
    static u32 at(const std::vector<u32>& p, u32 x, u32 y) { return pixel_at(p, W, x, y); }
    static int count_of(const std::vector<u32>& p, u32 color) { return (int)std::count(p.begin(), p.end(), color); }

    RecordingArena first, second;
    VkDescriptorPool pool = VK_NULL_HANDLE;
    ShapeRenderer2D shapes = {};
    bool created = false;
};

// Outlines from the line list; filled triangles drawn as their edges or their corners, for which
// the device needs fillModeNonSolid (lavapipe offers it; without it the modes are refused).
TEST_F(ShapeRenderer2DTest, PointAndLinePolygonModesDrawEdgesOrCornersWhenTheDeviceHasTheFeature) {
    ASSERT_TRUE(h->vk.enabled_features.fillModeNonSolid);
    using Pixels = std::vector<std::pair<u32, u32>>;
    const struct { u32 topology, mode; Pixels lit, dark; } cases[] = {
        // The line list outlines: the middle of each edge, nothing inside.
        {RENDER_TOPOLOGY_LINE_LIST, RENDER_POLYGON_FILL, {{20, 35}, {40, 50}, {60, 35}, {40, 20}}, {{40, 35}, {21, 21}}},
        // The four edges and the diagonal between the two triangles, nothing else inside.
        {RENDER_TOPOLOGY_TRIANGLE_LIST, RENDER_POLYGON_LINE, {{20, 35}, {40, 50}, {60, 35}, {40, 20}, {40, 35}},
         {{50, 25}, {30, 45}}},
        {RENDER_TOPOLOGY_TRIANGLE_LIST, RENDER_POLYGON_POINT, {{20, 20}, {20, 50}, {60, 50}, {60, 20}},
         {{40, 20}, {20, 35}, {40, 35}}},
        // A strip makes no shapes: no geometry, and no geometry is no error.
        {RENDER_TOPOLOGY_TRIANGLE_STRIP, RENDER_POLYGON_FILL, {}, {{20, 35}, {40, 35}, {21, 21}, {59, 49}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.topology << " " << c.mode);
        ShapeRenderer2DConfig config_ = config(c.topology);
        config_.polygon_mode = c.mode;
        created = shape_renderer_2d_create(&config_, &shapes);
        ASSERT_TRUE(created);
        auto pixels = frame([&] { shape_renderer_2d_draw_rectangle_at(&shapes, 20.5f, 20.5f, 40, 30, RED); });
        for (auto [x, y] : c.lit) EXPECT_EQ(at(pixels, x, y), RED) << x << "," << y;
        for (auto [x, y] : c.dark) EXPECT_EQ(at(pixels, x, y), 0u) << x << "," << y;
        vkDeviceWaitIdle(h->vk.device);
        shape_renderer_2d_destroy(&shapes);
        created = false;
        if (c.mode == RENDER_POLYGON_FILL) continue;
        LogCapture log;
        config_.fill_mode_non_solid = false;
        EXPECT_FALSE(shape_renderer_2d_create(&config_, &shapes));
        EXPECT_EQ(log.texts(), Strings{"Shape renderer: point and line polygon modes need the fillModeNonSolid device "
                                       "feature, which this device lacks."});
    }
}

// Drawn shapes fill their pixels, later ones covering earlier ones, and live in the second arena
// until the next begin; a built rectangle lives in the first and is drawn by the caller in as many
// frames as it likes; destroy gives back the rest.
TEST_F(ShapeRenderer2DTest, ShapesFillTheirPixelsAndTheNextBeginReleasesTheFramesShapesAndDestroyTheRest) {
    VkHooks hooks;
    count_buffers(&hooks);
    create();
    VertexBuffer rect = shape_renderer_2d_rectangle(&shapes, 12, 6, GREEN);
    auto pixels = frame([&] {
        vulkan_draw_vertex_buffer(&rect, 1, h->vk.command_buffer);                     // under the red one
        shape_renderer_2d_draw_rectangle(&shapes, 16, 8, RED);                         // (0, 0) .. (16, 8)
        shape_renderer_2d_draw_rectangle_between(&shapes, {40, 30}, {60, 50}, GREEN);  // size b - a
        shape_renderer_2d_draw_rectangle_between(&shapes, {100, 90}, {90, 70}, BLUE);  // corners the other way
        shape_renderer_2d_draw_rectangle_at(&shapes, 50, 40, 20, 20, RED);             // over the green one
        // A diamond: corners at the middle of each side of the 40 x 40 square from (80, 0).
        shape_renderer_2d_draw_quad(&shapes, {100, 0}, {80, 20}, {100, 40}, {120, 20}, CYAN);
    });
    EXPECT_EQ(count_of(pixels, RED), 16 * 8 + 20 * 20);
    EXPECT_EQ(count_of(pixels, GREEN), 20 * 20 - 10 * 10);
    EXPECT_EQ(count_of(pixels, BLUE), 10 * 20);
    EXPECT_NEAR(count_of(pixels, CYAN), 800, 45) << "half the square, give or take the diagonal edges";
    for (auto [x, y, c] : {std::tuple{0u, 0u, RED}, {15, 7, RED}, {69, 59, RED}, {40, 30, GREEN}, {59, 39, GREEN},
                           {90, 70, BLUE}, {99, 89, BLUE}, {100, 20, CYAN}, {99, 2, CYAN}, {16, 0, 0u}, {70, 40, 0u},
                           {89, 70, 0u}, {81, 1, 0u}, {118, 38, 0u}})
        EXPECT_EQ(at(pixels, x, y), c) << x << "," << y;
    EXPECT_EQ(std::pair(first.allocations, second.allocations), std::pair(2, 5));
    EXPECT_EQ(live_buffers(), 7);
    pixels = frame([&] {
        EXPECT_EQ(live_buffers(), 2);
        shape_renderer_2d_draw_rectangle_at(&shapes, 60, 60, 4, 4, GREEN);
        vulkan_draw_vertex_buffer(&rect, 1, h->vk.command_buffer);
    });
    EXPECT_EQ(at(pixels, 62, 62), GREEN);
    EXPECT_EQ(at(pixels, 95, 80), 0u) << "last frame's shapes are gone";
    EXPECT_EQ(count_of(pixels, GREEN), 12 * 6 + 4 * 4);
    vkDeviceWaitIdle(h->vk.device);
    vulkan_destroy_vertex_buffer(&rect);
    shape_renderer_2d_destroy(&shapes);
    EXPECT_EQ(live_buffers(), 0);
    EXPECT_EQ(first.frees, 1) << "the uniform allocation is given back";
    create();  // the pool's one set was given back
}

// Whatever step fails, nothing is kept and the pool's one set is free again.
TEST_F(ShapeRenderer2DTest, AFailedCreationStepUndoesTheStepsBeforeIt) {
    const std::function<void(VkHooks*)> failures[] = {
        [](VkHooks* k) { VkFake<&vkAllocateDescriptorSets>::install(k, 1, VK_ERROR_OUT_OF_POOL_MEMORY); },
        [](VkHooks* k) {
            VkFake<&vkCreateGraphicsPipelines>::install(
                k, 1, VK_ERROR_OUT_OF_DEVICE_MEMORY,
                [](VkDevice, VkPipelineCache, u32, const VkGraphicsPipelineCreateInfo*, const VkAllocationCallbacks*,
                   VkPipeline* p) { *p = VK_NULL_HANDLE; });
        },
        [this](VkHooks*) { first.refuse = true; },
    };
    for (const auto& fail : failures) {
        SCOPED_TRACE(&fail - failures);
        LogCapture log;
        VkHooks hooks;
        count_buffers(&hooks);
        fail(&hooks);
        ShapeRenderer2DConfig config_ = config();
        EXPECT_FALSE(shape_renderer_2d_create(&config_, &shapes));
        EXPECT_EQ(live_buffers(), 0);
        EXPECT_EQ(first.allocations, 0) << "no uniform buffer was kept";
        first.refuse = false;
    }
    // A failed projection upload is only logged; a later view uploads the caller's projection (here
    // y up from the bottom row), and the set has named the buffer all along.
    LogCapture log;
    {
        VkHooks hooks;
        vk_fail_map(&hooks, 1);
        create();
    }
    EXPECT_EQ(log.texts(), Strings{"Vulkan API call failed: VK_ERROR_MEMORY_MAP_FAILED\nMapping of a memory object has failed"});
    f32 projection[16];
    orthographic(0, (f32)W, (f32)H, 0, projection);
    shape_renderer_2d_set_view(&shapes, 0, 0, W, H, projection);
    auto pixels = frame([&] { shape_renderer_2d_draw_rectangle_at(&shapes, 10, 5, 20, 10, GREEN); });
    EXPECT_EQ(count_of(pixels, GREEN), 200);
    EXPECT_EQ(at(pixels, 10, H - 6), GREEN);   // bottom-left of the shape: 5 pixels above the bottom
    EXPECT_EQ(at(pixels, 29, H - 15), GREEN);  // top-right
}

}  // namespace
