// The Core Audio twin of the audio layer: the seams between it and the system.
#pragma once
#include "app/audio.h"

// Creates one of the two top-level objects (the policy configuration, the device enumerator):
// CoCreateInstance with CLSCTX_ALL in audio_instance_win32.cpp; test executables link their
// platform model's instead. clsid and iid point to GUIDs; the result is an HRESULT.
i32 audio_create_instance(const void* clsid, const void* iid, void** object);

// What naming a session's process gave: the UTF-8 full path of its image (default allocator,
// NUL-terminated, the length without it), or the failure's message, which takes the error code.
struct AudioProcessName {
    StringView name;  // null data after a failure
    const char* failure;
    u32 error;
};
AudioProcessName audio_name_process(u32 pid);
// The lookup an enumeration makes once per distinct process id; audio_name_process unless a
// test counts the lookups.
extern AudioProcessName (*g_audio_name_process)(u32 pid);
