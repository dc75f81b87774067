// The Core Audio objects of the model, as C vtables in the manner of sokol's COM mocks. Objects
// refer to their device by id and to their session by key and look both up on every call, so
// an object whose device or session has gone answers with the platform's "invalidated" error.
#define CINTERFACE
#include <initguid.h>  // the interface ids, defined here
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <audiopolicy.h>
#include <audioclient.h>
#include <propsys.h>
#include <functiondiscoverykeys_devpkey.h>
#include <stddef.h>
#include "core_audio_model.h"

const GUID FAKE_CLSID_POLICY_CONFIG = {0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
const GUID FAKE_IID_POLICY_CONFIG_VISTA = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};

// The policy-configuration interface as a C vtable: entries 3 to 11 are never called.
struct IPolicyConfigVistaC;
struct IPolicyConfigVistaCVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IPolicyConfigVistaC* self, REFIID riid, void** out);
    ULONG(STDMETHODCALLTYPE* AddRef)(IPolicyConfigVistaC* self);
    ULONG(STDMETHODCALLTYPE* Release)(IPolicyConfigVistaC* self);
    void* reserved[9];
    HRESULT(STDMETHODCALLTYPE* SetDefaultEndpoint)(IPolicyConfigVistaC* self, LPCWSTR id, ERole role);
};
struct IPolicyConfigVistaC {
    IPolicyConfigVistaCVtbl* lpVtbl;
};
static_assert(offsetof(IPolicyConfigVistaCVtbl, SetDefaultEndpoint) == 12 * sizeof(void*), "SetDefaultEndpoint is entry 12");

// ---- the model ----

void model_reset(AudioModel* model) {
    // The live counts stay: objects handed out before may still be held.
    *model = AudioModel{.live_references = model->live_references, .live_objects = model->live_objects};
}

ModelDevice* model_add_device(AudioModel* model, const wchar_t* id, const wchar_t* name, f32 volume, bool mute, u32 default_roles) {
    model->devices.push_back(ModelDevice{id, name ? name : L"", (u16)(name ? VT_LPWSTR : VT_EMPTY), false, volume, mute, default_roles, 0, {}});
    return &model->devices.back();
}

ModelSession* model_add_session(ModelDevice* device, u32 pid, f32 volume, bool mute) {
    static u32 serial = 1u << 20;  // keys of in-process scripts never meet the DLL's ordinals
    device->sessions.push_back(ModelSession{serial++, pid, volume, mute, 0});
    return &device->sessions.back();
}

ModelDevice* model_find_device(AudioModel* model, const wchar_t* id) {
    for (ModelDevice& d : model->devices)
        if (d.id == id) return &d;
    return nullptr;
}

static ModelSession* model_find_session(ModelDevice* device, u32 key) {
    if (device)
        for (ModelSession& s : device->sessions)
            if (s.key == key) return &s;
    return nullptr;
}

static bool model_fails(AudioModel* m, const ModelDevice* d, const ModelSession* s, FakeMethod method) {
    u64 bit = fake_bit(method);
    return (m->fail & bit) || (d && (d->fail & bit)) || (s && (s->fail & bit));
}

// ---- objects: one record for every kind ----

enum ObjectKind { ENUMERATOR, COLLECTION, DEVICE, PROPERTY_STORE, ENDPOINT_VOLUME, SESSION_MANAGER, SESSION_ENUMERATOR, SESSION, POLICY_CONFIG,
                  SIMPLE_VOLUME /* a session's second face */, KIND_COUNT };

struct FakeObject;
struct Interface {  // what an interface pointer points at
    const void* vtbl;
    FakeObject* object;
};

// A session answers as control, control 2 and simple volume, like the platform's.
struct FakeObject {
    Interface primary, simple;
    ObjectKind kind;
    AudioModel* model;
    LONG references;
    std::wstring id;                // the device it belongs to
    u32 key;                        // the session it is
    std::vector<std::wstring> ids;  // a collection's devices
    std::vector<u32> keys;          // a session enumerator's sessions
};

static FakeObject* object_of(void* self) { return ((Interface*)self)->object; }

