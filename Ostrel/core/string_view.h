// StringView: bytes and a length; names and text travel as these, never NUL-terminated.
#pragma once
#include "types.h"

struct StringView {
    const u8* data;
    u32 length;
};

inline StringView string_view(const char* text, u32 length) { return StringView{(const u8*)text, length}; }
StringView string_view_cstr(const char* text);
bool string_view_equal(StringView a, StringView b);
