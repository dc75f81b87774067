// DynArray: growable array. A push onto a full array grows it by the growth step;
// setting count to 0 empties it without freeing.
#pragma once
#include <string.h>
#include "allocator.h"

template <typename T>
struct DynArray {
    T* data;
    Allocator* allocator;
    T* previous_data;  // the old block while it is being copied
    u32 count;
    u32 capacity;
    u32 growth_step;
};

template <typename T>
DynArray<T> dyn_array_create(Allocator* allocator, u32 capacity, u32 growth_step) {
    DynArray<T> a = {};
    a.allocator = allocator;
    a.capacity = capacity;
    a.growth_step = growth_step;
    a.data = capacity ? (T*)allocator_alloc(allocator, (u64)capacity * sizeof(T)) : nullptr;
    return a;
}

// Reallocates to exactly `capacity` elements, keeping min(count, capacity) of them.
template <typename T>
void dyn_array_set_capacity(DynArray<T>* a, u32 capacity) {
    a->previous_data = a->data;
    a->data = capacity ? (T*)allocator_alloc(a->allocator, (u64)capacity * sizeof(T)) : nullptr;
    if (a->count > capacity) a->count = capacity;
    if (a->previous_data) {
        if (a->count) memcpy((void*)a->data, (const void*)a->previous_data, (size_t)a->count * sizeof(T));
        allocator_free(a->allocator, a->previous_data);
    }
    a->previous_data = nullptr;
    a->capacity = capacity;
}

// Makes room for `extra` more elements (grows by whole growth steps, at least one).
template <typename T>
void dyn_array_reserve_more(DynArray<T>* a, u32 extra) {
    if (a->count + extra <= a->capacity) return;
    u32 step = a->growth_step ? a->growth_step : 1;
    u32 capacity = a->capacity;
    while (capacity < a->count + extra) capacity += step;
    dyn_array_set_capacity(a, capacity);
}

template <typename T>
T* dyn_array_push(DynArray<T>* a, const T& value) {
    if (a->count >= a->capacity) dyn_array_set_capacity(a, a->capacity + (a->growth_step ? a->growth_step : 1));
    a->data[a->count] = value;
    return &a->data[a->count++];
}

template <typename T>
void dyn_array_free(DynArray<T>* a) {
    if (a->data) allocator_free(a->allocator, a->data);
    a->data = nullptr;
    a->count = 0;
    a->capacity = 0;
}
