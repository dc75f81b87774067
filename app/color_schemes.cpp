#include "app/color_schemes.h"
#include "Ostrel/core/ini.h"
#include "Ostrel/core/log.h"

DynArray<ColorScheme> g_color_schemes;
u32 g_selected_color_scheme;
bool g_color_schemes_loaded;

const char* const g_color_scheme_keys[GUI_COLOR_COUNT] = {
    "BACKGROUND_COLOR",
    "TEXT_COLOR",
    "BUTTON",
    "BUTTON_HOVERED",
    "TEXT_INPUT_BACKGROUND",
    "TEXT_INPUT_BORDER",
    "TEXT_INPUT_CURSOR",
    "TEXT_INPUT_SELECT_BOX",
    "VOLUME_CONTROL_BORDER",
    "VOLUME_CONTROL_BACKGROUND",
    "SLIDER_GAUGE",
    "SLIDER_CONTROL",
    "SLIDER_CONTROL_HOVERED",
    "SLIDER_CONTROL_ACTIVATED",
    "SCROLLABLE_REGION_BACKGROUND",
    "SCROLL_BAR_BACKWARD_BUTTON",
    "SCROLL_BAR_FORWARD_BUTTON",
    "SCROLL_BAR_SLIDE_BAR",
    "CHECK_BOX_CHECKED",
    "CHECK_BOX_UNCHECKED",
};

#define RGBA(r, g, b, a) ((u32)(r) | ((u32)(g) << 8) | ((u32)(b) << 16) | ((u32)(a) << 24))

const ColorScheme g_color_scheme_default = {
    {'D', 'e', 'f', 'a', 'u', 'l', 't'},
    7,
    {
        RGBA(0x1A, 0x1A, 0x1A, 0xFF),  // BACKGROUND_COLOR
        RGBA(0xFF, 0xFF, 0xFF, 0xFF),  // TEXT_COLOR
        RGBA(0x2C, 0x2C, 0x2C, 0xFF),  // BUTTON
        RGBA(0x46, 0x46, 0x46, 0xFF),  // BUTTON_HOVERED
        RGBA(0x2A, 0x2A, 0x2A, 0xFF),  // TEXT_INPUT_BACKGROUND
        RGBA(0x00, 0x00, 0x00, 0x00),  // TEXT_INPUT_BORDER
        RGBA(0xCC, 0xCC, 0xCC, 0xFF),  // TEXT_INPUT_CURSOR
        RGBA(0x79, 0x7A, 0x7A, 0xFF),  // TEXT_INPUT_SELECT_BOX
        RGBA(0x2E, 0x2E, 0x2E, 0xFF),  // VOLUME_CONTROL_BORDER
        RGBA(0x3A, 0x3A, 0x3A, 0xFF),  // VOLUME_CONTROL_BACKGROUND
        RGBA(0x2C, 0x2C, 0x2C, 0xFF),  // SLIDER_GAUGE
        RGBA(0x1A, 0x1A, 0x1A, 0xFF),  // SLIDER_CONTROL
        RGBA(0x2E, 0x2E, 0x2E, 0xFF),  // SLIDER_CONTROL_HOVERED
        RGBA(0x2E, 0x2E, 0x2E, 0xFF),  // SLIDER_CONTROL_ACTIVATED
        RGBA(0x2E, 0x2E, 0x2E, 0xFF),  // SCROLLABLE_REGION_BACKGROUND
        RGBA(0x16, 0x16, 0x16, 0xFF),  // SCROLL_BAR_BACKWARD_BUTTON
        RGBA(0x16, 0x16, 0x16, 0xFF),  // SCROLL_BAR_FORWARD_BUTTON
        RGBA(0x2C, 0x2C, 0x2C, 0xFF),  // SCROLL_BAR_SLIDE_BAR
        RGBA(0xCC, 0xCC, 0xCC, 0xFF),  // CHECK_BOX_CHECKED
        RGBA(0x55, 0x55, 0x55, 0xFF),  // CHECK_BOX_UNCHECKED
    },
};

