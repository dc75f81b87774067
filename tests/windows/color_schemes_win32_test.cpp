// The colour-scheme folder under Wine: loading, refusing, and watching it for changes made on the
// Linux side.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "app/app.h"
#include "app/color_schemes.h"
#include "support/log_capture.h"
#include "win32_test_util.h"

namespace {

std::vector<std::string> scheme_names() {
    std::vector<std::string> names;
    for (u32 i = 0; i < g_color_schemes.count; i++)
        names.emplace_back((const char*)g_color_schemes.data[i].name, g_color_schemes.data[i].name_length);
    return names;
}

class ColorSchemeFolder : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        g_config.color_scheme_name_length = 0;
    }
    void TearDown() override {
        color_schemes_close();
        ScratchTest::TearDown();
    }

    std::string folder() const { return unix_dir + "/color_schemes"; }

    // Polls as the frame loop does, 5 ms apart, until `done` (or the list's names equal
    // `expected`); returns the number of polls, or -1 when four seconds were not enough.
    int poll_until(const std::function<bool()>& done) {
        for (int polls = 1; polls <= 800; polls++) {
            color_schemes_poll();
            if (done()) return polls;
            Sleep(5);
        }
        return -1;
    }
    int poll_until(const std::vector<std::string>& expected) { return poll_until([&] { return scheme_names() == expected; }); }
};

// What can be read is loaded; what cannot is named. An empty file is a scheme too, after its
// twenty messages.
TEST_F(ColorSchemeFolder, LoadsEveryReadableFileWithANameOfUpTo64Bytes) {
    ASSERT_TRUE(CreateDirectoryA("color_schemes", NULL));
    std::string name64 = std::string(60, 'a') + ".ini", name65 = "b" + name64;
    write_file("color_schemes\\" + name64, "BACKGROUND_COLOR=102030FF\n");
    write_file("color_schemes\\" + name65, "BACKGROUND_COLOR=102030FF\n");
    write_file("color_schemes\\Locked.ini", "TEXT_COLOR=FF\n");
    write_file("color_schemes\\Plain.ini", "");
    HANDLE lock = CreateFileA("color_schemes\\Locked.ini", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    LogCapture capture;
    ASSERT_TRUE(color_schemes_setup());
    EXPECT_EQ(scheme_names(), (std::vector<std::string>{"Default", name64, "Plain.ini"}));
    EXPECT_TRUE(g_color_schemes_loaded);
    EXPECT_EQ(g_color_schemes.data[1].colors[GUI_COLOR_BACKGROUND], gui_pack_color(0x10, 0x20, 0x30, 0xFF));
    EXPECT_EQ(capture.count("Cannot load color scheme color_schemes\\" + name65 + " because its name is too long (maximum is 64 bytes)."), 1);
    EXPECT_EQ(capture.count("Could not open color_schemes\\Locked.ini. GetLastError returned 32."), 1);
    EXPECT_EQ(capture.count("CHECK_BOX_UNCHECKED not present in color_schemes\\Plain.ini."), 1);
    EXPECT_EQ(memcmp(g_color_schemes.data[2].colors, g_color_scheme_default.colors, sizeof(g_color_scheme_default.colors)), 0);
    // A successful load must not leave its error code to the end-of-search check.
    for (const std::string& line : capture.texts()) EXPECT_EQ(line.find("iterating"), std::string::npos) << line;
    CloseHandle(lock);
    color_schemes_rebuild();  // once the lock is gone the next rebuild takes the file in
    EXPECT_EQ(scheme_names(), (std::vector<std::string>{"Default", name64, "Locked.ini", "Plain.ini"}));
}

// Also a file added before the first poll (start-up goes on for a while after the set-up). Forty
// names overflow the 1024-byte change buffer: a request completes with "details lost", and the
// watch must live on, through a file moved in, a rename and the deletion of the selected scheme.
TEST_F(ColorSchemeFolder, LinuxSideChangesAndABurstOfFortyFilesRebuildTheList) {
    ASSERT_TRUE(color_schemes_setup());
    LogCapture capture;
    const std::string dir = folder();
    ASSERT_TRUE(run_sh("cd '" + dir + "' && for i in $(seq 10 49); do : > burst_scheme_$i.ini; done"));
    std::vector<std::string> expected = {"Default"};
    for (int i = 10; i < 50; i++) expected.push_back("burst_scheme_" + std::to_string(i) + ".ini");
    ASSERT_GT(poll_until(expected), 0);
    // Written elsewhere and moved in, so the file is complete when its name appears.
    ASSERT_TRUE(run_sh("printf 'TEXT_COLOR=00FF00\\n' > '" + unix_dir + "/new.tmp' && mv '" + unix_dir + "/new.tmp' '" + dir + "/Green.ini'"));
    expected.push_back("Green.ini");  // in the folder's case-insensitive order
    ASSERT_GT(poll_until(expected), 0);
    EXPECT_EQ(g_color_schemes.data[41].colors[GUI_COLOR_TEXT], gui_pack_color(0, 0xFF, 0, 0xFF));
    ASSERT_TRUE(run_sh("mv '" + dir + "/Green.ini' '" + dir + "/later.ini'"));
    expected.back() = "later.ini";
    ASSERT_GT(poll_until(expected), 0);
    g_selected_color_scheme = 41;
    g_color_schemes_loaded = false;  // the UI applied it
    ASSERT_TRUE(run_sh("rm '" + dir + "/later.ini'"));
    expected.pop_back();
    ASSERT_GT(poll_until(expected), 0);
    EXPECT_TRUE(g_color_schemes_loaded);  // so the UI re-applies "Default"
    EXPECT_EQ(color_scheme_selected(), &g_color_schemes.data[0]);
    for (const std::string& line : capture.texts()) EXPECT_EQ(line.find("Failed"), std::string::npos) << line;
}

// The folder deleted under the watch (possible from the Linux side) and a file put in its place:
// the failing re-opens log at most once a second, "Default" stands meanwhile, and once the file
// is gone the folder is made again and watched.
TEST_F(ColorSchemeFolder, DeletedFolderIsMadeAgainAndWatchedWithoutAFlood) {
    ASSERT_TRUE(CreateDirectoryA("color_schemes", NULL));
    write_file("color_schemes\\Old.ini", "");
    ASSERT_TRUE(color_schemes_setup());
    color_schemes_poll();
    LogCapture capture;
    capture.clear();
    ASSERT_TRUE(run_sh("rm -r '" + folder() + "' && : > '" + folder() + "'"));
    const ULONGLONG start = GetTickCount64();
    for (int frame = 0; frame < 90; frame++) {
        color_schemes_poll();
        Sleep(16);
    }
    const int seconds = (int)((GetTickCount64() - start) / 1000);
    // The rebuild that found the folder gone, and one message a second.
    EXPECT_LE((int)capture.texts().size(), 2 + seconds);
    EXPECT_EQ(scheme_names(), (std::vector<std::string>{"Default"}));
    ASSERT_TRUE(run_sh("rm '" + folder() + "'"));
    auto folder_made = [] {
        DWORD attributes = GetFileAttributesA("color_schemes");
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    ASSERT_GT(poll_until(folder_made), 0);
    ASSERT_TRUE(run_sh("printf 'TEXT_COLOR=00FF00\\n' > '" + unix_dir + "/new.tmp' && mv '" + unix_dir + "/new.tmp' '" +
                       folder() + "/Back.ini'"));
    EXPECT_GT(poll_until({"Default", "Back.ini"}), 0);
}

}  // namespace
