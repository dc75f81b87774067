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

// The Core Audio methods the program calls; each is a bit of a failure mask.
enum FakeMethod : u32 {
    FAKE_CREATE_POLICY_CONFIG, FAKE_CREATE_ENUMERATOR, FAKE_ENUM_AUDIO_ENDPOINTS, FAKE_GET_DEFAULT_AUDIO_ENDPOINT,
    FAKE_COLLECTION_GET_COUNT, FAKE_COLLECTION_ITEM, FAKE_OPEN_PROPERTY_STORE, FAKE_DEVICE_GET_ID, FAKE_GET_VALUE,
    FAKE_ACTIVATE_ENDPOINT_VOLUME, FAKE_ACTIVATE_SESSION_MANAGER, FAKE_GET_SESSION_ENUMERATOR, FAKE_SESSION_GET_COUNT,
    FAKE_GET_SESSION, FAKE_QUERY_SESSION_CONTROL2, FAKE_GET_PROCESS_ID, FAKE_QUERY_SIMPLE_VOLUME,
    FAKE_GET_MASTER_VOLUME_LEVEL_SCALAR, FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR, FAKE_ENDPOINT_GET_MUTE, FAKE_ENDPOINT_SET_MUTE,
    FAKE_SESSION_GET_MASTER_VOLUME, FAKE_SESSION_SET_MASTER_VOLUME, FAKE_SESSION_GET_MUTE, FAKE_SESSION_SET_MUTE,
    FAKE_SET_DEFAULT_ENDPOINT,
};

inline u64 fake_bit(FakeMethod m) { return 1ull << m; }

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
    i32 role;
    f32 value;
    bool flag;         // the mute state set
    bool has_context;  // an event context was passed
};

struct AudioModel {
    std::deque<ModelDevice> devices;  // pointers stay valid while devices are added
    u64 fail;                 // methods that fail everywhere
    u32 fail_default_roles;   // FAKE_ROLE_* bits: SetDefaultEndpoint fails for these roles
    std::vector<FakeCall> calls;  // changes and SetDefaultEndpoint attempts, in order
    i64 live_references;      // references held on live objects, all kinds together
    i64 live_objects;
    // Optional: called before every method uses the model, and after every change applied.
    void (*sync)(AudioModel* model, FakeSync kind);
    void (*changed)(AudioModel* model);
};

void model_reset(AudioModel* model);
ModelDevice* model_add_device(AudioModel* model, const wchar_t* id, const wchar_t* name, f32 volume, bool mute, u32 default_roles);
ModelSession* model_add_session(ModelDevice* device, u32 pid, f32 volume, bool mute);
ModelDevice* model_find_device(AudioModel* model, const wchar_t* id);

// Answers a creation request for one of the two classes (what CoCreateInstance would do).
HRESULT model_create_instance(AudioModel* model, REFCLSID clsid, REFIID iid, void** out);

extern const GUID FAKE_CLSID_POLICY_CONFIG;
extern const GUID FAKE_IID_POLICY_CONFIG_VISTA;
