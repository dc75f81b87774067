#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window.h"
#include "support/log_capture.h"

namespace {

struct HookCall {
    void* hwnd;
    u32 message;
    u64 wparam;
    i64 lparam;
};
std::vector<HookCall> g_hook_calls;

i64 recording_hook(void* hwnd, u32 message, u64 wparam, i64 lparam) {
    g_hook_calls.push_back(HookCall{hwnd, message, wparam, lparam});
    if (message == WM_USER + 5) return 1234;
    return DefWindowProcA((HWND)hwnd, message, (WPARAM)wparam, (LPARAM)lparam);
}

int hook_count(u32 message) {
    int n = 0;
    for (auto& c : g_hook_calls) n += c.message == message;
    return n;
}

LPARAM key_lparam(u32 scan, bool extended, bool alt, bool release) {
    LPARAM l = 1 | ((LPARAM)scan << 16);
    if (extended) l |= 1 << 24;
    if (alt) l |= 1 << 29;
    if (release) l |= (LPARAM)3 << 30;
    return l;
}

struct WindowFixture : testing::Test {
    Window window = {};
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();

    void SetUp() override {
        g_hook_calls.clear();
        ASSERT_TRUE(window_create("Ostrel test window", 40, 30, 640, 480, WINDOW_STYLE_OVERLAPPED, &window));
        drain();
    }
    void TearDown() override {
        if (window.handle) DestroyWindow((HWND)window.handle);
    }
    HWND hwnd() const { return (HWND)window.handle; }

    // What the frame loop does with the queue: dispatch, then the three handlers in order.
    int drain() {
        int n = 0;
        WindowMessage m;
        while (window_pump_one(&m)) {
            input_keyboard_handler(&window, &m, &keyboard);
            input_mouse_handler(&window, &m, &mouse);
            input_character_handler(&window, &m, &window.text_input);
            n++;
        }
        return n;
    }
};

TEST_F(WindowFixture, CreatedHiddenWithTheRequestedOuterSizeAndItsClientSize) {
    ASSERT_NE(window.handle, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd()));
    RECT outer, client;
    GetWindowRect(hwnd(), &outer);
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(outer.right - outer.left, 640);
    EXPECT_EQ(outer.bottom - outer.top, 480);
    EXPECT_EQ(window.client_width, (u32)client.right);
    EXPECT_EQ(window.client_height, (u32)client.bottom);
    EXPECT_GT(window.client_width, 0u);
    EXPECT_EQ(window.close_requested, 0);
    char name[64] = {};
    GetClassNameA(hwnd(), name, sizeof name);
    EXPECT_STREQ(name, "Ostrel default window class.");
    EXPECT_EQ(GetClassLongA(hwnd(), GCL_STYLE), (DWORD)CS_OWNDC);
}

TEST_F(WindowFixture, ShowDoesNotActivateAndMinimisedIsReported) {
    window_show(&window);
    drain();
    EXPECT_TRUE(IsWindowVisible(hwnd()));
    EXPECT_EQ(window.focused, 0);
    EXPECT_FALSE(window_is_minimised(&window));
    ShowWindow(hwnd(), SW_MINIMIZE);
    drain();
    EXPECT_TRUE(window_is_minimised(&window));
    ShowWindow(hwnd(), SW_RESTORE);
    drain();
    EXPECT_FALSE(window_is_minimised(&window));
}

