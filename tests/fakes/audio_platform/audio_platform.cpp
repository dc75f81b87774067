// An audio platform of our own for Wine, which has no per-application sessions and no
// policy-configuration class: an in-process COM server that answers for the device
// enumerator and the policy configuration from a state file a person or a test can edit.
// For tests and the Linux demo only; on Windows the program drives the real devices.
//
// The state file (INI text) is found through the environment variable KORVANE_AUDIO_STATE,
// else the value StateFile of HKCU\Software\Korvane\AudioPlatform. It is read again whenever
// it changed on disk, and written back at once after every change the program makes; each
// change is also appended to "<state file>.log".
//
//   [device]                  one section per active output device, in enumeration order
//   id={0.0.0.00000000}.{1}   endpoint id
//   name=Speakers             friendly name (UTF-8); without it the device has no name
//   volume=0.75               master volume, 0 to 1
//   mute=0
//   default_console=1         default device for each role (one device per role)
//   default_multimedia=1
//   default_communications=1
//
//   [session]                 one section per audio session
//   device={0.0.0.00000000}.{1}
//   program=player.exe        file name of a running program, or System for system sounds
//   volume=1
//   mute=0
//
// A session is listed only while a process of its program runs (its process id is looked
// up at every enumeration).
#define CINTERFACE
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <wctype.h>
#include <map>
#include <string>
#include <vector>
#include "core_audio_model.h"

namespace {

// The file's sections, key by key, in file order.
using Section = std::map<std::string, std::string>;
struct PlatformState {
    std::vector<Section> devices, sessions;
};

const char* const ROLE_KEYS[3] = {"default_console", "default_multimedia", "default_communications"};  // bits FAKE_ROLE_*
const char* const DEVICE_KEYS[] = {"id", "name", "volume", "mute", ROLE_KEYS[0], ROLE_KEYS[1], ROLE_KEYS[2]};
const char* const SESSION_KEYS[] = {"device", "program", "volume", "mute"};

AudioModel g_model;
PlatformState g_state;
std::wstring g_state_path, g_loaded_path;
FILETIME g_loaded_time;
ULONGLONG g_checked_at;  // tick of the last look at the file's time stamp
u64 g_loaded_size;
bool g_loaded;
LONG g_server_locks;

std::wstring widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring out((size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], n);
    return out;
}

std::wstring upper(const wchar_t* text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = towupper(c);
    return out;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string get(const Section& section, const char* key, const char* fallback = "") {
    auto found = section.find(key);
    return found == section.end() ? fallback : found->second;
}

// A session's program by upper-cased file name, as the process list is keyed.
std::wstring program_key(const Section& session) { return upper(widen(get(session, "program")).c_str()); }

f32 volume_of(const Section& section) {
    f32 volume = (f32)strtod(get(section, "volume", "1").c_str(), NULL);
    return volume < 0.0f ? 0.0f : volume > 1.0f ? 1.0f : volume;
}

bool flag_of(const Section& section, const char* key) {
    std::string v = get(section, key, "0");
    return v == "1" || v == "true" || v == "yes";
}

std::string number(f32 value) {
    char text[32];
    snprintf(text, sizeof(text), "%.9g", (double)value);
    return text;
}

std::wstring state_path() {
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"KORVANE_AUDIO_STATE", buffer, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) return std::wstring(buffer, n);
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Korvane\\AudioPlatform", L"StateFile", RRF_RT_REG_SZ, NULL, buffer, &size) == ERROR_SUCCESS)
        return std::wstring(buffer);
    return std::wstring();
}

bool file_stamp(const std::wstring& path, FILETIME* time, u64* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    *time = data.ftLastWriteTime;
    *size = ((u64)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return true;
}

bool read_file(const std::wstring& path, std::string* out) {
    // Shared for writing and deleting too: a person's editor may hold the file.
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD n = 0;
    out->clear();
    while (ReadFile(f, buffer, sizeof(buffer), &n, NULL) && n > 0) out->append(buffer, n);
    CloseHandle(f);
    return true;
}

PlatformState parse_state(const std::string& text) {
    PlatformState state;
    std::vector<Section>* list = nullptr;  // of the section being read; null in any other
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(start, end - start));
        size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            std::string name = trim(line.substr(1, line.find(']') - 1));
            list = name == "device" ? &state.devices : name == "session" ? &state.sessions : nullptr;
            if (list) list->push_back(Section());
        } else if (list && eq != std::string::npos) {
            list->back()[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
        }
    }
    return state;
}

