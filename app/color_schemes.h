// Colour schemes: the built-in "Default" and one per file of the watched color_schemes folder.
#pragma once
#include "Ostrel/core/dyn_array.h"
#include "Ostrel/gui/gui_colors.h"
#include "app/config.h"

enum { COLOR_SCHEME_NAME_CAPACITY = 64 };

struct ColorScheme {
    u8 name[COLOR_SCHEME_NAME_CAPACITY];  // the file's name, extension included; no terminator
    u32 name_length;
    u32 colors[GUI_COLOR_COUNT];  // packed RGBA, in GuiColor order
};

extern DynArray<ColorScheme> g_color_schemes;
extern u32 g_selected_color_scheme;
extern bool g_color_schemes_loaded;  // a scheme file was loaded since the UI last applied the scheme

// The scheme in use; "Default" while the selected index is past the end of the list.
const ColorScheme* color_scheme_selected();

bool color_schemes_setup();
void color_schemes_poll();
void color_schemes_rebuild();
bool color_scheme_load(const char* path);
void color_scheme_select_configured(const AppConfig* config);
