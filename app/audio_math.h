// Volume arithmetic of the audio layer: percent conversions, the upper clamp and the mute
// threshold. Kept apart from the COM calls so it can be checked on its own.
#pragma once
#include "Ostrel/core/types.h"

constexpr f32 AUDIO_MUTE_THRESHOLD = 0.005f;
constexpr f32 AUDIO_VOLUME_MAX = 1.0f;
constexpr f32 AUDIO_PERCENT_SCALE = 100.0f;
// A percent stored as percent / 100 comes back a hair below the whole number (53 reads as
// 52.999996); truncation must not turn that into the percent below.
constexpr f32 AUDIO_PERCENT_TRUNCATE_SLACK = 0.0001f;

// Scalars outside 0..1 only come from a misbehaving platform; they must not overflow a u8.
inline f32 audio_percent_bounded(f32 percent) { return ostrel_clamp(percent, 0.0f, AUDIO_PERCENT_SCALE); }

// Device percentages round to the nearest whole number, halves away from zero.
inline u8 audio_percent_rounded(f32 scalar) {
    return (u8)(audio_percent_bounded(scalar * AUDIO_PERCENT_SCALE) + 0.5f);
}

// Session percentages truncate toward zero.
inline u8 audio_percent_truncated(f32 scalar) {
    return (u8)audio_percent_bounded(scalar * AUDIO_PERCENT_SCALE + AUDIO_PERCENT_TRUNCATE_SLACK);
}

inline f32 audio_percent_to_scalar(u8 percent) { return (f32)percent / AUDIO_PERCENT_SCALE; }

inline f32 audio_clamp_volume(f32 scalar) { return scalar > AUDIO_VOLUME_MAX ? AUDIO_VOLUME_MAX : scalar; }

inline bool audio_below_mute_threshold(f32 scalar) { return scalar < AUDIO_MUTE_THRESHOLD; }
