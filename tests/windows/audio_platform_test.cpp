// The program's real audio layer through CoCreateInstance against the audio platform
// stand-in registered in this prefix: names and counts from the state file, volumes and
// mutes written back to it, default switching with its three roles journaled in order.
// Runs in a prefix of its own (the stand-in replaces Wine's device enumerator there).
#include <gtest/gtest.h>
#include <objbase.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <fstream>
#include <map>
#include <sstream>
#include "app/audio.h"
#include "audio_test_support.h"
#include "support/log_capture.h"

namespace {

using Names = std::vector<std::string>;
using Section = std::map<std::string, std::string>;

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The sections named `name`, in file order.
std::vector<Section> sections(const std::string& text, const std::string& name) {
    std::vector<Section> out;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            inside = line == "[" + name + "]";
            if (inside) out.push_back(Section());
            continue;
        }
        size_t eq = line.find('=');
        if (inside && eq != std::string::npos) out.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

std::string device_section(const char* id, const char* name, float volume, bool mute, bool is_default) {
    char text[512];
    snprintf(text, sizeof(text),
             "[device]\nid=%s\n%s%s%svolume=%g\nmute=%d\ndefault_console=%d\ndefault_multimedia=%d\ndefault_communications=%d\n\n",
             id, name ? "name=" : "", name ? name : "", name ? "\n" : "", volume, mute ? 1 : 0, is_default, is_default, is_default);
    return text;
}

std::string session_section(const char* device, const char* program, float volume, bool mute) {
    char text[512];
    snprintf(text, sizeof(text), "[session]\ndevice=%s\nprogram=%s\nvolume=%g\nmute=%d\n\n", device, program, volume, mute ? 1 : 0);
    return text;
}

bool process_ready(const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    bool ready = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !ready; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, name) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
        wchar_t path[MAX_PATH];
        ready = process && K32GetModuleFileNameExW(process, NULL, path, MAX_PATH) > 0;
        if (process) CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ready;
}

// Copies of the idle program, running under the names the state file gives its sessions.
class Programs {
public:
    std::string dir;
    std::vector<PROCESS_INFORMATION> running;
    // The copies end with this process even when a test ends it early, and they get their
    // own output handles, so no caller waits on a pipe they would keep open.
    HANDLE job = NULL;
    HANDLE null_output = NULL;

    void start(const std::vector<std::string>& names) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "korvane-audio-platform-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), NULL);
        job = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
        null_output = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
        for (const std::string& name : names) {
            std::string path = dir + "\\" + name;
            ASSERT_TRUE(CopyFileA(KORVANE_IDLE_PROGRAM, path.c_str(), FALSE)) << KORVANE_IDLE_PROGRAM << " " << GetLastError();
            STARTUPINFOA startup = {};
            startup.cb = sizeof(startup);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = startup.hStdOutput = startup.hStdError = null_output;
            PROCESS_INFORMATION info = {};
            ASSERT_TRUE(CreateProcessA(path.c_str(), NULL, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &info));
            AssignProcessToJobObject(job, info.hProcess);
            ResumeThread(info.hThread);
            running.push_back(info);
        }
        for (const std::string& name : names) {
            int tries = 0;
            while (!process_ready(name.c_str()) && tries++ < 400) Sleep(25);
            ASSERT_TRUE(process_ready(name.c_str())) << name;
        }
    }

    void stop() {
        for (PROCESS_INFORMATION& info : running) {
            TerminateProcess(info.hProcess, 0);
            WaitForSingleObject(info.hProcess, 10000);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        running.clear();
        if (job) CloseHandle(job);
        if (null_output) CloseHandle(null_output);
        job = null_output = NULL;
        if (!dir.empty()) {
            WIN32_FIND_DATAA found;
            HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
            for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
                DeleteFileA((dir + "\\" + found.cFileName).c_str());
            if (h != INVALID_HANDLE_VALUE) FindClose(h);
            RemoveDirectoryA(dir.c_str());
        }
    }
};

class AudioPlatform : public testing::Test {
protected:
    Programs programs;
    LogCapture log;
    std::string state;
    bool initialised = false;

