// The program's readers of INI text on the same arbitrary bytes (libFuzzer hands them over in a
// block of their exact size, so the sanitizer sees any read past them): the INI lookup and integer
// reader, the configuration, colour schemes and colours. Each result is checked against the bytes.
// The engine's input mapping, which the program never loads, is left to its unit tests.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <initializer_list>
#include <string>
#include "Ostrel/core/ini.h"
#include "app/color_schemes.h"
#include "app/config.h"

// A span stays inside the text and points at the key asked for.
static void check_span(const u8* text, u32 size, const char* key, const IniValueSpan& s) {
    u32 key_length = (u32)strlen(key);
    if (s.key_end - s.key_start != key_length || memcmp(text + s.key_start, key, key_length) != 0) abort();
    if (!(s.key_end <= s.value_start && s.value_start < s.value_end && s.value_end <= size)) abort();
    if (text[s.value_start] == '=' || text[s.value_start] == '[' || text[s.value_start] == ']') abort();
}

// The integer reader agrees with a reference: optional '-', digits only, within 32 bits.
static void check_int(const u8* bytes, u32 length) {
    i32 value = 0;
    const bool ok = ini_parse_int(bytes, length, &value);
    const bool negative = length > 0 && bytes[0] == '-';
    bool digits = true;
    i64 v = 0;  // saturates far above the 32-bit range
    for (u32 i = negative ? 1 : 0; i < length && digits; i++) {
        digits = bytes[i] >= '0' && bytes[i] <= '9';
        v = v > (1LL << 40) ? v : v * 10 + (bytes[i] - '0');
    }
    if (negative) v = -v;
    const bool expected = digits && v >= INT32_MIN && v <= INT32_MAX;
    if (ok != expected || (ok && value != v)) abort();
}

static void check_ini(const u8* data, u32 n) {
    for (const char* section : {(const char*)nullptr, "keyboard_and_mouse", "sec"})
        for (const char* key : {"WINDOW_X", "COLOR_SCHEME", "A", "B", "KEY ", "jump"}) {
            IniValueSpan span;
            if (ini_find_value(data, n, section, key, &span)) {
                check_span(data, n, key, span);
                check_int(data + span.value_start, span.value_end - span.value_start);
            }
        }
    IniLexer lexer = ini_lexer(data, n);
    for (u32 steps = 0; steps <= n + 1; steps++) {
        IniToken t = ini_next_token(&lexer);
        if (t.start > n || t.end > n || t.end < t.start) abort();
        if (t.kind == INI_TOKEN_END || t.kind == INI_TOKEN_UNKNOWN) break;
    }
    check_int(data, n < 32 ? n : 32);
}

// Every field ends within its rules and the saved text reads back to the same record; a name
// survives unless it cannot be written as one value word.
static void check_config(const u8* data, u32 n) {
    AppConfig c;
    memset(&c, 0xEE, sizeof c);
    config_parse(data, n, &c);
    if (c.window_width < CONFIG_MIN_WINDOW_WIDTH || c.window_height < CONFIG_MIN_WINDOW_HEIGHT) abort();
    if (c.tray_icon > 1 || c.color_scheme_name_length > CONFIG_SCHEME_NAME_CAPACITY) abort();
    DynString text = config_format(&c, g_default_allocator);
    AppConfig back;
    memset(&back, 0x11, sizeof back);
    config_parse(text.data, text.length, &back);
    dyn_string_free(&text);
    if (back.window_x != c.window_x || back.window_y != c.window_y || back.window_width != c.window_width ||
        back.window_height != c.window_height || back.tray_icon != c.tray_icon)
        abort();
    bool writable = c.color_scheme_name_length > 0 && c.color_scheme_name[0] != '[' && c.color_scheme_name[0] != ']';
    for (u32 i = 0; i < c.color_scheme_name_length; i++) {
        u8 b = c.color_scheme_name[i];
        if (b < 0x20 || b > 0x7E || b == '=') writable = false;
    }
    if (writable && (back.color_scheme_name_length != c.color_scheme_name_length ||
                     memcmp(back.color_scheme_name, c.color_scheme_name, c.color_scheme_name_length) != 0))
        abort();
}

// An accepted colour has 2, 4, 6 or 8 digits and reads back the same written out in full; each
// colour of a scheme is the built-in one or its key's value read as a colour; a scheme's name,
// what follows the path's last '\', holds at most 64 bytes.
static void check_scheme(const u8* text, u32 size) {
    u32 color;
    if (parse_color(text, size, &color)) {
        u32 digits = size >= 2 && text[0] == '0' && text[1] == 'x' ? size - 2 : size;
        if (digits != 2 && digits != 4 && digits != 6 && digits != 8) abort();
        char full[9];
        snprintf(full, sizeof(full), "%02X%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, color >> 24);
        u32 again;
        if (!parse_color((const u8*)full, 8, &again) || again != color) abort();
    }
    ColorScheme scheme;
    color_scheme_begin("color_schemes\\fuzz.ini", &scheme);
    color_scheme_parse_colors(text, size, "color_schemes\\fuzz.ini", &scheme);
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++) {
        if (scheme.colors[i] == g_color_scheme_default.colors[i]) continue;
        IniValueSpan span;
        if (!ini_find_value(text, size, nullptr, g_color_scheme_keys[i], &span) ||
            !parse_color(text + span.value_start, span.value_end - span.value_start, &color) || color != scheme.colors[i])
            abort();
    }
    const std::string path((const char*)text, size);
    if (color_scheme_begin(path.c_str(), &scheme) && scheme.name_length > COLOR_SCHEME_NAME_CAPACITY) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    check_ini(data, (u32)size);
    check_config(data, (u32)size);
    check_scheme(data, (u32)size);
    return 0;
}
