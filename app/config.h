// config.ini: window rectangle, tray option and colour scheme name. Opened once at start-up;
// the handle is kept and every save rewrites the file through it.
#pragma once
#include "Ostrel/core/dyn_string.h"

enum {
    CONFIG_SCHEME_NAME_CAPACITY = 64,
    CONFIG_MIN_WINDOW_WIDTH = 565,
    CONFIG_MIN_WINDOW_HEIGHT = 411,
};

struct AppConfig {
    i32 window_x;
    i32 window_y;
    i32 window_width;
    i32 window_height;
    u8 tray_icon;  // 0 or 1
    u8 color_scheme_name[CONFIG_SCHEME_NAME_CAPACITY];
    u32 color_scheme_name_length;
};

// Values used when the file cannot be opened, sized or read.
void config_set_fallback(AppConfig* config);
// Reads the six keys from the file's text (logging what is missing or invalid) and applies the
// minimum window size.
void config_parse(const u8* text, u32 size, AppConfig* config);
// The text a save writes.
DynString config_format(const AppConfig* config, Allocator* allocator);

// Opens (creating it empty if missing) config.ini in the working directory, fills the record
// and keeps the handle for every later save; on failure the fallback values are used.
bool load_config(AppConfig* config);
// Rewrites the whole file through the kept handle.
bool save_config(const AppConfig* config);
