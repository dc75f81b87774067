// Audio control over Windows Core Audio: the active render endpoints with their application
// sessions, volumes and mutes, and the default output. The picture is thrown away and built
// again on every refresh, so device and session indices hold for one frame only.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <audiopolicy.h>
#include <propidl.h>
#include <propsys.h>
#include "app/app.h"
#include "app/audio_win32.h"
#include "app/audio_math.h"
#include "Ostrel/core/log.h"

// The platform's policy-configuration interface is undocumented and absent from the headers.
// Only SetDefaultEndpoint (entry 12) is called; entries 3 to 11 exist to give it its place.
struct IPolicyConfigVista : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE reserved_3() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_4() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_5() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_6() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_7() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_8() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_9() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_10() = 0;
    virtual HRESULT STDMETHODCALLTYPE reserved_11() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR device_id, ERole role) = 0;
};

static const GUID CLSID_POLICY_CONFIG_VISTA_CLIENT = {
    0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
static const GUID IID_POLICY_CONFIG_VISTA = {
    0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};
static const GUID CLSID_MM_DEVICE_ENUMERATOR = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
static const GUID IID_MM_DEVICE_ENUMERATOR = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
static const GUID IID_AUDIO_ENDPOINT_VOLUME = {
    0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
static const GUID IID_AUDIO_SESSION_MANAGER2 = {
    0x77AA99A0, 0x1BD6, 0x484F, {0x8B, 0xC7, 0x2C, 0x65, 0x4C, 0x9A, 0x9B, 0x6F}};
static const GUID IID_AUDIO_SESSION_CONTROL2 = {
    0xBFB7FF88, 0x7239, 0x4FC9, {0x8F, 0xA2, 0x07, 0xC9, 0x50, 0xBE, 0x9C, 0x6D}};
static const GUID IID_SIMPLE_AUDIO_VOLUME = {
    0x87CE5498, 0x68D6, 0x44E5, {0x92, 0x15, 0x6D, 0xA4, 0x7E, 0xF8, 0x83, 0xD8}};
static const PROPERTYKEY PKEY_DEVICE_FRIENDLY_NAME = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

// The limited right is granted for elevated and protected processes too, so their sessions stay
// controllable; reading the path this way does not stop the target to read its memory.
static const DWORD AUDIO_PROCESS_ACCESS = PROCESS_QUERY_LIMITED_INFORMATION;
static const DWORD AUDIO_PROCESS_PATH_CAPACITY = 32768;  // the longest path the system forms

static const u8 AUDIO_SYSTEM_NAME[6] = {'S', 'y', 's', 't', 'e', 'm'};

// A process id already named in this enumeration: its sessions share the name, each with a copy.
struct AudioNamedProcess {
    u32 pid;
    AudioProcessName result;
};

struct AudioSystem {
    u32 device_count;
    u32 default_device_index;
    IPolicyConfigVista* policy_config;
    IMMDeviceEnumerator* device_enumerator;
    IMMDeviceCollection* device_collection;
    DynArray<wchar_t*> device_ids;
    DynArray<StringView> device_names;
    DynArray<IAudioEndpointVolume*> endpoint_volumes;
    DynArray<IAudioSessionManager2*> session_managers;
    DynArray<IAudioSessionEnumerator*> session_enumerators;
    DynArray<DynArray<IAudioSessionControl*>> session_controls;
    DynArray<DynArray<IAudioSessionControl2*>> session_controls2;
    DynArray<DynArray<StringView>> session_names;
    DynArray<DynArray<ISimpleAudioVolume*>> session_volumes;
    DynArray<AudioNamedProcess> named_processes;  // this enumeration's only
};

static AudioSystem g_audio;

// Logs the message when the call failed, and says so.
template <typename... Args>
static bool audio_failed(HRESULT result, const char* message, const Args&... args) {
    if (SUCCEEDED(result)) return false;
    log_error(message, args...);
    return true;
}

static void audio_free_name(StringView name) {
    if (name.data && name.data != AUDIO_SYSTEM_NAME) allocator_free(g_default_allocator, (void*)name.data);
}

// UTF-8 copy of a NUL-terminated wide string; the block keeps the NUL, the length does not count it.
static bool audio_utf8_from_wide(const wchar_t* wide, const char* conversion_failure, StringView* out) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
    if (size == 0) {
        log_error("Failed to get UTF8 buffer size of device id.");
        return false;
    }
    u8* bytes = (u8*)allocator_alloc(g_default_allocator, (u64)size);
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, (char*)bytes, size, NULL, NULL) == 0) {
        log_error(conversion_failure);
        allocator_free(g_default_allocator, bytes);
        return false;
    }
    *out = StringView{bytes, (u32)size - 1};
    return true;
}

