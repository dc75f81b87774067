// Its own executable: stopping the logger ends logging for the rest of the process.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <chrono>
#include <string>
#include <thread>
#include "Ostrel/core/log.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// This executable again, running only `test` as the child, with its standard output a pipe that
// is read from read_after_ms on; returns the child's exit code.
int run_child(const char* test, int read_after_ms, std::string* output) {
    char self[4096] = {};
#ifdef _WIN32
    GetModuleFileNameA(NULL, self, sizeof self);
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", "1");
    FILE* pipe = _popen((std::string("\"\"") + self + "\" --gtest_filter=" + test + "\"").c_str(), "rb");
    SetEnvironmentVariableA("KORVANE_LOG_CHILD", NULL);
#else
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) return -1;
    setenv("KORVANE_LOG_CHILD", "1", 1);
    FILE* pipe = popen((std::string(self) + " --gtest_filter=" + test).c_str(), "r");
    unsetenv("KORVANE_LOG_CHILD");
#endif
    if (!pipe) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(read_after_ms));
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output->append(chunk, n);
        // Slowly, so that a line still on its way out when the child ends is cut short.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
#ifdef _WIN32
    return _pclose(pipe);
#else
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

void log_lines(int count, const std::string& line) {
    for (int i = 0; i < count; i++) log_error("%", StringView{(const u8*)line.data(), (u32)line.size()});
}

// Two lines longer than the pipe holds, read only later: the first blocks on its way out while
// the second waits queued, and a process ending right after stop has both.
TEST(LoggerStop, ReturnsOnlyAfterTheLastLineIsWritten) {
    const std::string line(100000, 'x');
    if (!getenv("KORVANE_LOG_CHILD")) {
        std::string output;
        EXPECT_EQ(run_child("LoggerStop.ReturnsOnlyAfterTheLastLineIsWritten", 300, &output), 7);
        const size_t first = output.find(": " + line + "\n");
        EXPECT_TRUE(first != std::string::npos && output.find(": " + line + "\n", first + 1) != std::string::npos);
        return;
    }
    log_lines(2, line);
    log_stop();
    _Exit(7);
}

// The logger's write blocks for good once its pipe is full, a pipe of the child's own that nobody
// reads; stop gives up on it and the process ends (a hang here is caught by the test's timeout).
TEST(LoggerStop, EndsWhileStandardOutputIsAPipeNobodyReads) {
    if (!getenv("KORVANE_LOG_CHILD")) {
        std::string output;
        EXPECT_EQ(run_child("LoggerStop.EndsWhileStandardOutputIsAPipeNobodyReads", 0, &output), 7);
        return;
    }
#ifdef _WIN32
    HANDLE read_end = NULL, write_end = NULL;
    if (CreatePipe(&read_end, &write_end, NULL, 0)) SetStdHandle(STD_OUTPUT_HANDLE, write_end);
#else
    int ends[2];
    if (pipe(ends) == 0) dup2(ends[1], 1);
#endif
    log_lines(LOG_RING_SLOTS, std::string(16384, 'x'));
    log_stop();
    _Exit(7);
}

}  // namespace
