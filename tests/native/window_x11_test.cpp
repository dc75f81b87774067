// The engine window on an X server of its own (window_x11_test.sh): real input from xdotool
// through the pump and the portable handlers, what a window manager would do (moves, sizes, focus,
// iconic state; its close is the tray story's), the CLIPBOARD with xclip on the other side, and a
// Vulkan swapchain.
#include <gtest/gtest.h>
#define Window XWindow
#define KeyCode XKeyCode
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Window
#undef KeyCode
#include <fcntl.h>
#include <unistd.h>
#include <functional>
#include <string>
#include <vector>
#include "Ostrel/platform/window_x11.h"
#include "app/app.h"
#include "app/tray.h"
#include "support/render_harness.h"

namespace {

std::vector<WindowMessage> g_hooked;
u8 g_resized_in_hook;

i64 recording_hook(void* hwnd, u32 message, u64 wparam, i64 lparam) {
    g_hooked.push_back(WindowMessage{hwnd, message, wparam, lparam});
    if (message == WINDOW_MSG_SIZE) g_resized_in_hook = g_window.resized;
    return 0;
}

bool hooked(u32 message) {
    for (const WindowMessage& m : g_hooked)
        if (m.message == message) return true;
    return false;
}

struct X11WindowTest : testing::Test {
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();
    Display* other = nullptr;  // a second client: the window manager's and other programs' side

    void SetUp() override {
        g_hooked.clear();
        other = XOpenDisplay(nullptr);
        ASSERT_TRUE(other) << "no X display (run through window_x11_test.sh)";
        g_window = Window{};
        ASSERT_TRUE(window_create("Korvane", 40, 30, 320, 240, WINDOW_STYLE_OVERLAPPED, &g_window));
        g_window.user_window_procedure = recording_hook;
        window_show(&g_window);
        ASSERT_TRUE(pump_until([] { return g_window.exposed != 0; }));
        click(10, 10);  // with no window manager, the click itself gives the keyboard
        ASSERT_TRUE(pump_until([] { return g_window.focused != 0; }));
    }
    void TearDown() override {
        if (g_window.handle) XDestroyWindow(other, xid());
        XSync(other, False);
        drain();
        XCloseDisplay(other);
    }
    XWindow xid() const { return (XWindow)(uintptr_t)g_window.handle; }
    std::string id() const { return std::to_string(xid()); }

