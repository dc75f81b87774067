// A scriptable stand-in for the Windows audio platform: devices with their sessions, and
// Core Audio objects (plain C vtables) that read and change them. Every method the program
// calls can be made to fail, every reference handed out is counted, and every change is
// logged. Used in-process by the tests and, behind a state file, by the audio platform DLL.
#pragma once
#include <windows.h>
#include <deque>
#include <string>
#include <vector>
#include "Ostrel/core/types.h"

// The Core Audio methods the program calls, with their names in the journal; each is a bit of
// a failure mask.
#define FAKE_METHODS(X)                                                                                         \
    X(CREATE_POLICY_CONFIG, "CreatePolicyConfig") X(CREATE_ENUMERATOR, "CreateEnumerator")                      \
    X(ENUM_AUDIO_ENDPOINTS, "EnumAudioEndpoints") X(GET_DEFAULT_AUDIO_ENDPOINT, "GetDefaultAudioEndpoint")      \
    X(COLLECTION_GET_COUNT, "Collection::GetCount") X(COLLECTION_ITEM, "Item")                                   \
    X(OPEN_PROPERTY_STORE, "OpenPropertyStore") X(DEVICE_GET_ID, "GetId") X(GET_VALUE, "GetValue")              \
    X(ACTIVATE_ENDPOINT_VOLUME, "Activate(IAudioEndpointVolume)")                                               \
    X(ACTIVATE_SESSION_MANAGER, "Activate(IAudioSessionManager2)") X(GET_SESSION_ENUMERATOR, "GetSessionEnumerator") \
    X(SESSION_GET_COUNT, "SessionEnumerator::GetCount") X(GET_SESSION, "GetSession")                             \
    X(QUERY_SESSION_CONTROL2, "QueryInterface(IAudioSessionControl2)") X(GET_PROCESS_ID, "GetProcessId")         \
    X(QUERY_SIMPLE_VOLUME, "QueryInterface(ISimpleAudioVolume)")                                                 \
    X(GET_MASTER_VOLUME_LEVEL_SCALAR, "GetMasterVolumeLevelScalar")                                               \
    X(SET_MASTER_VOLUME_LEVEL_SCALAR, "SetMasterVolumeLevelScalar")                                               \
    X(ENDPOINT_GET_MUTE, "Endpoint::GetMute") X(ENDPOINT_SET_MUTE, "Endpoint::SetMute")                          \
    X(SESSION_GET_MASTER_VOLUME, "Session::GetMasterVolume") X(SESSION_SET_MASTER_VOLUME, "Session::SetMasterVolume") \
    X(SESSION_GET_MUTE, "Session::GetMute") X(SESSION_SET_MUTE, "Session::SetMute")                              \
    X(SET_DEFAULT_ENDPOINT, "SetDefaultEndpoint")

#define FAKE_METHOD_ENUMERATOR(name, text) FAKE_##name,
enum FakeMethod : u32 { FAKE_METHODS(FAKE_METHOD_ENUMERATOR) FAKE_METHOD_COUNT };

inline u64 fake_bit(FakeMethod m) { return 1ull << m; }
const char* fake_method_name(FakeMethod m);

enum : u32 { FAKE_ROLE_CONSOLE = 1, FAKE_ROLE_MULTIMEDIA = 2, FAKE_ROLE_COMMUNICATIONS = 4, FAKE_ROLES_ALL = 7 };

// Why a method looks at the model: a new endpoint list, a read, or a change about to be made.
enum FakeSync : u32 { FAKE_SYNC_ENUMERATE, FAKE_SYNC_READ, FAKE_SYNC_CHANGE };

struct ModelSession {
    u32 key;              // identity while the session exists
    u32 pid;              // 0: the system sounds session
    f32 volume;
    bool mute;
    u64 fail;  // methods of this session that fail
};

struct ModelDevice {
    std::wstring id;
    std::wstring name;
    u16 name_type;      // VT_LPWSTR normally; VT_EMPTY when the device has no friendly name
    bool name_null;     // VT_LPWSTR with a null pointer
    f32 volume;
    bool mute;
    u32 default_roles;  // FAKE_ROLE_* bits
    u64 fail;           // methods of this device (and its objects) that fail
    std::deque<ModelSession> sessions;  // pointers stay valid while sessions are added
};

struct FakeCall {
    FakeMethod method;
    std::wstring device_id;
    u32 session_key;
    i32 role;
    f32 value;
    bool flag;         // the mute state set
    bool has_context;  // an event context was passed
};

struct AudioModel {
    std::deque<ModelDevice> devices;  // pointers stay valid while devices are added
    u64 fail;                 // methods that fail everywhere
    u32 fail_default_roles;   // FAKE_ROLE_* bits: SetDefaultEndpoint fails for these roles
    HRESULT fail_result;      // what a failing method returns
    std::vector<FakeCall> calls;  // changes and SetDefaultEndpoint attempts, in order
    i64 live_references;      // references held on live objects, all kinds together
    i64 live_objects;
    // Optional: called before every method uses the model, and after every change applied.
    void (*sync)(AudioModel* model, FakeSync kind);
    void (*changed)(AudioModel* model, const FakeCall& call);
};

void model_reset(AudioModel* model);
ModelDevice* model_add_device(AudioModel* model, const wchar_t* id, const wchar_t* name, f32 volume, bool mute, u32 default_roles);
ModelSession* model_add_session(ModelDevice* device, u32 pid, f32 volume, bool mute);
ModelDevice* model_find_device(AudioModel* model, const wchar_t* id);

// Answers a creation request for one of the two classes (what CoCreateInstance would do).
HRESULT model_create_instance(AudioModel* model, REFCLSID clsid, REFIID iid, void** out);

extern const GUID FAKE_CLSID_POLICY_CONFIG;
extern const GUID FAKE_IID_POLICY_CONFIG_VISTA;
