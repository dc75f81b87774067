// Helpers of the Win32 tests: a scratch folder per test on the Linux file system, shell commands
// run on the Linux side, and whole files.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/types.h"

// Runs `script` with /bin/sh on the Linux side and waits for it. The script must not contain
// double quotes.
bool run_sh(const std::string& script);
// The whole file, read with others writing it too; "<missing>" when it cannot be opened.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

// A test in a fresh, empty scratch folder below the build tree, made the working directory as
// the program's own folder is; unix_dir is its Linux path.
struct ScratchTest : testing::Test {
    std::string unix_dir;
    void SetUp() override;
    void TearDown() override;
};
