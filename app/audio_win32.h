// The Core Audio twin of the audio layer: its seam for tests.
#pragma once
#include "app/audio.h"

// For tests: replaces how the two top-level objects (the policy configuration and the
// device enumerator) are created; the program uses CoCreateInstance with CLSCTX_ALL.
// clsid and iid point to GUIDs; the result is an HRESULT. Null restores CoCreateInstance.
typedef i32 (*AudioCreateInstanceFn)(const void* clsid, const void* iid, void** object);
void audio_set_create_instance(AudioCreateInstanceFn create);
