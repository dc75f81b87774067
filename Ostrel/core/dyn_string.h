// DynString: the engine's growable byte string. Not NUL-terminated: length is authoritative.
// Where the OS needs a C string, the caller appends a NUL like any other byte.
#pragma once
#include "allocator.h"
#include "string_view.h"

struct DynString {
    u8* data;
    Allocator* allocator;
    u8* previous_data;  // the old block while it is being copied
    u32 length;
    u32 capacity;
    u32 growth_step;  // always 5
};

DynString dyn_string_create(Allocator* allocator);
DynString dyn_string_create_with_capacity(Allocator* allocator, u32 capacity);
void dyn_string_append_char(DynString* s, u8 c);
void dyn_string_append_bytes(DynString* s, const void* bytes, u32 n);
void dyn_string_append_cstr(DynString* s, const char* text);
void dyn_string_append_string(DynString* s, const DynString* other);
void dyn_string_append_u64(DynString* s, u64 value);
void dyn_string_append_i64(DynString* s, i64 value);
void dyn_string_set_capacity(DynString* s, u32 capacity);
void dyn_string_insert_char(DynString* s, u32 index, u8 c);
void dyn_string_remove(DynString* s, u32 index, u32 n);
void dyn_string_clear(DynString* s);
void dyn_string_free(DynString* s);

inline StringView dyn_string_view(const DynString* s) { return StringView{s->data, s->length}; }