// UTF-8 copy of a name with its terminator.
static StringView audio_copy_name(StringView name) {
    u8* bytes = (u8*)allocator_alloc(g_default_allocator, (u64)name.length + 1);
    memcpy(bytes, name.data, (size_t)name.length + 1);
    return StringView{bytes, name.length};
}

AudioProcessName audio_name_process(u32 pid) {
    AudioProcessName result = {};
    HANDLE process = OpenProcess(AUDIO_PROCESS_ACCESS, FALSE, pid);
    if (!process) {
        result.failure = "Failed to open session process. GetLastError() returned %.";
        result.error = (u32)GetLastError();
        return result;
    }
    static wchar_t path[AUDIO_PROCESS_PATH_CAPACITY];  // main thread only
    DWORD length = AUDIO_PROCESS_PATH_CAPACITY;
    BOOL named = QueryFullProcessImageNameW(process, 0, path, &length);
    DWORD error = GetLastError();
    CloseHandle(process);
    if (!named) {
        result.failure = "Failed to get process path. GetLastError() returned %.";
        result.error = (u32)error;
        return result;
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, path, -1, NULL, 0, NULL, NULL);
    if (size == 0) {
        result.failure = "Failed to get UTF8 buffer size of device id.";
        return result;
    }
    u8* bytes = (u8*)allocator_alloc(g_default_allocator, (u64)size);
    if (WideCharToMultiByte(CP_UTF8, 0, path, -1, (char*)bytes, size, NULL, NULL) == 0) {
        allocator_free(g_default_allocator, bytes);
        result.failure = "Failed to convert session process name from wide string to UTF-8.";
        return result;
    }
    result.name = StringView{bytes, (u32)size - 1};
    return result;
}

AudioProcessName (*g_audio_name_process)(u32 pid) = audio_name_process;

// A session's name: "System" for the system sounds, else its process's, looked up once per
// process id in this enumeration; a failed lookup is logged for every session it drops.
static bool audio_session_process_name(DWORD pid, StringView* out) {
    if (pid == 0) {
        *out = StringView{AUDIO_SYSTEM_NAME, (u32)sizeof(AUDIO_SYSTEM_NAME)};
        return true;
    }
    const AudioProcessName* known = NULL;
    for (u32 k = 0; k < g_audio.named_processes.count && !known; k++)
        if (g_audio.named_processes.data[k].pid == pid) known = &g_audio.named_processes.data[k].result;
    if (!known) {
        dyn_array_push(&g_audio.named_processes, AudioNamedProcess{(u32)pid, g_audio_name_process((u32)pid)});
        known = &g_audio.named_processes.data[g_audio.named_processes.count - 1].result;
    }
    if (!known->name.data) {
        log_error(known->failure, known->error);
        return false;
    }
    *out = audio_copy_name(known->name);
    return true;
}

static void audio_read_session(IAudioSessionEnumerator* sessions, int j, u32 device) {
    IAudioSessionControl* control = NULL;
    IAudioSessionControl2* control2 = NULL;
    ISimpleAudioVolume* volume = NULL;
    StringView name = {};
    DWORD pid = 0;
    if (audio_failed(sessions->GetSession(j, &control), "Failed to get session.")) return;
    if (audio_failed(control->QueryInterface(IID_AUDIO_SESSION_CONTROL2, (void**)&control2),
                     "Failed to query IAudioSessionControl2 at index %.", j)) {
        control->Release();
        return;
    }
    if (!audio_failed(control2->GetProcessId(&pid), "Failed to get session process id.") &&
        audio_session_process_name(pid, &name)) {
        if (!audio_failed(control2->QueryInterface(IID_SIMPLE_AUDIO_VOLUME, (void**)&volume),
                          "Failed to query ISimpleAudioVolume from process.")) {
            dyn_array_push(&g_audio.session_controls.data[device], control);
            dyn_array_push(&g_audio.session_controls2.data[device], control2);
            dyn_array_push(&g_audio.session_names.data[device], name);
            dyn_array_push(&g_audio.session_volumes.data[device], volume);
            return;
        }
        audio_free_name(name);
    }
    control2->Release();
    control->Release();
}