std::string format_state(const PlatformState& state) {
    std::string out =
        "; Audio platform stand-in for Korvane under Wine. Edit freely: read again when it changed,\n"
        "; rewritten after every change the program makes.\n";
    for (const Section& d : state.devices) {
        out += "\n[device]\n";
        for (const char* key : DEVICE_KEYS)
            if (d.count(key)) out += std::string(key) + "=" + d.at(key) + "\n";
    }
    for (const Section& s : state.sessions) {
        out += "\n[session]\n";
        for (const char* key : SESSION_KEYS)
            if (s.count(key)) out += std::string(key) + "=" + s.at(key) + "\n";
    }
    return out;
}

// Process ids of all running programs by upper-cased file name; the first process of a name wins.
std::map<std::wstring, DWORD> running_programs() {
    std::map<std::wstring, DWORD> out;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        const wchar_t* slash = wcsrchr(entry.szExeFile, L'\\');
        out.emplace(upper(slash ? slash + 1 : entry.szExeFile), entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return out;
}

// The running programs the state names, by upper-cased file name, each with a handle that tells
// when it ends. A snapshot costs milliseconds under Wine (it reads every thread's times), so
// one is taken only when a known program ended or, at most once a second, when a named
// program was not running at the last one.
struct Program {
    DWORD pid;
    HANDLE process;
};
std::map<std::wstring, Program> g_programs;
ULONGLONG g_snapshot_at;
bool g_snapshot_taken;
const ULONGLONG MISSING_RESCAN_MS = 1000;

bool a_program_ended() {
    std::vector<HANDLE> handles;
    for (auto& p : g_programs) handles.push_back(p.second.process);
    for (size_t at = 0; at < handles.size(); at += MAXIMUM_WAIT_OBJECTS) {
        DWORD n = (DWORD)(handles.size() - at < MAXIMUM_WAIT_OBJECTS ? handles.size() - at : MAXIMUM_WAIT_OBJECTS);
        if (WaitForMultipleObjects(n, &handles[at], FALSE, 0) != WAIT_TIMEOUT) return true;
    }
    return false;
}

void find_programs(const PlatformState& state) {
    bool missing = false;
    for (const Section& s : state.sessions) missing = missing || (get(s, "program") != "System" && !g_programs.count(program_key(s)));
    ULONGLONG now = GetTickCount64();
    if (g_snapshot_taken && !a_program_ended() && !(missing && now - g_snapshot_at >= MISSING_RESCAN_MS)) return;
    for (auto& p : g_programs) CloseHandle(p.second.process);
    g_programs.clear();
    std::map<std::wstring, DWORD> running = running_programs();
    for (const Section& s : state.sessions) {
        std::wstring name = program_key(s);
        auto found = running.find(name);
        if (found == running.end() || g_programs.count(name)) continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, found->second);
        if (process) g_programs[name] = Program{found->second, process};
    }
    g_snapshot_at = now;
    g_snapshot_taken = true;
}

// Builds the model from the state; session keys are their places in the file.
void build_model(const PlatformState& state) {
    find_programs(state);
    g_model.devices.clear();
    for (const Section& d : state.devices) {
        u32 roles = 0;
        for (u32 r = 0; r < 3; r++) roles |= flag_of(d, ROLE_KEYS[r]) ? 1u << r : 0;
        model_add_device(&g_model, widen(get(d, "id")).c_str(), d.count("name") ? widen(d.at("name")).c_str() : nullptr,
                         volume_of(d), flag_of(d, "mute"), roles);
    }
    for (size_t k = 0; k < state.sessions.size(); k++) {
        const Section& s = state.sessions[k];
        ModelDevice* d = model_find_device(&g_model, widen(get(s, "device")).c_str());
        bool system = get(s, "program") == "System";
        auto running = g_programs.find(program_key(s));
        if (d && (system || running != g_programs.end()))
            model_add_session(d, system ? 0 : running->second.pid, volume_of(s), flag_of(s, "mute"))->key = (u32)k + 1;
    }
}

// READ_RECHECK_MS: reads between enumerations look at the file's time stamp at most this
// often (a refresh makes hundreds of calls); changes and enumerations always look. The file
// is parsed only when it changed; an enumeration builds the model anew from the parsed state,
// since the programs that run may have changed.
const ULONGLONG READ_RECHECK_MS = 20;

