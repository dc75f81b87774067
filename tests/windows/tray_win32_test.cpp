#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>
#include "Ostrel/core/log.h"
#include "app/app.h"
#include "app/tray.h"
#include "support/log_capture.h"
#include "win32_test_util.h"

namespace {

const u32 TRAY_CALLBACK = WM_USER + 1;
const char TEST_WINDOW_TITLE[] = "Korvane tray test";

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// NIM_MODIFY succeeds only for an icon that is there.
bool icon_present() {
    NOTIFYICONDATAA data = {sizeof(data), (HWND)g_window.handle, 100, NIF_TIP, 0, NULL, "Korvane"};
    return Shell_NotifyIconA(NIM_MODIFY, &data) != 0;
}

// Wine's notification area comes and goes with the explorer process of the prefix (a test run
// may start on a fresh display): wait until it takes an icon, probing with an id of our own.
bool wait_for_notification_area() {
    NOTIFYICONDATAA data = {sizeof(data), (HWND)g_window.handle, 999};
    for (int i = 0; i < 200; i++) {
        if (Shell_NotifyIconA(NIM_ADD, &data)) {
            Shell_NotifyIconA(NIM_DELETE, &data);
            return true;
        }
        Sleep(50);
    }
    return false;
}

class TrayWindow : public testing::Test {
protected:
    void SetUp() override {
        // One hidden top-level window in g_window, with the tray procedure behind it as in the program.
        g_window = Window{};
        ASSERT_TRUE(window_create(TEST_WINDOW_TITLE, 100, 100, 600, 450, WINDOW_STYLE_OVERLAPPED, &g_window));
        g_window.user_window_procedure = tray_window_proc;
        ASSERT_TRUE(wait_for_notification_area());
        g_config = AppConfig{};
        g_quit = false;
        // An "Error!" box would block the test for good: close it and keep its text.
        watchdog = std::thread([this] {
            for (HWND closed = NULL; !stop; Sleep(20)) {
                HWND box = FindWindowA("#32770", "Error!");
                DWORD pid = 0;
                if (box) GetWindowThreadProcessId(box, &pid);
                if (!box || box == closed || pid != GetCurrentProcessId()) continue;
                char text[128] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
                boxes.push_back(text);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                closed = box;
            }
        });
    }
    void TearDown() override {
        stop = true;
        watchdog.join();
        EXPECT_EQ(boxes, expected_boxes);
        tray_icon_set(false);
        tray_window_proc(g_window.handle, WM_ACTIVATE, WA_INACTIVE, 0);
        DestroyWindow(hwnd());
        g_window = Window{};
    }
    HWND hwnd() const { return (HWND)g_window.handle; }

