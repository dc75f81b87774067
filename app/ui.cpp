// The window's user interface: start-up of the renderer, font and GUI context once the window
// exists, and one frame per focused pass (input snapshot, background, tabs, active screen).
#include "app/ui.h"
#include <string.h>
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/font_gpu.h"
#include "app/app.h"
#include "app/audio.h"
#include "app/color_schemes.h"
#include "app/tray.h"
#include "app/ui_screens.h"

const char* g_ui_font_path = "RelaxedTypingMonoJP-Regular.ttf";
static const u32 k_font_pixel_height = 14;

// The program's own renderer records; nothing here is torn down (the process's end reclaims it).
static VulkanContext s_vulkan;
static VkPhysicalDeviceMemoryProperties s_memory_properties;
static VkDescriptorPool s_descriptor_pool;
static MemtarnArena s_uniform_arena;
static MemtarnArena s_texture_arena;
static MemtarnArena s_staging_arena;
static MemtarnArena s_frame_arena;
static GuiTexture s_placeholder;
static GuiContext s_gui;

UiRenderer g_ui_renderer;
GlyphMap g_ui_font;
GuiTexture g_ui_font_atlas;
bool g_ui_options_active;
u32 g_ui_selected_device;
MixerState g_mixer;
OptionsState g_options;

//-----------------------------------------------------------------------------
// Persisted screen state
//-----------------------------------------------------------------------------

void ui_screen_state_create() {
    Allocator* a = g_default_allocator;
    g_mixer = MixerState{};
    g_mixer.device_field_text = dyn_string_create_with_capacity(a, MIXER_FIELD_TEXT_CAPACITY);
    g_mixer.session_slider_dragging = dyn_array_create<u8>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_mixer.session_slider_value = dyn_array_create<f32>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_mixer.session_field_focused = dyn_array_create<u8>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_mixer.session_field_cursor = dyn_array_create<u32>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_mixer.session_field_selection =
        dyn_array_create<i32>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_mixer.session_field_text =
        dyn_array_create<DynString>(a, MIXER_SESSION_STATE_CAPACITY, MIXER_SESSION_STATE_GROWTH);
    g_options = OptionsState{};
    g_ui_options_active = false;
}

//-----------------------------------------------------------------------------
// Start-up
//-----------------------------------------------------------------------------

bool ui_startup_screens(const UiRenderer* renderer, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena) {
    g_ui_renderer = *renderer;
    if (!font_load_from_file(renderer->vulkan, texture_arena, staging_arena, (const u8*)g_ui_font_path,
                             (u32)strlen(g_ui_font_path), 0, k_font_pixel_height, g_program_glyph_set, &g_ui_font,
                             &g_ui_font_atlas, g_default_allocator)) {
        log_error("Failed to load font.");
        return false;
    }
    gui_set_style_font(&g_ui_font, g_ui_font_atlas);
    ui_screen_state_create();
    gui_apply_color_scheme(color_scheme_selected()->colors);
    g_ui_selected_device = audio_default_device_index();
    return true;
}

// The arenas are static and never move, so the interfaces their creation fills stay valid.
static bool create_arena(u64 block_size, VkMemoryPropertyFlags flags, MemtarnArena* arena) {
    return memtarn_arena_create(s_vulkan.device, block_size, flags, &s_memory_properties, nullptr, g_default_allocator,
                                arena);
}

bool ui_startup() {
    if (!utf8_validate(g_program_glyph_set.text, g_program_glyph_set.length)) {
        log_error("UTF8 Charmap contains invalid UTF8 data !");
        return false;
    }
    if (!vulkan_load_global()) return false;

    RendererSettings settings = {"Korvane", 0, g_default_allocator, nullptr};
    if (!vulkan_create_context(&g_window, &settings, &s_vulkan)) {
        log_error("Failed to create Vulkan rendering context.");
        return false;
    }

    ostrel_vk::vkGetPhysicalDeviceMemoryProperties(s_vulkan.physical_device, &s_memory_properties);
    s_descriptor_pool = gui_create_uniform_pool(s_vulkan.device, nullptr);  // logs the Vulkan failure
    if (!s_descriptor_pool) return false;

    const VkMemoryPropertyFlags host = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    if (!create_arena(MEMTARN_UNIFORM_BLOCK_SIZE, host, &s_uniform_arena) ||
        !create_arena(MEMTARN_TEXTURE_BLOCK_SIZE, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &s_texture_arena) ||
        !create_arena(MEMTARN_STAGING_BLOCK_SIZE, host, &s_staging_arena) ||
        !create_arena(MEMTARN_FRAME_BLOCK_SIZE, host, &s_frame_arena)) {
        log_error("Failed to create Vulkan device memory allocators.");
        return false;
    }

    if (!gui_create_placeholder_texture(&s_vulkan, &s_placeholder)) {
        log_error("Failed to initialize placeholder textures.");
        return false;
    }

    GuiRendererConfig config = {};
    config.viewport_width = g_window.client_width;
    config.viewport_height = g_window.client_height;
    config.placeholder_texture = s_placeholder;
    config.device = s_vulkan.device;
    config.uniform_arena = &s_uniform_arena.interface;
    config.first_vertex_arena = &s_frame_arena.interface;
    config.second_vertex_arena = &s_frame_arena.interface;
    config.uniform_descriptor_pool = s_descriptor_pool;
    config.render_pass = s_vulkan.render_pass;
    config.command_buffer = s_vulkan.command_buffer;
    config.physical_device = s_vulkan.physical_device;
    config.graphics_queue = s_vulkan.graphics_queue;
    config.command_pool = s_vulkan.command_pool;
    config.host_allocator = g_default_allocator;
    config.clipboard_get = clipboard_get_text;
    config.clipboard_set = clipboard_set_text;
    // Without its pipeline no frame could draw anything: the renderer's messages say why.
    if (!gui_create_renderer(&config, &s_gui)) return false;

    UiRenderer renderer = {.vulkan = &s_vulkan, .gui = &s_gui, .frame_arena = &s_frame_arena};
    return ui_startup_screens(&renderer, &s_texture_arena.interface, &s_staging_arena.interface);
}