// What a method works on: its object, and the object's device and session as the model has them
// now (null when gone).
struct Target {
    FakeObject* o;
    AudioModel* m;
    ModelDevice* d;
    ModelSession* s;
};

static Target target(void* self, FakeSync kind = FAKE_SYNC_READ) {
    FakeObject* o = object_of(self);
    if (o->model->sync) o->model->sync(o->model, kind);
    ModelDevice* d = model_find_device(o->model, o->id.c_str());
    return Target{o, o->model, d, model_find_session(d, o->key)};
}

#define FAIL_IF_SWITCHED(t, method) \
    if (model_fails((t).m, (t).d, (t).s, method)) return E_FAIL
#define NEEDS(t, what) \
    if (!(t).what) return AUDCLNT_E_DEVICE_INVALIDATED

static const void* vtable_of(ObjectKind kind);

// A new object of the kind, handed out through `out` with one reference.
template <class I>
static HRESULT spawn(I** out, AudioModel* m, ObjectKind kind, const std::wstring& id = std::wstring(), u32 key = 0) {
    FakeObject* o = new FakeObject{{vtable_of(kind), nullptr}, {vtable_of(SIMPLE_VOLUME), nullptr}, kind, m, 1, id, key, {}, {}};
    o->primary.object = o->simple.object = o;
    m->live_references++;
    m->live_objects++;
    *out = (I*)&o->primary;
    return S_OK;
}

// ---- IUnknown, shared by every kind ----

template <class I>
static ULONG STDMETHODCALLTYPE add_ref(I* self) {
    FakeObject* o = object_of(self);
    o->model->live_references++;
    return (ULONG)++o->references;
}

template <class I>
static ULONG STDMETHODCALLTYPE release(I* self) {
    FakeObject* o = object_of(self);
    o->model->live_references--;
    LONG left = --o->references;
    if (left == 0) {
        o->model->live_objects--;
        delete o;
    }
    return (ULONG)left;
}

static const GUID* const KIND_IIDS[KIND_COUNT] = {
    &IID_IMMDeviceEnumerator, &IID_IMMDeviceCollection, &IID_IMMDevice, &IID_IPropertyStore, &IID_IAudioEndpointVolume,
    &IID_IAudioSessionManager2, &IID_IAudioSessionEnumerator, &IID_IAudioSessionControl, &FAKE_IID_POLICY_CONFIG_VISTA};

template <class I>
static HRESULT STDMETHODCALLTYPE query_interface(I* self, REFIID iid, void** out) {
    Target t = target(self);
    *out = nullptr;
    // A session's second and third faces are asked for, and can be made to fail.
    bool control2 = t.o->kind == SESSION && IsEqualGUID(iid, IID_IAudioSessionControl2);
    bool simple = t.o->kind == SESSION && IsEqualGUID(iid, IID_ISimpleAudioVolume);
    if (!control2 && !simple && !IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, *KIND_IIDS[t.o->kind])) return E_NOINTERFACE;
    if (control2) FAIL_IF_SWITCHED(t, FAKE_QUERY_SESSION_CONTROL2);
    if (simple) FAIL_IF_SWITCHED(t, FAKE_QUERY_SIMPLE_VOLUME);
    add_ref(self);
    *out = simple ? &t.o->simple : &t.o->primary;
    return S_OK;
}

// A change the program asks for: always recorded; applied and announced only when the method
// is not switched to fail and the platform takes the value.
template <class Apply>
static HRESULT change(const Target& t, FakeCall call, bool fails, bool valid, Apply apply) {
    t.m->calls.push_back(call);
    if (fails) return E_FAIL;
    if (!valid) return E_INVALIDARG;
    apply();
    if (t.m->changed) t.m->changed(t.m);
    return S_OK;
}

// A read: the object's device or session must still be there and the method not switched to fail.
#define FAKE_READ(name, Interface, T, needs, method, value)         \
    static HRESULT STDMETHODCALLTYPE name(Interface* self, T* out) { \
        Target t = target(self);                                      \
        NEEDS(t, needs);                                              \
        FAIL_IF_SWITCHED(t, method);                                  \
        *out = value;                                                 \
        return S_OK;                                                  \
    }