    std::thread watchdog;
    std::atomic<bool> stop{false};
    std::vector<std::string> boxes, expected_boxes;  // texts of the "Error!" boxes shown
};

// The shell's TaskbarCreated (it was restarted and forgot the icon) brings the icon back only
// with the tray option on.
TEST_F(TrayWindow, IconClickAndMenuCommandsShowTheWindowOrQuitAndARestartedShellGetsTheIconBack) {
    const UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    const struct {
        bool icon, tray_option;
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        bool shown, icon_after, quit;
    } steps[] = {
        {true, false, TRAY_CALLBACK, 100, WM_MOUSEMOVE, false, true, false},  // other mouse messages do nothing
        {true, false, WM_COMMAND, 777, 0, false, true, false},                // nor do other commands
        {true, false, TRAY_CALLBACK, 100, WM_LBUTTONDOWN, true, false, false},
        {true, false, WM_COMMAND, 776, 0, true, false, false},  // "Open"
        {true, false, WM_COMMAND, 775, 0, false, true, true},   // "Exit"
        {false, false, taskbar_created, 0, 0, false, false, false},
        {false, true, taskbar_created, 0, 0, false, true, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        ShowWindow(hwnd(), SW_HIDE);
        tray_icon_set(false);
        if (step.icon) tray_icon_set(true);
        g_config.tray_icon = step.tray_option;
        g_quit = false;
        PostMessageA(hwnd(), step.message, step.wparam, step.lparam);
        pump();
        EXPECT_EQ(IsWindowVisible(hwnd()) != FALSE, step.shown);
        EXPECT_EQ(icon_present(), step.icon_after);
        EXPECT_EQ(g_quit, step.quit);
    }

    // The menu closes on a click elsewhere only while its owner is the foreground window (the
    // window is hidden then, as in the tray), and the system leaves the menu state on the next
    // message to the owner. Escape ends the menu here.
    ShowWindow(hwnd(), SW_HIDE);
    HWND foreground = NULL;
    std::thread closer([&] {
        for (int i = 0; i < 500; i++, Sleep(10)) {
            HWND menu = FindWindowA("#32768", NULL);
            DWORD pid = 0;
            if (menu) GetWindowThreadProcessId(menu, &pid);
            if (!menu || pid != GetCurrentProcessId() || !IsWindowVisible(menu)) continue;
            foreground = GetForegroundWindow();
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            return;
        }
    });
    pump();
    tray_window_proc(hwnd(), TRAY_CALLBACK, 100, WM_RBUTTONDOWN);
    closer.join();
    EXPECT_EQ(foreground, hwnd());
    bool null_message = false;
    for (MSG msg; PeekMessageA(&msg, hwnd(), 0, 0, PM_REMOVE);) null_message |= msg.message == WM_NULL;
    EXPECT_TRUE(null_message);
}

TEST_F(TrayWindow, SizingAndMovingAreStoredOnlyWhileActiveAndSizingIsRaisedToTheMinimum) {
    g_config.window_x = g_config.window_width = -1;
    const struct {
        WPARAM activation;
        UINT message;
        WPARAM edge;
        RECT rect, result;
        std::vector<i32> stored;  // x, y, width, height
    } steps[] = {
        {WA_INACTIVE, WM_SIZING, WMSZ_BOTTOMRIGHT, {100, 50, 300, 200}, {100, 50, 300, 200}, {-1, 0, -1, 0}},
        {WA_CLICKACTIVE, WM_SIZING, WMSZ_BOTTOMRIGHT, {100, 50, 300, 200}, {100, 50, 665, 461}, {100, 50, 565, 411}},
        {WA_CLICKACTIVE, WM_SIZING, WMSZ_RIGHT, {10, 20, 110, 620}, {10, 20, 575, 620}, {10, 20, 565, 600}},
        {WA_CLICKACTIVE, WM_MOVING, 0, {321, 123, 900, 700}, {321, 123, 900, 700}, {321, 123, 565, 600}},  // keeps the size
        {WA_INACTIVE, WM_MOVING, 0, {5, 123, 900, 700}, {5, 123, 900, 700}, {321, 123, 565, 600}},
    };
    auto edges = [](const RECT& r) { return std::vector<LONG>{r.left, r.top, r.right, r.bottom}; };
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        RECT rect = step.rect;
        tray_window_proc(hwnd(), WM_ACTIVATE, step.activation, 0);
        tray_window_proc(hwnd(), step.message, step.edge, (i64)&rect);
        EXPECT_EQ(edges(rect), edges(step.result));
        EXPECT_EQ((std::vector<i32>{g_config.window_x, g_config.window_y, g_config.window_width, g_config.window_height}), step.stored);
    }
    // The window itself took the raised size at once.
    RECT actual;
    GetWindowRect(hwnd(), &actual);
    EXPECT_EQ(actual.right - actual.left, 565);
    EXPECT_EQ(actual.bottom - actual.top, 600);
}

TEST_F(TrayWindow, AltMenuIsSwallowedAndTheRestGoesToTheDefault) {
    EXPECT_EQ(tray_window_proc(hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    EXPECT_EQ(tray_window_proc(hwnd(), WM_SYSCOMMAND, SC_KEYMENU, ' '), 0);
    EXPECT_EQ(tray_window_proc(hwnd(), WM_GETTEXTLENGTH, 0, 0), (i64)strlen(TEST_WINDOW_TITLE));
}

TEST_F(TrayWindow, RefusedIconIsReportedInAMessageBox) {
    tray_icon_set(true);
    ASSERT_TRUE(icon_present());
    tray_icon_set(true);  // already there: the shell refuses
    EXPECT_TRUE(icon_present());
    expected_boxes = {"Systray Icon Creation Failed!"};
}

// --- Run at log-in -------------------------------------------------------------------------

const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Run value as another reader sees it: its text, "" when there is none, "<type N>" otherwise.
std::string run_value() {
    char data[512] = {};
    DWORD type = 0, size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, RUN_KEY, "Korvane", RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS) return "";
    return type == REG_SZ ? std::string(data) : "<type " + std::to_string(type) + ">";
}

TEST(Autostart, RunValueIsSetQueriedAndRemoved) {
    autostart_unregister();  // whatever an earlier run left
    LogCapture capture;
    const std::string path = "C:\\Program Files\\Korvane Mixer\\Korvane.exe";
    g_executable_path = dyn_string_create(g_default_allocator);
    dyn_string_append_bytes(&g_executable_path, path.data(), (u32)path.size());
    EXPECT_EQ(run_value(), "");
    autostart_register();
    EXPECT_TRUE(autostart_is_registered());
    EXPECT_EQ(run_value(), path);  // spaces and all, unquoted
    autostart_unregister();
    EXPECT_FALSE(autostart_is_registered());
    EXPECT_EQ(run_value(), "");
    EXPECT_TRUE(capture.lines().empty());
    autostart_unregister();
    auto lines = capture.texts();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Failed to remove registry value. GetLastError(): ", 0), 0u) << lines[0];
    // A value of another type is not a registration.
    DWORD one = 1;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, RUN_KEY, "Korvane", REG_DWORD, &one, sizeof one), ERROR_SUCCESS);
    EXPECT_FALSE(autostart_is_registered());
    autostart_unregister();
    EXPECT_EQ(run_value(), "");
}

