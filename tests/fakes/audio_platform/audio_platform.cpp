// An audio platform of our own for Wine, which has no per-application sessions and no
// policy-configuration class: an in-process COM server that answers for the device
// enumerator and the policy configuration from a state file a person or a test can edit.
// For tests and the Linux demo only; on Windows the program drives the real devices.
//
// The state file (INI text) is found through the environment variable KORVANE_AUDIO_STATE,
// else the value StateFile of HKCU\Software\Korvane\AudioPlatform. It is read again at an
// enumeration or a change when it changed on disk, and written back at once after every change
// the program makes.
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
#include <set>
#include <string>
#include <vector>
#include "core_audio_model.h"

namespace {

const char* const ROLE_KEYS[3] = {"default_console", "default_multimedia", "default_communications"};  // bits FAKE_ROLE_*

// A session as the file has it; the model lists it only while its program runs.
struct FileSession {
    std::wstring device;
    std::string program;
    f32 volume;
    bool mute;
};

// The file's devices live in the model itself; its sessions beside it.
AudioModel g_model;
std::vector<FileSession> g_sessions;
std::wstring g_state_path;
FILETIME g_loaded_time;
u64 g_loaded_size;
bool g_loaded;

std::wstring widen(const std::string& text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring out((size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, NULL, NULL);
    return out;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = towupper(c);
    return text;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

f32 volume_of(const std::string& value) {
    f32 volume = (f32)strtod(value.c_str(), NULL);
    return volume < 0.0f ? 0.0f : volume > 1.0f ? 1.0f : volume;
}

bool flag_of(const std::string& value) { return value == "1" || value == "true" || value == "yes"; }

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

// The file's devices become the model's, its sessions g_sessions; keys outside a known section
// are ignored.
void parse_state(const std::string& text) {
    g_model.devices.clear();
    g_sessions.clear();
    ModelDevice* device = nullptr;
    FileSession* session = nullptr;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(start, end - start));
        size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            std::string name = trim(line.substr(1, line.find(']') - 1));
            device = name == "device" ? model_add_device(&g_model, L"", nullptr, 1.0f, false, 0) : nullptr;
            session = name == "session" ? &g_sessions.emplace_back(FileSession{L"", "", 1.0f, false}) : nullptr;
            continue;
        }
        if (eq == std::string::npos) continue;
        std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        if (device) {
            if (key == "id") device->id = widen(value);
            if (key == "name") {
                device->name = widen(value);
                device->name_type = VT_LPWSTR;
            }
            if (key == "volume") device->volume = volume_of(value);
            if (key == "mute") device->mute = flag_of(value);
            for (u32 r = 0; r < 3; r++)
                if (key == ROLE_KEYS[r] && flag_of(value)) device->default_roles |= 1u << r;
        } else if (session) {
            if (key == "device") session->device = widen(value);
            if (key == "program") session->program = value;
            if (key == "volume") session->volume = volume_of(value);
            if (key == "mute") session->mute = flag_of(value);
        }
    }
}

std::string format_state() {
    std::string out =
        "; Audio platform stand-in for Korvane under Wine. Edit freely: read again when it changed,\n"
        "; rewritten after every change the program makes.\n";
    for (const ModelDevice& d : g_model.devices) {
        out += "\n[device]\nid=" + narrow(d.id) + "\n";
        if (d.name_type == VT_LPWSTR) out += "name=" + narrow(d.name) + "\n";
        out += "volume=" + number(d.volume) + "\nmute=" + (d.mute ? "1" : "0") + "\n";
        for (u32 r = 0; r < 3; r++) out += std::string(ROLE_KEYS[r]) + "=" + ((d.default_roles >> r) & 1 ? "1" : "0") + "\n";
    }
    for (const FileSession& s : g_sessions)
        out += "\n[session]\ndevice=" + narrow(s.device) + "\nprogram=" + s.program + "\nvolume=" + number(s.volume) +
               "\nmute=" + (s.mute ? "1" : "0") + "\n";
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

bool a_program_ended() {
    for (auto& p : g_programs)
        if (WaitForSingleObject(p.second.process, 0) != WAIT_TIMEOUT) return true;
    return false;
}

void find_programs() {
    std::set<std::wstring> named;
    bool missing = false;
    for (const FileSession& s : g_sessions) {
        if (s.program == "System") continue;
        std::wstring name = upper(widen(s.program));
        named.insert(name);
        missing = missing || !g_programs.count(name);
    }
    ULONGLONG now = GetTickCount64();
    if (g_snapshot_taken && !a_program_ended() && !(missing && now - g_snapshot_at >= 1000)) return;
    for (auto& p : g_programs) CloseHandle(p.second.process);
    g_programs.clear();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        const wchar_t* slash = wcsrchr(entry.szExeFile, L'\\');
        std::wstring name = upper(slash ? slash + 1 : entry.szExeFile);
        if (!named.count(name) || g_programs.count(name)) continue;  // the first process of a name wins
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process) g_programs[name] = Program{entry.th32ProcessID, process};
    }
    CloseHandle(snapshot);
    g_snapshot_at = now;
    g_snapshot_taken = true;
}