// A change of a device's or a session's level or mute, made through change().
#define FAKE_CHANGE(name, Interface, T, needs, method, valid, apply, value, flag)                              \
    static HRESULT STDMETHODCALLTYPE name(Interface* self, T in, LPCGUID context) {                             \
        Target t = target(self, FAKE_SYNC_CHANGE);                                                                \
        NEEDS(t, needs);                                                                                          \
        return change(t, FakeCall{method, t.o->id, -1, value, flag, context != nullptr},                          \
                      model_fails(t.m, t.d, t.s, method), valid, [&] { apply; });                                 \
    }

FAKE_READ(collection_get_count, IMMDeviceCollection, UINT, o, FAKE_COLLECTION_GET_COUNT, (UINT)t.o->ids.size())
FAKE_READ(session_enumerator_get_count, IAudioSessionEnumerator, int, o, FAKE_SESSION_GET_COUNT, (int)t.o->keys.size())
FAKE_READ(endpoint_get_scalar, IAudioEndpointVolume, float, d, FAKE_GET_MASTER_VOLUME_LEVEL_SCALAR, t.d->volume)
FAKE_READ(endpoint_get_mute, IAudioEndpointVolume, BOOL, d, FAKE_ENDPOINT_GET_MUTE, t.d->mute)
FAKE_READ(session_get_process_id, IAudioSessionControl2, DWORD, s, FAKE_GET_PROCESS_ID, t.s->pid)
FAKE_READ(session_get_volume, ISimpleAudioVolume, float, s, FAKE_SESSION_GET_MASTER_VOLUME, t.s->volume)
FAKE_READ(session_get_mute, ISimpleAudioVolume, BOOL, s, FAKE_SESSION_GET_MUTE, t.s->mute)
FAKE_CHANGE(endpoint_set_scalar, IAudioEndpointVolume, float, d, FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR, in >= 0.0f && in <= 1.0f, t.d->volume = in, in, false)
FAKE_CHANGE(endpoint_set_mute, IAudioEndpointVolume, BOOL, d, FAKE_ENDPOINT_SET_MUTE, true, t.d->mute = in != FALSE, 0.0f, in != FALSE)
FAKE_CHANGE(session_set_volume, ISimpleAudioVolume, float, s, FAKE_SESSION_SET_MASTER_VOLUME, in >= 0.0f && in <= 1.0f, t.s->volume = in, in, false)
FAKE_CHANGE(session_set_mute, ISimpleAudioVolume, BOOL, s, FAKE_SESSION_SET_MUTE, true, t.s->mute = in != FALSE, 0.0f, in != FALSE)

// The checks of a method that hands out a new object for the same device: the device is still
// there (when `needs_device`) and the method not switched to fail.
template <class I>
static HRESULT open(void* self, I** out, FakeMethod method, ObjectKind kind, bool needs_device = true, FakeSync sync = FAKE_SYNC_READ) {
    Target t = target(self, sync);
    *out = nullptr;
    if (needs_device) NEEDS(t, d);
    FAIL_IF_SWITCHED(t, method);
    return spawn(out, t.m, kind, t.o->id);
}

static wchar_t* co_task_wide(const std::wstring& text) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    return (wchar_t*)memcpy(CoTaskMemAlloc(bytes), text.c_str(), bytes);
}

// ---- device enumerator, collection, device, property store ----

static HRESULT STDMETHODCALLTYPE enum_audio_endpoints(IMMDeviceEnumerator* self, EDataFlow flow, DWORD mask, IMMDeviceCollection** out) {
    HRESULT result = open(self, out, FAKE_ENUM_AUDIO_ENDPOINTS, COLLECTION, false, FAKE_SYNC_ENUMERATE);
    AudioModel* m = object_of(self)->model;
    if (result == S_OK && (flow == eRender || flow == eAll) && (mask & DEVICE_STATE_ACTIVE))  // all active render endpoints
        for (ModelDevice& d : m->devices) object_of(*out)->ids.push_back(d.id);
    return result;
}

