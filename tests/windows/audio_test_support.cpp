#include "audio_test_support.h"
#include <stdlib.h>
#include "app/audio.h"
#include "Ostrel/core/log.h"

static std::string text(StringView view) { return std::string((const char*)view.data, view.length); }

std::vector<std::string> audio_device_names() {
    std::vector<std::string> names;
    for (u32 i = 0; i < audio_device_count(); i++) names.push_back(text(audio_device_name(i)));
    return names;
}

std::vector<std::string> audio_session_names(u32 device) {
    std::vector<std::string> names;
    for (u32 j = 0; j < audio_session_count(device); j++) names.push_back(text(audio_session_name(device, j)));
    return names;
}


HANDLE kill_on_close_job() {
    static HANDLE job = NULL;
    if (!job) {
        job = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    return job;
}

// Children end with the test process even when it ends early, so none keeps its output open.
ChildProcess child_start(const char* filter, const char* role) {
    ChildProcess child = {};
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_filter=" + filter;
    HANDLE write_end = NULL;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    CreatePipe(&child.output, &write_end, &inherit, 0);
    SetHandleInformation(child.output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", role);
    if (CreateProcessA(NULL, command.data(), NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &child.info)) {
        AssignProcessToJobObject(kill_on_close_job(), child.info.hProcess);
        ResumeThread(child.info.hThread);
    }
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", NULL);
    CloseHandle(write_end);
    return child;
}

DWORD child_finish(ChildProcess* child, std::string* output) {
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(child->output, buffer, sizeof(buffer), &n, NULL) && n > 0)
        if (output) output->append(buffer, n);
    CloseHandle(child->output);
    DWORD code = 0xFFFFFFFF;
    if (child->info.hProcess) {
        WaitForSingleObject(child->info.hProcess, 60000);
        GetExitCodeProcess(child->info.hProcess, &code);
        CloseHandle(child->info.hProcess);
        CloseHandle(child->info.hThread);
    }
    *child = ChildProcess{};
    return code;
}

const char* child_role() { return getenv("KORVANE_AUDIO_CHILD"); }
