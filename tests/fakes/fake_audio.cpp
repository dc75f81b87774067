#include "fake_audio.h"
#include "app/audio.h"
#include "app/audio_math.h"

FakeAudio g_fake_audio_layer;

void fake_audio_layer_reset() { g_fake_audio_layer = FakeAudio{}; }

std::vector<FakeAudioCall> fake_audio_layer_calls(FakeAudioOp op) {
    std::vector<FakeAudioCall> out;
    for (const FakeAudioCall& c : g_fake_audio_layer.calls)
        if (c.op == op) out.push_back(c);
    return out;
}

std::vector<FakeAudioCall> fake_audio_layer_changes() {
    std::vector<FakeAudioCall> out;
    for (const FakeAudioCall& c : g_fake_audio_layer.calls)
        if (c.op < FAKE_AUDIO_FIRST_READ) out.push_back(c);
    return out;
}

// Records the call; null when the indices are past the lists.
static FakeAudioDevice* device_call(FakeAudioOp op, u32 device, f32 value = 0.0f) {
    FakeAudio* f = &g_fake_audio_layer;
    f->calls.push_back(FakeAudioCall{op, device, 0, value});
    if (device < f->devices.size()) return &f->devices[device];
    f->out_of_range++;
    return nullptr;
}

static FakeAudioSession* session_call(FakeAudioOp op, u32 device, u32 session, f32 value = 0.0f) {
    FakeAudio* f = &g_fake_audio_layer;
    f->calls.push_back(FakeAudioCall{op, device, session, value});
    if (device < f->devices.size() && session < f->devices[device].sessions.size()) return &f->devices[device].sessions[session];
    f->out_of_range++;
    return nullptr;
}

// A name past the lists is empty, never null.
static StringView view(const std::string* s) { return s ? StringView{(const u8*)s->data(), (u32)s->size()} : StringView{(const u8*)"", 0}; }

void audio_init() {}
void audio_enumerate() {}
void audio_release_devices() {}
void audio_refresh() {}
void audio_shutdown() {}

u32 audio_device_count() { return (u32)g_fake_audio_layer.devices.size(); }
u32 audio_default_device_index() { return g_fake_audio_layer.default_device; }

// Reads and mute switches, on a device or on a session; a call past the lists gives nothing.
#define DEVICE_READ(T, name, op, value) \
    T name(u32 device) {                 \
        FakeAudioDevice* d = device_call(op, device); \
        return d ? (T)(value) : T();     \
    }
#define SESSION_READ(T, name, op, value) \
    T name(u32 device, u32 session) {    \
        FakeAudioSession* s = session_call(op, device, session); \
        return s ? (T)(value) : T();     \
    }
#define DEVICE_MUTE(name, op, muted) \
    void name(u32 device) {          \
        if (FakeAudioDevice* d = device_call(op, device)) d->mute = muted; \
    }
#define SESSION_MUTE(name, op, muted)        \
    void name(u32 device, u32 session) {      \
        if (FakeAudioSession* s = session_call(op, device, session)) s->mute = muted; \
    }

DEVICE_READ(u32, audio_session_count, FAKE_AUDIO_SESSION_COUNT, d->sessions.size())
DEVICE_READ(f32, audio_get_device_volume, FAKE_AUDIO_GET_DEVICE_VOLUME, d->volume)
DEVICE_READ(u8, audio_get_device_volume_percent, FAKE_AUDIO_GET_DEVICE_VOLUME_PERCENT, audio_percent_rounded(d->volume))
DEVICE_READ(bool, audio_get_device_mute, FAKE_AUDIO_GET_DEVICE_MUTE, d->mute)
SESSION_READ(f32, audio_get_session_volume, FAKE_AUDIO_GET_SESSION_VOLUME, s->volume)
SESSION_READ(u8, audio_get_session_volume_percent, FAKE_AUDIO_GET_SESSION_VOLUME_PERCENT, audio_percent_truncated(s->volume))
SESSION_READ(bool, audio_get_session_mute, FAKE_AUDIO_GET_SESSION_MUTE, s->mute)
StringView audio_device_name(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_DEVICE_NAME, device);
    return view(d ? &d->name : nullptr);
}

StringView audio_session_name(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SESSION_NAME, device, session);
    return view(s ? &s->name : nullptr);
}

DEVICE_MUTE(audio_mute_device, FAKE_AUDIO_MUTE_DEVICE, true)
DEVICE_MUTE(audio_unmute_device, FAKE_AUDIO_UNMUTE_DEVICE, false)
SESSION_MUTE(audio_mute_session, FAKE_AUDIO_MUTE_SESSION, true)
SESSION_MUTE(audio_unmute_session, FAKE_AUDIO_UNMUTE_SESSION, false)

// The same coupling as the real layer: the bottom of the slider mutes; below zero is refused.
void audio_set_device_volume(u32 device, f32 volume) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SET_DEVICE_VOLUME, device, volume);
    if (!d) return;
    d->mute = audio_below_mute_threshold(volume);
    if (volume >= 0.0f) d->volume = audio_clamp_volume(volume);
}

void audio_set_device_volume_percent(u32 device, u8 percent) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT, device, (f32)percent);
    if (d) d->volume = audio_clamp_volume(audio_percent_to_scalar(percent));
}

void audio_set_default_device(u32 device) {
    if (device_call(FAKE_AUDIO_SET_DEFAULT_DEVICE, device)) g_fake_audio_layer.default_device = device;
}

// Session levels outside 0 to 1 are refused, as the platform does.
void audio_set_session_volume(u32 device, u32 session, f32 volume) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SET_SESSION_VOLUME, device, session, volume);
    if (s && volume >= 0.0f && volume <= 1.0f) s->volume = volume;
}

void audio_set_session_volume_percent(u32 device, u32 session, u8 percent) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT, device, session, (f32)percent);
    if (s && percent <= 100) s->volume = audio_percent_to_scalar(percent);
}
