// The configuration file on disk under Wine: the kept handle, saves that rewrite it whole, and a
// file that cannot be opened for writing.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "app/config.h"
#include "support/log_capture.h"
#include "win32_test_util.h"

namespace {

// As in the program, a loaded file stays open until the process ends; each test has its own.
using ConfigFile = ScratchTest;

TEST_F(ConfigFile, ShorterSaveLeavesNoTrailingBytesAndSavesRepeat) {
    write_file("config.ini", "; a long hand-written file" + std::string(2000, ' ') + "\nWINDOW_X=1000\nCOLOR_SCHEME=Long name.ini\n");
    AppConfig c = {};
    load_config(&c);
    const std::string expected = "WINDOW_X=1\nWINDOW_Y=0\nWINDOW_W=565\nWINDOW_H=411\nTRAY_ICON=0\nCOLOR_SCHEME=A\n";
    c.color_scheme_name[0] = 'A', c.color_scheme_name_length = 1;
    // Later saves go through the same handle and rewrite from the start.
    for (i32 x : {123456, 1}) {
        c.window_x = x;
        ASSERT_TRUE(save_config(&c));
    }
    EXPECT_EQ(read_file("config.ini"), expected);
    // The handle is kept, without delete sharing: the file cannot go away under the program.
    EXPECT_FALSE(DeleteFileA("config.ini"));
}

TEST_F(ConfigFile, FileLockedAgainstWritingGivesFallbacksAndNoSaveSucceeds) {
    const std::string original = "WINDOW_X=5\nWINDOW_Y=6\nWINDOW_W=700\nWINDOW_H=800\nTRAY_ICON=1\nCOLOR_SCHEME=X\n";
    write_file("config.ini", original);
    HANDLE lock = CreateFileA("config.ini", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    LogCapture capture;
    AppConfig c;
    memset(&c, 0xCD, sizeof c);
    EXPECT_FALSE(load_config(&c));
    EXPECT_EQ((std::vector<i64>{c.window_x, c.window_y, c.window_width, c.window_height, c.tray_icon, c.color_scheme_name_length}),
              (std::vector<i64>{150, 20, 400, 300, 0, 0}));
    EXPECT_TRUE(capture.contains("Could not open config.ini. GetLastError returned 32."));

    CloseHandle(lock);  // even once the lock is gone, the run never writes
    EXPECT_FALSE(save_config(&c));
    EXPECT_FALSE(save_config(&c));
    EXPECT_EQ(capture.count("Could not save to config file because it failed to open at startup."), 2);
    EXPECT_EQ(read_file("config.ini"), original);
}

}  // namespace
