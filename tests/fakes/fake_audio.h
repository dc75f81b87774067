// A native stand-in for the audio layer (app/audio.h) for tests of the screens: the test
// scripts devices, sessions, volumes and mutes; every call is recorded in order, and a call
// with an index past the lists is counted as a fault (the real layer would read past its arrays).
#pragma once
#include <string>
#include <vector>
#include "Ostrel/core/types.h"

struct FakeAudioSession {
    std::string name;  // the process image's full path, or "System"
    f32 volume;
    bool mute;
};

struct FakeAudioDevice {
    std::string name;
    f32 volume;
    bool mute;
    std::vector<FakeAudioSession> sessions;
};

// Changes first, then reads.
enum FakeAudioOp : u32 {
    FAKE_AUDIO_SET_DEVICE_VOLUME, FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT, FAKE_AUDIO_MUTE_DEVICE, FAKE_AUDIO_UNMUTE_DEVICE,
    FAKE_AUDIO_SET_DEFAULT_DEVICE, FAKE_AUDIO_SET_SESSION_VOLUME, FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT,
    FAKE_AUDIO_MUTE_SESSION, FAKE_AUDIO_UNMUTE_SESSION,
    FAKE_AUDIO_FIRST_READ, FAKE_AUDIO_GET_DEVICE_VOLUME = FAKE_AUDIO_FIRST_READ, FAKE_AUDIO_GET_DEVICE_VOLUME_PERCENT,
    FAKE_AUDIO_GET_DEVICE_MUTE, FAKE_AUDIO_GET_SESSION_VOLUME, FAKE_AUDIO_GET_SESSION_VOLUME_PERCENT,
    FAKE_AUDIO_GET_SESSION_MUTE, FAKE_AUDIO_DEVICE_NAME, FAKE_AUDIO_SESSION_COUNT, FAKE_AUDIO_SESSION_NAME
};

struct FakeAudioCall {
    FakeAudioOp op;
    u32 device;
    u32 session;  // session operations only
    f32 value;    // the scalar or percent passed to a setter
};

struct FakeAudio {
    std::vector<FakeAudioDevice> devices;
    u32 default_device;                // what audio_default_device_index returns (may be out of range)
    std::vector<FakeAudioCall> calls;  // reads and changes, in order (names and counts too)
    u32 out_of_range;                  // calls whose device or session index was past the lists
};

extern FakeAudio g_fake_audio_layer;

// Empties the fake: no devices, default device 0, no calls.
void fake_audio_layer_reset();
// Calls of one operation, in order.
std::vector<FakeAudioCall> fake_audio_layer_calls(FakeAudioOp op);
// Calls of setters and actions (everything that changes something), in order.
std::vector<FakeAudioCall> fake_audio_layer_changes();
