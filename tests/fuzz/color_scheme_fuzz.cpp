// Scheme-file text and colour values from arbitrary bytes: no read outside the input, and every
// accepted colour reads back the same when written out in full.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "Ostrel/core/ini.h"
#include "app/color_schemes.h"

static void check_color(const u8* bytes, u32 length) {
    u32 color;
    if (!parse_color(bytes, length, &color)) return;
    u32 digits = length >= 2 && bytes[0] == '0' && bytes[1] == 'x' ? length - 2 : length;
    if (digits != 2 && digits != 4 && digits != 6 && digits != 8) __builtin_trap();
    char text[9];
    snprintf(text, sizeof(text), "%02X%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF,
             color >> 24);
    u32 again;
    if (!parse_color((const u8*)text, 8, &again) || again != color) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    // Copied so the sanitizer sees the exact extent of the input.
    u8* text = (u8*)malloc(size ? size : 1);
    memcpy(text, data, size);

    check_color(text, (u32)size);

    ColorScheme scheme;
    color_scheme_begin("color_schemes\\fuzz.ini", &scheme);
    color_scheme_parse_colors(text, (u32)size, "color_schemes\\fuzz.ini", &scheme);
    // Each colour is either the built-in one or the key's value read as a colour.
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        if (scheme.colors[i] == g_color_scheme_default.colors[i]) continue;
        IniValueSpan span;
        if (!ini_find_value(text, (u32)size, nullptr, g_color_scheme_keys[i], &span)) __builtin_trap();
        u32 color;
        if (!parse_color(text + span.value_start, span.value_end - span.value_start, &color) ||
            color != scheme.colors[i])
            __builtin_trap();
    }

    // The same bytes as a path: the name is what follows the last '\', at most 64 bytes.
    char* path = (char*)malloc(size + 1);
    memcpy(path, data, size);
    path[size] = 0;
    if (color_scheme_begin(path, &scheme) && scheme.name_length > COLOR_SCHEME_NAME_CAPACITY) __builtin_trap();
    free(path);
    free(text);
    return 0;
}