// The model's sessions anew from the file's, those of running programs only; a session's key
// is its place in the file.
void list_sessions() {
    find_programs();
    for (ModelDevice& d : g_model.devices) d.sessions.clear();
    for (size_t k = 0; k < g_sessions.size(); k++) {
        const FileSession& s = g_sessions[k];
        ModelDevice* d = model_find_device(&g_model, s.device.c_str());
        bool system = s.program == "System";
        auto running = g_programs.find(upper(widen(s.program)));
        if (d && (system || running != g_programs.end()))
            model_add_session(d, system ? 0 : running->second.pid, s.volume, s.mute)->key = (u32)k + 1;
    }
}

// Reads between enumerations (a refresh makes hundreds of calls) take the model as it stands;
// enumerations and changes look at the file's time stamp. The file is parsed only when it
// changed; an enumeration lists the sessions anew, since the programs that run may have changed.
void load(FakeSync kind) {
    if (kind == FAKE_SYNC_READ) return;
    if (g_state_path.empty()) g_state_path = state_path();
    FILETIME time = {};
    u64 size = 0;
    if (g_state_path.empty() || !file_stamp(g_state_path, &time, &size)) return;
    bool changed = !g_loaded || CompareFileTime(&time, &g_loaded_time) != 0 || size != g_loaded_size;
    std::string text;
    if (changed) {
        if (!read_file(g_state_path, &text)) return;
        parse_state(text);
        g_loaded_time = time;
        g_loaded_size = size;
        g_loaded = true;
    }
    if (changed || kind == FAKE_SYNC_ENUMERATE) list_sessions();
}

// Writes the model's levels, mutes and default roles back into the file.
void save(AudioModel* model) {
    if (g_state_path.empty()) return;
    for (ModelDevice& d : model->devices)
        for (ModelSession& s : d.sessions)
            if (s.key >= 1 && s.key <= g_sessions.size()) {
                g_sessions[s.key - 1].volume = s.volume;
                g_sessions[s.key - 1].mute = s.mute;
            }
    // Written beside the file and moved over it, so a reader never sees half a state.
    std::string text = format_state();
    std::wstring temporary = g_state_path + L".new";
    HANDLE f = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(f);
    MoveFileExW(temporary.c_str(), g_state_path.c_str(), MOVEFILE_REPLACE_EXISTING);
    file_stamp(g_state_path, &g_loaded_time, &g_loaded_size);
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

HRESULT STDMETHODCALLTYPE factory_create_instance(IClassFactory* self, IUnknown*, REFIID riid, void** out) {
    if (!g_model.sync) {
        model_reset(&g_model);
        g_model.sync = [](AudioModel*, FakeSync kind) { load(kind); };
        g_model.changed = save;
    }
    return model_create_instance(&g_model, *((Factory*)self)->clsid, riid, out);
}

// The program never unloads the server (no DllCanUnloadNow): locks need no count.
HRESULT STDMETHODCALLTYPE factory_lock_server(IClassFactory*, BOOL) { return S_OK; }

IClassFactoryVtbl g_factory_vtbl = {factory_query_interface, factory_reference, factory_reference, factory_create_instance, factory_lock_server};
Factory g_factories[] = {{{&g_factory_vtbl}, &CLSID_MMDeviceEnumerator}, {{&g_factory_vtbl}, &FAKE_CLSID_POLICY_CONFIG}};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    for (Factory& factory : g_factories)
        if (IsEqualGUID(clsid, *factory.clsid)) return factory_query_interface(&factory.iface, riid, out);
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