// Reads device i of the collection and appends it to the lists; a device that fails any
// step is logged, everything it acquired is given back, and it is left out.
static void audio_read_device(u32 i, const wchar_t* default_id) {
    IMMDevice* device = NULL;
    IPropertyStore* store = NULL;
    wchar_t* id = NULL;
    PROPVARIANT friendly;
    StringView name = {};
    IAudioEndpointVolume* endpoint_volume = NULL;
    IAudioSessionManager2* manager = NULL;
    IAudioSessionEnumerator* sessions = NULL;
    int session_count = 0;
    u32 index = g_audio.device_count;
    PropVariantInit(&friendly);

    if (audio_failed(g_audio.device_collection->Item(i, &device), "Failed to get device at index %.", i)) return;
    if (audio_failed(device->OpenPropertyStore(STGM_READ, &store), "Failed to open property store.")) goto drop;
    if (audio_failed(device->GetId(&id), "Failed to get device id at index %.", i)) goto drop;
    // Anything but a wide string (not only VT_EMPTY) would be read as a pointer it is not.
    if (FAILED(store->GetValue(PKEY_DEVICE_FRIENDLY_NAME, &friendly)) || friendly.vt != VT_LPWSTR) {
        log_error("Failed to get audio device friendly name.");
        goto drop;
    }
    if (!audio_utf8_from_wide(friendly.pwszVal, "Failed to convert device name from wide string to UTF-8.", &name))
        goto drop;
    PropVariantClear(&friendly);
    if (audio_failed(device->Activate(IID_AUDIO_ENDPOINT_VOLUME, CLSCTX_ALL, NULL, (void**)&endpoint_volume),
                     "Failed to get audio endpoint volume of device."))
        goto drop;
    if (audio_failed(device->Activate(IID_AUDIO_SESSION_MANAGER2, CLSCTX_ALL, NULL, (void**)&manager),
                     "Failed to activate IAudioSessionManager2."))
        goto drop;
    if (audio_failed(manager->GetSessionEnumerator(&sessions), "Failed to get session enumerator.")) goto drop;
    if (audio_failed(sessions->GetCount(&session_count), "Failed to get session controls count !")) goto drop;
    if (session_count < 0) session_count = 0;

    dyn_array_push(&g_audio.session_controls, dyn_array_create<IAudioSessionControl*>(g_default_allocator, (u32)session_count, 16));
    dyn_array_push(&g_audio.session_controls2, dyn_array_create<IAudioSessionControl2*>(g_default_allocator, (u32)session_count, 16));
    dyn_array_push(&g_audio.session_names, dyn_array_create<StringView>(g_default_allocator, (u32)session_count, 16));
    dyn_array_push(&g_audio.session_volumes, dyn_array_create<ISimpleAudioVolume*>(g_default_allocator, (u32)session_count, 16));
    for (int j = 0; j < session_count; j++) audio_read_session(sessions, j, index);

    dyn_array_push(&g_audio.device_ids, id);
    dyn_array_push(&g_audio.device_names, name);
    dyn_array_push(&g_audio.endpoint_volumes, endpoint_volume);
    dyn_array_push(&g_audio.session_managers, manager);
    dyn_array_push(&g_audio.session_enumerators, sessions);
    if (wcscmp(id, default_id) == 0) g_audio.default_device_index = index;
    g_audio.device_count++;
    store->Release();
    device->Release();
    return;

drop:
    if (sessions) sessions->Release();
    if (manager) manager->Release();
    if (endpoint_volume) endpoint_volume->Release();
    audio_free_name(name);
    PropVariantClear(&friendly);
    if (id) CoTaskMemFree(id);
    if (store) store->Release();
    device->Release();
}

static void audio_release_device(u32 i) {
    CoTaskMemFree(g_audio.device_ids.data[i]);
    audio_free_name(g_audio.device_names.data[i]);
    g_audio.endpoint_volumes.data[i]->Release();
    g_audio.session_managers.data[i]->Release();
    g_audio.session_enumerators.data[i]->Release();
    DynArray<IAudioSessionControl*>* controls = &g_audio.session_controls.data[i];
    DynArray<IAudioSessionControl2*>* controls2 = &g_audio.session_controls2.data[i];
    DynArray<StringView>* names = &g_audio.session_names.data[i];
    DynArray<ISimpleAudioVolume*>* volumes = &g_audio.session_volumes.data[i];
    for (u32 j = 0; j < controls2->count; j++) {
        controls2->data[j]->Release();
        controls->data[j]->Release();
        audio_free_name(names->data[j]);
        volumes->data[j]->Release();
    }
    dyn_array_free(controls);
    dyn_array_free(controls2);
    dyn_array_free(names);
    dyn_array_free(volumes);
}

