// Shared helpers of the audio tests: COM start-up, a counting allocator, child processes of
// the test executable itself, and reading the audio layer's lists as std types.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "Ostrel/core/allocator.h"
#include "Ostrel/core/string_view.h"

std::string audio_string(StringView view);
std::vector<std::string> audio_device_names();
std::vector<std::string> audio_session_names(u32 device);
std::string audio_file_name(const std::string& path);  // the part after the last '\'

// Counts the blocks handed out and not yet given back, so a test can see every name freed.
struct CountingAllocator {
    Allocator allocator;
    Allocator* previous;
    i64 outstanding;
};
void counting_allocator_install(CountingAllocator* counting);
void counting_allocator_remove(CountingAllocator* counting);

// The test executable started again with KORVANE_AUDIO_CHILD=role and a filter that runs
// only the test named by filter. Standard output goes to a pipe when capture is set.
struct ChildProcess {
    PROCESS_INFORMATION info;
    HANDLE output;  // read end, or null
};
ChildProcess child_start(const char* filter, const char* role, bool capture);
// Reads the child's output until it has written "ready" (its modules are loaded by then).
bool child_wait_ready(ChildProcess* child);
// Waits for the child to end; returns its exit code and what it wrote.
DWORD child_finish(ChildProcess* child, std::string* output);
void child_kill(ChildProcess* child);
// Role of this process when it was started by child_start, or null.
const char* child_role();
