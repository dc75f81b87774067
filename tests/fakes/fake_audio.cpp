#include "fake_audio.h"
#include "Ostrel/core/log.h"
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

static bool is_change(FakeAudioOp op) {
    switch (op) {
    case FAKE_AUDIO_SET_DEVICE_VOLUME:
    case FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT:
    case FAKE_AUDIO_MUTE_DEVICE:
    case FAKE_AUDIO_UNMUTE_DEVICE:
    case FAKE_AUDIO_SET_DEFAULT_DEVICE:
    case FAKE_AUDIO_SET_SESSION_VOLUME:
    case FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT:
    case FAKE_AUDIO_MUTE_SESSION:
    case FAKE_AUDIO_UNMUTE_SESSION: return true;
    default: return false;
    }
}

std::vector<FakeAudioCall> fake_audio_layer_changes() {
    std::vector<FakeAudioCall> out;
    for (const FakeAudioCall& c : g_fake_audio_layer.calls)
        if (is_change(c.op)) out.push_back(c);
    return out;
}

// Records the call; null when the indices are past the lists.
static FakeAudioDevice* device_call(FakeAudioOp op, u32 device, f32 value = 0.0f) {
    FakeAudio* f = &g_fake_audio_layer;
    f->calls.push_back(FakeAudioCall{op, device, 0, value});
    if (device >= f->devices.size()) {
        f->out_of_range++;
        return nullptr;
    }
    return &f->devices[device];
}

static FakeAudioSession* session_call(FakeAudioOp op, u32 device, u32 session, f32 value = 0.0f) {
    FakeAudio* f = &g_fake_audio_layer;
    f->calls.push_back(FakeAudioCall{op, device, session, value});
    if (device >= f->devices.size() || session >= f->devices[device].sessions.size()) {
        f->out_of_range++;
        return nullptr;
    }
    return &f->devices[device].sessions[session];
}

static bool fails(FakeAudioOp op) { return (g_fake_audio_layer.fail >> op) & 1; }

void audio_init() {}
void audio_enumerate() {}
void audio_release_devices() {}
void audio_refresh() { g_fake_audio_layer.refreshes++; }
void audio_shutdown() {}
void audio_set_create_instance(AudioCreateInstanceFn) {}

u32 audio_device_count() { return (u32)g_fake_audio_layer.devices.size(); }
u32 audio_default_device_index() { return g_fake_audio_layer.default_device; }

StringView audio_device_name(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_DEVICE_NAME, device);
    if (!d) return StringView{(const u8*)"", 0};
    return StringView{(const u8*)d->name.data(), (u32)d->name.size()};
}

u32 audio_session_count(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SESSION_COUNT, device);
    return d ? (u32)d->sessions.size() : 0;
}

StringView audio_session_name(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SESSION_NAME, device, session);
    if (!s) return StringView{(const u8*)"", 0};
    return StringView{(const u8*)s->name.data(), (u32)s->name.size()};
}

f32 audio_get_device_volume(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_GET_DEVICE_VOLUME, device);
    if (!d || fails(FAKE_AUDIO_GET_DEVICE_VOLUME)) {
        log_error("Failed to get audio device master volume.");
        return 0.0f;
    }
    return d->volume;
}

u8 audio_get_device_volume_percent(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_GET_DEVICE_VOLUME_PERCENT, device);
    if (!d || fails(FAKE_AUDIO_GET_DEVICE_VOLUME_PERCENT)) {
        log_error("Failed to get audio device master volume.");
        return 0;
    }
    return audio_percent_rounded(d->volume);
}

bool audio_get_device_mute(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_GET_DEVICE_MUTE, device);
    if (!d || fails(FAKE_AUDIO_GET_DEVICE_MUTE)) {
        log_error("Failed to get mute state of audio device at index %.", device);
        return false;
    }
    return d->mute;
}

void audio_mute_device(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_MUTE_DEVICE, device);
    if (d && !fails(FAKE_AUDIO_MUTE_DEVICE)) d->mute = true;
}

void audio_unmute_device(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_UNMUTE_DEVICE, device);
    if (d && !fails(FAKE_AUDIO_UNMUTE_DEVICE)) d->mute = false;
}

void audio_set_device_volume(u32 device, f32 volume) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SET_DEVICE_VOLUME, device, volume);
    if (!d) return;
    // The same coupling as the real layer: the bottom of the slider mutes.
    if (audio_below_mute_threshold(volume)) {
        if (!d->mute) d->mute = true;
    } else if (d->mute) {
        d->mute = false;
    }
    if (fails(FAKE_AUDIO_SET_DEVICE_VOLUME) || volume < 0.0f) {
        log_error("Failed to set audio device master volume.");
        return;
    }
    d->volume = audio_clamp_volume(volume);
}

void audio_set_device_volume_percent(u32 device, u8 percent) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT, device, (f32)percent);
    if (!d) return;
    if (fails(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT)) {
        log_error("Failed to set audio device master volume.");
        return;
    }
    d->volume = audio_clamp_volume(audio_percent_to_scalar(percent));
}

void audio_set_default_device(u32 device) {
    FakeAudioDevice* d = device_call(FAKE_AUDIO_SET_DEFAULT_DEVICE, device);
    if (!d) return;
    if (fails(FAKE_AUDIO_SET_DEFAULT_DEVICE)) {
        log_error("Failed to set audio device % as default eConsole endpoint.", device);
        return;
    }
    g_fake_audio_layer.default_device = device;
}

f32 audio_get_session_volume(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_GET_SESSION_VOLUME, device, session);
    if (!s || fails(FAKE_AUDIO_GET_SESSION_VOLUME)) {
        log_error("Failed to get process master volume.");
        return 0.0f;
    }
    return s->volume;
}

u8 audio_get_session_volume_percent(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_GET_SESSION_VOLUME_PERCENT, device, session);
    if (!s || fails(FAKE_AUDIO_GET_SESSION_VOLUME_PERCENT)) {
        log_error("Failed to get process master volume.");
        return 0;
    }
    return audio_percent_truncated(s->volume);
}

void audio_set_session_volume(u32 device, u32 session, f32 volume) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SET_SESSION_VOLUME, device, session, volume);
    if (!s) return;
    if (fails(FAKE_AUDIO_SET_SESSION_VOLUME) || volume < 0.0f || volume > 1.0f) {
        log_error("Failed to set process master volume.");
        return;
    }
    s->volume = volume;
}

void audio_set_session_volume_percent(u32 device, u32 session, u8 percent) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT, device, session, (f32)percent);
    if (!s) return;
    f32 volume = audio_percent_to_scalar(percent);
    if (fails(FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT) || volume > 1.0f) {
        log_error("Failed to set process master volume.");
        return;
    }
    s->volume = volume;
}

bool audio_get_session_mute(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_GET_SESSION_MUTE, device, session);
    if (!s || fails(FAKE_AUDIO_GET_SESSION_MUTE)) {
        log_error("Failed to get mute state of device process.");
        return false;
    }
    return s->mute;
}

void audio_mute_session(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_MUTE_SESSION, device, session);
    if (!s) return;
    if (fails(FAKE_AUDIO_MUTE_SESSION)) {
        log_error("Failed to mute audio device process.");
        return;
    }
    s->mute = true;
}

void audio_unmute_session(u32 device, u32 session) {
    FakeAudioSession* s = session_call(FAKE_AUDIO_UNMUTE_SESSION, device, session);
    if (!s) return;
    if (fails(FAKE_AUDIO_UNMUTE_SESSION)) {
        log_error("Failed to unmute audio device process.");
        return;
    }
    s->mute = false;
}
