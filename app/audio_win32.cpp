// Placeholder until the audio layer lands: no devices.
#include "app/audio.h"

void audio_init() {}
void audio_enumerate() {}
void audio_release_devices() {}
void audio_refresh() {}
void audio_shutdown() {}
u32 audio_device_count() { return 0; }
u32 audio_default_device_index() { return 0; }
