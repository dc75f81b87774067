// The Core Audio objects of the model, as C vtables over the audio model. Objects refer to
// their device by id and to their session by key, and look them up on every call, so an
// object whose device or session has gone answers with the platform's "invalidated" error.
#define CINTERFACE
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <audiopolicy.h>
#include <audioclient.h>
#include <propidl.h>
#include <propsys.h>
#include <math.h>
#include <stddef.h>
#include <wchar.h>
#include "core_audio_model.h"

const GUID FAKE_CLSID_POLICY_CONFIG = {0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
const GUID FAKE_IID_POLICY_CONFIG_VISTA = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};
const GUID FAKE_CLSID_MM_DEVICE_ENUMERATOR = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
const GUID FAKE_IID_MM_DEVICE_ENUMERATOR = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
static const GUID IID_UNKNOWN_ = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const GUID IID_MM_DEVICE_COLLECTION = {0x0BD7A1BE, 0x7A1A, 0x44DB, {0x83, 0x97, 0xCC, 0x53, 0x92, 0x38, 0x7B, 0x5E}};
static const GUID IID_MM_DEVICE = {0xD666063F, 0x1587, 0x4E43, {0x81, 0xF1, 0xB9, 0x48, 0xE8, 0x07, 0x36, 0x3F}};
static const GUID IID_PROPERTY_STORE = {0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};
static const GUID IID_AUDIO_ENDPOINT_VOLUME = {0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
static const GUID IID_AUDIO_SESSION_MANAGER = {0xBFA971F1, 0x4D5E, 0x40BB, {0x93, 0x5E, 0x96, 0x70, 0x39, 0xBF, 0xBE, 0xE4}};
static const GUID IID_AUDIO_SESSION_MANAGER2 = {0x77AA99A0, 0x1BD6, 0x484F, {0x8B, 0xC7, 0x2C, 0x65, 0x4C, 0x9A, 0x9B, 0x6F}};
static const GUID IID_AUDIO_SESSION_ENUMERATOR = {0xE2F5BB11, 0x0570, 0x40CA, {0xAC, 0xDD, 0x3A, 0xA0, 0x12, 0x77, 0xDE, 0xE8}};
static const GUID IID_AUDIO_SESSION_CONTROL = {0xF4B1A599, 0x7266, 0x4319, {0xA8, 0xCA, 0xE7, 0x0A, 0xCB, 0x11, 0xE8, 0xCD}};
static const GUID IID_AUDIO_SESSION_CONTROL2 = {0xBFB7FF88, 0x7239, 0x4FC9, {0x8F, 0xA2, 0x07, 0xC9, 0x50, 0xBE, 0x9C, 0x6D}};
static const GUID IID_SIMPLE_AUDIO_VOLUME = {0x87CE5498, 0x68D6, 0x44E5, {0x92, 0x15, 0x6D, 0xA4, 0x7E, 0xF8, 0x83, 0xD8}};
static const PROPERTYKEY PKEY_FRIENDLY_NAME = {{0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

static const HRESULT FAKE_E_NOT_FOUND = (HRESULT)0x80070490;  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
static const HRESULT FAKE_E_INVALIDATED = AUDCLNT_E_DEVICE_INVALIDATED;

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

const char* fake_method_name(FakeMethod m) {
    static const char* const names[FAKE_METHOD_COUNT] = {
        "CreatePolicyConfig", "CreateEnumerator", "EnumAudioEndpoints", "GetDefaultAudioEndpoint",
        "Collection::GetCount", "Item", "OpenPropertyStore", "GetId", "GetValue",
        "Activate(IAudioEndpointVolume)", "Activate(IAudioSessionManager2)", "GetSessionEnumerator",
        "SessionEnumerator::GetCount", "GetSession", "QueryInterface(IAudioSessionControl2)",
        "GetProcessId", "QueryInterface(ISimpleAudioVolume)", "GetMasterVolumeLevelScalar",
        "SetMasterVolumeLevelScalar", "Endpoint::GetMute", "Endpoint::SetMute",
        "Session::GetMasterVolume", "Session::SetMasterVolume", "Session::GetMute",
        "Session::SetMute", "SetDefaultEndpoint"};
    return m < FAKE_METHOD_COUNT ? names[m] : "?";
}

// ---- the model ----

void model_reset(AudioModel* model) {
    model->devices.clear();
    model->fail = 0;
    model->fail_default_roles = 0;
    model->fail_result = E_FAIL;
    model->calls.clear();
    model->sync = nullptr;
    model->changed = nullptr;
}

ModelDevice* model_add_device(AudioModel* model, const wchar_t* id, const wchar_t* name, f32 volume, bool mute, u32 default_roles) {
    ModelDevice d = {};
    d.id = id;
    d.name = name ? name : L"";
    d.name_type = name ? VT_LPWSTR : VT_EMPTY;
    d.volume = volume;
    d.mute = mute;
    d.default_roles = default_roles;
    model->devices.push_back(d);
    return &model->devices.back();
}

ModelSession* model_add_session(ModelDevice* device, u32 pid, f32 volume, bool mute) {
    static u32 serial = 1u << 20;  // keys of in-process scripts never meet the DLL's ordinals
    ModelSession s = {};
    s.key = serial++;
    s.pid = pid;
    s.volume = volume;
    s.mute = mute;
    device->sessions.push_back(s);
    return &device->sessions.back();
}

ModelDevice* model_find_device(AudioModel* model, const wchar_t* id) {
    for (ModelDevice& d : model->devices)
        if (d.id == id) return &d;
    return nullptr;
}

ModelSession* model_find_session(ModelDevice* device, u32 key) {
    if (!device) return nullptr;
    for (ModelSession& s : device->sessions)
        if (s.key == key) return &s;
    return nullptr;
}

static void model_sync(AudioModel* m, FakeSync kind) {
    if (m->sync) m->sync(m, kind);
}

static bool model_fails(AudioModel* m, const ModelDevice* d, const ModelSession* s, FakeMethod method) {
    u64 bit = fake_bit(method);
    return (m->fail & bit) || (d && (d->fail & bit)) || (s && (s->fail & bit));
}

static void model_record(AudioModel* m, FakeMethod method, const ModelDevice* d, const wchar_t* id, u32 key, i32 role,
                         f32 value, bool flag, LPCGUID context, bool applied) {
    FakeCall call = {method, d ? d->id : std::wstring(id ? id : L""), key, role, value, flag, context != nullptr};
    m->calls.push_back(call);
    if (applied && m->changed) m->changed(m, call);
}

// ---- object bookkeeping ----

struct ObjectHeader {
    AudioModel* model;
    LONG references;
    void (*destroy)(void* object);
};

static void header_init(ObjectHeader* h, AudioModel* m, void (*destroy)(void*)) {
    h->model = m;
    h->references = 1;
    h->destroy = destroy;
    m->live_references++;
    m->live_objects++;
    m->objects_created++;
}

static ULONG header_add_ref(ObjectHeader* h) {
    h->model->live_references++;
    return (ULONG)++h->references;
}

static ULONG header_release(ObjectHeader* h, void* object) {
    AudioModel* m = h->model;
    m->live_references--;
    LONG left = --h->references;
    if (left == 0) {
        m->live_objects--;
        h->destroy(object);
    }
    return (ULONG)left;
}

static bool guid_equal(REFIID a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }

static HRESULT STDMETHODCALLTYPE not_implemented() { return E_NOTIMPL; }

// Slots of methods the program never calls answer E_NOTIMPL instead of jumping to null.
static void fill_vtable(void* table, size_t size) {
    void** slots = (void**)table;
    for (size_t i = 0; i < size / sizeof(void*); i++)
        if (!slots[i]) slots[i] = (void*)not_implemented;
}

static const size_t FAKE_ID_CAPACITY = 128;

static void copy_id(wchar_t* to, const wchar_t* from) {
    wcsncpy(to, from, FAKE_ID_CAPACITY - 1);
    to[FAKE_ID_CAPACITY - 1] = 0;
}

static wchar_t* co_task_wide(const wchar_t* text) {
    size_t n = wcslen(text) + 1;
    wchar_t* copy = (wchar_t*)CoTaskMemAlloc(n * sizeof(wchar_t));
    memcpy(copy, text, n * sizeof(wchar_t));
    return copy;
}

#define FAKE_OBJECT(Type, Interface)                                                                  \
    static ULONG STDMETHODCALLTYPE Type##_add_ref(Interface* self) { return header_add_ref(&((Type*)self)->h); } \
    static ULONG STDMETHODCALLTYPE Type##_release(Interface* self) { return header_release(&((Type*)self)->h, self); } \
    static void Type##_destroy(void* object) { delete (Type*)object; }

// ---- objects ----

struct FakeEnumerator {
    IMMDeviceEnumerator iface;
    ObjectHeader h;
};
struct FakeCollection {
    IMMDeviceCollection iface;
    ObjectHeader h;
    std::vector<std::wstring>* ids;
};
struct FakeDevice {
    IMMDevice iface;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
};
struct FakePropertyStore {
    IPropertyStore iface;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
};
struct FakeEndpointVolume {
    IAudioEndpointVolume iface;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
};
struct FakeSessionManager {
    IAudioSessionManager2 iface;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
};
struct FakeSessionEnumerator {
    IAudioSessionEnumerator iface;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
    std::vector<u32>* keys;
};
// One session object answers as control, control 2 and simple volume, like the platform's.
struct FakeSession {
    IAudioSessionControl2 control;
    ISimpleAudioVolume simple;
    ObjectHeader h;
    wchar_t id[FAKE_ID_CAPACITY];
    u32 key;
};
struct FakePolicyConfig {
    IPolicyConfigVistaC iface;
    ObjectHeader h;
};

FAKE_OBJECT(FakeEnumerator, IMMDeviceEnumerator)
FAKE_OBJECT(FakeDevice, IMMDevice)
FAKE_OBJECT(FakePropertyStore, IPropertyStore)
FAKE_OBJECT(FakeEndpointVolume, IAudioEndpointVolume)
FAKE_OBJECT(FakeSessionManager, IAudioSessionManager2)
FAKE_OBJECT(FakePolicyConfig, IPolicyConfigVistaC)

static ULONG STDMETHODCALLTYPE FakeCollection_add_ref(IMMDeviceCollection* self) { return header_add_ref(&((FakeCollection*)self)->h); }
static ULONG STDMETHODCALLTYPE FakeCollection_release(IMMDeviceCollection* self) { return header_release(&((FakeCollection*)self)->h, self); }
static void FakeCollection_destroy(void* object) {
    FakeCollection* c = (FakeCollection*)object;
    delete c->ids;
    delete c;
}
static ULONG STDMETHODCALLTYPE FakeSessionEnumerator_add_ref(IAudioSessionEnumerator* self) { return header_add_ref(&((FakeSessionEnumerator*)self)->h); }
static ULONG STDMETHODCALLTYPE FakeSessionEnumerator_release(IAudioSessionEnumerator* self) { return header_release(&((FakeSessionEnumerator*)self)->h, self); }
static void FakeSessionEnumerator_destroy(void* object) {
    FakeSessionEnumerator* e = (FakeSessionEnumerator*)object;
    delete e->keys;
    delete e;
}

static FakeSession* session_from_simple(ISimpleAudioVolume* self) {
    return (FakeSession*)((char*)self - offsetof(FakeSession, simple));
}
static ULONG STDMETHODCALLTYPE FakeSession_add_ref(IAudioSessionControl2* self) { return header_add_ref(&((FakeSession*)self)->h); }
static ULONG STDMETHODCALLTYPE FakeSession_release(IAudioSessionControl2* self) { return header_release(&((FakeSession*)self)->h, self); }
static ULONG STDMETHODCALLTYPE FakeSimple_add_ref(ISimpleAudioVolume* self) { return header_add_ref(&session_from_simple(self)->h); }
static ULONG STDMETHODCALLTYPE FakeSimple_release(ISimpleAudioVolume* self) {
    FakeSession* s = session_from_simple(self);
    return header_release(&s->h, s);
}
static void FakeSession_destroy(void* object) { delete (FakeSession*)object; }

static IMMDeviceEnumeratorVtbl g_enumerator_vtbl;
static IMMDeviceCollectionVtbl g_collection_vtbl;
static IMMDeviceVtbl g_device_vtbl;
static IPropertyStoreVtbl g_property_store_vtbl;
static IAudioEndpointVolumeVtbl g_endpoint_volume_vtbl;
static IAudioSessionManager2Vtbl g_session_manager_vtbl;
static IAudioSessionEnumeratorVtbl g_session_enumerator_vtbl;
static IAudioSessionControl2Vtbl g_session_control_vtbl;
static ISimpleAudioVolumeVtbl g_simple_volume_vtbl;
static IPolicyConfigVistaCVtbl g_policy_config_vtbl;

template <typename T>
static T* new_object(AudioModel* m, void (*destroy)(void*)) {
    T* o = new T();
    header_init(&o->h, m, destroy);
    return o;
}

// Enumerator

static HRESULT STDMETHODCALLTYPE enumerator_query_interface(IMMDeviceEnumerator* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, FAKE_IID_MM_DEVICE_ENUMERATOR)) {
        FakeEnumerator_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static FakeDevice* make_device(AudioModel* m, const wchar_t* id) {
    FakeDevice* d = new_object<FakeDevice>(m, FakeDevice_destroy);
    d->iface.lpVtbl = &g_device_vtbl;
    copy_id(d->id, id);
    return d;
}

static HRESULT STDMETHODCALLTYPE enumerator_enum_audio_endpoints(IMMDeviceEnumerator* self, EDataFlow flow, DWORD state_mask, IMMDeviceCollection** out) {
    AudioModel* m = ((FakeEnumerator*)self)->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_ENUMERATE);
    if (model_fails(m, nullptr, nullptr, FAKE_ENUM_AUDIO_ENDPOINTS)) return m->fail_result;
    FakeCollection* c = new_object<FakeCollection>(m, FakeCollection_destroy);
    c->iface.lpVtbl = &g_collection_vtbl;
    c->ids = new std::vector<std::wstring>();
    // Every device of the model is an active render endpoint.
    if ((flow == eRender || flow == eAll) && (state_mask & DEVICE_STATE_ACTIVE))
        for (ModelDevice& d : m->devices) c->ids->push_back(d.id);
    *out = &c->iface;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE enumerator_get_default_audio_endpoint(IMMDeviceEnumerator* self, EDataFlow flow, ERole role, IMMDevice** out) {
    AudioModel* m = ((FakeEnumerator*)self)->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    if (model_fails(m, nullptr, nullptr, FAKE_GET_DEFAULT_AUDIO_ENDPOINT)) return m->fail_result;
    if (flow != eRender || role < eConsole || role > eCommunications) return FAKE_E_NOT_FOUND;
    for (ModelDevice& d : m->devices) {
        if (d.default_roles & (1u << role)) {
            *out = &make_device(m, d.id.c_str())->iface;
            return S_OK;
        }
    }
    return FAKE_E_NOT_FOUND;
}

static HRESULT STDMETHODCALLTYPE enumerator_get_device(IMMDeviceEnumerator* self, LPCWSTR id, IMMDevice** out) {
    AudioModel* m = ((FakeEnumerator*)self)->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    if (!id || !model_find_device(m, id)) return FAKE_E_NOT_FOUND;
    *out = &make_device(m, id)->iface;
    return S_OK;
}

// Collection

static HRESULT STDMETHODCALLTYPE collection_query_interface(IMMDeviceCollection* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_MM_DEVICE_COLLECTION)) {
        FakeCollection_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE collection_get_count(IMMDeviceCollection* self, UINT* count) {
    FakeCollection* c = (FakeCollection*)self;
    model_sync(c->h.model, FAKE_SYNC_READ);
    if (model_fails(c->h.model, nullptr, nullptr, FAKE_COLLECTION_GET_COUNT)) return c->h.model->fail_result;
    *count = (UINT)c->ids->size();
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE collection_item(IMMDeviceCollection* self, UINT index, IMMDevice** out) {
    FakeCollection* c = (FakeCollection*)self;
    AudioModel* m = c->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    if (index >= c->ids->size()) return E_INVALIDARG;
    const std::wstring& id = (*c->ids)[index];
    if (model_fails(m, model_find_device(m, id.c_str()), nullptr, FAKE_COLLECTION_ITEM)) return m->fail_result;
    *out = &make_device(m, id.c_str())->iface;
    return S_OK;
}

// Device

static HRESULT STDMETHODCALLTYPE device_query_interface(IMMDevice* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_MM_DEVICE)) {
        FakeDevice_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE device_activate(IMMDevice* self, REFIID iid, DWORD context, PROPVARIANT* params, void** out) {
    FakeDevice* fd = (FakeDevice*)self;
    AudioModel* m = fd->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    ModelDevice* d = model_find_device(m, fd->id);
    if (!d) return FAKE_E_INVALIDATED;
    if (guid_equal(iid, IID_AUDIO_ENDPOINT_VOLUME)) {
        if (model_fails(m, d, nullptr, FAKE_ACTIVATE_ENDPOINT_VOLUME)) return m->fail_result;
        FakeEndpointVolume* v = new_object<FakeEndpointVolume>(m, FakeEndpointVolume_destroy);
        v->iface.lpVtbl = &g_endpoint_volume_vtbl;
        copy_id(v->id, fd->id);
        *out = &v->iface;
        return S_OK;
    }
    if (guid_equal(iid, IID_AUDIO_SESSION_MANAGER2) || guid_equal(iid, IID_AUDIO_SESSION_MANAGER)) {
        if (model_fails(m, d, nullptr, FAKE_ACTIVATE_SESSION_MANAGER)) return m->fail_result;
        FakeSessionManager* s = new_object<FakeSessionManager>(m, FakeSessionManager_destroy);
        s->iface.lpVtbl = &g_session_manager_vtbl;
        copy_id(s->id, fd->id);
        *out = &s->iface;
        return S_OK;
    }
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE device_open_property_store(IMMDevice* self, DWORD access, IPropertyStore** out) {
    FakeDevice* fd = (FakeDevice*)self;
    AudioModel* m = fd->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    ModelDevice* d = model_find_device(m, fd->id);
    if (!d) return FAKE_E_INVALIDATED;
    if (model_fails(m, d, nullptr, FAKE_OPEN_PROPERTY_STORE)) return m->fail_result;
    FakePropertyStore* p = new_object<FakePropertyStore>(m, FakePropertyStore_destroy);
    p->iface.lpVtbl = &g_property_store_vtbl;
    copy_id(p->id, fd->id);
    *out = &p->iface;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE device_get_id(IMMDevice* self, LPWSTR* out) {
    FakeDevice* fd = (FakeDevice*)self;
    AudioModel* m = fd->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    if (model_fails(m, model_find_device(m, fd->id), nullptr, FAKE_DEVICE_GET_ID)) return m->fail_result;
    *out = co_task_wide(fd->id);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE device_get_state(IMMDevice* self, DWORD* state) {
    FakeDevice* fd = (FakeDevice*)self;
    *state = model_find_device(fd->h.model, fd->id) ? DEVICE_STATE_ACTIVE : DEVICE_STATE_NOTPRESENT;
    return S_OK;
}

// Property store

static HRESULT STDMETHODCALLTYPE property_store_query_interface(IPropertyStore* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_PROPERTY_STORE)) {
        FakePropertyStore_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE property_store_get_value(IPropertyStore* self, REFPROPERTYKEY key, PROPVARIANT* value) {
    FakePropertyStore* p = (FakePropertyStore*)self;
    AudioModel* m = p->h.model;
    PropVariantInit(value);
    model_sync(m, FAKE_SYNC_READ);
    ModelDevice* d = model_find_device(m, p->id);
    if (!d) return FAKE_E_INVALIDATED;
    if (model_fails(m, d, nullptr, FAKE_GET_VALUE)) return m->fail_result;
    if (memcmp(&key, &PKEY_FRIENDLY_NAME, sizeof(PROPERTYKEY)) != 0) return S_OK;  // VT_EMPTY
    value->vt = d->name_type;
    if (d->name_type == VT_LPWSTR) value->pwszVal = d->name_null ? nullptr : co_task_wide(d->name.c_str());
    else if (d->name_type != VT_EMPTY) value->ulVal = 0x12345678;  // not a string: a number
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE property_store_get_count(IPropertyStore* self, DWORD* count) {
    *count = 1;
    return S_OK;
}

// Endpoint volume

static HRESULT STDMETHODCALLTYPE endpoint_volume_query_interface(IAudioEndpointVolume* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_AUDIO_ENDPOINT_VOLUME)) {
        FakeEndpointVolume_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static ModelDevice* endpoint_device(IAudioEndpointVolume* self, bool changing) {
    FakeEndpointVolume* v = (FakeEndpointVolume*)self;
    model_sync(v->h.model, changing ? FAKE_SYNC_CHANGE : FAKE_SYNC_READ);
    return model_find_device(v->h.model, v->id);
}

static HRESULT STDMETHODCALLTYPE endpoint_volume_get_scalar(IAudioEndpointVolume* self, float* level) {
    AudioModel* m = ((FakeEndpointVolume*)self)->h.model;
    ModelDevice* d = endpoint_device(self, false);
    if (!d) return FAKE_E_INVALIDATED;
    if (model_fails(m, d, nullptr, FAKE_GET_MASTER_VOLUME_LEVEL_SCALAR)) return m->fail_result;
    *level = d->volume;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE endpoint_volume_set_scalar(IAudioEndpointVolume* self, float level, LPCGUID context) {
    AudioModel* m = ((FakeEndpointVolume*)self)->h.model;
    ModelDevice* d = endpoint_device(self, true);
    if (!d) return FAKE_E_INVALIDATED;
    bool fails = model_fails(m, d, nullptr, FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR);
    bool valid = level >= 0.0f && level <= 1.0f;
    if (!fails && valid) d->volume = level;
    model_record(m, FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR, d, nullptr, 0, -1, level, false, context, !fails && valid);
    if (fails) return m->fail_result;
    return valid ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE endpoint_volume_get_mute(IAudioEndpointVolume* self, BOOL* mute) {
    AudioModel* m = ((FakeEndpointVolume*)self)->h.model;
    ModelDevice* d = endpoint_device(self, false);
    if (!d) return FAKE_E_INVALIDATED;
    if (model_fails(m, d, nullptr, FAKE_ENDPOINT_GET_MUTE)) return m->fail_result;
    *mute = d->mute ? TRUE : FALSE;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE endpoint_volume_set_mute(IAudioEndpointVolume* self, BOOL mute, LPCGUID context) {
    AudioModel* m = ((FakeEndpointVolume*)self)->h.model;
    ModelDevice* d = endpoint_device(self, true);
    if (!d) return FAKE_E_INVALIDATED;
    bool fails = model_fails(m, d, nullptr, FAKE_ENDPOINT_SET_MUTE);
    bool changed = d->mute != (mute != FALSE);
    if (!fails) d->mute = mute != FALSE;
    model_record(m, FAKE_ENDPOINT_SET_MUTE, d, nullptr, 0, -1, 0.0f, mute != FALSE, context, !fails);
    if (fails) return m->fail_result;
    return changed ? S_OK : S_FALSE;
}

// Session manager

static HRESULT STDMETHODCALLTYPE session_manager_query_interface(IAudioSessionManager2* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_AUDIO_SESSION_MANAGER) || guid_equal(riid, IID_AUDIO_SESSION_MANAGER2)) {
        FakeSessionManager_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE session_manager_get_session_enumerator(IAudioSessionManager2* self, IAudioSessionEnumerator** out) {
    FakeSessionManager* fm = (FakeSessionManager*)self;
    AudioModel* m = fm->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    ModelDevice* d = model_find_device(m, fm->id);
    if (!d) return FAKE_E_INVALIDATED;
    if (model_fails(m, d, nullptr, FAKE_GET_SESSION_ENUMERATOR)) return m->fail_result;
    FakeSessionEnumerator* e = new_object<FakeSessionEnumerator>(m, FakeSessionEnumerator_destroy);
    e->iface.lpVtbl = &g_session_enumerator_vtbl;
    copy_id(e->id, fm->id);
    e->keys = new std::vector<u32>();
    for (ModelSession& s : d->sessions) e->keys->push_back(s.key);
    *out = &e->iface;
    return S_OK;
}

// Session enumerator

static HRESULT STDMETHODCALLTYPE session_enumerator_query_interface(IAudioSessionEnumerator* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_AUDIO_SESSION_ENUMERATOR)) {
        FakeSessionEnumerator_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE session_enumerator_get_count(IAudioSessionEnumerator* self, int* count) {
    FakeSessionEnumerator* e = (FakeSessionEnumerator*)self;
    AudioModel* m = e->h.model;
    model_sync(m, FAKE_SYNC_READ);
    if (model_fails(m, model_find_device(m, e->id), nullptr, FAKE_SESSION_GET_COUNT)) return m->fail_result;
    *count = (int)e->keys->size();
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE session_enumerator_get_session(IAudioSessionEnumerator* self, int index, IAudioSessionControl** out) {
    FakeSessionEnumerator* e = (FakeSessionEnumerator*)self;
    AudioModel* m = e->h.model;
    *out = nullptr;
    model_sync(m, FAKE_SYNC_READ);
    if (index < 0 || (size_t)index >= e->keys->size()) return E_INVALIDARG;
    u32 key = (*e->keys)[index];
    ModelDevice* d = model_find_device(m, e->id);
    if (model_fails(m, d, model_find_session(d, key), FAKE_GET_SESSION)) return m->fail_result;
    FakeSession* s = new_object<FakeSession>(m, FakeSession_destroy);
    s->control.lpVtbl = &g_session_control_vtbl;
    s->simple.lpVtbl = &g_simple_volume_vtbl;
    copy_id(s->id, e->id);
    s->key = key;
    *out = (IAudioSessionControl*)&s->control;
    return S_OK;
}

// Session: control, control 2 and simple volume

static ModelSession* session_model(FakeSession* s, ModelDevice** device, FakeSync kind = FAKE_SYNC_READ) {
    model_sync(s->h.model, kind);
    *device = model_find_device(s->h.model, s->id);
    return model_find_session(*device, s->key);
}

static HRESULT STDMETHODCALLTYPE session_query_interface(IAudioSessionControl2* self, REFIID riid, void** out) {
    FakeSession* s = (FakeSession*)self;
    AudioModel* m = s->h.model;
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d);
    *out = nullptr;
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, IID_AUDIO_SESSION_CONTROL)) {
        *out = &s->control;
    } else if (guid_equal(riid, IID_AUDIO_SESSION_CONTROL2)) {
        if (model_fails(m, d, ms, FAKE_QUERY_SESSION_CONTROL2)) return m->fail_result;
        *out = &s->control;
    } else if (guid_equal(riid, IID_SIMPLE_AUDIO_VOLUME)) {
        if (model_fails(m, d, ms, FAKE_QUERY_SIMPLE_VOLUME)) return m->fail_result;
        *out = &s->simple;
    } else {
        return E_NOINTERFACE;
    }
    header_add_ref(&s->h);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE session_get_process_id(IAudioSessionControl2* self, DWORD* pid) {
    FakeSession* s = (FakeSession*)self;
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d);
    if (!ms) return FAKE_E_INVALIDATED;
    if (model_fails(s->h.model, d, ms, FAKE_GET_PROCESS_ID)) return s->h.model->fail_result;
    *pid = ms->pid;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE session_get_state(IAudioSessionControl2* self, AudioSessionState* state) {
    *state = AudioSessionStateActive;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE session_is_system_sounds(IAudioSessionControl2* self) {
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model((FakeSession*)self, &d);
    return ms && ms->pid == 0 ? S_OK : S_FALSE;
}

static HRESULT STDMETHODCALLTYPE simple_query_interface(ISimpleAudioVolume* self, REFIID riid, void** out) {
    return session_query_interface(&session_from_simple(self)->control, riid, out);
}

static HRESULT STDMETHODCALLTYPE simple_set_master_volume(ISimpleAudioVolume* self, float level, LPCGUID context) {
    FakeSession* s = session_from_simple(self);
    AudioModel* m = s->h.model;
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d, FAKE_SYNC_CHANGE);
    if (!ms) return FAKE_E_INVALIDATED;
    bool fails = model_fails(m, d, ms, FAKE_SESSION_SET_MASTER_VOLUME);
    bool valid = level >= 0.0f && level <= 1.0f;
    if (!fails && valid) ms->volume = level;
    model_record(m, FAKE_SESSION_SET_MASTER_VOLUME, d, nullptr, s->key, -1, level, false, context, !fails && valid);
    if (fails) return m->fail_result;
    return valid ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE simple_get_master_volume(ISimpleAudioVolume* self, float* level) {
    FakeSession* s = session_from_simple(self);
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d);
    if (!ms) return FAKE_E_INVALIDATED;
    if (model_fails(s->h.model, d, ms, FAKE_SESSION_GET_MASTER_VOLUME)) return s->h.model->fail_result;
    *level = ms->volume;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE simple_set_mute(ISimpleAudioVolume* self, BOOL mute, LPCGUID context) {
    FakeSession* s = session_from_simple(self);
    AudioModel* m = s->h.model;
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d, FAKE_SYNC_CHANGE);
    if (!ms) return FAKE_E_INVALIDATED;
    bool fails = model_fails(m, d, ms, FAKE_SESSION_SET_MUTE);
    if (!fails) ms->mute = mute != FALSE;
    model_record(m, FAKE_SESSION_SET_MUTE, d, nullptr, s->key, -1, 0.0f, mute != FALSE, context, !fails);
    return fails ? m->fail_result : S_OK;
}

static HRESULT STDMETHODCALLTYPE simple_get_mute(ISimpleAudioVolume* self, BOOL* mute) {
    FakeSession* s = session_from_simple(self);
    ModelDevice* d = nullptr;
    ModelSession* ms = session_model(s, &d);
    if (!ms) return FAKE_E_INVALIDATED;
    if (model_fails(s->h.model, d, ms, FAKE_SESSION_GET_MUTE)) return s->h.model->fail_result;
    *mute = ms->mute ? TRUE : FALSE;
    return S_OK;
}

// Policy configuration

static HRESULT STDMETHODCALLTYPE policy_config_query_interface(IPolicyConfigVistaC* self, REFIID riid, void** out) {
    if (guid_equal(riid, IID_UNKNOWN_) || guid_equal(riid, FAKE_IID_POLICY_CONFIG_VISTA)) {
        FakePolicyConfig_add_ref(self);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE policy_config_set_default_endpoint(IPolicyConfigVistaC* self, LPCWSTR id, ERole role) {
    AudioModel* m = ((FakePolicyConfig*)self)->h.model;
    model_sync(m, FAKE_SYNC_CHANGE);
    ModelDevice* d = id ? model_find_device(m, id) : nullptr;
    bool fails = model_fails(m, d, nullptr, FAKE_SET_DEFAULT_ENDPOINT) ||
                 (role >= eConsole && role <= eCommunications && (m->fail_default_roles & (1u << role)));
    bool valid = d && role >= eConsole && role <= eCommunications;
    if (!fails && valid) {
        for (ModelDevice& other : m->devices) other.default_roles &= ~(1u << role);
        d->default_roles |= 1u << role;
    }
    model_record(m, FAKE_SET_DEFAULT_ENDPOINT, d, id, 0, (i32)role, 0.0f, false, nullptr, !fails && valid);
    if (fails) return m->fail_result;
    return valid ? S_OK : E_INVALIDARG;
}

// ---- vtables and the two top-level objects ----

static void vtables_init() {
    static bool done = false;
    if (done) return;
    done = true;
    g_enumerator_vtbl.QueryInterface = enumerator_query_interface;
    g_enumerator_vtbl.AddRef = FakeEnumerator_add_ref;
    g_enumerator_vtbl.Release = FakeEnumerator_release;
    g_enumerator_vtbl.EnumAudioEndpoints = enumerator_enum_audio_endpoints;
    g_enumerator_vtbl.GetDefaultAudioEndpoint = enumerator_get_default_audio_endpoint;
    g_enumerator_vtbl.GetDevice = enumerator_get_device;
    fill_vtable(&g_enumerator_vtbl, sizeof(g_enumerator_vtbl));

    g_collection_vtbl.QueryInterface = collection_query_interface;
    g_collection_vtbl.AddRef = FakeCollection_add_ref;
    g_collection_vtbl.Release = FakeCollection_release;
    g_collection_vtbl.GetCount = collection_get_count;
    g_collection_vtbl.Item = collection_item;
    fill_vtable(&g_collection_vtbl, sizeof(g_collection_vtbl));

    g_device_vtbl.QueryInterface = device_query_interface;
    g_device_vtbl.AddRef = FakeDevice_add_ref;
    g_device_vtbl.Release = FakeDevice_release;
    g_device_vtbl.Activate = device_activate;
    g_device_vtbl.OpenPropertyStore = device_open_property_store;
    g_device_vtbl.GetId = device_get_id;
    g_device_vtbl.GetState = device_get_state;
    fill_vtable(&g_device_vtbl, sizeof(g_device_vtbl));

    g_property_store_vtbl.QueryInterface = property_store_query_interface;
    g_property_store_vtbl.AddRef = FakePropertyStore_add_ref;
    g_property_store_vtbl.Release = FakePropertyStore_release;
    g_property_store_vtbl.GetCount = property_store_get_count;
    g_property_store_vtbl.GetValue = property_store_get_value;
    fill_vtable(&g_property_store_vtbl, sizeof(g_property_store_vtbl));

    g_endpoint_volume_vtbl.QueryInterface = endpoint_volume_query_interface;
    g_endpoint_volume_vtbl.AddRef = FakeEndpointVolume_add_ref;
    g_endpoint_volume_vtbl.Release = FakeEndpointVolume_release;
    g_endpoint_volume_vtbl.GetMasterVolumeLevelScalar = endpoint_volume_get_scalar;
    g_endpoint_volume_vtbl.SetMasterVolumeLevelScalar = endpoint_volume_set_scalar;
    g_endpoint_volume_vtbl.GetMute = endpoint_volume_get_mute;
    g_endpoint_volume_vtbl.SetMute = endpoint_volume_set_mute;
    fill_vtable(&g_endpoint_volume_vtbl, sizeof(g_endpoint_volume_vtbl));

    g_session_manager_vtbl.QueryInterface = session_manager_query_interface;
    g_session_manager_vtbl.AddRef = FakeSessionManager_add_ref;
    g_session_manager_vtbl.Release = FakeSessionManager_release;
    g_session_manager_vtbl.GetSessionEnumerator = session_manager_get_session_enumerator;
    fill_vtable(&g_session_manager_vtbl, sizeof(g_session_manager_vtbl));

    g_session_enumerator_vtbl.QueryInterface = session_enumerator_query_interface;
    g_session_enumerator_vtbl.AddRef = FakeSessionEnumerator_add_ref;
    g_session_enumerator_vtbl.Release = FakeSessionEnumerator_release;
    g_session_enumerator_vtbl.GetCount = session_enumerator_get_count;
    g_session_enumerator_vtbl.GetSession = session_enumerator_get_session;
    fill_vtable(&g_session_enumerator_vtbl, sizeof(g_session_enumerator_vtbl));

    g_session_control_vtbl.QueryInterface = session_query_interface;
    g_session_control_vtbl.AddRef = FakeSession_add_ref;
    g_session_control_vtbl.Release = FakeSession_release;
    g_session_control_vtbl.GetState = session_get_state;
    g_session_control_vtbl.GetProcessId = session_get_process_id;
    g_session_control_vtbl.IsSystemSoundsSession = session_is_system_sounds;
    fill_vtable(&g_session_control_vtbl, sizeof(g_session_control_vtbl));

    g_simple_volume_vtbl.QueryInterface = simple_query_interface;
    g_simple_volume_vtbl.AddRef = FakeSimple_add_ref;
    g_simple_volume_vtbl.Release = FakeSimple_release;
    g_simple_volume_vtbl.SetMasterVolume = simple_set_master_volume;
    g_simple_volume_vtbl.GetMasterVolume = simple_get_master_volume;
    g_simple_volume_vtbl.SetMute = simple_set_mute;
    g_simple_volume_vtbl.GetMute = simple_get_mute;
    fill_vtable(&g_simple_volume_vtbl, sizeof(g_simple_volume_vtbl));

    g_policy_config_vtbl.QueryInterface = policy_config_query_interface;
    g_policy_config_vtbl.AddRef = FakePolicyConfig_add_ref;
    g_policy_config_vtbl.Release = FakePolicyConfig_release;
    g_policy_config_vtbl.SetDefaultEndpoint = policy_config_set_default_endpoint;
    fill_vtable(&g_policy_config_vtbl, sizeof(g_policy_config_vtbl));
}

HRESULT model_create_enumerator(AudioModel* model, void** out) {
    vtables_init();
    *out = nullptr;
    if (model_fails(model, nullptr, nullptr, FAKE_CREATE_ENUMERATOR)) return model->fail_result;
    FakeEnumerator* e = new_object<FakeEnumerator>(model, FakeEnumerator_destroy);
    e->iface.lpVtbl = &g_enumerator_vtbl;
    *out = &e->iface;
    return S_OK;
}

HRESULT model_create_policy_config(AudioModel* model, void** out) {
    vtables_init();
    *out = nullptr;
    if (model_fails(model, nullptr, nullptr, FAKE_CREATE_POLICY_CONFIG)) return model->fail_result;
    FakePolicyConfig* p = new_object<FakePolicyConfig>(model, FakePolicyConfig_destroy);
    p->iface.lpVtbl = &g_policy_config_vtbl;
    *out = &p->iface;
    return S_OK;
}

HRESULT model_create_instance(AudioModel* model, REFCLSID clsid, REFIID iid, void** out) {
    *out = nullptr;
    if (guid_equal(clsid, FAKE_CLSID_MM_DEVICE_ENUMERATOR)) {
        if (!guid_equal(iid, FAKE_IID_MM_DEVICE_ENUMERATOR) && !guid_equal(iid, IID_UNKNOWN_)) return E_NOINTERFACE;
        return model_create_enumerator(model, out);
    }
    if (guid_equal(clsid, FAKE_CLSID_POLICY_CONFIG)) {
        if (!guid_equal(iid, FAKE_IID_POLICY_CONFIG_VISTA) && !guid_equal(iid, IID_UNKNOWN_)) return E_NOINTERFACE;
        return model_create_policy_config(model, out);
    }
    return REGDB_E_CLASSNOTREG;
}
