// The Mixer screen: the device selector and its drop-down list, "Set as active audio output",
// the device column, the Equalizer column and the horizontally scrolling session columns. All
// volumes are read afresh every frame; a volume is written as soon as a slider moves or a
// percentage is committed.
#include "Ostrel/core/path.h"
#include "app/audio.h"
#include "app/color_schemes.h"
#include "app/ui_screens.h"

static const f32 k_list_height = 120.0f;
static const f32 k_list_item_height = 40.0f;
static const f32 k_bar_thickness = 14.0f;
static const f32 k_wheel_step_region = 0.15f;
static const f32 k_wheel_step_bar = 0.2f;
static const f32 k_button_step_bar = 0.035f;

// The selector row: shares of the window's width W and height H.
static const f32 k_row_height = 0.075f;
static const f32 k_row_left = 0.02f;
static const f32 k_selector_width = 0.6f;
static const f32 k_set_active_width = 0.34f;
static const f32 k_set_active_left = 0.64f;

// Where the columns stand: shares of W and H, or pixels.
static const f32 k_column_min_width = 100.0f;
static const f32 k_column_max_width = 150.0f;
static const f32 k_column_width = 0.13f;          // W, for the device and Equalizer columns
static const f32 k_session_column_width = 0.2f;   // of the sessions region's width
static const f32 k_columns_gap = 8.0f;            // below the selector row and below the columns
static const f32 k_columns_top = 0.006f;          // H, below that gap
static const f32 k_column_spacing = 0.02f;        // W, left of the device and Equalizer columns
static const f32 k_sessions_spacing = 0.01f;      // W, left of the sessions region
static const f32 k_sessions_right_margin = 10.0f;
static const f32 k_sessions_bar_offset = 15.0f;   // puts the bar just below the region

// Inside a column: shares of its width w and height h, or pixels.
static const f32 k_title_width = 0.9f;   // w
static const f32 k_title_top = 0.07f;    // h
static const f32 k_track_width = 6.0f;
static const f32 k_track_height = 0.7f;  // h
static const f32 k_track_top = 0.105f;   // h
static const f32 k_knob_width = 36.0f;
static const f32 k_knob_height = 10.0f;
static const f32 k_field_width = 40.0f;
static const f32 k_field_height = 20.0f;
static const f32 k_field_top = 0.825f;   // h: 0.02 h below the track
static const f32 k_mute_width = 0.5f;    // w
static const f32 k_mute_height = 20.0f;
static const f32 k_mute_top = 0.845f;    // h, plus the field's height: 0.02 h below the field

//-----------------------------------------------------------------------------
// Percentage fields
//-----------------------------------------------------------------------------

static u32 parse_digits(const DynString* text) {
    u32 value = 0;
    for (u32 i = 0; i < text->length; i++) {
        u8 c = text->data[i];
        if (c < '0' || c > '9') break;
        value = value * 10 + (u32)(c - '0');
        if (value > 1000) break;  // three digits at most; anything longer is over 100 anyway
    }
    return value;
}

u8 percent_parse(const DynString* text) {
    u32 value = parse_digits(text);
    return (u8)(value > 100 ? 100 : value);
}

void percent_format(DynString* text, u32 value) {
    dyn_string_clear(text);
    dyn_string_append_u64(text, value);
}

void percent_filter(u8 byte, GuiTextInput* input) {
    DynString* text = input->text;
    if (!(text->length < 3 && byte >= '0' && byte <= '9')) return;
    if (input->cursor >= text->length) dyn_string_append_char(text, byte);
    else dyn_string_insert_char(text, input->cursor, byte);
    input->cursor++;
    if (parse_digits(text) > 100) {
        dyn_string_clear(text);
        dyn_string_append_cstr(text, "100");
        input->cursor = 0;
    }
}

//-----------------------------------------------------------------------------
// Columns
//-----------------------------------------------------------------------------

enum MuteButton { MUTE_BUTTON_NONE, MUTE_BUTTON_MUTE, MUTE_BUTTON_UNMUTE };

// The persisted state one column's widgets read and write.
struct ColumnState {
    u8* slider_dragging;
    f32* slider_value;
    u8* field_focused;
    u32* field_cursor;
    i32* field_selection;
    DynString* field_text;
};

