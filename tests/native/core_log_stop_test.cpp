// Its own executable: stopping the logger ends logging for the rest of the process.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <atomic>
#include <string>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

std::atomic<int> g_entered{0}, g_written{0};

void slow_sink(i32, const u8*, u32, void*) {
    g_entered.store(1);
    os_sleep_ms(300);
    g_written.fetch_add(1);
}

// One line on its way out, one still queued: a process ending right after stop has both.
TEST(LoggerStop, ReturnsOnlyAfterTheLastLineIsWritten) {
    log_set_sink(slow_sink, nullptr);
    log_error("explains the exit");
    log_error("and one more");
    while (g_entered.load() == 0) os_yield();
    log_stop();
    EXPECT_EQ(g_written.load(), 2);
    EXPECT_EQ(log_queued_count(), 0u);
}

static const char k_child_test[] = "LoggerStop.EndsWhileStandardOutputIsAPipeNobodyReads";

// This executable again, running only the test above as the child, with its standard output
// and error a pipe that is never read; returns the child's exit code.
static int run_child_with_unread_output() {
#ifdef _WIN32
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE read_end = NULL, write_end = NULL;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return -1;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write_end;
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_filter=" + k_child_test;
    PROCESS_INFORMATION child = {};
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", "1");
    BOOL started = CreateProcessA(NULL, command.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child);
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", NULL);
    CloseHandle(write_end);
    DWORD code = (DWORD)-1;
    if (started) {
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &code);
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    CloseHandle(read_end);
    return (int)code;
#else
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return -1;
    setenv("KORVANE_LOG_CHILD", "1", 1);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipe_ends[1], 1);
        dup2(pipe_ends[1], 2);
        std::string filter = std::string("--gtest_filter=") + k_child_test;
        execl("/proc/self/exe", "/proc/self/exe", filter.c_str(), (char*)nullptr);
        _exit(127);
    }
    unsetenv("KORVANE_LOG_CHILD");
    close(pipe_ends[1]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) status = -1;
    close(pipe_ends[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The logger's write blocks for good once the pipe is full; stop gives up on it and the process
// ends (a hang here is caught by the test's timeout).
TEST(LoggerStop, EndsWhileStandardOutputIsAPipeNobodyReads) {
    if (!getenv("KORVANE_LOG_CHILD")) {
        EXPECT_EQ(run_child_with_unread_output(), 7);
        return;
    }
    const std::string line(16384, 'x');
    for (int i = 0; i < LOG_RING_SLOTS; i++) log_error("%", StringView{(const u8*)line.data(), (u32)line.size()});
    log_stop();
#ifdef _WIN32
    ExitProcess(7);
#else
    _exit(7);
#endif
}
