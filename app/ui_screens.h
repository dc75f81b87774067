// The window's two screens and the UI state they share: what the UI draws with, the program
// font, the active screen, the selected device and the widget state that outlives a frame.
#pragma once
#include "Ostrel/gui/gui.h"
#include "Ostrel/text/font.h"

// The device, GUI context and frame arena every UI frame uses.
struct UiRenderer {
    VulkanContext* vulkan;
    GuiContext* gui;
    MemtarnArena* frame_arena;  // both vertex arenas of the GUI renderer
};

enum {
    MIXER_SESSION_STATE_CAPACITY = 12,
    MIXER_SESSION_STATE_GROWTH = 12,
    MIXER_FIELD_TEXT_CAPACITY = 3,
};
enum : u32 { MIXER_NO_DEVICE = ~0u };

// Persisted widget state of the Mixer screen. The device column has one of each value; the
// session columns have one element per session index of the selected device, kept across
// frames and devices (the arrays never shrink).
struct MixerState {
    u8 device_slider_dragging;
    f32 device_slider_value;
    u8 device_field_focused;
    u32 device_field_cursor;
    i32 device_field_selection;
    DynString device_field_text;

    DynArray<u8> session_slider_dragging;
    DynArray<f32> session_slider_value;
    DynArray<u8> session_field_focused;
    DynArray<u32> session_field_cursor;
    DynArray<i32> session_field_selection;
    DynArray<DynString> session_field_text;

    u32 shown_device;  // last frame's, or MIXER_NO_DEVICE; a change drops every field's focus
    u8 device_list_open;
    f32 device_list_fraction;
    f32 device_list_extent;
    LayoutNode device_list_rect;  // last frame's list rectangle, for the input shield
    u8 device_list_bar_dragging;

    f32 sessions_fraction;
    f32 sessions_extent;
    u8 sessions_bar_dragging;

    f32 equalizer_value;
    u8 equalizer_dragging;
    u8 equalizer_focused;
    u32 equalizer_cursor;
    i32 equalizer_selection;
    DynString equalizer_text;  // "0", made on first use
};

struct OptionsState {
    u8 scheme_list_open;
    f32 scheme_list_fraction;
    f32 scheme_list_extent;
};

extern UiRenderer g_ui_renderer;
extern GlyphMap g_ui_font;         // the program font at 14 pixels
extern GuiTexture g_ui_font_atlas;  // its atlas
extern bool g_ui_options_active;   // false: the Mixer screen
extern u32 g_ui_selected_device;
extern MixerState g_mixer;
extern OptionsState g_options;

// Start-up from step 9 on, for a device, context and arenas that exist: the font from the
// working folder, the styles' font, the Mixer state, the selected scheme and the selected
// device. False after logging "Failed to load font.".
bool ui_startup_screens(const UiRenderer* renderer, DeviceAllocator* texture_arena, DeviceAllocator* staging_arena);

// Creates the persisted Mixer state and puts the screens' values to their initial ones.
void ui_screen_state_create();

// ui_frame around the device's frame: the input snapshot (and a newly loaded colour scheme),
// then, inside the open render pass, the projection on the window's client size and the content.
void ui_frame_input(GuiContext* context);
void ui_frame_draw(GuiContext* context);

// One frame's content inside an open GUI frame: background, the two tabs with their switch,
// then the screen that was active when the tabs were drawn.
void ui_draw(GuiContext* context);

// Tab height for a viewport height: min(0.055 h, 40); the tabs are three times as wide.
f32 ui_tab_height(f32 viewport_height);

// The Mixer screen below the tab row (top: the tab height + 5).
void mixer_screen(GuiContext* context, f32 top);
// The device the Mixer shows: the selected one while it exists, else the default device when
// that exists, else device 0. Only meaningful with at least one device.
u32 mixer_shown_device();
// The percentage fields' filter: digits only, at most three, never above 100.
void percent_filter(u8 byte, GuiTextInput* input);
// A percentage field's text as a number (empty: 0), at most 100.
u8 percent_parse(const DynString* text);
// Sets the text to the number in decimal.
void percent_format(DynString* text, u32 value);

// The Options screen.
void options_screen(GuiContext* context);