struct ColumnResult {
    bool dragging;   // the slider moved this frame (its value is in *slider_value)
    bool committed;  // the field was committed
    bool mute_clicked;
};

// A bordered box with a title, a vertical slider, a percentage field and, unless `mute` is
// MUTE_BUTTON_NONE, a Mute/Unmute button.
static ColumnResult mixer_column(GuiContext* context, f32 x, f32 y, f32 w, f32 h, LayoutNode* parent,
                                 const u8* title, u32 title_length, const ColumnState& state, MuteButton mute,
                                 LayoutNode* out_node) {
    ColumnResult result = {};
    LayoutNode box = {};
    gui_box(context, GuiBoxParams{.style = &DefaultBoxStyle, .width = w, .height = h, .x = x, .y = y,
                                  .parent = parent, .alignment = ALIGN_TOP_LEFT, .out_node = &box});
    gui_label(context, GuiLabelParams{.glyph_map = &g_ui_font,
                                      .text_texture = g_ui_font_atlas,
                                      .text = (const char*)title,
                                      .length = title_length,
                                      .max_width = k_title_width * w,
                                      .color = color_scheme_selected()->colors[GUI_COLOR_TEXT],
                                      .x = 0.0f,
                                      .y = k_title_top * h,
                                      .parent = &box,
                                      .alignment = ALIGN_TOP_CENTER});

    f32 value = *state.slider_value;
    u8 dragging = *state.slider_dragging;
    result.dragging = gui_slider(context, GuiSliderParams{.style = &DefaultSliderStyle,
                                                          .orientation = GUI_SLIDER_VERTICAL,
                                                          .value = value,
                                                          .track_width = k_track_width,
                                                          .track_height = k_track_height * h,
                                                          .knob_width = k_knob_width,
                                                          .knob_height = k_knob_height,
                                                          .x = 0.5f * w - 0.5f * k_track_width,
                                                          .y = k_track_top * h,
                                                          .parent = &box,
                                                          .alignment = ALIGN_TOP_LEFT,
                                                          .dragging = dragging,
                                                          .value_out = &value,
                                                          .dragging_out = &dragging});
    *state.slider_value = value;
    *state.slider_dragging = dragging;

    result.committed = gui_text_input(context,
                                      GuiTextInputParams{.filter = percent_filter,
                                                         .focused = *state.field_focused,
                                                         .width = k_field_width,
                                                         .height = k_field_height,
                                                         .text = state.field_text,
                                                         .x = 0.5f * w - 0.5f * k_field_width,
                                                         .y = k_field_top * h,
                                                         .parent = &box,
                                                         .alignment = ALIGN_TOP_LEFT},
                                      &DefaultTextInputStyle,
                                      TextInputState{.focused_out = state.field_focused,
                                                     .cursor = state.field_cursor,
                                                     .selection = state.field_selection});

    if (mute != MUTE_BUTTON_NONE) {
        const bool muted = mute == MUTE_BUTTON_UNMUTE;
        result.mute_clicked = gui_button(context, GuiButtonParams{.style = &DefaultButtonStyle,
                                                                  .width = k_mute_width * w,
                                                                  .height = k_mute_height,
                                                                  .text = muted ? "Unmute" : "Mute",
                                                                  .text_length = muted ? 6u : 4u,
                                                                  .text_alignment = ALIGN_CENTER,
                                                                  .x = 0.0f,
                                                                  .y = k_mute_top * h + k_field_height,
                                                                  .parent = &box,
                                                                  .alignment = ALIGN_TOP_CENTER});
    }
    if (out_node) *out_node = box;
    return result;
}

static ColumnState session_state(MixerState* m, u32 j) {
    return ColumnState{&m->session_slider_dragging.data[j], &m->session_slider_value.data[j],
                       &m->session_field_focused.data[j],   &m->session_field_cursor.data[j],
                       &m->session_field_selection.data[j], &m->session_field_text.data[j]};
}

struct SessionsUser {
    MixerState* mixer;
    u32 device;
};

