// The engine window under Wine: its record, its hook, and posted messages through the pump and
// the keyboard, mouse and character handlers.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window.h"
#include "support/log_capture.h"

namespace {

std::vector<u32> g_hook_messages;
i64 g_hook_lparam;

i64 recording_hook(void* hwnd, u32 message, u64 wparam, i64 lparam) {
    g_hook_messages.push_back(message);
    g_hook_lparam = lparam;
    if (message == WM_USER + 5) return 1234;
    return DefWindowProcA((HWND)hwnd, message, (WPARAM)wparam, (LPARAM)lparam);
}

int hook_count(u32 message) { return (int)std::count(g_hook_messages.begin(), g_hook_messages.end(), message); }

LPARAM key_lparam(u32 scan, bool extended = false, bool alt = false, bool release = false) {
    return 1 | ((LPARAM)scan << 16) | (extended ? 1 << 24 : 0) | (alt ? 1 << 29 : 0) | (release ? (LPARAM)3 << 30 : 0);
}

struct WindowFixture : testing::Test {
    Window window = {};
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();

    void SetUp() override {
        g_hook_messages.clear();
        ASSERT_TRUE(window_create("Ostrel test window", 40, 30, 640, 480, WINDOW_STYLE_OVERLAPPED, &window));
        drain();
    }
    void TearDown() override {
        if (window.handle) DestroyWindow((HWND)window.handle);
    }
    HWND hwnd() const { return (HWND)window.handle; }