// --- Clipboard -----------------------------------------------------------------------------

std::string get_text(u32 capacity) {
    std::string out(capacity, '#');
    u32 length = 12345;
    clipboard_get_text((u8*)out.data(), capacity, &length);
    EXPECT_LE(length, capacity);
    for (u32 i = length; i < capacity; i++) EXPECT_EQ(out[i], '#') << "written past the text at " << i;
    return out.substr(0, length);
}

using Clipboard = TrayWindow;  // the clipboard lives only while a window of ours exists

// The mend: never more than the destination holds, whatever the clipboard's length. An emptied
// clipboard yields nothing, with its message.
TEST_F(Clipboard, TextIsCutToTheDestinationAndAnEmptyClipboardYieldsNothing) {
    const std::string text = "Korvane \xE2\x9C\x93 volume 42%";
    const struct {
        const char* put;  // null: the clipboard emptied
        u32 capacity;
        std::string expected, message;
    } cases[] = {
        {text.c_str(), 64, text, ""}, {text.c_str(), 4, "Korv", ""}, {text.c_str(), 0, "", ""}, {"", 8, "", ""},
        {nullptr, 16, "", "Failed to get clipboard data: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        if (c.put) {
            clipboard_set_text(*c.put ? (const u8*)c.put : nullptr, (u32)strlen(c.put));
        } else {
            ASSERT_TRUE(OpenClipboard(NULL));
            EmptyClipboard();
            CloseClipboard();
        }
        LogCapture capture;
        EXPECT_EQ(get_text(c.capacity), c.expected);
        std::vector<std::string> lines = capture.texts();
        EXPECT_EQ(lines.size(), c.message.empty() ? 0u : 1u);
        for (const std::string& line : lines) EXPECT_TRUE(line.rfind(c.message, 0) == 0 && line.back() == '.') << line;
    }
}

}  // namespace