static bool mixer_session_item(GuiContext* context, ScrollRegion* region, u32 j, void* user) {
    const SessionsUser* sessions = (const SessionsUser*)user;
    const u32 device = sessions->device;
    const u8 percent = audio_get_session_volume_percent(device, j);
    const f32 volume = audio_get_session_volume(device, j);
    const bool muted = audio_get_session_mute(device, j);

    const f32 width = ostrel_clamp(k_session_column_width * region->node.w, k_column_min_width, k_column_max_width);
    const f32 height = region->node.h;
    LayoutNode item = {};
    gui_scroll_region_item(&item, region, width);

    StringView name = audio_session_name(device, j);
    u32 title_length = name.length;
    const u8* title = path_file_name(name.data, name.length, &title_length);

    ColumnState state = session_state(sessions->mixer, j);
    *state.slider_value = volume;
    if (!*state.field_focused) percent_format(state.field_text, percent);
    ColumnResult r = mixer_column(context, item.x, item.y, width, height, &region->node, title, title_length, state,
                                  muted ? MUTE_BUTTON_UNMUTE : MUTE_BUTTON_MUTE, nullptr);
    if (r.dragging) audio_set_session_volume(device, j, *state.slider_value);
    if (r.committed) audio_set_session_volume_percent(device, j, percent_parse(state.field_text));
    if (r.mute_clicked) {
        if (muted) audio_unmute_session(device, j);
        else audio_mute_session(device, j);
    }
    return true;
}

//-----------------------------------------------------------------------------
// Device list
//-----------------------------------------------------------------------------

struct DeviceListUser {
    u32* selected_device;
    u8* open;
};

static bool mixer_device_item(GuiContext* context, ScrollRegion* region, u32 i, void* user) {
    LayoutNode item = {};
    gui_scroll_region_item(&item, region, k_list_item_height);
    StringView name = audio_device_name(i);
    bool clicked = gui_button(context, GuiButtonParams{.style = &ListButtonStyle,
                                                       .width = region->node.w - k_bar_thickness,
                                                       .height = k_list_item_height,
                                                       .text = (const char*)name.data,
                                                       .text_length = name.length,
                                                       .text_alignment = ALIGN_CENTER,
                                                       .x = item.x,
                                                       .y = item.y,
                                                       .parent = &region->node,
                                                       .alignment = ALIGN_TOP_LEFT});
    if (!clicked) return true;
    const DeviceListUser* list = (const DeviceListUser*)user;
    *list->selected_device = i;
    *list->open = 0;
    return false;
}

//-----------------------------------------------------------------------------
// Screen
//-----------------------------------------------------------------------------

u32 mixer_shown_device() {
    const u32 count = audio_device_count();
    if (g_ui_selected_device < count) return g_ui_selected_device;
    // The selected device went away (or none had been found yet): show the default one.
    const u32 fallback = audio_default_device_index();
    return fallback < count ? fallback : 0;
}

static void grow_session_state(u32 n) {
    MixerState* m = &g_mixer;
    while (m->session_field_focused.count < n) {
        dyn_array_push(&m->session_slider_dragging, (u8)0);
        dyn_array_push(&m->session_slider_value, 0.0f);
        dyn_array_push(&m->session_field_focused, (u8)0);
        dyn_array_push(&m->session_field_cursor, (u32)0);
        dyn_array_push(&m->session_field_selection, (i32)0);
        dyn_array_push(&m->session_field_text,
                       dyn_string_create_with_capacity(g_default_allocator, MIXER_FIELD_TEXT_CAPACITY));
    }
}

// A focused field holds a number the user took from the device shown when it was focused; it
// must not be committed to whichever device is shown now.
static void drop_field_focus() {
    MixerState* m = &g_mixer;
    m->device_field_focused = 0;
    m->device_field_selection = 0;
    m->equalizer_focused = 0;
    m->equalizer_selection = 0;
    for (u32 j = 0; j < m->session_field_focused.count; j++) {
        m->session_field_focused.data[j] = 0;
        m->session_field_selection.data[j] = 0;
    }
}

