#include "render_harness.h"
#include <string.h>
#include "Ostrel/platform/window.h"

void render_harness_arena(RenderHarness* h, u64 block, VkMemoryPropertyFlags flags, MemtarnArena* arena) {
    memtarn_arena_create(h->vk.device, block, flags, &h->memory_properties, nullptr, g_default_allocator, arena);
    arena->interface = memtarn_arena_interface(arena);
}

bool render_harness_create(RenderHarness* h, u32 width, u32 height) {
    memset((void*)h, 0, sizeof(*h));
    h->width = width;
    h->height = height;
    if (!vulkan_load_global()) return false;
    RendererSettings settings = {"Korvane tests", 0, g_default_allocator, nullptr};
    if (!vulkan_create_offscreen_context(&settings, width, height, &h->vk)) return false;
    return render_harness_attach(h);
}

bool render_harness_attach(RenderHarness* h) {
    if (h->vk.window) {
        h->width = h->vk.window->client_width;
        h->height = h->vk.window->client_height;
    }
    u32 width = h->width, height = h->height;
    ostrel_vk::vkGetPhysicalDeviceMemoryProperties(h->vk.physical_device, &h->memory_properties);
    const VkMemoryPropertyFlags host = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    render_harness_arena(h, MEMTARN_UNIFORM_BLOCK_SIZE, host, &h->uniform_arena);
    render_harness_arena(h, MEMTARN_TEXTURE_BLOCK_SIZE, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &h->texture_arena);
    render_harness_arena(h, MEMTARN_STAGING_BLOCK_SIZE, host, &h->staging_arena);
    render_harness_arena(h, MEMTARN_FRAME_BLOCK_SIZE, host, &h->frame_arena);
    render_harness_arena(h, MEMTARN_FRAME_BLOCK_SIZE, host, &h->second_frame_arena);
    if (!gui_create_placeholder_texture(&h->vk, &h->placeholder)) return false;
    h->uniform_pool = gui_create_uniform_pool(h->vk.device, nullptr);
    if (!h->uniform_pool) return false;
    GuiRendererConfig config = {0, 0, width, height, h->placeholder, h->vk.device, nullptr, &h->uniform_arena.interface,
                                &h->frame_arena.interface, &h->second_frame_arena.interface, h->uniform_pool,
                                h->vk.render_pass, h->vk.command_buffer, h->vk.physical_device, h->vk.graphics_queue,
                                h->vk.command_pool, g_default_allocator};
    return gui_create_renderer(&config, &h->gui);
}

void render_harness_destroy(RenderHarness* h) {
    if (!h->vk.device) return;
    ostrel_vk::vkDeviceWaitIdle(h->vk.device);
    gui_destroy_renderer(&h->gui);
    if (h->uniform_pool) ostrel_vk::vkDestroyDescriptorPool(h->vk.device, h->uniform_pool, nullptr);
    vulkan_destroy_texture(&h->placeholder);
    memtarn_arena_destroy(&h->uniform_arena);
    memtarn_arena_destroy(&h->texture_arena);
    memtarn_arena_destroy(&h->staging_arena);
    memtarn_arena_destroy(&h->frame_arena);
    memtarn_arena_destroy(&h->second_frame_arena);
    if (h->vk.window) vulkan_destroy_context(&h->vk);
    else vulkan_destroy_offscreen_context(&h->vk);
}

bool render_harness_begin(RenderHarness* h) {
    vulkan_wait_for_frame(&h->vk);
    memtarn_arena_reset(&h->frame_arena);
    memtarn_arena_reset(&h->second_frame_arena);
    if (!(h->vk.window ? vulkan_begin_frame(&h->vk) : vulkan_begin_offscreen_frame(&h->vk))) return false;
    if (h->vk.window) {
        h->width = h->vk.window->client_width;
        h->height = h->vk.window->client_height;
    }
    gui_update_projection(&h->gui, 0, 0, h->width, h->height);
    gui_begin_frame(&h->gui);
    return true;
}

bool render_harness_end(RenderHarness* h) {
    bool ok = h->vk.window ? vulkan_end_frame(&h->vk) : vulkan_end_offscreen_frame(&h->vk);
    vulkan_wait_for_frame(&h->vk);
    return ok;
}

std::vector<u32> render_harness_pixels(RenderHarness* h) {
    std::vector<u8> bytes((size_t)h->width * h->height * 4);
    std::vector<u32> pixels((size_t)h->width * h->height, 0xDEADBEEFu);
    if (h->vk.window || !vulkan_read_offscreen_pixels(&h->vk, bytes.data())) return pixels;
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (u32)bytes[i * 4] | ((u32)bytes[i * 4 + 1] << 8) | ((u32)bytes[i * 4 + 2] << 16) |
                    ((u32)bytes[i * 4 + 3] << 24);
    return pixels;
}

GuiElement render_harness_element(RenderHarness* h, f32 x, f32 y, f32 w, f32 height, u32 color, f32 radius) {
    return GuiElement{.context = &h->gui, .node = LayoutNode{x, y, w, height, nullptr, ALIGN_TOP_LEFT},
                      .primitive_type = GUI_PRIMITIVE_SHAPE, .color = color, .radius = radius, .size = {w, height},
                      .texture_dirty = 1};
}

void render_harness_draw(GuiElement* e) {
    if (e->primitive_type == GUI_PRIMITIVE_TEXT) {
        gui_prepare_text_element(e);
        gui_draw_text_element(e);
        gui_release_text_element(e);
    } else {
        gui_prepare_element(e);
        gui_draw_element(e);
        gui_release_element(e);
    }
}

std::vector<u32> render_harness_frame(RenderHarness* h, std::initializer_list<GuiElement*> elements) {
    if (!render_harness_begin(h)) return std::vector<u32>((size_t)h->width * h->height, 0xDEADBEEFu);
    for (GuiElement* e : elements) render_harness_draw(e);
    if (!render_harness_end(h)) return std::vector<u32>((size_t)h->width * h->height, 0xDEADBEEFu);
    return render_harness_pixels(h);
}