    // What the frame loop does with the queue.
    void drain() {
        WindowMessage m;
        while (window_pump_one(&m)) {
            input_keyboard_handler(&g_window, &m, &keyboard);
            input_mouse_handler(&g_window, &m, &mouse);
            input_character_handler(&g_window, &m, &g_window.text_input);
        }
    }
    bool pump_until(const std::function<bool()>& done) {
        for (int i = 0; i < 6000; i++) {  // 30 s and more: time for a loaded machine
            drain();
            if (done()) return true;
            usleep(5000);
        }
        return false;
    }
    // Runs a shell command while the window keeps pumping (it may be the one serving it); its
    // standard output.
    std::string run(const std::string& command) {
        FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
        fcntl(fileno(pipe), F_SETFL, O_NONBLOCK);
        std::string out;
        char buffer[4096];
        EXPECT_TRUE(pump_until([&] {
            ssize_t n;
            while ((n = read(fileno(pipe), buffer, sizeof buffer)) > 0) out.append(buffer, (size_t)n);
            return n == 0;
        })) << command;
        pclose(pipe);
        drain();
        return out;
    }
    void xdotool(const std::string& arguments) { run("xdotool " + arguments); }
    // No --sync: xdotool would wait forever for a pointer already in place.
    void click(int x, int y) { xdotool("mousemove --window " + id() + " " + std::to_string(x) + " " + std::to_string(y) + " click 1"); }
    std::vector<u8> keys_down(const std::vector<u8>& codes) {
        std::vector<u8> down;
        for (u8 c : codes) down.push_back(keyboard.key_down[c]);
        return down;
    }
    std::string typed() {
        std::string text;
        while (g_window.text_input.count) text += (char)text_input_ring_pop(&g_window.text_input);
        return text;
    }
    void set_wm_state(long state) {
        Atom wm_state = XInternAtom(other, "WM_STATE", False);
        long value[2] = {state, 0};
        XChangeProperty(other, xid(), wm_state, wm_state, 32, PropModeReplace, (const u8*)value, 2);
        XSync(other, False);
    }
};

TEST_F(X11WindowTest, KeysAndTypedTextFollowTheLayout) {
    const struct { const char* name; u8 code; } keys[] = {
        {"a", KEY_A}, {"7", KEY_0 + 7}, {"Escape", KEY_ESCAPE}, {"Return", KEY_ENTER}, {"BackSpace", KEY_BACKSPACE},
        {"Delete", KEY_DEL}, {"Left", KEY_ARROW_LEFT}, {"Down", KEY_ARROW_DOWN}, {"F5", KEY_F1 + 4},
        {"Shift_L", KEY_LSHIFT}, {"Shift_R", KEY_RSHIFT}, {"Control_L", KEY_LCONTROL}, {"Control_R", KEY_RCONTROL},
    };
    std::string names;
    std::vector<u8> codes;
    for (const auto& k : keys) names += std::string(" ") + k.name, codes.push_back(k.code);
    xdotool("keydown" + names);
    EXPECT_EQ(keys_down(codes), std::vector<u8>(codes.size(), 1));
    xdotool("keyup" + names);
    EXPECT_EQ(keys_down(codes), std::vector<u8>(codes.size(), 0));
    typed();

    // On a German layout the key right of T is Z and the key left of X is Y: key codes follow the
    // layout, and its letters (AltGr's too) arrive as UTF-8. Characters the layout lacks are left
    // out: xdotool would type them on a key it remaps for a moment only.
    ASSERT_EQ(system("setxkbmap de"), 0);
    xdotool("keydown y");
    EXPECT_EQ(keys_down({KEY_A + 24, KEY_Z}), (std::vector<u8>{1, 0}));
    xdotool("keyup y key alt+b type 'Aü€ß'");  // Alt+B is a system key: no character
    EXPECT_EQ(typed(), "yAü€ß");
    ASSERT_EQ(system("setxkbmap us"), 0);
}

// Motion is every drag's in the Mixer story.
TEST_F(X11WindowTest, ButtonsAndWheel) {
    const struct { int x_button; u8 button; } buttons[] = {
        {1, MOUSE_LEFT}, {2, MOUSE_MIDDLE}, {3, MOUSE_RIGHT}, {8, MOUSE_X1}, {9, MOUSE_X2},
    };
    for (const auto& b : buttons) {
        std::vector<u8> expected(MOUSE_BUTTON_COUNT, 0);
        expected[b.button] = 1;
        xdotool("mousedown " + std::to_string(b.x_button));
        EXPECT_EQ(std::vector<u8>(mouse.button_down, mouse.button_down + MOUSE_BUTTON_COUNT), expected) << b.x_button;
        xdotool("mouseup " + std::to_string(b.x_button));
        input_end_frame(&mouse);  // a left release shows on the frame after its press
        EXPECT_EQ(std::vector<u8>(mouse.button_down, mouse.button_down + MOUSE_BUTTON_COUNT), std::vector<u8>(MOUSE_BUTTON_COUNT, 0));
    }
    xdotool("click 4");
    EXPECT_EQ((i32)mouse.wheel >> 16, 120);
    xdotool("click 5");
    EXPECT_EQ((i32)mouse.wheel >> 16, -120);
}

TEST_F(X11WindowTest, RecordFollowsMovesSizesFocusAndIconicState) {
    window_set_minimum_size(&g_window, 565, 411);
    const std::string properties = run("xprop -id " + id() + " WM_CLASS WM_NAME WM_NORMAL_HINTS");
    for (const char* p : {"WM_CLASS(STRING) = \"korvane\", \"korvane\"\n", "WM_NAME(STRING) = \"Korvane\"\n", "minimum size: 565 by 411\n"})
        EXPECT_NE(properties.find(p), std::string::npos) << p << " in " << properties;

    xdotool("windowmove --sync " + id() + " 100 80");
    ASSERT_TRUE(pump_until([] { return g_window.x == 100 && g_window.y == 80; }));
    EXPECT_TRUE(hooked(WINDOW_MSG_MOVE));
    xdotool("windowsize --sync " + id() + " 400 300");
    ASSERT_TRUE(pump_until([] { return g_window.client_width == 400 && g_window.client_height == 300; }));
    EXPECT_EQ(g_resized_in_hook, 1);

    set_wm_state(IconicState);
    EXPECT_TRUE(pump_until([] { return window_is_minimised(&g_window); }));
    set_wm_state(NormalState);
    EXPECT_TRUE(pump_until([] { return !window_is_minimised(&g_window); }));

    Window second = {};
    ASSERT_TRUE(window_create("Second", 500, 30, 100, 100, WINDOW_STYLE_POPUP, &second));
    window_show(&second);
    ASSERT_TRUE(pump_until([&] { return second.exposed != 0; }));
    xdotool("mousemove --window " + std::to_string((XWindow)(uintptr_t)second.handle) + " 5 5 click 1");
    EXPECT_TRUE(pump_until([&] { return second.focused && !g_window.focused; }));
    EXPECT_TRUE(hooked(WINDOW_MSG_KILLFOCUS));
    XDestroyWindow(other, (XWindow)(uintptr_t)second.handle);

    // Inside a window manager's frame the record still holds the position on the screen.
    XWindow frame = XCreateSimpleWindow(other, DefaultRootWindow(other), 200, 150, 500, 400, 0, 0, 0);
    XMapWindow(other, frame);
    XReparentWindow(other, xid(), frame, 0, 0);
    XMoveWindow(other, xid(), 5, 20);
    XSync(other, False);
    EXPECT_TRUE(pump_until([] { return g_window.x == 205 && g_window.y == 170; }));
}

TEST_F(X11WindowTest, ClipboardIsServedAndPastedBothWays) {
    const std::string text = "Grüße €";
    clipboard_set_text((const u8*)text.data(), (u32)text.size());
    EXPECT_EQ(run("xclip -o -selection clipboard"), text);
    EXPECT_EQ(run("xclip -o -selection clipboard -t STRING"), "Gr\xFC\xDF" "e ?");
    EXPECT_EQ(run("xclip -o -selection clipboard -t TARGETS"), "TARGETS\nUTF8_STRING\nSTRING\n");
    auto paste = [] {
        u32 length = 0;
        clipboard_get_text(nullptr, 0, &length);
        std::string got(length, '\0');
        clipboard_get_text((u8*)got.data(), length, &length);
        return got.substr(0, length);
    };
    EXPECT_EQ(paste(), text);

    // Another program takes the clipboard: xclip serves it from the background until the owner
    // below takes it away.
    run("printf 'Ünï' | xclip -selection clipboard >/dev/null");
    Atom clipboard = XInternAtom(other, "CLIPBOARD", False);
    EXPECT_TRUE(pump_until([&] {
        XWindow owner = XGetSelectionOwner(other, clipboard);
        return owner != None && owner != xid();
    }));
    EXPECT_EQ(paste(), "Ünï");

    // An owner that never answers: the paste gives up and pastes nothing.
    XWindow silent = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(other, clipboard, silent, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(paste(), "");
}

TEST_F(X11WindowTest, VulkanSwapchainPresentsOnTheWindow) {
    RenderHarness* h = new RenderHarness;
    memset((void*)h, 0, sizeof(*h));
    RendererSettings settings = {"Korvane", 0, g_default_allocator, nullptr};
    ASSERT_TRUE(vulkan_load_global());
    ASSERT_TRUE(vulkan_create_context(&g_window, &settings, &h->vk));
    EXPECT_EQ((std::vector<u32>{h->vk.extent.width, h->vk.extent.height}), (std::vector<u32>{320, 240}));
    ASSERT_TRUE(render_harness_attach(h));
    const u32 red = 0xFF0000FFu;
    ASSERT_TRUE(render_harness_begin(h));
    GuiElement box = render_harness_element(h, 20, 20, 60, 40, red, 0.0f);
    render_harness_draw(&box);
    ASSERT_TRUE(render_harness_end(h));
    XSync(other, False);
    XImage* image = XGetImage(other, xid(), 0, 0, 320, 240, AllPlanes, ZPixmap);
    ASSERT_TRUE(image);
    // 0xRRGGBB: the box and, outside it, the cleared black.
    EXPECT_EQ((std::vector<unsigned long>{XGetPixel(image, 20, 20), XGetPixel(image, 79, 59), XGetPixel(image, 80, 60)}),
              (std::vector<unsigned long>{0xFF0000, 0xFF0000, 0x000000}));
    XDestroyImage(image);
    render_harness_destroy(h);
    delete h;
}

}  // namespace
