// Audio control over a PulseAudio server (PipeWire's pulse server alike): its sinks with their
// sink inputs, volumes and mutes, and the default sink. A subscription keeps a mirror of the
// server's sinks and sink inputs; every refresh first takes in what the server has sent, without
// waiting for anything, then rebuilds the picture from the mirror, so device and session indices
// hold for one frame only.
//
// The connection runs on a pa_mainloop iterated without blocking from the refresh, not on a
// threaded main loop: the mirror then changes only inside the refresh, on the main thread like
// everything else, and the picture can point into it for the whole frame without a lock or a
// copy. A change by another program reaches the picture by the second refresh after its event:
// the first reads the event and asks for the new state, the second reads the answer.
#include <pulse/pulseaudio.h>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include "app/audio.h"
#include "app/audio_math.h"
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

// Reconnection attempts are at least this far apart.
static const i64 AUDIO_RECONNECT_NS = 1000000000LL;
// Start-up waits this long at most for the first complete mirror, so the first frame can show
// the default device; a server that does not answer costs no more.
static const i64 AUDIO_START_WAIT_NS = 1000000000LL;
// Main-loop passes per refresh; a burst longer than this is finished by the next refreshes.
static const u32 AUDIO_PUMP_LIMIT = 1024;

struct AudioSink {
    u32 index;
    StringView name;         // the server's name of the sink, NUL-terminated, to make it the default
    StringView description;  // what the Mixer shows
    pa_cvolume volume;
    bool mute;
    // Our own changes the server has not confirmed yet: until it has, its answers to requests
    // sent before them carry the old level and must not undo them.
    u32 pending;
};

struct AudioSinkInput {
    u32 index;
    u32 sink;
    StringView name;
    pa_cvolume volume;
    bool mute;
    u32 pending;
};

struct AudioSystem {
    pa_mainloop* mainloop;
    pa_context* context;
    bool ready;          // connected, subscribed and asked for the lists
    bool lost;           // the connection failed; dropped after the main-loop pass that saw it
    bool loss_reported;  // logged since the last time the server was reached
    bool synced;         // the first lists of this connection have all arrived
    i64 last_attempt;

    // The mirror, in the server's index order.
    DynArray<AudioSink> sinks;
    DynArray<AudioSinkInput> inputs;
    StringView default_sink;
    u32 default_pending;

    // This frame's picture: mirror entries by device and session index. Device i's sessions are
    // session_inputs[first_session[i]] up to first_session[i + 1].
    u32 device_count;
    u32 default_device_index;
    DynArray<u32> device_sinks;
    DynArray<u32> first_session;
    DynArray<u32> session_inputs;
};

static AudioSystem g_audio;

static i64 audio_now() { return os_perf_counter() * (1000000000LL / os_perf_frequency()); }

//-----------------------------------------------------------------------------
// Mirror
//-----------------------------------------------------------------------------

static void audio_free_text(StringView* text) {
    if (text->data) allocator_free(g_default_allocator, (void*)text->data);
    *text = StringView{};
}

// Keeps a NUL after the bytes, which libpulse wants for names.
static void audio_set_text(StringView* text, const char* value) {
    if (!value) value = "";
    const u32 length = (u32)strlen(value);
    if (text->data && text->length == length && memcmp(text->data, value, length) == 0) return;
    audio_free_text(text);
    u8* bytes = (u8*)allocator_alloc(g_default_allocator, (u64)length + 1);
    memcpy(bytes, value, (size_t)length + 1);
    *text = StringView{bytes, length};
}

template <typename T>
static T* audio_find(DynArray<T>* list, u32 index) {
    for (u32 i = 0; i < list->count; i++)
        if (list->data[i].index == index) return &list->data[i];
    return nullptr;
}

template <typename T>
static T* audio_find_or_add(DynArray<T>* list, u32 index) {
    if (T* found = audio_find(list, index)) return found;
    u32 at = list->count;
    while (at > 0 && list->data[at - 1].index > index) at--;
    dyn_array_push(list, T{});
    memmove((void*)&list->data[at + 1], (const void*)&list->data[at], (size_t)(list->count - 1 - at) * sizeof(T));
    list->data[at] = T{};
    list->data[at].index = index;
    return &list->data[at];
}

static void audio_free_entry(AudioSink* sink) {
    audio_free_text(&sink->name);
    audio_free_text(&sink->description);
}
static void audio_free_entry(AudioSinkInput* input) { audio_free_text(&input->name); }

