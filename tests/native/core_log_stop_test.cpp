// Its own executable: stopping the logger ends logging for the rest of the process.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <chrono>
#include <thread>
#include <string>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

// This executable again, running only `test` as the child, with its standard output and error a
// pipe that is read after read_after_ms (never when negative); returns the child's exit code.
static int run_child(const char* test, int read_after_ms, std::string* output) {
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
    std::string command = std::string("\"") + self + "\" --gtest_filter=" + test;
    PROCESS_INFORMATION child = {};
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", "1");
    BOOL started = CreateProcessA(NULL, command.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child);
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", NULL);
    CloseHandle(write_end);
    DWORD code = (DWORD)-1, n = 0;
    char chunk[4096];
    std::this_thread::sleep_for(std::chrono::milliseconds(read_after_ms));
    while (started && read_after_ms >= 0 && ReadFile(read_end, chunk, sizeof chunk, &n, NULL) && n > 0)
        output->append(chunk, n);
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
        std::string filter = std::string("--gtest_filter=") + test;
        execl("/proc/self/exe", "/proc/self/exe", filter.c_str(), (char*)nullptr);
        _exit(127);
    }
    unsetenv("KORVANE_LOG_CHILD");
    close(pipe_ends[1]);
    char chunk[4096];
    ssize_t n = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(read_after_ms));
    while (child > 0 && read_after_ms >= 0 && (n = read(pipe_ends[0], chunk, sizeof chunk)) > 0)
        output->append(chunk, n);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) status = -1;
    close(pipe_ends[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// Two lines longer than the pipe holds, read only later: the first blocks on its way out while
// the second waits queued, and a process ending right after stop has both.
TEST(LoggerStop, ReturnsOnlyAfterTheLastLineIsWritten) {
    const std::string line(100000, 'x');
    if (!getenv("KORVANE_LOG_CHILD")) {
        std::string output;
        EXPECT_EQ(run_child("LoggerStop.ReturnsOnlyAfterTheLastLineIsWritten", 300, &output), 7);
        const std::string whole = ": " + line + "\n";
        const size_t first = output.find(whole);
        EXPECT_TRUE(first != std::string::npos && output.find(whole, first + 1) != std::string::npos);
        return;
    }
    log_error("%", StringView{(const u8*)line.data(), (u32)line.size()});
    log_error("%", StringView{(const u8*)line.data(), (u32)line.size()});
    log_stop();
    _Exit(7);
}

// The logger's write blocks for good once the pipe is full; stop gives up on it and the process
// ends (a hang here is caught by the test's timeout).
TEST(LoggerStop, EndsWhileStandardOutputIsAPipeNobodyReads) {
    if (!getenv("KORVANE_LOG_CHILD")) {
        EXPECT_EQ(run_child("LoggerStop.EndsWhileStandardOutputIsAPipeNobodyReads", -1, nullptr), 7);
        return;
    }
    const std::string line(16384, 'x');
    for (int i = 0; i < LOG_RING_SLOTS; i++) log_error("%", StringView{(const u8*)line.data(), (u32)line.size()});
    log_stop();
    _Exit(7);
}