void audio_init() {
    if (audio_failed(audio_create_instance(&CLSID_POLICY_CONFIG_VISTA_CLIENT, &IID_POLICY_CONFIG_VISTA,
                                             (void**)&g_audio.policy_config),
                     "Failed to create CPolicyConfigVistaClient instance."))
        app_fatal_exit(1);
    if (audio_failed(audio_create_instance(&CLSID_MM_DEVICE_ENUMERATOR, &IID_MM_DEVICE_ENUMERATOR,
                                             (void**)&g_audio.device_enumerator),
                     "Failed to create MMDeviceEnumerator instance."))
        app_fatal_exit(1);
    g_audio.device_count = 0;
    g_audio.default_device_index = 0;
    g_audio.device_ids = dyn_array_create<wchar_t*>(g_default_allocator, 4, 4);
    g_audio.device_names = dyn_array_create<StringView>(g_default_allocator, 4, 4);
    g_audio.endpoint_volumes = dyn_array_create<IAudioEndpointVolume*>(g_default_allocator, 4, 4);
    g_audio.session_managers = dyn_array_create<IAudioSessionManager2*>(g_default_allocator, 4, 4);
    g_audio.session_enumerators = dyn_array_create<IAudioSessionEnumerator*>(g_default_allocator, 4, 4);
    g_audio.session_controls = dyn_array_create<DynArray<IAudioSessionControl*>>(g_default_allocator, 4, 4);
    g_audio.session_controls2 = dyn_array_create<DynArray<IAudioSessionControl2*>>(g_default_allocator, 4, 4);
    g_audio.session_names = dyn_array_create<DynArray<StringView>>(g_default_allocator, 4, 4);
    g_audio.session_volumes = dyn_array_create<DynArray<ISimpleAudioVolume*>>(g_default_allocator, 4, 4);
    audio_enumerate();
}

void audio_enumerate() {
    if (FAILED(g_audio.device_enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &g_audio.device_collection))) {
        g_audio.device_collection = NULL;
        log_error("Failed to enumerate audio enpoints.");
        app_fatal_exit(1);
    }
    UINT count = 0;
    if (audio_failed(g_audio.device_collection->GetCount(&count), "Failed to get audio endpoints count."))
        app_fatal_exit(1);
    IMMDevice* default_device = NULL;
    if (audio_failed(g_audio.device_enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &default_device),
                     "Failed to get default audio device."))
        return;
    wchar_t* default_id = NULL;
    if (audio_failed(default_device->GetId(&default_id), "Failed to get default device audio id.")) {
        default_device->Release();
        return;
    }
    g_audio.named_processes = dyn_array_create<AudioNamedProcess>(g_default_allocator, 16, 16);
    for (u32 i = 0; i < count; i++) audio_read_device(i, default_id);
    for (u32 k = 0; k < g_audio.named_processes.count; k++) audio_free_name(g_audio.named_processes.data[k].result.name);
    dyn_array_free(&g_audio.named_processes);
    CoTaskMemFree(default_id);
    default_device->Release();
}

void audio_release_devices() {
    for (u32 i = 0; i < g_audio.device_count; i++) audio_release_device(i);
    g_audio.device_count = 0;
    g_audio.device_ids.count = 0;
    g_audio.device_names.count = 0;
    g_audio.endpoint_volumes.count = 0;
    g_audio.session_managers.count = 0;
    g_audio.session_enumerators.count = 0;
    g_audio.session_controls.count = 0;
    g_audio.session_controls2.count = 0;
    g_audio.session_names.count = 0;
    g_audio.session_volumes.count = 0;
    if (g_audio.device_collection) g_audio.device_collection->Release();
    g_audio.device_collection = NULL;
}

void audio_refresh() {
    audio_release_devices();
    audio_enumerate();
}

void audio_shutdown() {
    audio_release_devices();
    dyn_array_free(&g_audio.device_ids);
    dyn_array_free(&g_audio.device_names);
    dyn_array_free(&g_audio.endpoint_volumes);
    dyn_array_free(&g_audio.session_managers);
    dyn_array_free(&g_audio.session_enumerators);
    dyn_array_free(&g_audio.session_controls);
    dyn_array_free(&g_audio.session_controls2);
    dyn_array_free(&g_audio.session_names);
    dyn_array_free(&g_audio.session_volumes);
    if (g_audio.device_enumerator) g_audio.device_enumerator->Release();
    if (g_audio.policy_config) g_audio.policy_config->Release();
    g_audio.device_enumerator = NULL;
    g_audio.policy_config = NULL;
}

