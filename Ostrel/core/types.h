// Fixed-width scalar names used across the engine and the program.
#pragma once
#include <stddef.h>
#include <stdint.h>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t i8;
typedef int16_t i16;
typedef int32_t i32;
typedef int64_t i64;
typedef float f32;
typedef double f64;

#define OSTREL_COUNT_OF(a) (sizeof(a) / sizeof((a)[0]))

// A NaN lands on lo, so a value from a misbehaving source still comes out in range.
template <typename T>
constexpr T ostrel_clamp(T value, T lo, T hi) {
    return value > lo ? (value < hi ? value : hi) : lo;
}
