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

static void options_label(GuiContext* context, const char* text, f32 x, f32 y) {
    gui_label_unbounded(context,
                        GuiLabelUnboundedParams{&g_ui_font, g_ui_font_atlas, text, (u32)strlen(text),
                                                color_scheme_selected()->colors[GUI_COLOR_TEXT], x, y, nullptr,
                                                nullptr, ALIGN_TOP_LEFT, 1});
}

static bool options_scheme_item(GuiContext* context, ScrollRegion* region, u32 i, void* user) {
    LayoutNode item = {};
    gui_scroll_region_item(&item, region, k_scheme_item_height);
    const ColorScheme* scheme = &g_color_schemes.data[i];
    if (!gui_button(context, GuiButtonParams{&ListButtonStyle, region->node.w, k_scheme_item_height,
                                             (const char*)scheme->name, scheme->name_length, ALIGN_CENTER, item.x,
                                             item.y, &region->node, ALIGN_TOP_LEFT, nullptr}))
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

void options_screen(GuiContext* context) {
    const f32 x = 0.8f * (f32)context->viewport_width;

    gui_panel(context, GuiPanelParams{nullptr, 16.0f, 16.0f, 0.0f, DefaultCheckBoxStyle.second_color, GUI_NO_TEXTURE,
                                      x, 20.0f, nullptr, ALIGN_TOP_LEFT});
    options_label(context, "Checked", x + 22.0f, 21.5f);
    gui_panel(context, GuiPanelParams{nullptr, 16.0f, 16.0f, 0.0f, DefaultCheckBoxStyle.first_color, GUI_NO_TEXTURE,
                                      x, 40.0f, nullptr, ALIGN_TOP_LEFT});
    options_label(context, "Unchecked", x + 22.0f, 41.5f);

    g_config.tray_icon = gui_check_box(context, GuiCheckBoxParams{&DefaultCheckBoxStyle, 16.0f, 16.0f,
                                                                  g_config.tray_icon, 30.0f, 60.0f, nullptr,
                                                                  ALIGN_TOP_LEFT, nullptr})
                             ? 1
                             : 0;
    options_label(context, "Put program in tray bar when window is closed", 60.0f, 62.5f);

    // No stored state: the box shows what the registry holds, every frame.
    const bool registered = autostart_is_registered();
    const bool run_at_login = gui_check_box(context, GuiCheckBoxParams{&DefaultCheckBoxStyle, 16.0f, 16.0f,
                                                                       (u8)registered, 30.0f, 90.0f, nullptr,
                                                                       ALIGN_TOP_LEFT, nullptr});
    if (run_at_login != registered) {
        if (run_at_login) autostart_register();
        else autostart_unregister();
    }
    options_label(context, "Run program at startup for this user", 60.0f, 92.5f);

    options_label(context, "Color scheme", 30.0f, 122.5f);
    const ColorScheme* selected = color_scheme_selected();
    const bool list_was_open = g_options.scheme_list_open;
    if (gui_button(context, GuiButtonParams{&DefaultButtonStyle, 130.0f, 25.0f, (const char*)selected->name,
                                            selected->name_length, ALIGN_CENTER, 60.0f, 140.0f, nullptr,
                                            ALIGN_TOP_LEFT, nullptr}))
        g_options.scheme_list_open = !g_options.scheme_list_open;

    if (g_options.scheme_list_open) {
        // The list starts on the button's bottom row: the press that opened it is not for it.
        const u32 held = context->input.left_button, was_held = context->previous_input.left_button;
        if (!list_was_open) context->input.left_button = context->previous_input.left_button = 0;
        const f32 extent = g_options.scheme_list_extent;
        gui_scroll_region(context,
                          GuiScrollRegionParams{&DefaultScrollRegionStyle, 130.0f,
                                                extent < k_scheme_list_max_height ? extent : k_scheme_list_max_height,
                                                0.15f, GUI_SCROLL_VERTICAL, 0.0f, 60.0f, 165.0f, nullptr,
                                                ALIGN_TOP_LEFT},
                          GuiScrollRegionCall{options_scheme_item, &g_options.scheme_list_open, g_color_schemes.count,
                                              &g_options.scheme_list_fraction, &g_options.scheme_list_extent, nullptr});
        context->input.left_button = held;
        context->previous_input.left_button = was_held;
    }
}
