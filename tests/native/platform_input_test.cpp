#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "Ostrel/platform/input.h"
#include "app/key_states.h"
#include "Ostrel/platform/window.h"

namespace {

// lParam of a key message: scan code, extended bit, transition bit (set on release).
i64 key_lparam(u32 scan, bool extended = false, bool release = false) {
    i64 l = 1 | ((i64)scan << 16);
    if (extended) l |= 1LL << 24;
    if (release) l |= (1LL << 30) | (1LL << 31);
    return l;
}

WindowMessage message(u32 number, u64 wparam, i64 lparam) { return WindowMessage{nullptr, number, wparam, lparam}; }

TEST(TranslateKey, CodeTableAndSideSpecificModifiers) {
    const struct { u64 vk; i64 lparam; u32 code; } cases[] = {
        {'A', 0, KEY_A}, {'Z', 0, KEY_Z}, {'0', 0, KEY_0}, {'9', 0, KEY_9}, {0x1B, 0, KEY_ESCAPE},
        {0x5B, 0, KEY_LSYSTEM}, {0x5C, 0, KEY_RSYSTEM}, {0x20, 0, KEY_SPACE}, {0x0D, 0, KEY_ENTER},
        {0x08, 0, KEY_BACKSPACE}, {0x09, 0, KEY_TAB}, {0x14, 0, KEY_CAPS_LOCK}, {0x2E, 0, KEY_DEL},
        {0x25, 0, KEY_ARROW_LEFT}, {0x27, 0, KEY_ARROW_RIGHT}, {0x26, 0, KEY_ARROW_UP}, {0x28, 0, KEY_ARROW_DOWN},
        {0x60, 0, KEY_NUMPAD0}, {0x69, 0, KEY_NUMPAD0 + 9}, {0x70, 0, KEY_F1}, {0x73, 0, 89}, {0x79, 0, 95},
        {0x83, 0, KEY_F20}, {0x87, 0, 106}, {0x84, 0, 107}, {0x86, 0, 109},  // F24 sits between F20 and F21
        {0x10, key_lparam(0x2A), KEY_LSHIFT}, {0x10, key_lparam(0x36), KEY_RSHIFT},
        {0x11, key_lparam(0x1D), KEY_LCONTROL}, {0x11, key_lparam(0x1D, true), KEY_RCONTROL},
        {0x12, key_lparam(0x38), KEY_LALT}, {0x12, key_lparam(0x38, true), KEY_RALT},
        {0x10, key_lparam(0x1E), KEY_UNKNOWN}, {0x12, key_lparam(0x00), KEY_UNKNOWN},
        // Keys without translation; 'A' + 256: only the exact number maps.
        {0x00, 0, 0}, {0x21, 0, 0}, {0xFF, 0, 0}, {0x141, 0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(input_translate_key(c.vk, c.lparam), c.code) << std::hex << c.vk;
}

// Posted key, mouse and wheel messages are tested through a window under Wine.
TEST(InputHandlers, CharactersSkipControlBytesAndThe33rdIsDroppedInsideTheRing) {
    struct { u8 before[16]; Window window; u8 after[16]; } g;
    memset(&g, 0x5A, sizeof g);
    TextInputRing* ring = &g.window.text_input;
    text_input_ring_reset(ring);
    auto character = [&](u64 c) {
        WindowMessage m = message(WINDOW_MSG_CHAR, c, 1);
        input_character_handler(&g.window, &m, ring);
    };
    // Control bytes are skipped; 0xE9 is a byte of the ANSI code page; the low 8 bits of wParam count.
    for (u64 c : {0x08ull, 'a' * 1ull, 0x0Dull, 0x09ull, 0x7Full, 0xE9ull, 0x1F00 | 'c' * 1ull}) character(c);
    std::string got;
    while (ring->count) got += (char)text_input_ring_pop(ring);
    EXPECT_EQ(got, "a\xE9" "c");

    std::string expected;
    for (int i = 0; i < 40; i++) {
        character('A' + (i % 26));
        if (i < 32) expected += (char)('A' + (i % 26));
    }
    EXPECT_EQ(ring->count, 32);
    EXPECT_EQ(std::string((const char*)g.before, 16) + std::string((const char*)g.after, 16), std::string(32, '\x5A'));
    got.clear();
    while (ring->count) got += (char)text_input_ring_pop(ring);
    EXPECT_EQ(got, expected);  // wrapped around from 31 to 0 on the way
    EXPECT_EQ(text_input_ring_pop(ring), 0);
    EXPECT_EQ(ring->count, 0);
}

TEST(InputHandlers, ALeftPressReachesItsFrameEvenWhenReleasedInTheSameDrain) {
    const u32 down = WINDOW_MSG_LBUTTONDOWN, up = WINDOW_MSG_LBUTTONUP, move = WINDOW_MSG_MOUSEMOVE;
    // One frame each: the drain's messages (number, key-state bits), then the left button the
    // frame sees.
    const struct { std::vector<std::pair<u32, u64>> drain; u8 left; } frames[] = {
        {{{down, 1}, {up, 0}}, 1},  // a tap
        {{}, 0},                    // its release, one frame later
        {{{down, 1}}, 1},
        {{{move, 1}}, 1},
        {{}, 1},                    // held across frames
        {{{up, 0}}, 0},             // released in a later drain: at once
        {{{down, 1}, {up, 0}, {down, 1}}, 1},
        {{}, 1},                    // a second tap still held
        {{{up, 0}, {down, 1}, {move, 0}, {move, 0}}, 1},
        {{{move, 0}}, 0},
        {{{WINDOW_MSG_RBUTTONDOWN, 2}, {WINDOW_MSG_RBUTTONUP, 0}}, 0},
    };
    MouseState mouse = mouse_state_create();
    for (const auto& f : frames) {
        for (const auto& [number, keys] : f.drain) {
            WindowMessage m = message(number, keys, 0x00140010);
            input_mouse_handler(nullptr, &m, &mouse);
        }
        EXPECT_EQ(mouse.button_down[MOUSE_LEFT], f.left) << &f - frames;
        input_end_frame(&mouse);
    }
}

TEST(KeyStates, HeldKeyPressesRepeatsAndReleases) {
    // Runs of frames: whether A is held, for how many frames, and its state in each of them.
    const struct { u8 held; int frames; u32 state; } runs[] = {
        {0, 1, KEY_UP}, {1, 1, 3}, {1, 29, 1},
        {1, 300, 5},  // the hold counter must not wrap around
        {0, 1, 24}, {0, 1, 8},
        {1, 1, 3}, {1, 1, 1},  // a new press counts from zero again
    };
    KeyStates states = key_states_create();
    KeyboardState keyboard = keyboard_state_create();
    keyboard.key_down[KEY_PAUSE] = 1;  // the last code is advanced too
    for (const auto& r : runs) {
        keyboard.key_down[KEY_A] = r.held;
        for (int frame = 0; frame < r.frames; frame++) {
            key_states_advance(&states, &keyboard);
            ASSERT_EQ(states.state[KEY_A], r.state) << "run " << &r - runs << ", frame " << frame;
        }
    }
    EXPECT_EQ(states.state[KEY_PAUSE], 5);
}

}  // namespace