    void SetUp() override {
        CoInitializeEx(NULL, COINIT_MULTITHREADED);
        audio_set_create_instance(nullptr);  // the real CoCreateInstance
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        state = std::string(temp) + "korvane-audio-state-" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA((state + ".log").c_str());
        SetEnvironmentVariableA("KORVANE_AUDIO_STATE", state.c_str());
        // Without the stand-in the start-up would take its fatal exit; say why instead.
        void* policy = nullptr;
        static const GUID clsid = {0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
        static const GUID iid = {0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};
        HRESULT created = CoCreateInstance(clsid, NULL, CLSCTX_ALL, iid, &policy);
        ASSERT_TRUE(SUCCEEDED(created)) << "the audio platform stand-in is not registered in this Wine prefix";
        ((IUnknown*)policy)->Release();
    }

    void TearDown() override {
        if (initialised) audio_shutdown();
        programs.stop();
        SetEnvironmentVariableA("KORVANE_AUDIO_STATE", NULL);
        DeleteFileA(state.c_str());
        DeleteFileA((state + ".log").c_str());
    }

    void init() {
        audio_init();
        initialised = true;
    }
};

const char* SPEAKERS = "{0.0.0.00000000}.{speakers}";
const char* HEADSET = "{0.0.0.00000000}.{headset}";

TEST_F(AudioPlatform, ListsTheDevicesAndTheSessionsOfRunningPrograms) {
    programs.start({"player.exe", "browser.exe"});
    write_text(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true) +
                          device_section("{0.0.0.00000000}.{nameless}", nullptr, 0.5f, false, false) +
                          device_section(HEADSET, "Headset \xC3\xBC", 0.35f, true, false) +
                          session_section(SPEAKERS, "System", 1.0f, false) +
                          session_section(SPEAKERS, "player.exe", 0.8f, false) +
                          session_section(SPEAKERS, "not-running.exe", 0.8f, false) +
                          session_section(HEADSET, "browser.exe", 0.45f, true) +
                          session_section(HEADSET, "PLAYER.EXE", 0.2f, false));
    init();
    EXPECT_EQ(audio_device_names(), (Names{"Speakers", "Headset \xC3\xBC"}));
    EXPECT_EQ(log.texts(), (Names{"Failed to get audio device friendly name."}));
    EXPECT_EQ(audio_default_device_index(), 0u);
    Names speakers = audio_session_names(0);
    ASSERT_EQ(speakers.size(), 2u);
    EXPECT_EQ(speakers[0], "System");
    EXPECT_EQ(speakers[1], programs.dir + "\\player.exe");
    Names headset = audio_session_names(1);
    ASSERT_EQ(headset.size(), 2u);
    EXPECT_EQ(audio_file_name(headset[0]), "browser.exe");
    EXPECT_EQ(audio_file_name(headset[1]), "player.exe");
    EXPECT_FLOAT_EQ(audio_get_device_volume(1), 0.35f);
    EXPECT_TRUE(audio_get_device_mute(1));
    EXPECT_EQ(audio_get_session_volume_percent(1, 0), 45);
    EXPECT_TRUE(audio_get_session_mute(1, 0));

    // A program that ends takes its sessions with it at the next enumeration.
    TerminateProcess(programs.running[1].hProcess, 0);
    WaitForSingleObject(programs.running[1].hProcess, 10000);
    audio_refresh();
    EXPECT_EQ(audio_session_names(1).size(), 1u);
}