template <typename T>
static void audio_remove(DynArray<T>* list, u32 index) {
    T* entry = audio_find(list, index);
    if (!entry) return;
    audio_free_entry(entry);
    const u32 at = (u32)(entry - list->data);
    memmove((void*)&list->data[at], (const void*)&list->data[at + 1], (size_t)(list->count - 1 - at) * sizeof(T));
    list->count--;
}

template <typename T>
static void audio_clear(DynArray<T>* list) {
    for (u32 i = 0; i < list->count; i++) audio_free_entry(&list->data[i]);
    list->count = 0;
}

static void audio_clear_mirror() {
    audio_clear(&g_audio.sinks);
    audio_clear(&g_audio.inputs);
    audio_free_text(&g_audio.default_sink);
    g_audio.default_pending = 0;
}

static void audio_request(pa_operation* operation) {
    if (operation) pa_operation_unref(operation);
}

static void audio_sink_info(pa_context*, const pa_sink_info* info, int eol, void* user) {
    if (eol || !info) return;  // eol < 0: the sink went away before the answer
    AudioSink* sink = audio_find_or_add(&((AudioSystem*)user)->sinks, info->index);
    audio_set_text(&sink->name, info->name);
    audio_set_text(&sink->description, info->description ? info->description : info->name);
    if (sink->pending) return;
    sink->volume = info->volume;
    sink->mute = info->mute != 0;
}

static void audio_sink_input_info(pa_context*, const pa_sink_input_info* info, int eol, void* user) {
    if (eol) return;
    AudioSinkInput* input = audio_find_or_add(&((AudioSystem*)user)->inputs, info->index);
    const char* name = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
    if (!name) name = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_NAME);
    audio_set_text(&input->name, name ? name : info->name);
    input->sink = info->sink;
    if (input->pending) return;
    input->volume = info->volume;
    input->mute = info->mute != 0;
}

// The whole list's end: the mirror has caught up with the server.
static void audio_sink_input_listed(pa_context* context, const pa_sink_input_info* info, int eol, void* user) {
    audio_sink_input_info(context, info, eol, user);
    if (eol > 0) ((AudioSystem*)user)->synced = true;
}

static void audio_server_info(pa_context*, const pa_server_info* info, void* user) {
    AudioSystem* audio = (AudioSystem*)user;
    if (!info || audio->default_pending) return;
    audio_set_text(&audio->default_sink, info->default_sink_name);
}

static void audio_event(pa_context* context, pa_subscription_event_type_t event, u32 index, void* user) {
    AudioSystem* audio = (AudioSystem*)user;
    const u32 facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const bool removed = (event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        audio_request(pa_context_get_server_info(context, audio_server_info, audio));
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK) {
        if (removed) audio_remove(&audio->sinks, index);
        else audio_request(pa_context_get_sink_info_by_index(context, index, audio_sink_info, audio));
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) {
        if (removed) audio_remove(&audio->inputs, index);
        else audio_request(pa_context_get_sink_input_info(context, index, audio_sink_input_info, audio));
    }
}

//-----------------------------------------------------------------------------
// Connection
//-----------------------------------------------------------------------------

static void audio_context_state(pa_context* context, void* user) {
    AudioSystem* audio = (AudioSystem*)user;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
        audio->ready = true;
        audio->loss_reported = false;
        // Subscribed before listing, so nothing that changes in between is missed.
        const pa_subscription_mask_t mask =
            (pa_subscription_mask_t)(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT | PA_SUBSCRIPTION_MASK_SERVER);
        audio_request(pa_context_subscribe(context, mask, nullptr, nullptr));
        audio_request(pa_context_get_server_info(context, audio_server_info, audio));
        audio_request(pa_context_get_sink_info_list(context, audio_sink_info, audio));
        audio_request(pa_context_get_sink_input_info_list(context, audio_sink_input_listed, audio));
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: audio->lost = true; break;
    default: break;
    }
}

// Outside any libpulse callback: the context cannot be freed from within its own.
static void audio_drop_connection() {
    if (!g_audio.loss_reported) {
        const char* reason = pa_strerror(pa_context_errno(g_audio.context));
        if (g_audio.ready) log_error("Lost the connection to the sound server: %.", reason);
        else log_error("Failed to connect to the sound server: %.", reason);
        g_audio.loss_reported = true;
    }
    pa_context_set_state_callback(g_audio.context, nullptr, nullptr);
    pa_context_disconnect(g_audio.context);
    pa_context_unref(g_audio.context);
    g_audio.context = nullptr;
    g_audio.ready = false;
    g_audio.lost = false;
    g_audio.synced = false;
    audio_clear_mirror();
}

