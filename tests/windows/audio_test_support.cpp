#include "audio_test_support.h"
#include <stdlib.h>
#include "app/audio.h"
#include "Ostrel/core/log.h"

// The audio layer's fatal exits end here in test executables, as in the program.
[[noreturn]] void app_fatal_exit(u32 code) {
    log_stop();
    ExitProcess(code);
}

std::string audio_string(StringView view) { return std::string((const char*)view.data, view.length); }

std::vector<std::string> audio_device_names() {
    std::vector<std::string> names;
    for (u32 i = 0; i < audio_device_count(); i++) names.push_back(audio_string(audio_device_name(i)));
    return names;
}

std::vector<std::string> audio_session_names(u32 device) {
    std::vector<std::string> names;
    for (u32 j = 0; j < audio_session_count(device); j++) names.push_back(audio_string(audio_session_name(device, j)));
    return names;
}

std::string audio_file_name(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static void* counting_allocate(void* context, u64 size) {
    ((CountingAllocator*)context)->outstanding++;
    return HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size);
}

static void counting_free(void* context, void* pointer) {
    ((CountingAllocator*)context)->outstanding--;
    HeapFree(GetProcessHeap(), 0, pointer);
}

void counting_allocator_install(CountingAllocator* counting) {
    counting->allocator = Allocator{counting, counting_allocate, counting_free};
    counting->previous = g_default_allocator;
    counting->outstanding = 0;
    g_default_allocator = &counting->allocator;
}

void counting_allocator_remove(CountingAllocator* counting) { g_default_allocator = counting->previous; }

// Children end with the test process even when it ends early, so none keeps its output open.
static HANDLE children_job() {
    static HANDLE job = NULL;
    if (!job) {
        job = CreateJobObjectA(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    return job;
}

ChildProcess child_start(const char* filter, const char* role, bool capture) {
    ChildProcess child = {};
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_filter=" + filter;
    HANDLE write_end = NULL;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (capture) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
        CreatePipe(&child.output, &write_end, &inherit, 0);
        SetHandleInformation(child.output, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write_end;
        startup.hStdError = write_end;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", role);
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (CreateProcessA(NULL, line.data(), NULL, NULL, capture ? TRUE : FALSE, CREATE_SUSPENDED, NULL, NULL, &startup, &child.info)) {
        AssignProcessToJobObject(children_job(), child.info.hProcess);
        ResumeThread(child.info.hThread);
    } else {
        child.info = {};
    }
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", NULL);
    if (write_end) CloseHandle(write_end);
    return child;
}

bool child_wait_ready(ChildProcess* child) {
    std::string seen;
    char buffer[256];
    DWORD n = 0;
    while (seen.find("ready") == std::string::npos) {
        if (!ReadFile(child->output, buffer, sizeof(buffer), &n, NULL) || n == 0) return false;
        seen.append(buffer, n);
    }
    return true;
}

DWORD child_finish(ChildProcess* child, std::string* output) {
    if (child->output) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(child->output, buffer, sizeof(buffer), &n, NULL) && n > 0) {
            if (output) output->append(buffer, n);
        }
        CloseHandle(child->output);
        child->output = NULL;
    }
    DWORD code = 0xFFFFFFFF;
    if (child->info.hProcess) {
        WaitForSingleObject(child->info.hProcess, 60000);
        GetExitCodeProcess(child->info.hProcess, &code);
        CloseHandle(child->info.hProcess);
        CloseHandle(child->info.hThread);
    }
    child->info = {};
    return code;
}

void child_kill(ChildProcess* child) {
    if (child->info.hProcess) TerminateProcess(child->info.hProcess, 0);
    child_finish(child, nullptr);
}

const char* child_role() { return getenv("KORVANE_AUDIO_CHILD"); }
