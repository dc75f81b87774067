// The program's real audio layer through CoCreateInstance against the audio platform stand-in
// registered in this prefix: names and counts from the state file, volumes and mutes written
// back to it, default switching with its three roles journaled in order.
#include <gtest/gtest.h>
#include <objbase.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <map>
#include <sstream>
#include "app/audio_win32.h"
#include "audio_test_support.h"
#include "support/log_capture.h"
#include "win32_test_util.h"

namespace {

using Names = std::vector<std::string>;
using Section = std::map<std::string, std::string>;

// The sections named `name`, in file order.
std::vector<Section> sections(const std::string& path, const std::string& name) {
    std::vector<Section> out;
    std::istringstream in(read_file(path));
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + name + "]";
            if (inside) out.push_back(Section());
        } else if (size_t eq = line.find('='); inside && eq != std::string::npos) {
            out.back()[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

std::string device_section(const char* id, const char* name, float volume, bool mute, bool is_default) {
    char text[512];
    snprintf(text, sizeof(text), "[device]\nid=%s\n%s%s%svolume=%g\nmute=%d\ndefault_console=%d\ndefault_multimedia=%d\ndefault_communications=%d\n\n",
             id, name ? "name=" : "", name ? name : "", name ? "\n" : "", volume, mute, is_default, is_default, is_default);
    return text;
}

std::string session_section(const char* device, const char* program, float volume, bool mute) {
    char text[512];
    snprintf(text, sizeof(text), "[session]\ndevice=%s\nprogram=%s\nvolume=%g\nmute=%d\n\n", device, program, volume, mute);
    return text;
}

// Whether a process of this name runs with its modules loaded, so that its path can be read.
bool process_ready(const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {sizeof(entry)};
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

class AudioPlatform : public testing::Test {
protected:
    LogCapture log;
    std::string state, programs;
    std::vector<PROCESS_INFORMATION> running;
    // The idle programs get their own output handles, so no caller waits on a pipe they would
    // keep open.
    HANDLE null_output = NULL;
    bool initialised = false;

    void SetUp() override {
        CoInitializeEx(NULL, COINIT_MULTITHREADED);
        audio_set_create_instance(nullptr);  // the real CoCreateInstance
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        std::string base = std::string(temp) + "korvane-audio-platform-" + std::to_string(GetCurrentProcessId());
        state = base + ".ini";
        programs = base;
        DeleteFileA((state + ".log").c_str());
        SetEnvironmentVariableA("KORVANE_AUDIO_STATE", state.c_str());
    }

    void TearDown() override {
        if (initialised) audio_shutdown();
        for (PROCESS_INFORMATION& info : running) {
            TerminateProcess(info.hProcess, 0);
            WaitForSingleObject(info.hProcess, 10000);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        if (null_output) CloseHandle(null_output);
        for (const char* name : {"player.exe", "browser.exe"}) DeleteFileA((programs + "\\" + name).c_str());
        RemoveDirectoryA(programs.c_str());
        SetEnvironmentVariableA("KORVANE_AUDIO_STATE", NULL);
        DeleteFileA(state.c_str());
        DeleteFileA((state + ".log").c_str());
    }

    // Copies of the idle program, running under the names the state file gives its sessions.
    void start_programs(const Names& names) {
        CreateDirectoryA(programs.c_str(), NULL);
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
        null_output = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
        for (const std::string& name : names) {
            std::string path = programs + "\\" + name;
            ASSERT_TRUE(CopyFileA(KORVANE_IDLE_PROGRAM, path.c_str(), FALSE)) << KORVANE_IDLE_PROGRAM << " " << GetLastError();
            STARTUPINFOA startup = {sizeof(startup)};
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = startup.hStdOutput = startup.hStdError = null_output;
            PROCESS_INFORMATION info = {};
            ASSERT_TRUE(CreateProcessA(path.c_str(), NULL, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &info));
            AssignProcessToJobObject(kill_on_close_job(), info.hProcess);
            ResumeThread(info.hThread);
            running.push_back(info);
        }
        for (const std::string& name : names) {
            for (int tries = 0; !process_ready(name.c_str()) && tries < 400; tries++) Sleep(25);
            ASSERT_TRUE(process_ready(name.c_str())) << name;
        }
    }

    void init() { audio_init(), initialised = true; }
};

const char* SPEAKERS = "{0.0.0.00000000}.{speakers}";
const char* HEADSET = "{0.0.0.00000000}.{headset}";

TEST_F(AudioPlatform, ListsTheDevicesAndTheSessionsOfRunningPrograms) {
    start_programs({"player.exe", "browser.exe"});
    write_file(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true) + device_section(HEADSET, "Headset \xC3\xBC", 0.35f, true, false) +
                          session_section(SPEAKERS, "System", 1.0f, false) + session_section(SPEAKERS, "player.exe", 0.8f, false) +
                          session_section(SPEAKERS, "not-running.exe", 0.8f, false) + session_section(HEADSET, "browser.exe", 0.45f, true));
    init();
    EXPECT_EQ(audio_device_names(), (Names{"Speakers", "Headset \xC3\xBC"}));
    EXPECT_EQ(audio_default_device_index(), 0u);
    EXPECT_EQ(audio_session_names(0), (Names{"System", programs + "\\player.exe"}));
    EXPECT_EQ(audio_session_names(1), (Names{programs + "\\browser.exe"}));
    EXPECT_FLOAT_EQ(audio_get_device_volume(1), 0.35f);
    EXPECT_TRUE(audio_get_device_mute(1));
    EXPECT_EQ(audio_get_session_volume_percent(1, 0), 45);
    EXPECT_TRUE(audio_get_session_mute(1, 0));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(AudioPlatform, ChangesAreWrittenToTheFile) {
    start_programs({"player.exe"});
    write_file(state, device_section(SPEAKERS, "Speakers", 0.6f, false, true) + device_section(HEADSET, "Headset", 0.35f, false, false) +
                          session_section(HEADSET, "player.exe", 0.8f, false));
    init();
    audio_set_device_volume_percent(1, 40);
    audio_mute_device(0);
    audio_set_session_volume(1, 0, 0.25f);
    audio_mute_session(1, 0);
    audio_set_default_device(1);
    EXPECT_EQ(audio_default_device_index(), 1u);
    std::vector<Section> devices = sections(state, "device");
    std::vector<Section> sessions = sections(state, "session");
    ASSERT_EQ(devices.size(), 2u);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_FLOAT_EQ(strtof(devices[1]["volume"].c_str(), nullptr), 0.4f);
    EXPECT_EQ(devices[0]["mute"], "1");
    EXPECT_FLOAT_EQ(strtof(sessions[0]["volume"].c_str(), nullptr), 0.25f);
    EXPECT_EQ(sessions[0]["mute"], "1");
    for (const char* role : {"default_console", "default_multimedia", "default_communications"}) {
        EXPECT_EQ(devices[0][role], "0") << role;
        EXPECT_EQ(devices[1][role], "1") << role;
    }
    // The three roles, journaled in order.
    std::istringstream journal(read_file(state + ".log"));
    Names roles;
    for (std::string line; std::getline(journal, line);)
        if (line.rfind("SetDefaultEndpoint device=" + std::string(HEADSET) + " ", 0) == 0) roles.push_back(line.substr(line.find(" role=") + 6, 1));
    EXPECT_EQ(roles, (Names{"0", "1", "2"}));
    // The next enumeration reads the console default back from the file.
    audio_refresh();
    EXPECT_EQ(audio_default_device_index(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

}  // namespace
