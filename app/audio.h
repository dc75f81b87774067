// The machine's audio outputs: active render endpoints and their application sessions, rebuilt
// from scratch on every focused frame. Indices are valid within one frame only.
#pragma once
#include "Ostrel/core/dyn_array.h"
#include "Ostrel/core/string_view.h"

void audio_init();
void audio_enumerate();
void audio_release_devices();
void audio_refresh();
void audio_shutdown();

u32 audio_device_count();
u32 audio_default_device_index();
StringView audio_device_name(u32 device);
u32 audio_session_count(u32 device);
StringView audio_session_name(u32 device, u32 session);

f32 audio_get_device_volume(u32 device);
u8 audio_get_device_volume_percent(u32 device);
void audio_set_device_volume(u32 device, f32 volume);
void audio_set_device_volume_percent(u32 device, u8 percent);
bool audio_get_device_mute(u32 device);
void audio_mute_device(u32 device);
void audio_unmute_device(u32 device);
void audio_set_default_device(u32 device);

f32 audio_get_session_volume(u32 device, u32 session);
u8 audio_get_session_volume_percent(u32 device, u32 session);
void audio_set_session_volume(u32 device, u32 session, f32 volume);
void audio_set_session_volume_percent(u32 device, u32 session, u8 percent);
bool audio_get_session_mute(u32 device, u32 session);
void audio_mute_session(u32 device, u32 session);
void audio_unmute_session(u32 device, u32 session);