TEST_F(AudioPlatform, VolumesAndMutesAreWrittenToTheFileAndReadBack) {
    programs.start({"player.exe"});
    write_text(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true) + device_section(HEADSET, "Headset", 0.35f, false, false) +
                          session_section(HEADSET, "player.exe", 0.8f, false));
    init();
    audio_set_device_volume_percent(1, 40);
    audio_mute_device(0);
    audio_set_session_volume(1, 0, 0.25f);
    audio_mute_session(1, 0);
    std::string text = read_text(state);
    std::vector<Section> devices = sections(text, "device");
    std::vector<Section> sessions = sections(text, "session");
    ASSERT_EQ(devices.size(), 2u);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_FLOAT_EQ(strtof(devices[1]["volume"].c_str(), nullptr), 0.4f);
    EXPECT_EQ(devices[0]["mute"], "1");
    EXPECT_FLOAT_EQ(strtof(sessions[0]["volume"].c_str(), nullptr), 0.25f);
    EXPECT_EQ(sessions[0]["mute"], "1");
    EXPECT_EQ(sessions[0]["program"], "player.exe");

    // The device slider's bottom mutes through the file as well.
    audio_set_device_volume(1, 0.004f);
    devices = sections(read_text(state), "device");
    EXPECT_EQ(devices[1]["mute"], "1");
    EXPECT_FLOAT_EQ(strtof(devices[1]["volume"].c_str(), nullptr), 0.004f);

    // An edit from outside is seen without waiting for a refresh, and after it.
    std::string edited = read_text(state);
    size_t at = edited.find("volume=0.25");
    ASSERT_NE(at, std::string::npos);
    edited.replace(at, 11, "volume=0.66");
    Sleep(30);  // a new modification time, and past the stand-in's re-check interval
    write_text(state, edited);
    Sleep(30);
    EXPECT_EQ(audio_get_session_volume_percent(1, 0), 66);
    audio_refresh();
    EXPECT_EQ(audio_get_session_volume_percent(1, 0), 66);
    EXPECT_EQ(audio_get_device_volume_percent(1), 0);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(AudioPlatform, SettingTheDefaultSwitchesTheThreeRolesInOrder) {
    write_text(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true) + device_section(HEADSET, "Headset", 0.35f, false, false));
    init();
    ASSERT_EQ(audio_default_device_index(), 0u);
    audio_set_default_device(1);
    EXPECT_EQ(audio_default_device_index(), 1u);
    std::vector<Section> devices = sections(read_text(state), "device");
    ASSERT_EQ(devices.size(), 2u);
    for (const char* role : {"default_console", "default_multimedia", "default_communications"}) {
        EXPECT_EQ(devices[0][role], "0") << role;
        EXPECT_EQ(devices[1][role], "1") << role;
    }
    std::istringstream journal(read_text(state + ".log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(journal, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    for (int role = 0; role < 3; role++) {
        EXPECT_EQ(lines[role].rfind("SetDefaultEndpoint device=" + std::string(HEADSET) + " ", 0), 0u) << lines[role];
        EXPECT_NE(lines[role].find(" role=" + std::to_string(role) + " "), std::string::npos) << lines[role];
    }
    // The next enumeration reads the console default back from the file.
    audio_refresh();
    EXPECT_EQ(audio_default_device_index(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(AudioPlatform, TheFileIsReadAtEveryEnumeration) {
    write_text(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true));
    init();
    EXPECT_EQ(audio_device_names(), (Names{"Speakers"}));
    write_text(state, device_section(SPEAKERS, "Speakers", 0.6f, false, false) + device_section(HEADSET, "Headset", 0.35f, false, true) +
                          session_section(HEADSET, "System", 0.5f, false));
    audio_refresh();
    EXPECT_EQ(audio_device_names(), (Names{"Speakers", "Headset"}));
    EXPECT_EQ(audio_default_device_index(), 1u);
    EXPECT_EQ(audio_session_names(1), (Names{"System"}));
    write_text(state, "");  // no devices at all
    audio_refresh();
    EXPECT_EQ(audio_device_count(), 0u);
    EXPECT_EQ(log.texts(), (Names{"Failed to get default audio device."}));
}

// Not an assertion: prints what one refresh costs with 4 devices of 32 sessions each.
TEST_F(AudioPlatform, ReportsTheCostOfOneRefresh) {
    programs.start({"player.exe", "browser.exe", "game.exe", "voicechat.exe"});
    const char* names[] = {"player.exe", "browser.exe", "game.exe", "voicechat.exe"};
    std::string text;
    char id[64];
    for (int d = 0; d < 4; d++) {
        snprintf(id, sizeof(id), "{0.0.0.00000000}.{device-%d}", d);
        text += device_section(id, "Device", 0.5f, false, d == 0);
    }
    for (int d = 0; d < 4; d++) {
        snprintf(id, sizeof(id), "{0.0.0.00000000}.{device-%d}", d);
        for (int s = 0; s < 32; s++) text += session_section(id, s == 0 ? "System" : names[s % 4], 0.5f, false);
    }
    write_text(state, text);
    init();
    for (int pass = 0; pass < 2; pass++) {
        // Second pass: every session is the system's, so no process is opened; what is left
        // is the COM calls and the stand-in's own work.
        if (pass == 1) {
            for (const char* name : names) {
                for (size_t at = text.find(name); at != std::string::npos; at = text.find(name)) text.replace(at, strlen(name), "System");
            }
            write_text(state, text);
            audio_refresh();
        }
        ASSERT_EQ(audio_device_count(), 4u);
        for (u32 d = 0; d < 4; d++) ASSERT_EQ(audio_session_count(d), 32u);
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        const int rounds = 30;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < rounds; i++) audio_refresh();
        QueryPerformanceCounter(&end);
        double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart / rounds;
        printf("audio_refresh, 4 devices x 32 sessions, stand-in under Wine%s: %.3f ms per refresh (%d refreshes)\n",
               pass ? ", no process opened" : "", ms, rounds);
        RecordProperty(pass ? "refresh_ms_system_sessions" : "refresh_ms", std::to_string(ms));
    }
    EXPECT_TRUE(log.lines().empty());
}

}  // namespace
