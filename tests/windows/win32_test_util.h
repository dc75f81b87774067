// Helpers of the Win32 tests: a scratch folder per test on the Linux file system, shell commands
// run on the Linux side, and child processes whose output is captured.
#pragma once
#include <string>
#include "Ostrel/core/types.h"

// Makes a fresh, empty scratch folder below the build tree the working directory; returns its
// Linux path.
std::string enter_scratch(const std::string& name);
// Runs `script` with /bin/sh on the Linux side and waits for it. The script must not contain
// double quotes.
bool run_sh(const std::string& script);
// Runs a Windows command line, waits, and returns its standard output; the exit code in *code.
std::string run_capture(const std::string& command_line, u32* code);
