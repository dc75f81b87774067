#include "format.h"
#include <string.h>

namespace format_detail {

u32 cstr_length(const char* text) { return (u32)strlen(text); }

bool copy_to_placeholder(DynString* s, const char* format, u32 length, u32* position) {
    u32 p = *position;
    u32 start = p;
    while (p < length && format[p] != '%') p++;
    dyn_string_append_bytes(s, format + start, p - start);
    if (p >= length) {
        *position = p;
        return false;
    }
    *position = p + 1;
    return true;
}

void copy_rest(DynString* s, const char* format, u32 length, u32 position) {
    if (position < length) dyn_string_append_bytes(s, format + position, length - position);
}

}  // namespace format_detail
