#include "win32_test_util.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>

static std::string windows_path(const std::string& unix_path) {
    std::string p = "Z:" + unix_path;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

bool run_sh(const std::string& script) {
    // Wine starts a Linux executable named by its Z: path, but gives no handle to wait on: the
    // script leaves its exit status in a marker file that is polled for.
    static int serial = 0;
    std::string marker = std::string(KORVANE_TEST_SCRATCH) + "/sh-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(serial++);
    std::string command = "Z:\\bin\\sh -c \"mkdir -p '" + std::string(KORVANE_TEST_SCRATCH) + "'; (" + script +
                          "); echo $? > '" + marker + ".tmp'; mv '" + marker + ".tmp' '" + marker + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        ADD_FAILURE() << "CreateProcessA: " << GetLastError() << " " << command;
        return false;
    }
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    std::string done = windows_path(marker);
    for (int i = 0; i < 6000; i++) {
        FILE* f = fopen(done.c_str(), "rb");
        if (f) {
            int status = -1;
            if (fscanf(f, "%d", &status) != 1) status = -1;
            fclose(f);
            DeleteFileA(done.c_str());
            if (status != 0) ADD_FAILURE() << "exit status " << status << ": " << script;
            return status == 0;
        }
        Sleep(5);
    }
    ADD_FAILURE() << "no end after 30 s: " << script;
    return false;
}

void ScratchTest::SetUp() {
    unix_dir = std::string(KORVANE_TEST_SCRATCH) + "/" + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
               std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(run_sh("rm -rf '" + unix_dir + "' && mkdir -p '" + unix_dir + "'"));
    ASSERT_TRUE(SetCurrentDirectoryA(windows_path(unix_dir).c_str())) << unix_dir;
}

void ScratchTest::TearDown() {
    SetCurrentDirectoryA("C:\\");
    run_sh("rm -rf '" + unix_dir + "'");
}

std::string read_file(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, NULL) && got > 0) out.append(buffer, got);
    CloseHandle(f);
    return out;
}

void write_file(const std::string& path, const std::string& text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(f, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(f);
}