//-----------------------------------------------------------------------------
// Frame
//-----------------------------------------------------------------------------

f32 ui_tab_height(f32 viewport_height) {
    f32 h = 0.055f * viewport_height;
    return h < 40.0f ? h : 40.0f;
}

// One tab: its rectangle and its centred label. Returns the rectangle's held button.
static u32 ui_tab(GuiContext* context, f32 x, f32 width, f32 height, u32 color, const char* label, u32 length) {
    LayoutNode tab = {};
    u32 held = gui_rect(context, GuiRectParams{.width = width,
                                               .height = height,
                                               .color = color,
                                               .x = x,
                                               .y = 0.0f,
                                               .out_node = &tab,
                                               .alignment = ALIGN_TOP_LEFT});
    gui_label(context, GuiLabelParams{.glyph_map = DefaultButtonStyle.glyph_map,
                                      .text_texture = DefaultButtonStyle.text_texture,
                                      .text = label,
                                      .length = length,
                                      .max_width = width,
                                      .color = DefaultButtonStyle.normal_text_color,
                                      .x = 0.0f,
                                      .y = 0.0f,
                                      .parent = &tab,
                                      .alignment = ALIGN_CENTER,
                                      .vertical_adjust = 1});
    return held;
}

void ui_draw(GuiContext* context) {
    const f32 width = (f32)context->viewport_width;
    const f32 height = (f32)context->viewport_height;
    const u32* colors = color_scheme_selected()->colors;
    gui_rect(context, GuiRectParams{.width = width,
                                    .height = height,
                                    .color = colors[GUI_COLOR_BACKGROUND],
                                    .x = 0.0f,
                                    .y = 0.0f,
                                    .alignment = ALIGN_TOP_LEFT});

    const f32 tab_height = ui_tab_height(height);
    const f32 tab_width = 3.0f * tab_height;
    // The screen drawn below is the one active now; a switch shows from the next frame.
    const bool options = g_ui_options_active;
    const u32 background = colors[GUI_COLOR_BACKGROUND];
    const u32 button = colors[GUI_COLOR_BUTTON];
    u32 mixer_held = ui_tab(context, 0.0f, tab_width, tab_height, options ? button : background, "Mixer", 5);
    u32 options_held = ui_tab(context, tab_width, tab_width, tab_height, options ? background : button, "Options", 7);
    if (options && mixer_held) g_ui_options_active = false;
    if (!options && options_held) g_ui_options_active = true;

    if (options) options_screen(context);
    else mixer_screen(context, tab_height + 5.0f);
}

void ui_frame_input(GuiContext* context) {
    if (g_color_schemes_loaded) {
        gui_apply_color_scheme(color_scheme_selected()->colors);
        g_color_schemes_loaded = false;
    }
    const GuiKeys keys = key_states_gui_keys(&g_key_states);
    gui_snapshot_input(context, &g_mouse, &g_keyboard, &keys, &g_window.text_input);
}

void ui_frame_draw(GuiContext* context) {
    gui_update_projection(context, 0, 0, g_window.client_width, g_window.client_height);
    gui_begin_frame(context);
    ui_draw(context);
}

void ui_frame() {
    UiRenderer* r = &g_ui_renderer;
    ui_frame_input(r->gui);
    vulkan_wait_for_frame(r->vulkan);
    memtarn_arena_reset(r->frame_arena);
    if (!vulkan_begin_frame(r->vulkan)) return;
    ui_frame_draw(r->gui);
    vulkan_end_frame(r->vulkan);
}

void ui_shutdown() {}