    // What the frame loop does with the queue: dispatch, then the three handlers in order.
    void drain() {
        WindowMessage m;
        while (window_pump_one(&m)) {
            input_keyboard_handler(&window, &m, &keyboard);
            input_mouse_handler(&window, &m, &mouse);
            input_character_handler(&window, &m, &window.text_input);
        }
    }
    void post(u32 message, WPARAM wparam, LPARAM lparam) { PostMessageA(hwnd(), message, wparam, lparam); }
    void expect_client_size() {
        RECT client;
        GetClientRect(hwnd(), &client);
        EXPECT_EQ((std::vector<u32>{window.client_width, window.client_height}), (std::vector<u32>{(u32)client.right, (u32)client.bottom}));
    }
};

TEST_F(WindowFixture, RecordFollowsTheWindow) {
    RECT outer;
    GetWindowRect(hwnd(), &outer);
    EXPECT_FALSE(IsWindowVisible(hwnd()));
    EXPECT_EQ(outer.right - outer.left, 640);
    expect_client_size();
    SendMessageA(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ(window.client_width, 300u);
    EXPECT_EQ(window.resized, 1);
    SendMessageA(hwnd(), WM_NULL, 0, 0);
    EXPECT_EQ(window.resized, 0);  // only while the size message is handled
    SendMessageA(hwnd(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(window.focused, 0);
    STYLESTRUCT style = {WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW};
    SendMessageA(hwnd(), WM_STYLECHANGED, GWL_STYLE, (LPARAM)&style);
    EXPECT_EQ(window.style_changed, 1);
    // The end of a drag-resize reads the real client rectangle, whatever came before.
    window.client_width = window.client_height = 1;
    SendMessageA(hwnd(), WM_EXITSIZEMOVE, 0, 0);
    expect_client_size();
}

// Other messages reach the hook after the record is updated, and its result is returned.
TEST_F(WindowFixture, CloseSetsTheFlagAndReachesNeitherHookNorDefaultProcedure) {
    SendMessageA(hwnd(), WM_SETTEXT, 0, (LPARAM) "Renamed");  // no hook: default processing
    char text[64] = {};
    GetWindowTextA(hwnd(), text, sizeof text);
    EXPECT_STREQ(text, "Renamed");
    window.user_window_procedure = recording_hook;
    EXPECT_EQ(SendMessageA(hwnd(), WM_USER + 5, 0, -77), 1234);
    EXPECT_EQ(g_hook_lparam, -77);
    SendMessageA(hwnd(), WM_SETFOCUS, 0, 0);
    EXPECT_EQ(window.focused, 1);
    EXPECT_EQ(hook_count(WM_SETFOCUS), 1);

    window_show(&window);
    drain();
    EXPECT_EQ(SendMessageA(hwnd(), WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(window.close_requested, 1);
    window.close_requested = 0;
    post(WM_CLOSE, 0, 0);  // a posted close takes the same way through the pump
    drain();
    EXPECT_EQ(window.close_requested, 1);
    EXPECT_EQ(hook_count(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindowVisible(hwnd()));  // the default procedure would have destroyed it
}

TEST_F(WindowFixture, KeyMenuNeverEntersMenuModeAndAHiddenCursorStaysHidden) {
    window_show(&window);
    drain();
    window.hide_cursor = 1;
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    SendMessageA(hwnd(), WM_SETCURSOR, (WPARAM)hwnd(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), (HCURSOR)NULL);
    post(WM_KEYDOWN, VK_ESCAPE, key_lparam(0x01));  // a menu loop would eat this queued Escape
    EXPECT_EQ(SendMessageA(hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, hwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
}

// The pump hands posted messages to the handlers unchanged and translates key-downs into
// characters (the codes and characters themselves are tested natively). Alt+F4 goes through the
// hook to the default procedure, as in the program, and requests a close.
TEST_F(WindowFixture, PostedKeysCharactersAndMouseMessagesReachTheStates) {
    const u8* down = keyboard.key_down;
    window.user_window_procedure = recording_hook;
    text_input_ring_reset(&window.text_input);
    post(WM_CHAR, 'x', 1);
    post(WM_KEYDOWN, 'A', key_lparam(0x1E));  // translated into a character as well
    post(WM_KEYDOWN, VK_SHIFT, key_lparam(0x36));
    post(WM_KEYDOWN, VK_CONTROL, key_lparam(0x1D, true));
    post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((WORD)(SHORT)-3, 10));
    drain();
    EXPECT_EQ((std::vector<u8>{down[KEY_A], down[KEY_RSHIFT], down[KEY_RCONTROL]}), (std::vector<u8>{1, 1, 1}));
    std::string typed;
    while (window.text_input.count) typed += (char)text_input_ring_pop(&window.text_input);
    EXPECT_EQ(typed, "xa");
    EXPECT_EQ((std::vector<i32>{mouse.x, mouse.y, mouse.button_down[MOUSE_LEFT]}), (std::vector<i32>{-3, 10, 1}));
    input_end_frame(&mouse);

    post(WM_KEYUP, VK_SHIFT, key_lparam(0x36, false, false, true));
    post(WM_SYSKEYDOWN, VK_MENU, key_lparam(0x38, false, true));
    post(WM_SYSKEYDOWN, VK_F4, key_lparam(0x3E, false, true));
    post(WM_RBUTTONDOWN, MK_RBUTTON | MK_XBUTTON2, MAKELPARAM(50, 60));
    post(WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(400, 300));
    drain();
    EXPECT_EQ((std::vector<u8>{down[KEY_RSHIFT], down[KEY_LALT], down[89]}), (std::vector<u8>{0, 1, 1}));  // F4 is 89
    EXPECT_EQ(window.close_requested, 1);
    EXPECT_EQ((std::vector<i32>{mouse.x, mouse.button_down[MOUSE_LEFT], mouse.button_down[MOUSE_RIGHT], mouse.button_down[MOUSE_X2]}),
              (std::vector<i32>{50, 0, 1, 1}));
    EXPECT_GT((i32)mouse.wheel, 0);
    input_end_frame(&mouse);
    EXPECT_EQ(mouse.wheel, 0u);
}

TEST(Window, ClassIsRegisteredOnceAndAnInvalidStyleGivesAnOverlappedWindow) {
    LogCapture capture;
    Window a = {}, b = {};
    ASSERT_TRUE(window_create("first", 0, 0, 300, 200, WINDOW_STYLE_POPUP, &a));
    ASSERT_TRUE(window_create("second", 10, 10, 300, 200, 2, &b));
    EXPECT_TRUE(GetWindowLongA((HWND)a.handle, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(capture.texts(), std::vector<std::string>{"Given style 2 is invalid !"});
    EXPECT_EQ(capture.lines()[0].level, LOG_LEVEL_ERROR);
    LONG style = GetWindowLongA((HWND)b.handle, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(style & WS_POPUP);
    // Each window updates its own record.
    SendMessageA((HWND)b.handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(b.close_requested, 1);
    EXPECT_EQ(a.close_requested, 0);
    DestroyWindow((HWND)a.handle);
    DestroyWindow((HWND)b.handle);
}

}  // namespace
