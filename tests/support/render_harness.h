// An offscreen Vulkan context with the program's four arenas (plus a separate second vertex arena),
// the placeholder texture and the GUI renderer: tests draw real frames and read the pixels back.
// The record holds pointers into itself: create it in place and never copy it.
#pragma once
#include <initializer_list>
#include <vector>
#include "Ostrel/gui/gui_context.h"
#include "Ostrel/renderer/vulkan_offscreen.h"

struct RenderHarness {
    VulkanOffscreen vk;  // only its context part when attached to a window
    VkPhysicalDeviceMemoryProperties memory_properties;
    MemtarnArena uniform_arena;
    MemtarnArena texture_arena;
    MemtarnArena staging_arena;
    MemtarnArena frame_arena;
    MemtarnArena second_frame_arena;
    GuiTexture placeholder;
    VkDescriptorPool uniform_pool;
    GuiContext gui;
    u32 width, height;
};

// False when any step fails (the steps log why).
bool render_harness_create(RenderHarness* h, u32 width, u32 height);
// The same on a context the caller created in h->vk (a window's, say); frames then project onto
// the window's client size.
bool render_harness_attach(RenderHarness* h);
void render_harness_destroy(RenderHarness* h);
// Wait, reset the vertex arenas, begin the frame, projection for the whole image, GUI frame begin.
bool render_harness_begin(RenderHarness* h);
// End the frame and wait until it has finished.
bool render_harness_end(RenderHarness* h);
// Packed RGBA pixels (red in the lowest byte), row by row from the top.
std::vector<u32> render_harness_pixels(RenderHarness* h);
inline u32 pixel_at(const std::vector<u32>& pixels, u32 width, u32 x, u32 y) { return pixels[(size_t)y * width + x]; }
// An untextured shape element at (x, y) with no parent, ready to prepare.
GuiElement render_harness_element(RenderHarness* h, f32 x, f32 y, f32 w, f32 height, u32 color, f32 radius);
// Prepare, draw and release a shape or text element inside a begun frame.
void render_harness_draw(GuiElement* e);
// One whole frame of the elements; its pixels, or 0xDEADBEEF everywhere when the frame failed.
std::vector<u32> render_harness_frame(RenderHarness* h, std::initializer_list<GuiElement*> elements);
// An arena of the harness's device with blocks of `block` bytes of memory with `flags`.
void render_harness_arena(RenderHarness* h, u64 block, VkMemoryPropertyFlags flags, MemtarnArena* arena);
