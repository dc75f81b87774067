#include "app/config.h"
#include <string.h>
#include "Ostrel/core/ini.h"
#include "Ostrel/core/log.h"

void config_set_fallback(AppConfig* config) {
    config->window_x = 150;
    config->window_y = 20;
    config->window_width = 400;
    config->window_height = 300;
    config->tray_icon = 0;
    config->color_scheme_name_length = 0;
}

static void parse_int_key(const u8* text, u32 size, const char* key, i32* field) {
    IniValueSpan span;
    if (!ini_find_value(text, size, nullptr, key, &span)) {
        *field = 0;
        log_error("% not present in config.", key);
        return;
    }
    i32 value = 0;
    if (!ini_parse_int(text + span.value_start, span.value_end - span.value_start, &value)) {
        *field = 0;
        log_error("% invalid in config.ini.", key);
        return;
    }
    *field = value;
}

static void set_default_scheme(AppConfig* config) {
    memcpy(config->color_scheme_name, "Default", 7);
    config->color_scheme_name_length = 7;
}

void config_parse(const u8* text, u32 size, AppConfig* config) {
    parse_int_key(text, size, "WINDOW_X", &config->window_x);
    parse_int_key(text, size, "WINDOW_Y", &config->window_y);
    parse_int_key(text, size, "WINDOW_W", &config->window_width);
    parse_int_key(text, size, "WINDOW_H", &config->window_height);

    IniValueSpan span;
    config->tray_icon = 0;
    if (!ini_find_value(text, size, nullptr, "TRAY_ICON", &span)) {
        log_error("TRAY_ICON not present in config.");
    } else if (span.value_end - span.value_start == 1 && (text[span.value_start] == '0' || text[span.value_start] == '1')) {
        config->tray_icon = (u8)(text[span.value_start] - '0');
    } else {
        log_error("TRAY_ICON invalid in config.ini.");
    }

    if (!ini_find_value(text, size, nullptr, "COLOR_SCHEME", &span)) {
        set_default_scheme(config);
        log_error("COLOR_SCHEME not present in config, using Default color scheme.");
    } else if (span.value_end - span.value_start > CONFIG_SCHEME_NAME_CAPACITY) {
        set_default_scheme(config);
        log_error("COLOR_SCHEME invalid in config.ini.");
    } else {
        config->color_scheme_name_length = span.value_end - span.value_start;
        memcpy(config->color_scheme_name, text + span.value_start, config->color_scheme_name_length);
    }

    if (config->window_width < CONFIG_MIN_WINDOW_WIDTH) config->window_width = CONFIG_MIN_WINDOW_WIDTH;
    if (config->window_height < CONFIG_MIN_WINDOW_HEIGHT) config->window_height = CONFIG_MIN_WINDOW_HEIGHT;
}

DynString config_format(const AppConfig* config, Allocator* allocator) {
    u32 name_length = config->color_scheme_name_length;
    if (name_length > CONFIG_SCHEME_NAME_CAPACITY) name_length = CONFIG_SCHEME_NAME_CAPACITY;
    return message_build(allocator, "WINDOW_X=%\nWINDOW_Y=%\nWINDOW_W=%\nWINDOW_H=%\nTRAY_ICON=%\nCOLOR_SCHEME=%\n",
                         config->window_x, config->window_y, config->window_width, config->window_height,
                         (u32)config->tray_icon, StringView{config->color_scheme_name, name_length});
}
