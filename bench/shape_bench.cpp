// CPU cost of frames of 2D shapes on lavapipe, offscreen, at the program's minimum window size:
// filled rectangles and outlines, one vertex buffer and one draw each.
#include <benchmark/benchmark.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/renderer/shape_renderer_2d.h"
#include "support/render_harness.h"

using namespace ostrel_vk;

namespace {

const u32 W = 565, H = 411;
RenderHarness* g_h;
VkDescriptorPool g_pools[2];
ShapeRenderer2D g_shapes[2];  // filled, outlined

bool create_shapes(u32 index, u32 topology) {
    VkDescriptorPoolSize size = {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1};
    VkDescriptorPoolCreateInfo pool = {VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    pool.maxSets = 1;
    pool.poolSizeCount = 1;
    pool.pPoolSizes = &size;
    if (vkCreateDescriptorPool(g_h->vk.device, &pool, nullptr, &g_pools[index]) != VK_SUCCESS) return false;
    ShapeRenderer2DConfig c = {};
    c.viewport_width = W;
    c.viewport_height = H;
    c.projection[0] = 2.0f / W;
    c.projection[3] = -1.0f;
    c.projection[5] = 2.0f / H;
    c.projection[7] = -1.0f;
    c.projection[10] = 0.5f;
    c.projection[11] = 0.5f;
    c.projection[15] = 1.0f;
    c.topology = topology;
    c.polygon_mode = RENDER_POLYGON_FILL;
    c.device = g_h->vk.device;
    c.first_arena = &g_h->uniform_arena.interface;
    c.second_arena = &g_h->frame_arena.interface;
    c.descriptor_pool = g_pools[index];
    c.render_pass = g_h->vk.render_pass;
    c.command_buffer = g_h->vk.command_buffer;
    c.host_allocator = g_default_allocator;
    return shape_renderer_2d_create(&c, &g_shapes[index]);
}

void shape_frame(benchmark::State& state, ShapeRenderer2D* shapes) {
    const int count = (int)state.range(0);
    for (auto _ : state) {
        if (!render_harness_begin(g_h)) state.SkipWithError("frame skipped");
        shape_renderer_2d_begin(shapes);
        for (int i = 0; i < count; i++)
            shape_renderer_2d_draw_rectangle_at(shapes, (f32)(i % 20) * 28, (f32)(i / 20 % 10) * 40, 24, 30,
                                                gui_pack_color(200, 120, 40, 255));
        vulkan_end_offscreen_frame(&g_h->vk);
    }
    vulkan_wait_for_frame(&g_h->vk);
}

void filled_frame(benchmark::State& state) { shape_frame(state, &g_shapes[0]); }
void outline_frame(benchmark::State& state) { shape_frame(state, &g_shapes[1]); }

BENCHMARK(filled_frame)->Arg(0)->Arg(100)->Arg(1000);
BENCHMARK(outline_frame)->Arg(100);

}  // namespace

int main(int argc, char** argv) {
    static Allocator heap = os_heap_allocator();
    g_default_allocator = &heap;
    if (!log_start()) return 1;
    benchmark::Initialize(&argc, argv);
    g_h = new RenderHarness;
    bool ok = render_harness_create(g_h, W, H) && create_shapes(0, RENDER_TOPOLOGY_TRIANGLE_LIST) &&
              create_shapes(1, RENDER_TOPOLOGY_LINE_LIST);
    if (ok) benchmark::RunSpecifiedBenchmarks();
    if (g_h->vk.device) {
        vkDeviceWaitIdle(g_h->vk.device);
        for (u32 i = 0; i < 2; i++) {
            if (g_shapes[i].device) shape_renderer_2d_destroy(&g_shapes[i]);
            if (g_pools[i]) vkDestroyDescriptorPool(g_h->vk.device, g_pools[i], nullptr);
        }
    }
    render_harness_destroy(g_h);
    delete g_h;
    log_stop();
    return ok ? 0 : 1;
}
