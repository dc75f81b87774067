// Shared helpers of the audio tests: the audio layer's lists as std types, and child processes
// of the test executable itself.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "Ostrel/core/string_view.h"

std::vector<std::string> audio_device_names();
std::vector<std::string> audio_session_names(u32 device);

// The test executable started again with KORVANE_AUDIO_CHILD=role, running only the test named
// by filter; its standard output and error go to a pipe.
struct ChildProcess {
    PROCESS_INFORMATION info;
    HANDLE output;  // read end
};
ChildProcess child_start(const char* filter, const char* role);
// Waits for the child to end; returns its exit code and what it wrote.
DWORD child_finish(ChildProcess* child, std::string* output);
// A job whose processes end with this one, so none outlives a test that ended early.
HANDLE kill_on_close_job();
// Role of this process when it was started by child_start, or null.
const char* child_role();