TEST_F(WindowFixture, CloseSetsTheFlagAndReachesNeitherHookNorDefaultProcedure) {
    window.user_window_procedure = recording_hook;
    window_show(&window);
    drain();
    g_hook_calls.clear();
    EXPECT_EQ(SendMessageA(hwnd(), WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(window.close_requested, 1);
    EXPECT_EQ(hook_count(WM_CLOSE), 0);
    // The default procedure would have destroyed the window.
    EXPECT_TRUE(IsWindow(hwnd()));
    EXPECT_TRUE(IsWindowVisible(hwnd()));
    // A posted close takes the same way through the pump.
    window.close_requested = 0;
    PostMessageA(hwnd(), WM_CLOSE, 0, 0);
    drain();
    EXPECT_EQ(window.close_requested, 1);
    EXPECT_EQ(hook_count(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(WindowFixture, HookSeesOtherMessagesUnchangedAndItsResultIsReturned) {
    window.user_window_procedure = recording_hook;
    EXPECT_EQ(SendMessageA(hwnd(), WM_USER + 5, 0x1122334455ull, -77), 1234);
    ASSERT_EQ(hook_count(WM_USER + 5), 1);
    const HookCall& c = g_hook_calls.back();
    EXPECT_EQ(c.hwnd, window.handle);
    EXPECT_EQ(c.wparam, 0x1122334455ull);
    EXPECT_EQ(c.lparam, -77);
    // The record is updated before the hook runs.
    SendMessageA(hwnd(), WM_SETFOCUS, 0, 0);
    EXPECT_EQ(window.focused, 1);
    EXPECT_EQ(hook_count(WM_SETFOCUS), 1);
}

TEST_F(WindowFixture, WithoutHookMessagesReachTheDefaultProcedure) {
    SendMessageA(hwnd(), WM_SETTEXT, 0, (LPARAM) "Renamed by default processing");
    char text[64] = {};
    GetWindowTextA(hwnd(), text, sizeof text);
    EXPECT_STREQ(text, "Renamed by default processing");
}

TEST_F(WindowFixture, KeyMenuCommandNeverEntersMenuMode) {
    window_show(&window);
    drain();
    // A menu loop would eat this queued Escape.
    PostMessageA(hwnd(), WM_KEYDOWN, VK_ESCAPE, key_lparam(0x01, false, false, false));
    EXPECT_EQ(SendMessageA(hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, hwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
}

TEST_F(WindowFixture, RecordFollowsSizeMoveFocusAndStyleMessages) {
    SendMessageA(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(window.client_width, 300u);
    EXPECT_EQ(window.client_height, 200u);
    EXPECT_EQ(window.resized, 1);
    SendMessageA(hwnd(), WM_NULL, 0, 0);
    EXPECT_EQ(window.resized, 0);  // only while the size message is handled

    SendMessageA(hwnd(), WM_MOVE, 0, MAKELPARAM(17, 23));
    EXPECT_EQ(window.x, 17u);
    EXPECT_EQ(window.y, 23u);

    SendMessageA(hwnd(), WM_SETFOCUS, 0, 0);
    EXPECT_EQ(window.focused, 1);
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(window.focused, 0);

    STYLESTRUCT style = {WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW};
    SendMessageA(hwnd(), WM_STYLECHANGED, GWL_STYLE, (LPARAM)&style);
    EXPECT_EQ(window.style_changed, 1);
    SendMessageA(hwnd(), WM_NULL, 0, 0);
    EXPECT_EQ(window.style_changed, 0);

    // The end of a drag-resize reads the real client rectangle, whatever came before.
    window.client_width = 1;
    window.client_height = 1;
    SendMessageA(hwnd(), WM_EXITSIZEMOVE, 0, 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(window.client_width, (u32)client.right);
    EXPECT_EQ(window.client_height, (u32)client.bottom);
    EXPECT_EQ(window.resized, 1);
}

TEST_F(WindowFixture, SetSizeChangesTheOuterSizeAndKeepsThePosition) {
    RECT before;
    GetWindowRect(hwnd(), &before);
    EXPECT_TRUE(window_set_size(&window, 700, 520));
    drain();
    RECT after, client;
    GetWindowRect(hwnd(), &after);
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(after.right - after.left, 700);
    EXPECT_EQ(after.bottom - after.top, 520);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(window.client_width, (u32)client.right);  // from the size message
}

TEST_F(WindowFixture, HiddenCursorOverTheClientAreaStaysHidden) {
    window_show(&window);
    drain();
    window.hide_cursor = 1;
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    SendMessageA(hwnd(), WM_SETCURSOR, (WPARAM)hwnd(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), (HCURSOR)NULL);
    window.hide_cursor = 0;
    SendMessageA(hwnd(), WM_SETCURSOR, (WPARAM)hwnd(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW));
}

TEST_F(WindowFixture, PostedRightShiftSetsCode43AndLeavesLeftShift) {
    PostMessageA(hwnd(), WM_KEYDOWN, VK_SHIFT, key_lparam(0x36, false, false, false));
    drain();
    EXPECT_EQ(keyboard.key_down[KEY_RSHIFT], 1);
    EXPECT_EQ(keyboard.key_down[KEY_LSHIFT], 0);
    PostMessageA(hwnd(), WM_KEYUP, VK_SHIFT, key_lparam(0x36, false, false, true));
    drain();
    EXPECT_EQ(keyboard.key_down[KEY_RSHIFT], 0);

    PostMessageA(hwnd(), WM_KEYDOWN, VK_CONTROL, key_lparam(0x1D, true, false, false));
    PostMessageA(hwnd(), WM_KEYDOWN, VK_PRIOR, key_lparam(0x49, true, false, false));
    drain();
    EXPECT_EQ(keyboard.key_down[KEY_RCONTROL], 1);
    EXPECT_EQ(keyboard.key_down[KEY_LCONTROL], 0);
    EXPECT_EQ(keyboard.key_down[KEY_UNKNOWN], 1);  // page up has no code of its own
}

TEST_F(WindowFixture, AltF4RecordsCodes40And89AndRequestsClose) {
    window.user_window_procedure = recording_hook;  // default processing through the hook, as in the program
    PostMessageA(hwnd(), WM_SYSKEYDOWN, VK_MENU, key_lparam(0x38, false, true, false));
    PostMessageA(hwnd(), WM_SYSKEYDOWN, VK_F4, key_lparam(0x3E, false, true, false));
    drain();
    EXPECT_EQ(keyboard.key_down[40], 1);
    EXPECT_EQ(keyboard.key_down[89], 1);
    EXPECT_EQ(keyboard.key_down[KEY_RALT], 0);
    EXPECT_EQ(window.close_requested, 1);
    EXPECT_EQ(hook_count(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(WindowFixture, PostedCharactersAndTranslatedKeysReachTheRing) {
    text_input_ring_reset(&window.text_input);
    PostMessageA(hwnd(), WM_CHAR, 'x', 1);
    PostMessageA(hwnd(), WM_CHAR, VK_BACK, 1);
    PostMessageA(hwnd(), WM_CHAR, 'y', 1);
    // A posted key-down is translated into a character as well.
    PostMessageA(hwnd(), WM_KEYDOWN, 'A', key_lparam(0x1E, false, false, false));
    drain();
    EXPECT_EQ(keyboard.key_down[KEY_A], 1);
    std::string typed;
    while (window.text_input.count) typed += (char)text_input_ring_pop(&window.text_input);
    EXPECT_EQ(typed, "xya");
}

TEST_F(WindowFixture, PostedMouseAndWheelMessagesReachTheMouseState) {
    PostMessageA(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((WORD)(SHORT)-3, 10));
    drain();
    EXPECT_EQ(mouse.x, -3);
    EXPECT_EQ(mouse.y, 10);
    EXPECT_EQ(mouse.button_down[MOUSE_LEFT], 1);
    PostMessageA(hwnd(), WM_RBUTTONDOWN, MK_RBUTTON | MK_XBUTTON2, MAKELPARAM(50, 60));
    PostMessageA(hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(400, 300));
    drain();
    EXPECT_EQ(mouse.button_down[MOUSE_LEFT], 0);
    EXPECT_EQ(mouse.button_down[MOUSE_RIGHT], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_X2], 1);
    EXPECT_EQ(mouse.x, 50);
    EXPECT_EQ(mouse.y, 60);
    EXPECT_GT((i32)mouse.wheel, 0);
    input_end_frame(&mouse);
    drain();
    EXPECT_EQ(mouse.wheel, 0u);
}

TEST(Window, SecondCreateReusesTheRegisteredClass) {
    Window a = {}, b = {};
    ASSERT_TRUE(window_create("first", 0, 0, 300, 200, WINDOW_STYLE_OVERLAPPED, &a));
    ASSERT_TRUE(window_create("second", 10, 10, 300, 200, WINDOW_STYLE_POPUP, &b));
    EXPECT_NE(a.handle, b.handle);
    EXPECT_TRUE(GetWindowLongA((HWND)b.handle, GWL_STYLE) & WS_POPUP);
    // Each window updates its own record.
    SendMessageA((HWND)b.handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(b.close_requested, 1);
    EXPECT_EQ(a.close_requested, 0);
    DestroyWindow((HWND)a.handle);
    DestroyWindow((HWND)b.handle);
}

TEST(Window, InvalidStyleIsLoggedAndGivesAnOverlappedWindow) {
    LogCapture capture;
    EXPECT_EQ(window_style_to_win32(WINDOW_STYLE_OVERLAPPED), (u32)WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(window_style_to_win32(WINDOW_STYLE_POPUP), (u32)WS_POPUP);
    EXPECT_TRUE(capture.lines().empty());
    Window w = {};
    ASSERT_TRUE(window_create("bad style", 0, 0, 300, 200, 2, &w));
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Given style 2 is invalid !");
    EXPECT_EQ(lines[0].level, LOG_LEVEL_ERROR);
    LONG style = GetWindowLongA((HWND)w.handle, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(style & WS_POPUP);
    DestroyWindow((HWND)w.handle);
}

}  // namespace