#undef RGBA

u32 color_scheme_selected_index() {
    // A rebuild may leave fewer schemes than the index it keeps.
    return g_selected_color_scheme < g_color_schemes.count ? g_selected_color_scheme : 0;
}

const ColorScheme* color_scheme_selected() {
    if (g_color_schemes.count == 0) return &g_color_scheme_default;
    return &g_color_schemes.data[color_scheme_selected_index()];
}

static i32 hex_digit(u8 c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parse_color(const u8* bytes, u32 length, u32* out) {
    if (length < 2) return false;
    if (bytes[0] == '0' && bytes[1] == 'x') {
        bytes += 2;
        length -= 2;
    }
    if (length != 2 && length != 4 && length != 6 && length != 8) return false;
    u8 channels[4] = {0, 0, 0, 255};
    for (u32 i = 0; i < length; i += 2) {
        i32 high = hex_digit(bytes[i]);
        i32 low = hex_digit(bytes[i + 1]);
        if (high < 0 || low < 0) return false;
        channels[i / 2] = (u8)(high * 16 + low);
    }
    *out = gui_pack_color(channels[0], channels[1], channels[2], channels[3]);
    return true;
}

bool color_scheme_begin(const char* path, ColorScheme* scheme) {
    *scheme = g_color_scheme_default;
    u32 start = 0;
    u32 end = 0;
    for (; path[end]; end++) {
        if (path[end] == '\\' || path[end] == '/') start = end + 1;
    }
    u32 length = end - start;
    if (length > COLOR_SCHEME_NAME_CAPACITY) {
        log_error("Cannot load color scheme % because its name is too long (maximum is % bytes).", path,
                  (u32)COLOR_SCHEME_NAME_CAPACITY);
        return false;
    }
    // Cleared so a prefix match on the whole field never sees "Default"'s leftover bytes.
    memset(scheme->name, 0, sizeof(scheme->name));
    memcpy(scheme->name, path + start, length);
    scheme->name_length = length;
    return true;
}

void color_scheme_parse_colors(const u8* text, u32 size, const char* path, ColorScheme* scheme) {
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        IniValueSpan span;
        if (!ini_find_value(text, size, nullptr, g_color_scheme_keys[i], &span)) {
            log_error("% not present in %.", g_color_scheme_keys[i], path);
            continue;
        }
        u32 color;
        if (!parse_color(text + span.value_start, span.value_end - span.value_start, &color)) {
            log_error("% invalid in %.", g_color_scheme_keys[i], path);
            continue;
        }
        scheme->colors[i] = color;
    }
}

void color_scheme_append(const ColorScheme* scheme) {
    dyn_array_push(&g_color_schemes, *scheme);
    g_color_schemes_loaded = true;
}

void color_schemes_list_create() {
    if (g_color_schemes.data) dyn_array_free(&g_color_schemes);
    g_color_schemes = dyn_array_create<ColorScheme>(g_default_allocator, COLOR_SCHEME_LIST_CAPACITY,
                                                    COLOR_SCHEME_LIST_GROWTH);
}

void color_schemes_list_reset() {
    g_color_schemes.count = 0;
    dyn_array_push(&g_color_schemes, g_color_scheme_default);
}

void color_scheme_select_configured(const AppConfig* config) {
    // A prefix of the name field: "Dark" picks "Dark.ini" unless an earlier name starts with it.
    u32 n = config->color_scheme_name_length;
    if (n > COLOR_SCHEME_NAME_CAPACITY) n = COLOR_SCHEME_NAME_CAPACITY;
    g_selected_color_scheme = 0;
    for (u32 i = 0; i < g_color_schemes.count; i++) {
        if (memcmp(g_color_schemes.data[i].name, config->color_scheme_name, n) == 0) {
            g_selected_color_scheme = i;
            return;
        }
    }
}