void load(FakeSync kind) {
    ULONGLONG now = GetTickCount64();
    if (kind == FAKE_SYNC_READ && g_loaded && now - g_checked_at < READ_RECHECK_MS) return;
    g_checked_at = now;
    if (kind == FAKE_SYNC_ENUMERATE || g_state_path.empty()) g_state_path = state_path();
    if (g_state_path.empty()) return;
    FILETIME time = {};
    u64 size = 0;
    if (!file_stamp(g_state_path, &time, &size)) return;
    bool changed = !g_loaded || g_state_path != g_loaded_path || CompareFileTime(&time, &g_loaded_time) != 0 || size != g_loaded_size;
    std::string text;
    if (changed) {
        if (!read_file(g_state_path, &text)) return;
        g_state = parse_state(text);
        g_loaded_path = g_state_path;
        g_loaded_time = time;
        g_loaded_size = size;
        g_loaded = true;
    }
    if (changed || kind == FAKE_SYNC_ENUMERATE) build_model(g_state);
}

void append_journal(const FakeCall& call) {
    std::wstring path = g_state_path + L".log";
    HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    char line[512];
    int n = snprintf(line, sizeof(line), "%s device=%ls session=%u role=%d value=%.9g mute=%d\n", fake_method_name(call.method),
                     call.device_id.c_str(), call.session_key, call.role, (double)call.value, call.flag ? 1 : 0);
    DWORD written = 0;
    if (n > 0) WriteFile(f, line, (DWORD)(n < (int)sizeof(line) ? n : (int)sizeof(line) - 1), &written, NULL);
    CloseHandle(f);
}

// Writes the model's levels, mutes and default roles back into the state and the file.
void save(AudioModel* model, const FakeCall& call) {
    if (g_state_path.empty()) return;
    for (Section& d : g_state.devices) {
        ModelDevice* m = model_find_device(model, widen(get(d, "id")).c_str());
        if (!m) continue;
        d["volume"] = number(m->volume);
        d["mute"] = m->mute ? "1" : "0";
        for (u32 r = 0; r < 3; r++) d[ROLE_KEYS[r]] = (m->default_roles >> r) & 1 ? "1" : "0";
    }
    for (ModelDevice& d : model->devices)
        for (ModelSession& s : d.sessions)
            if (s.key >= 1 && s.key <= g_state.sessions.size())
                g_state.sessions[s.key - 1]["volume"] = number(s.volume), g_state.sessions[s.key - 1]["mute"] = s.mute ? "1" : "0";
    // Written beside the file and moved over it, so a reader never sees half a state.
    std::string text = format_state(g_state);
    std::wstring temporary = g_state_path + L".new";
    HANDLE f = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, text.data(), (DWORD)text.size(), &written, NULL);
        CloseHandle(f);
        MoveFileExW(temporary.c_str(), g_state_path.c_str(), MOVEFILE_REPLACE_EXISTING);
        file_stamp(g_state_path, &g_loaded_time, &g_loaded_size);
    }
    append_journal(call);
}

// ---- the class factory (one static object for each class) ----

struct Factory {
    IClassFactory iface;
    const GUID* clsid;
};

HRESULT STDMETHODCALLTYPE factory_query_interface(IClassFactory* self, REFIID riid, void** out) {
    bool known = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory);
    *out = known ? self : nullptr;
    return known ? S_OK : E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE factory_reference(IClassFactory*) { return 1; }  // never freed

HRESULT STDMETHODCALLTYPE factory_create_instance(IClassFactory* self, IUnknown* outer, REFIID riid, void** out) {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!g_model.sync) {
        model_reset(&g_model);
        g_model.sync = [](AudioModel*, FakeSync kind) { load(kind); };
        g_model.changed = save;
    }
    return model_create_instance(&g_model, *((Factory*)self)->clsid, riid, out);
}

HRESULT STDMETHODCALLTYPE factory_lock_server(IClassFactory*, BOOL lock) {
    InterlockedAdd(&g_server_locks, lock ? 1 : -1);
    return S_OK;
}

IClassFactoryVtbl g_factory_vtbl = {factory_query_interface, factory_reference, factory_reference, factory_create_instance, factory_lock_server};
Factory g_factories[] = {{{&g_factory_vtbl}, &CLSID_MMDeviceEnumerator}, {{&g_factory_vtbl}, &FAKE_CLSID_POLICY_CONFIG}};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    for (Factory& factory : g_factories)
        if (IsEqualGUID(clsid, *factory.clsid)) return factory_query_interface(&factory.iface, riid, out);
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_model.live_objects == 0 && g_server_locks == 0 ? S_OK : S_FALSE;
}
