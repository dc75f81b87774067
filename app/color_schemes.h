// Colour schemes: the built-in "Default" and one per file of the watched color_schemes folder.
#pragma once
#include "Ostrel/core/dyn_array.h"
#include "Ostrel/gui/gui_colors.h"
#include "app/config.h"

enum {
    COLOR_SCHEME_NAME_CAPACITY = 64,
    COLOR_SCHEME_LIST_CAPACITY = 12,
    COLOR_SCHEME_LIST_GROWTH = 12,
};

struct ColorScheme {
    u8 name[COLOR_SCHEME_NAME_CAPACITY];  // the file's name, extension included; no terminator
    u32 name_length;
    u32 colors[GUI_COLOR_COUNT];  // packed RGBA, in GuiColor order
};

extern DynArray<ColorScheme> g_color_schemes;
extern u32 g_selected_color_scheme;
extern bool g_color_schemes_loaded;  // a scheme file was loaded since the UI last applied the scheme

// The file keys, in GuiColor order ("BACKGROUND_COLOR", "TEXT_COLOR", ...).
extern const char* const g_color_scheme_keys[GUI_COLOR_COUNT];
// The built-in scheme, named "Default".
extern const ColorScheme g_color_scheme_default;

// The scheme in use; "Default" (entry 0) while the selected index is past the end of the list.
const ColorScheme* color_scheme_selected();
// The index of color_scheme_selected() in the list.
u32 color_scheme_selected_index();

// Colour value of a scheme file: "RR", "RRGG", "RRGGBB" or "RRGGBBAA" in upper-case hex digits,
// optionally after "0x". Missing channels are green 0, blue 0, alpha 255.
bool parse_color(const u8* bytes, u32 length, u32* out);

// Portable pieces of loading one scheme file.
// Starts `scheme` as "Default" named after the part of `path` after its last '\' or '/'; false (after
// logging) when that name does not fit.
bool color_scheme_begin(const char* path, ColorScheme* scheme);
// Reads the twenty keys of a scheme file's text; missing and invalid ones keep their colour.
void color_scheme_parse_colors(const u8* text, u32 size, const char* path, ColorScheme* scheme);
// Appends to the list and sets the loaded flag.
void color_scheme_append(const ColorScheme* scheme);

// An empty list of capacity 12 (any previous list is released).
void color_schemes_list_create();
// Count 0, then "Default": the start of every rebuild.
void color_schemes_list_reset();

bool color_schemes_setup();
void color_schemes_poll();
void color_schemes_rebuild();
bool color_scheme_load(const char* path);
void color_scheme_select_configured(const AppConfig* config);
// Releases the folder watch and the list. The program leaves them to the process's end; a test
// that sets up more than once per process calls it between set-ups.
void color_schemes_close();
