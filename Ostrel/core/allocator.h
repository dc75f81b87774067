// Allocator: the one way memory is obtained. Every growable record carries one.
#pragma once
#include "types.h"

struct Allocator {
    void* context;
    void* (*allocate)(void* context, u64 size);
    void (*free)(void* context, void* pointer);
};

inline void* allocator_alloc(Allocator* a, u64 size) { return a->allocate(a->context, size); }
inline void allocator_free(Allocator* a, void* pointer) { a->free(a->context, pointer); }

// The program's default allocator, published by the entry point (tests install their own).
extern Allocator* g_default_allocator;