void mixer_screen(GuiContext* context, f32 top) {
    MixerState* m = &g_mixer;
    const f32 W = (f32)context->viewport_width;
    const f32 H = (f32)context->viewport_height;
    const u32 device_count = audio_device_count();
    const u32 device = mixer_shown_device();
    const u32 shown = device_count > 0 ? device : MIXER_NO_DEVICE;
    if (shown != m->shown_device) {
        drop_field_focus();
        m->shown_device = shown;
    }
    const u32 n = device_count > 0 ? audio_session_count(device) : 0;
    grow_session_state(n);
    if (device_count == 0) return;

    // Nothing under the open list reacts while the mouse is over it.
    GuiInput saved_input = {}, saved_previous = {};
    const bool shield = m->device_list_open && gui_mouse_in_rect(context, &m->device_list_rect);
    if (shield) {
        saved_input = context->input;
        saved_previous = context->previous_input;
        context->input = GuiInput{};
        context->previous_input = GuiInput{};
    }

    const bool list_was_open = m->device_list_open;
    LayoutNode selector = {};
    StringView name = audio_device_name(device);
    if (gui_button(context, GuiButtonParams{.style = &DefaultButtonStyle,
                                            .width = k_selector_width * W,
                                            .height = k_row_height * H,
                                            .text = (const char*)name.data,
                                            .text_length = name.length,
                                            .text_alignment = ALIGN_CENTER,
                                            .x = k_row_left * W,
                                            .y = top,
                                            .alignment = ALIGN_TOP_LEFT,
                                            .out_node = &selector}))
        m->device_list_open = !m->device_list_open;
    if (gui_button(context, GuiButtonParams{.style = &DefaultButtonStyle,
                                            .width = k_set_active_width * W,
                                            .height = k_row_height * H,
                                            .text = "Set as active audio output",
                                            .text_length = 26,
                                            .text_alignment = ALIGN_CENTER,
                                            .x = k_set_active_left * W,
                                            .y = top,
                                            .alignment = ALIGN_TOP_LEFT}))
        audio_set_default_device(device);

    const f32 columns_top = selector.y + selector.h + k_columns_gap + k_columns_top * H;
    f32 equalizer_left = 0.0f;
    const f32 column_width = ostrel_clamp(k_column_width * W, k_column_min_width, k_column_max_width);

    // Device column.
    {
        const u8 percent = audio_get_device_volume_percent(device);
        const f32 volume = audio_get_device_volume(device);
        const bool muted = audio_get_device_mute(device);
        const f32 y = columns_top;
        m->device_slider_value = volume;
        if (!m->device_field_focused) percent_format(&m->device_field_text, percent);
        ColumnState state = {&m->device_slider_dragging, &m->device_slider_value,   &m->device_field_focused,
                             &m->device_field_cursor,    &m->device_field_selection, &m->device_field_text};
        LayoutNode column = {};
        ColumnResult r = mixer_column(context, k_column_spacing * W, y, column_width, H - y - k_columns_gap, nullptr,
                                      (const u8*)"Device", 6, state, muted ? MUTE_BUTTON_UNMUTE : MUTE_BUTTON_MUTE,
                                      &column);
        if (r.dragging) audio_set_device_volume(device, m->device_slider_value);
        if (r.committed) audio_set_device_volume_percent(device, percent_parse(&m->device_field_text));
        if (r.mute_clicked) {
            if (muted) audio_unmute_device(device);
            else audio_mute_device(device);
        }
        equalizer_left = column.x + column.w;
    }

    // Equalizer column: its value is the user's, never read from the audio state.
    LayoutNode equalizer = {};
    {
        if (!m->equalizer_text.data) {
            m->equalizer_text = dyn_string_create(g_default_allocator);
            dyn_string_append_char(&m->equalizer_text, '0');
        }
        const f32 x = equalizer_left + k_column_spacing * W;
        const f32 y = columns_top;
        ColumnState state = {&m->equalizer_dragging, &m->equalizer_value,     &m->equalizer_focused,
                             &m->equalizer_cursor,   &m->equalizer_selection, &m->equalizer_text};
        ColumnResult r = mixer_column(context, x, y, column_width, H - y - k_columns_gap, nullptr,
                                      (const u8*)"Equalizer", 9, state, MUTE_BUTTON_NONE, &equalizer);
        if (r.dragging) {
            for (u32 j = 0; j < n; j++) audio_set_session_volume(device, j, m->equalizer_value);
            percent_format(&m->equalizer_text, (u32)(m->equalizer_value * 100.0f));
        }
        if (r.committed) {
            const u8 q = percent_parse(&m->equalizer_text);
            for (u32 j = 0; j < n; j++) audio_set_session_volume_percent(device, j, q);
            m->equalizer_value = (f32)q / 100.0f;
        }
    }

    // Session columns.
    {
        const f32 x = equalizer.x + equalizer.w + k_sessions_spacing * W;
        const f32 y = equalizer.y;
        SessionsUser user = {.mixer = m, .device = device};
        LayoutNode region = {};
        gui_scroll_region(context,
                          GuiScrollRegionParams{.style = &DefaultScrollRegionStyle,
                                                .width = W - x - k_sessions_right_margin,
                                                .height = H - y - k_columns_gap - k_bar_thickness,
                                                .wheel_step = k_wheel_step_region,
                                                .orientation = GUI_SCROLL_HORIZONTAL,
                                                .spacing = 0.0f,
                                                .x = x,
                                                .y = y,
                                                .alignment = ALIGN_TOP_LEFT},
                          GuiScrollRegionCall{.item = mixer_session_item,
                                              .user = &user,
                                              .item_count = n,
                                              .fraction = &m->sessions_fraction,
                                              .content_extent = &m->sessions_extent,
                                              .out_node = &region});
        if (m->sessions_extent > 0.1f) {
            const f32 visible = m->sessions_extent <= region.w ? 1.0f : region.w / m->sessions_extent;
            gui_scroll_bar(context,
                           GuiScrollBarParams{.style = &DefaultScrollBarStyle,
                                              .orientation = GUI_SCROLL_HORIZONTAL,
                                              .wheel_step = k_wheel_step_bar,
                                              .button_step = k_button_step_bar,
                                              .length = region.w,
                                              .thickness = k_bar_thickness,
                                              .x = 0.0f,
                                              .y = k_sessions_bar_offset,
                                              .parent = &region,
                                              .alignment = ALIGN_BOTTOM_CENTER},
                           GuiScrollBarCall{.visible_fraction = visible,
                                            .fraction = &m->sessions_fraction,
                                            .dragging = &m->sessions_bar_dragging});
        }
    }

    if (shield) {
        context->input = saved_input;
        context->previous_input = saved_previous;
    }
    // The list last, on top of the columns, with the real input.
    if (m->device_list_open) {
        // Its first entry starts on the selector's bottom row: the press that opened the list
        // must not also pick that entry.
        const u32 held = context->input.left_button, was_held = context->previous_input.left_button;
        if (!list_was_open) context->input.left_button = context->previous_input.left_button = 0;
        DeviceListUser user = {.selected_device = &g_ui_selected_device, .open = &m->device_list_open};
        gui_scroll_region(context,
                          GuiScrollRegionParams{.style = &DefaultScrollRegionStyle,
                                                .width = selector.w,
                                                .height = k_list_height,
                                                .wheel_step = k_wheel_step_region,
                                                .orientation = GUI_SCROLL_VERTICAL,
                                                .spacing = 0.0f,
                                                .x = selector.x,
                                                .y = selector.y + selector.h,
                                                .alignment = ALIGN_TOP_LEFT},
                          GuiScrollRegionCall{.item = mixer_device_item,
                                              .user = &user,
                                              .item_count = device_count,
                                              .fraction = &m->device_list_fraction,
                                              .content_extent = &m->device_list_extent,
                                              .out_node = &m->device_list_rect});
        const f32 visible = m->device_list_extent <= k_list_height ? 1.0f : k_list_height / m->device_list_extent;
        gui_scroll_bar(context,
                       GuiScrollBarParams{.style = &DefaultScrollBarStyle,
                                          .orientation = GUI_SCROLL_VERTICAL,
                                          .wheel_step = k_wheel_step_bar,
                                          .button_step = k_button_step_bar,
                                          .length = k_list_height,
                                          .thickness = k_bar_thickness,
                                          .x = 0.0f,
                                          .y = 0.0f,
                                          .parent = &m->device_list_rect,
                                          .alignment = ALIGN_TOP_RIGHT},
                       GuiScrollBarCall{.visible_fraction = visible,
                                        .fraction = &m->device_list_fraction,
                                        .dragging = &m->device_list_bar_dragging});
        context->input.left_button = held;
        context->previous_input.left_button = was_held;
    }
}
