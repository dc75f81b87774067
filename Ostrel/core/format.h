// The "%" message builder: each "%" in the format is replaced, in order, by the next
// argument rendered by its type. No escapes, widths or conversion letters: surplus "%"
// stay literal, surplus arguments are dropped.
//
// Renderable: any integer type (decimal; 8-bit values as digits, never characters),
// C strings, StringView and DynString. Floats, bools and pointers are refused at compile time.
#pragma once
#include <type_traits>
#include "dyn_string.h"

typedef DynString LogMessage;

namespace format_detail {

inline void append(DynString* s, const char* text) { dyn_string_append_cstr(s, text ? text : ""); }
inline void append(DynString* s, char* text) { append(s, (const char*)text); }
inline void append(DynString* s, StringView view) { dyn_string_append_bytes(s, view.data, view.length); }
inline void append(DynString* s, const DynString& other) { dyn_string_append_string(s, &other); }

template <typename T>
inline std::enable_if_t<std::is_integral_v<T>> append(DynString* s, T value) {
    static_assert(!std::is_same_v<T, bool>, "booleans have no rendering");
    if constexpr (std::is_signed_v<T>) dyn_string_append_i64(s, (i64)value);
    else dyn_string_append_u64(s, (u64)value);
}

template <typename T>
inline std::enable_if_t<std::is_enum_v<T>> append(DynString* s, T value) {
    append(s, (std::underlying_type_t<T>)value);
}

// Copies format bytes up to the next "%"; returns false when the format ended first.
bool copy_to_placeholder(DynString* s, const char* format, u32 length, u32* position);
void copy_rest(DynString* s, const char* format, u32 length, u32 position);
u32 cstr_length(const char* text);

}  // namespace format_detail

template <typename... Args>
LogMessage message_build(Allocator* allocator, const char* format, const Args&... args) {
    DynString s = dyn_string_create(allocator);
    u32 n = format_detail::cstr_length(format);
    u32 p = 0;
    (
        [&] {
            if (format_detail::copy_to_placeholder(&s, format, n, &p)) format_detail::append(&s, args);
        }(),
        ...);
    format_detail::copy_rest(&s, format, n, p);
    return s;
}
