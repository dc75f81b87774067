// The Options screen: the check-box legend, hiding in the tray on close, running at log-in, and
// the colour-scheme chooser. Every option takes effect at once: the frame loop reads TRAY_ICON
// live, the run-at-log-in box is the registry itself, a chosen scheme recolours the same frame.
#include <string.h>
#include "app/app.h"
#include "app/color_schemes.h"
#include "app/tray.h"
#include "app/ui_screens.h"

static const f32 k_scheme_item_height = 40.0f;
static const f32 k_scheme_list_max_height = 180.0f;
static const f32 k_scheme_list_wheel_step = 0.15f;

// Pixels, apart from the legend's left edge (a share of the viewport's width).
static const f32 k_legend_left = 0.8f;
static const f32 k_legend_checked_top = 20.0f;
static const f32 k_legend_unchecked_top = 40.0f;
static const f32 k_legend_label_gap = 22.0f;   // right of its swatch
static const f32 k_legend_label_drop = 1.5f;   // below its swatch's top
static const f32 k_box_size = 16.0f;           // check boxes and swatches
static const f32 k_box_left = 30.0f;           // also the scheme heading's
static const f32 k_option_left = 60.0f;        // the options' labels and the scheme chooser
static const f32 k_option_label_drop = 2.5f;   // below its check box's top, and the heading's
static const f32 k_tray_top = 60.0f;
static const f32 k_login_top = 90.0f;
static const f32 k_heading_top = 120.0f;
static const f32 k_chooser_top = 140.0f;       // the scheme list opens right below it
static const f32 k_chooser_width = 130.0f;
static const f32 k_chooser_height = 25.0f;

static void options_label(GuiContext* context, const char* text, f32 x, f32 y) {
    gui_label_unbounded(context, GuiLabelUnboundedParams{.glyph_map = &g_ui_font,
                                                         .text_texture = g_ui_font_atlas,
                                                         .text = text,
                                                         .length = (u32)strlen(text),
                                                         .color = color_scheme_selected()->colors[GUI_COLOR_TEXT],
                                                         .x = x,
                                                         .y = y,
                                                         .alignment = ALIGN_TOP_LEFT,
                                                         .vertical_adjust = 1});
}

static bool options_scheme_item(GuiContext* context, ScrollRegion* region, u32 i, void* user) {
    LayoutNode item = {};
    gui_scroll_region_item(&item, region, k_scheme_item_height);
    const ColorScheme* scheme = &g_color_schemes.data[i];
    if (!gui_button(context, GuiButtonParams{.style = &ListButtonStyle,
                                             .width = region->node.w,
                                             .height = k_scheme_item_height,
                                             .text = (const char*)scheme->name,
                                             .text_length = scheme->name_length,
                                             .text_alignment = ALIGN_CENTER,
                                             .x = item.x,
                                             .y = item.y,
                                             .parent = &region->node,
                                             .alignment = ALIGN_TOP_LEFT}))
        return true;
    const u32 capacity = CONFIG_SCHEME_NAME_CAPACITY;
    const u32 length = scheme->name_length < capacity ? scheme->name_length : capacity;
    memcpy(g_config.color_scheme_name, scheme->name, length);
    g_config.color_scheme_name_length = length;
    g_selected_color_scheme = i;
    gui_apply_color_scheme(scheme->colors);
    *(u8*)user = 0;
    return false;
}

static void options_swatch(GuiContext* context, u32 color, f32 x, f32 y) {
    gui_panel(context, GuiPanelParams{.width = k_box_size,
                                      .height = k_box_size,
                                      .radius = 0.0f,
                                      .color = color,
                                      .texture = GUI_NO_TEXTURE,
                                      .x = x,
                                      .y = y,
                                      .alignment = ALIGN_TOP_LEFT});
}

static bool options_check_box(GuiContext* context, bool checked, f32 y) {
    return gui_check_box(context, GuiCheckBoxParams{.style = &DefaultCheckBoxStyle,
                                                    .width = k_box_size,
                                                    .height = k_box_size,
                                                    .checked = (u8)checked,
                                                    .x = k_box_left,
                                                    .y = y,
                                                    .alignment = ALIGN_TOP_LEFT});
}

void options_screen(GuiContext* context) {
    const f32 x = k_legend_left * (f32)context->viewport_width;

    options_swatch(context, DefaultCheckBoxStyle.second_color, x, k_legend_checked_top);
    options_label(context, "Checked", x + k_legend_label_gap, k_legend_checked_top + k_legend_label_drop);
    options_swatch(context, DefaultCheckBoxStyle.first_color, x, k_legend_unchecked_top);
    options_label(context, "Unchecked", x + k_legend_label_gap, k_legend_unchecked_top + k_legend_label_drop);

    g_config.tray_icon = options_check_box(context, g_config.tray_icon, k_tray_top) ? 1 : 0;
    options_label(context, "Put program in tray bar when window is closed", k_option_left,
                  k_tray_top + k_option_label_drop);

    // No stored state: the box shows what the registry holds, every frame.
    const bool registered = autostart_is_registered();
    const bool run_at_login = options_check_box(context, registered, k_login_top);
    if (run_at_login != registered) {
        if (run_at_login) autostart_register();
        else autostart_unregister();
    }
    options_label(context, "Run program at startup for this user", k_option_left, k_login_top + k_option_label_drop);

    options_label(context, "Color scheme", k_box_left, k_heading_top + k_option_label_drop);
    const ColorScheme* selected = color_scheme_selected();
    const bool list_was_open = g_options.scheme_list_open;
    if (gui_button(context, GuiButtonParams{.style = &DefaultButtonStyle,
                                            .width = k_chooser_width,
                                            .height = k_chooser_height,
                                            .text = (const char*)selected->name,
                                            .text_length = selected->name_length,
                                            .text_alignment = ALIGN_CENTER,
                                            .x = k_option_left,
                                            .y = k_chooser_top,
                                            .alignment = ALIGN_TOP_LEFT}))
        g_options.scheme_list_open = !g_options.scheme_list_open;

    if (g_options.scheme_list_open) {
        // The list starts on the button's bottom row: the press that opened it is not for it.
        const u32 held = context->input.left_button, was_held = context->previous_input.left_button;
        if (!list_was_open) context->input.left_button = context->previous_input.left_button = 0;
        const f32 extent = g_options.scheme_list_extent;
        gui_scroll_region(context,
                          GuiScrollRegionParams{.style = &DefaultScrollRegionStyle,
                                                .width = k_chooser_width,
                                                .height = extent < k_scheme_list_max_height ? extent
                                                                                             : k_scheme_list_max_height,
                                                .wheel_step = k_scheme_list_wheel_step,
                                                .orientation = GUI_SCROLL_VERTICAL,
                                                .spacing = 0.0f,
                                                .x = k_option_left,
                                                .y = k_chooser_top + k_chooser_height,
                                                .alignment = ALIGN_TOP_LEFT},
                          GuiScrollRegionCall{.item = options_scheme_item,
                                              .user = &g_options.scheme_list_open,
                                              .item_count = g_color_schemes.count,
                                              .fraction = &g_options.scheme_list_fraction,
                                              .content_extent = &g_options.scheme_list_extent});
        context->input.left_button = held;
        context->previous_input.left_button = was_held;
    }
}