static HRESULT STDMETHODCALLTYPE get_default_audio_endpoint(IMMDeviceEnumerator* self, EDataFlow flow, ERole role, IMMDevice** out) {
    Target t = target(self);
    *out = nullptr;
    FAIL_IF_SWITCHED(t, FAKE_GET_DEFAULT_AUDIO_ENDPOINT);
    if (flow == eRender && role >= eConsole && role <= eCommunications)
        for (ModelDevice& d : t.m->devices)
            if (d.default_roles & (1u << role)) return spawn(out, t.m, DEVICE, d.id);
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

static HRESULT STDMETHODCALLTYPE collection_item(IMMDeviceCollection* self, UINT index, IMMDevice** out) {
    Target t = target(self);
    *out = nullptr;
    if (index >= t.o->ids.size()) return E_INVALIDARG;
    const std::wstring& id = t.o->ids[index];
    if (model_fails(t.m, model_find_device(t.m, id.c_str()), nullptr, FAKE_COLLECTION_ITEM)) return E_FAIL;
    return spawn(out, t.m, DEVICE, id);
}

static HRESULT STDMETHODCALLTYPE device_activate(IMMDevice* self, REFIID iid, DWORD context, PROPVARIANT* params, void** out) {
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IAudioEndpointVolume)) return open(self, out, FAKE_ACTIVATE_ENDPOINT_VOLUME, ENDPOINT_VOLUME);
    if (IsEqualGUID(iid, IID_IAudioSessionManager2)) return open(self, out, FAKE_ACTIVATE_SESSION_MANAGER, SESSION_MANAGER);
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE device_open_property_store(IMMDevice* self, DWORD access, IPropertyStore** out) {
    return open(self, out, FAKE_OPEN_PROPERTY_STORE, PROPERTY_STORE);
}

FAKE_READ(device_get_id, IMMDevice, LPWSTR, o, FAKE_DEVICE_GET_ID, co_task_wide(t.o->id))

static HRESULT STDMETHODCALLTYPE property_store_get_value(IPropertyStore* self, REFPROPERTYKEY key, PROPVARIANT* value) {
    PropVariantInit(value);
    Target t = target(self);
    NEEDS(t, d);
    FAIL_IF_SWITCHED(t, FAKE_GET_VALUE);
    if (memcmp(&key, &PKEY_Device_FriendlyName, sizeof(PROPERTYKEY)) != 0) return S_OK;  // VT_EMPTY
    value->vt = t.d->name_type;
    if (t.d->name_type == VT_LPWSTR) value->pwszVal = t.d->name_null ? nullptr : co_task_wide(t.d->name);
    else if (t.d->name_type != VT_EMPTY) value->ulVal = 0x12345678;  // not a string: a number
    return S_OK;
}

// ---- session manager, session enumerator, session ----

static HRESULT STDMETHODCALLTYPE get_session_enumerator(IAudioSessionManager2* self, IAudioSessionEnumerator** out) {
    HRESULT result = open(self, out, FAKE_GET_SESSION_ENUMERATOR, SESSION_ENUMERATOR);
    if (result == S_OK)
        for (ModelSession& s : model_find_device(object_of(self)->model, object_of(self)->id.c_str())->sessions) object_of(*out)->keys.push_back(s.key);
    return result;
}

static HRESULT STDMETHODCALLTYPE session_enumerator_get_session(IAudioSessionEnumerator* self, int index, IAudioSessionControl** out) {
    Target t = target(self);
    *out = nullptr;
    if (index < 0 || (size_t)index >= t.o->keys.size()) return E_INVALIDARG;
    u32 key = t.o->keys[index];
    if (model_fails(t.m, t.d, model_find_session(t.d, key), FAKE_GET_SESSION)) return E_FAIL;
    return spawn(out, t.m, SESSION, t.o->id, key);
}

// ---- policy configuration ----

static HRESULT STDMETHODCALLTYPE set_default_endpoint(IPolicyConfigVistaC* self, LPCWSTR id, ERole role) {
    Target t = target(self, FAKE_SYNC_CHANGE);
    ModelDevice* d = id ? model_find_device(t.m, id) : nullptr;
    bool known_role = role >= eConsole && role <= eCommunications;
    bool fails = model_fails(t.m, d, nullptr, FAKE_SET_DEFAULT_ENDPOINT) || (known_role && (t.m->fail_default_roles & (1u << role)));
    return change(t, FakeCall{FAKE_SET_DEFAULT_ENDPOINT, id ? id : L"", (i32)role, 0.0f, false, false}, fails, d && known_role, [&] {
        for (ModelDevice& other : t.m->devices) other.default_roles &= ~(1u << role);
        d->default_roles |= 1u << role;
    });
}