static void audio_connect() {
    g_audio.last_attempt = audio_now();
    g_audio.context = pa_context_new(pa_mainloop_get_api(g_audio.mainloop), "Korvane");
    if (!g_audio.context) {
        if (!g_audio.loss_reported) log_error("Failed to create the sound server connection.");
        g_audio.loss_reported = true;
        return;
    }
    pa_context_set_state_callback(g_audio.context, audio_context_state, &g_audio);
    pa_context_set_subscribe_callback(g_audio.context, audio_event, &g_audio);
    // Never spawn a server: that would block the frame.
    if (pa_context_connect(g_audio.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) g_audio.lost = true;
    if (g_audio.lost) audio_drop_connection();
}

// Takes in whatever the server has sent, without waiting; reconnects when it is time.
static void audio_pump() {
    if (!g_audio.context && audio_now() - g_audio.last_attempt >= AUDIO_RECONNECT_NS) audio_connect();
    for (u32 n = 0; n < AUDIO_PUMP_LIMIT && g_audio.context && !g_audio.lost; n++)
        if (pa_mainloop_iterate(g_audio.mainloop, 0, nullptr) <= 0) break;
    if (g_audio.context && g_audio.lost) audio_drop_connection();
}

//-----------------------------------------------------------------------------
// Picture
//-----------------------------------------------------------------------------

void audio_init() {
    g_audio.mainloop = pa_mainloop_new();
    g_audio.sinks = dyn_array_create<AudioSink>(g_default_allocator, 4, 4);
    g_audio.inputs = dyn_array_create<AudioSinkInput>(g_default_allocator, 16, 16);
    g_audio.device_sinks = dyn_array_create<u32>(g_default_allocator, 4, 4);
    g_audio.first_session = dyn_array_create<u32>(g_default_allocator, 5, 4);
    g_audio.session_inputs = dyn_array_create<u32>(g_default_allocator, 16, 16);
    g_audio.device_count = 0;
    g_audio.default_device_index = 0;
    audio_connect();
    const i64 deadline = audio_now() + AUDIO_START_WAIT_NS;
    while (g_audio.context && !g_audio.lost && !g_audio.synced) {
        const i64 left = deadline - audio_now();
        if (left <= 0 || pa_mainloop_prepare(g_audio.mainloop, (int)(left / 1000)) < 0 ||
            pa_mainloop_poll(g_audio.mainloop) < 0 || pa_mainloop_dispatch(g_audio.mainloop) < 0)
            break;
    }
    audio_enumerate();
}

void audio_enumerate() {
    audio_release_devices();
    audio_pump();
    dyn_array_push(&g_audio.first_session, 0u);
    for (u32 s = 0; s < g_audio.sinks.count; s++) {
        const AudioSink* sink = &g_audio.sinks.data[s];
        for (u32 k = 0; k < g_audio.inputs.count; k++)
            if (g_audio.inputs.data[k].sink == sink->index) dyn_array_push(&g_audio.session_inputs, k);
        if (g_audio.default_sink.data && string_view_equal(sink->name, g_audio.default_sink))
            g_audio.default_device_index = s;
        dyn_array_push(&g_audio.device_sinks, s);
        dyn_array_push(&g_audio.first_session, g_audio.session_inputs.count);
    }
    g_audio.device_count = g_audio.device_sinks.count;
}

void audio_release_devices() {
    g_audio.device_count = 0;
    g_audio.device_sinks.count = 0;
    g_audio.first_session.count = 0;
    g_audio.session_inputs.count = 0;
}

void audio_refresh() {
    audio_release_devices();
    audio_enumerate();
}

void audio_shutdown() {
    audio_release_devices();
    if (g_audio.context) {
        pa_context_set_state_callback(g_audio.context, nullptr, nullptr);
        pa_context_disconnect(g_audio.context);
        pa_context_unref(g_audio.context);
        g_audio.context = nullptr;
    }
    audio_clear_mirror();
    dyn_array_free(&g_audio.sinks);
    dyn_array_free(&g_audio.inputs);
    dyn_array_free(&g_audio.device_sinks);
    dyn_array_free(&g_audio.first_session);
    dyn_array_free(&g_audio.session_inputs);
    if (g_audio.mainloop) pa_mainloop_free(g_audio.mainloop);
    g_audio = AudioSystem{};
}

static AudioSink* audio_sink(u32 device) { return &g_audio.sinks.data[g_audio.device_sinks.data[device]]; }
static AudioSinkInput* audio_input(u32 device, u32 session) {
    return &g_audio.inputs.data[g_audio.session_inputs.data[g_audio.first_session.data[device] + session]];
}

u32 audio_device_count() { return g_audio.device_count; }
u32 audio_default_device_index() { return g_audio.default_device_index; }
StringView audio_device_name(u32 device) { return audio_sink(device)->description; }
u32 audio_session_count(u32 device) {
    return g_audio.first_session.data[device + 1] - g_audio.first_session.data[device];
}
StringView audio_session_name(u32 device, u32 session) { return audio_input(device, session)->name; }

//-----------------------------------------------------------------------------
// Volume, mute and the default sink
//-----------------------------------------------------------------------------

// The loudest channel, so 100 % is 0 dB whatever the balance.
static f32 audio_scalar(const pa_cvolume* volume) {
    return ostrel_clamp((f32)pa_cvolume_max(volume) / (f32)PA_VOLUME_NORM, 0.0f, AUDIO_VOLUME_MAX);
}

// Every channel scaled alike, so the balance is kept.
static pa_cvolume audio_scaled(pa_cvolume volume, f32 scalar) {
    pa_cvolume_scale(&volume, (pa_volume_t)lroundf(scalar * (f32)PA_VOLUME_NORM));
    return volume;
}

// What a change was, for its answer: packed into the callback's pointer, since a cancelled
// operation never calls back to free anything.
enum AudioChange : u8 {
    AUDIO_CHANGE_SINK_VOLUME,
    AUDIO_CHANGE_SINK_MUTE,
    AUDIO_CHANGE_INPUT_VOLUME,
    AUDIO_CHANGE_INPUT_MUTE,
    AUDIO_CHANGE_INPUT_UNMUTE,
    AUDIO_CHANGE_DEFAULT,
};

// Null where a failure is not logged.
static const char* const AUDIO_CHANGE_FAILURES[] = {
    "Failed to set audio device master volume.",
    nullptr,
    "Failed to set process master volume.",
    "Failed to mute audio device process.",
    "Failed to unmute audio device process.",
    "Failed to set audio device % as default sink.",
};

static void* audio_change_tag(AudioChange change, u32 index, u32 device) {
    return (void*)(uintptr_t)((u64)change << 56 | (u64)(device & 0xFFFFFFu) << 32 | index);
}

static void audio_log_change_failure(AudioChange change, u32 device) {
    if (AUDIO_CHANGE_FAILURES[change]) log_error(AUDIO_CHANGE_FAILURES[change], device);
}

static void audio_change_done(pa_context* context, int success, void* tag) {
    const u64 bits = (u64)(uintptr_t)tag;
    const AudioChange change = (AudioChange)(bits >> 56);
    const u32 device = (u32)(bits >> 32) & 0xFFFFFFu;
    const u32 index = (u32)bits;
    u32* pending = &g_audio.default_pending;
    if (change == AUDIO_CHANGE_SINK_VOLUME || change == AUDIO_CHANGE_SINK_MUTE) {
        AudioSink* sink = audio_find(&g_audio.sinks, index);
        pending = sink ? &sink->pending : nullptr;
    } else if (change != AUDIO_CHANGE_DEFAULT) {
        AudioSinkInput* input = audio_find(&g_audio.inputs, index);
        pending = input ? &input->pending : nullptr;
    }
    if (pending && *pending) (*pending)--;
    if (success) return;
    audio_log_change_failure(change, device);
    // The mirror took the change for granted: ask what the server holds instead.
    if (change == AUDIO_CHANGE_DEFAULT)
        audio_request(pa_context_get_server_info(context, audio_server_info, &g_audio));
    else if (change <= AUDIO_CHANGE_SINK_MUTE)
        audio_request(pa_context_get_sink_info_by_index(context, index, audio_sink_info, &g_audio));
    else
        audio_request(pa_context_get_sink_input_info(context, index, audio_sink_input_info, &g_audio));
}

// Takes over the operation; false when it could not be sent.
static bool audio_sent(pa_operation* operation) {
    if (!operation) return false;
    pa_operation_unref(operation);
    return true;
}

static void audio_set_sink_level(u32 device, f32 volume) {
    AudioSink* sink = audio_sink(device);
    // Negative and NaN levels are refused, as Core Audio refuses them.
    const bool valid = volume >= 0.0f;
    const pa_cvolume level = audio_scaled(sink->volume, ostrel_clamp(volume, 0.0f, AUDIO_VOLUME_MAX));
    if (!valid || !g_audio.context ||
        !audio_sent(pa_context_set_sink_volume_by_index(g_audio.context, sink->index, &level, audio_change_done,
                                                        audio_change_tag(AUDIO_CHANGE_SINK_VOLUME, sink->index, device)))) {
        audio_log_change_failure(AUDIO_CHANGE_SINK_VOLUME, device);
        return;
    }
    sink->volume = level;
    sink->pending++;
}

static void audio_set_sink_mute(u32 device, bool mute) {
    AudioSink* sink = audio_sink(device);
    if (!g_audio.context ||
        !audio_sent(pa_context_set_sink_mute_by_index(g_audio.context, sink->index, mute, audio_change_done,
                                                      audio_change_tag(AUDIO_CHANGE_SINK_MUTE, sink->index, device))))
        return;
    sink->mute = mute;
    sink->pending++;
}

f32 audio_get_device_volume(u32 device) { return audio_scalar(&audio_sink(device)->volume); }
u8 audio_get_device_volume_percent(u32 device) { return audio_percent_rounded(audio_get_device_volume(device)); }

void audio_set_device_volume(u32 device, f32 volume) {
    // Dragging a device to the bottom mutes it; moving it up again unmutes it.
    if (audio_below_mute_threshold(volume)) {
        if (!audio_get_device_mute(device)) audio_mute_device(device);
    } else {
        if (audio_get_device_mute(device)) audio_unmute_device(device);
    }
    audio_set_sink_level(device, volume);
}

void audio_set_device_volume_percent(u32 device, u8 percent) {
    audio_set_sink_level(device, audio_percent_to_scalar(percent));
}

bool audio_get_device_mute(u32 device) { return audio_sink(device)->mute; }
void audio_mute_device(u32 device) { audio_set_sink_mute(device, true); }
void audio_unmute_device(u32 device) { audio_set_sink_mute(device, false); }

void audio_set_default_device(u32 device) {
    AudioSink* sink = audio_sink(device);
    if (!g_audio.context ||
        !audio_sent(pa_context_set_default_sink(g_audio.context, (const char*)sink->name.data, audio_change_done,
                                                audio_change_tag(AUDIO_CHANGE_DEFAULT, sink->index, device)))) {
        audio_log_change_failure(AUDIO_CHANGE_DEFAULT, device);
        return;
    }
    audio_set_text(&g_audio.default_sink, (const char*)sink->name.data);
    g_audio.default_pending++;
    g_audio.default_device_index = device;
}

f32 audio_get_session_volume(u32 device, u32 session) { return audio_scalar(&audio_input(device, session)->volume); }

u8 audio_get_session_volume_percent(u32 device, u32 session) {
    // The server keeps whole steps of 1 / PA_VOLUME_NORM, so a percent set as percent / 100 may
    // come back up to half a step below it; half a step up keeps truncation from losing it.
    const pa_volume_t level = pa_cvolume_max(&audio_input(device, session)->volume);
    return audio_percent_truncated(ostrel_clamp(((f32)level + 0.5f) / (f32)PA_VOLUME_NORM, 0.0f, AUDIO_VOLUME_MAX));
}

void audio_set_session_volume(u32 device, u32 session, f32 volume) {
    AudioSinkInput* input = audio_input(device, session);
    // Levels outside 0..1 are refused, as Core Audio refuses them: above 1 the stream would be
    // amplified past anything the Mixer can show.
    const bool valid = volume >= 0.0f && volume <= AUDIO_VOLUME_MAX;
    const pa_cvolume level = audio_scaled(input->volume, valid ? volume : 0.0f);
    if (!valid || !g_audio.context ||
        !audio_sent(pa_context_set_sink_input_volume(g_audio.context, input->index, &level, audio_change_done,
                                                     audio_change_tag(AUDIO_CHANGE_INPUT_VOLUME, input->index, device)))) {
        audio_log_change_failure(AUDIO_CHANGE_INPUT_VOLUME, device);
        return;
    }
    input->volume = level;
    input->pending++;
}

void audio_set_session_volume_percent(u32 device, u32 session, u8 percent) {
    audio_set_session_volume(device, session, audio_percent_to_scalar(percent));
}

bool audio_get_session_mute(u32 device, u32 session) { return audio_input(device, session)->mute; }

static void audio_set_input_mute(u32 device, u32 session, bool mute) {
    AudioSinkInput* input = audio_input(device, session);
    const AudioChange change = mute ? AUDIO_CHANGE_INPUT_MUTE : AUDIO_CHANGE_INPUT_UNMUTE;
    if (!g_audio.context ||
        !audio_sent(pa_context_set_sink_input_mute(g_audio.context, input->index, mute, audio_change_done,
                                                   audio_change_tag(change, input->index, device)))) {
        audio_log_change_failure(change, device);
        return;
    }
    input->mute = mute;
    input->pending++;
}

void audio_mute_session(u32 device, u32 session) { audio_set_input_mute(device, session, true); }
void audio_unmute_session(u32 device, u32 session) { audio_set_input_mute(device, session, false); }
