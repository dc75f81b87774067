#include "dyn_string.h"
#include <string.h>

Allocator* g_default_allocator = nullptr;

StringView string_view_cstr(const char* text) { return StringView{(const u8*)text, (u32)strlen(text)}; }

bool string_view_equal(StringView a, StringView b) {
    return a.length == b.length && (a.length == 0 || memcmp(a.data, b.data, a.length) == 0);
}

DynString dyn_string_create_with_capacity(Allocator* allocator, u32 capacity) {
    DynString s = {};
    s.allocator = allocator;
    s.capacity = capacity;
    s.growth_step = 5;
    s.data = (u8*)allocator_alloc(allocator, capacity ? capacity : 1);
    return s;
}

DynString dyn_string_create(Allocator* allocator) { return dyn_string_create_with_capacity(allocator, 5); }

void dyn_string_set_capacity(DynString* s, u32 capacity) {
    s->previous_data = s->data;
    s->data = (u8*)allocator_alloc(s->allocator, capacity ? capacity : 1);
    u32 keep = s->length < capacity ? s->length : capacity;
    if (keep) memcpy(s->data, s->previous_data, keep);
    if (s->previous_data) allocator_free(s->allocator, s->previous_data);
    s->previous_data = nullptr;
    s->length = keep;
    s->capacity = capacity;
}

void dyn_string_append_char(DynString* s, u8 c) {
    if (s->length >= s->capacity) dyn_string_set_capacity(s, s->capacity + s->growth_step);
    s->data[s->length++] = c;
}

void dyn_string_append_bytes(DynString* s, const void* bytes, u32 n) {
    if (n == 0) return;
    if (s->length + n >= s->capacity) dyn_string_set_capacity(s, s->length + n);
    memcpy(s->data + s->length, bytes, n);
    s->length += n;
}

void dyn_string_append_cstr(DynString* s, const char* text) { dyn_string_append_bytes(s, text, (u32)strlen(text)); }

void dyn_string_append_string(DynString* s, const DynString* other) {
    dyn_string_append_bytes(s, other->data, other->length);
}

// Digits are written in place from the last position backwards.
static void append_decimal(DynString* s, u64 magnitude, bool negative) {
    u32 d = 1;
    for (u64 v = magnitude; v >= 10; v /= 10) d++;
    if (negative) d++;
    if (s->length + d + s->length >= s->capacity) dyn_string_set_capacity(s, s->capacity + s->length + d);
    u8* out = s->data + s->length;
    if (negative) out[0] = '-';
    u8* p = out + d;
    u64 v = magnitude;
    do {
        *--p = (u8)('0' + v % 10);
        v /= 10;
    } while (v);
    s->length += d;
}

void dyn_string_append_u64(DynString* s, u64 value) { append_decimal(s, value, false); }

void dyn_string_append_i64(DynString* s, i64 value) {
    // Unsigned negation keeps the most negative value exact.
    u64 magnitude = value < 0 ? (u64)0 - (u64)value : (u64)value;
    append_decimal(s, magnitude, value < 0);
}

void dyn_string_insert_char(DynString* s, u32 index, u8 c) {
    if (index > s->length) index = s->length;
    if (s->length + 1 > s->capacity) dyn_string_set_capacity(s, s->capacity + s->growth_step);
    memmove(s->data + index + 1, s->data + index, s->length - index);
    s->data[index] = c;
    s->length++;
}

void dyn_string_remove(DynString* s, u32 index, u32 n) {
    if (index >= s->length) return;
    if (n > s->length - index) n = s->length - index;
    memmove(s->data + index, s->data + index + n, s->length - index - n);
    s->length -= n;
}

void dyn_string_clear(DynString* s) { s->length = 0; }

void dyn_string_free(DynString* s) {
    if (s->data) allocator_free(s->allocator, s->data);
    s->data = nullptr;
    s->length = 0;
    s->capacity = 0;
}
