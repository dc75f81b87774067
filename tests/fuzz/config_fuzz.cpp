// The configuration parse on arbitrary file contents: every field ends within its rules and
// the saved text of the result reads back to the same record.
#include <stdlib.h>
#include <string.h>
#include "app/config.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (size > 1 << 20) return 0;
    AppConfig c;
    memset(&c, 0xEE, sizeof c);
    config_parse(data, (u32)size, &c);
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
    // A name survives the round trip unless it cannot be written as one value word.
    bool writable = c.color_scheme_name_length > 0;
    for (u32 i = 0; i < c.color_scheme_name_length; i++) {
        u8 b = c.color_scheme_name[i];
        if (b < 0x20 || b > 0x7E || b == '=') writable = false;
    }
    if (c.color_scheme_name_length > 0 && (c.color_scheme_name[0] == '[' || c.color_scheme_name[0] == ']')) writable = false;
    if (writable && (back.color_scheme_name_length != c.color_scheme_name_length ||
                     memcmp(back.color_scheme_name, c.color_scheme_name, c.color_scheme_name_length) != 0))
        abort();
    return 0;
}