// ---- vtables and the two top-level objects ----

#define FAKE_IUNKNOWN(I) .QueryInterface = query_interface<I>, .AddRef = add_ref<I>, .Release = release<I>

// Slots of methods the program never calls stay null: a call ends the test at once.
static IMMDeviceEnumeratorVtbl g_enumerator_vtbl = {FAKE_IUNKNOWN(IMMDeviceEnumerator),
    .EnumAudioEndpoints = enum_audio_endpoints, .GetDefaultAudioEndpoint = get_default_audio_endpoint};
static IMMDeviceCollectionVtbl g_collection_vtbl = {FAKE_IUNKNOWN(IMMDeviceCollection),
    .GetCount = collection_get_count, .Item = collection_item};
static IMMDeviceVtbl g_device_vtbl = {FAKE_IUNKNOWN(IMMDevice),
    .Activate = device_activate, .OpenPropertyStore = device_open_property_store, .GetId = device_get_id};
static IPropertyStoreVtbl g_property_store_vtbl = {FAKE_IUNKNOWN(IPropertyStore), .GetValue = property_store_get_value};
static IAudioEndpointVolumeVtbl g_endpoint_volume_vtbl = {FAKE_IUNKNOWN(IAudioEndpointVolume),
    .SetMasterVolumeLevelScalar = endpoint_set_scalar, .GetMasterVolumeLevelScalar = endpoint_get_scalar,
    .SetMute = endpoint_set_mute, .GetMute = endpoint_get_mute};
static IAudioSessionManager2Vtbl g_session_manager_vtbl = {FAKE_IUNKNOWN(IAudioSessionManager2),
    .GetSessionEnumerator = get_session_enumerator};
static IAudioSessionEnumeratorVtbl g_session_enumerator_vtbl = {FAKE_IUNKNOWN(IAudioSessionEnumerator),
    .GetCount = session_enumerator_get_count, .GetSession = session_enumerator_get_session};
static IAudioSessionControl2Vtbl g_session_vtbl = {FAKE_IUNKNOWN(IAudioSessionControl2),
    .GetProcessId = session_get_process_id};
static ISimpleAudioVolumeVtbl g_simple_volume_vtbl = {FAKE_IUNKNOWN(ISimpleAudioVolume),
    .SetMasterVolume = session_set_volume, .GetMasterVolume = session_get_volume, .SetMute = session_set_mute,
    .GetMute = session_get_mute};
static IPolicyConfigVistaCVtbl g_policy_config_vtbl = {FAKE_IUNKNOWN(IPolicyConfigVistaC),
    .SetDefaultEndpoint = set_default_endpoint};

static const void* vtable_of(ObjectKind kind) {
    static const void* const tables[KIND_COUNT] = {&g_enumerator_vtbl, &g_collection_vtbl, &g_device_vtbl, &g_property_store_vtbl,
        &g_endpoint_volume_vtbl, &g_session_manager_vtbl, &g_session_enumerator_vtbl, &g_session_vtbl, &g_policy_config_vtbl,
        &g_simple_volume_vtbl};
    return tables[kind];
}

HRESULT model_create_instance(AudioModel* model, REFCLSID clsid, REFIID iid, void** out) {
    *out = nullptr;
    bool enumerator = IsEqualGUID(clsid, CLSID_MMDeviceEnumerator);
    if (!enumerator && !IsEqualGUID(clsid, FAKE_CLSID_POLICY_CONFIG)) return REGDB_E_CLASSNOTREG;
    if (!IsEqualGUID(iid, enumerator ? IID_IMMDeviceEnumerator : FAKE_IID_POLICY_CONFIG_VISTA) && !IsEqualGUID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    if (model_fails(model, nullptr, nullptr, enumerator ? FAKE_CREATE_ENUMERATOR : FAKE_CREATE_POLICY_CONFIG)) return E_FAIL;
    return spawn(out, model, enumerator ? ENUMERATOR : POLICY_CONFIG);
}
