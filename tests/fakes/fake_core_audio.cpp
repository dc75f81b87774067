#include "fake_core_audio.h"
#include "app/audio.h"

AudioModel g_fake_audio;

static i32 fake_create_instance(const void* clsid, const void* iid, void** object) {
    return model_create_instance(&g_fake_audio, *(const GUID*)clsid, *(const GUID*)iid, object);
}

void fake_audio_install() {
    model_reset(&g_fake_audio);
    audio_set_create_instance(fake_create_instance);
}

void fake_audio_uninstall() { audio_set_create_instance(nullptr); }