u32 audio_device_count() { return g_audio.device_count; }
u32 audio_default_device_index() { return g_audio.default_device_index; }
StringView audio_device_name(u32 device) { return g_audio.device_names.data[device]; }
u32 audio_session_count(u32 device) { return g_audio.session_controls2.data[device].count; }
StringView audio_session_name(u32 device, u32 session) { return g_audio.session_names.data[device].data[session]; }

static IAudioEndpointVolume* audio_endpoint(u32 device) { return g_audio.endpoint_volumes.data[device]; }
static ISimpleAudioVolume* audio_session(u32 device, u32 session) {
    return g_audio.session_volumes.data[device].data[session];
}

f32 audio_get_device_volume(u32 device) {
    float volume = 0.0f;
    if (audio_failed(audio_endpoint(device)->GetMasterVolumeLevelScalar(&volume),
                     "Failed to get audio device master volume."))
        return 0.0f;
    return volume;
}

u8 audio_get_device_volume_percent(u32 device) { return audio_percent_rounded(audio_get_device_volume(device)); }

static void audio_set_device_level(u32 device, f32 volume) {
    audio_failed(audio_endpoint(device)->SetMasterVolumeLevelScalar(audio_clamp_volume(volume), NULL),
                 "Failed to set audio device master volume.");
}

void audio_set_device_volume(u32 device, f32 volume) {
    // Dragging a device to the bottom mutes it; moving it up again unmutes it.
    if (audio_below_mute_threshold(volume)) {
        if (!audio_get_device_mute(device)) audio_mute_device(device);
    } else {
        if (audio_get_device_mute(device)) audio_unmute_device(device);
    }
    audio_set_device_level(device, volume);
}

void audio_set_device_volume_percent(u32 device, u8 percent) {
    audio_set_device_level(device, audio_percent_to_scalar(percent));
}

bool audio_get_device_mute(u32 device) {
    BOOL mute = FALSE;
    if (audio_failed(audio_endpoint(device)->GetMute(&mute), "Failed to get mute state of audio device at index %.",
                     device))
        return false;
    return mute != FALSE;
}

void audio_mute_device(u32 device) { audio_endpoint(device)->SetMute(TRUE, NULL); }
void audio_unmute_device(u32 device) { audio_endpoint(device)->SetMute(FALSE, NULL); }

void audio_set_default_device(u32 device) {
    const wchar_t* id = g_audio.device_ids.data[device];
    IPolicyConfigVista* policy = g_audio.policy_config;
    if (audio_failed(policy->SetDefaultEndpoint(id, eConsole),
                     "Failed to set audio device % as default eConsole endpoint.", device) ||
        audio_failed(policy->SetDefaultEndpoint(id, eMultimedia),
                     "Failed to set audio device % as default eMultimedia endpoint.", device) ||
        audio_failed(policy->SetDefaultEndpoint(id, eCommunications),
                     "Failed to set audio device % as default eCommunications endpoint.", device))
        return;
    g_audio.default_device_index = device;
}

f32 audio_get_session_volume(u32 device, u32 session) {
    float volume = 0.0f;
    if (audio_failed(audio_session(device, session)->GetMasterVolume(&volume), "Failed to get process master volume."))
        return 0.0f;
    return volume;
}

u8 audio_get_session_volume_percent(u32 device, u32 session) {
    return audio_percent_truncated(audio_get_session_volume(device, session));
}

void audio_set_session_volume(u32 device, u32 session, f32 volume) {
    audio_failed(audio_session(device, session)->SetMasterVolume(volume, NULL), "Failed to set process master volume.");
}

void audio_set_session_volume_percent(u32 device, u32 session, u8 percent) {
    // Not clamped: above 100 the system refuses the level and the failure is logged.
    audio_set_session_volume(device, session, audio_percent_to_scalar(percent));
}

bool audio_get_session_mute(u32 device, u32 session) {
    BOOL mute = FALSE;
    if (audio_failed(audio_session(device, session)->GetMute(&mute), "Failed to get mute state of device process."))
        return false;
    return mute != FALSE;
}

void audio_mute_session(u32 device, u32 session) {
    audio_failed(audio_session(device, session)->SetMute(TRUE, NULL), "Failed to mute audio device process.");
}

void audio_unmute_session(u32 device, u32 session) {
    audio_failed(audio_session(device, session)->SetMute(FALSE, NULL), "Failed to unmute audio device process.");
}
