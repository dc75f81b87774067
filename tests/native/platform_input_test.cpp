#include <gtest/gtest.h>
#include <string>
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/window.h"

namespace {

// lParam of a key message: scan code, extended bit, transition bit (set on release).
i64 key_lparam(u32 scan, bool extended, bool release) {
    i64 l = 1 | ((i64)scan << 16);
    if (extended) l |= 1LL << 24;
    if (release) l |= (1LL << 30) | (1LL << 31);
    return l;
}

WindowMessage message(u32 number, u64 wparam, i64 lparam) { return WindowMessage{nullptr, number, wparam, lparam}; }

struct InputFixture : testing::Test {
    Window window = {};
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();

    void key(u32 number, u64 vk, u32 scan, bool extended = false) {
        bool release = number == WINDOW_MSG_KEYUP || number == WINDOW_MSG_SYSKEYUP;
        WindowMessage m = message(number, vk, key_lparam(scan, extended, release));
        input_keyboard_handler(&window, &m, &keyboard);
    }
    void mouse_message(u32 number, u64 wparam, i64 lparam) {
        WindowMessage m = message(number, wparam, lparam);
        input_mouse_handler(&window, &m, &mouse);
    }
    void character(u64 c) {
        WindowMessage m = message(WINDOW_MSG_CHAR, c, 1);
        input_character_handler(&window, &m, &window.text_input);
    }
};

TEST(TranslateKey, CodeTable) {
    EXPECT_EQ(input_translate_key('A', 0), KEY_A);
    EXPECT_EQ(input_translate_key('Z', 0), KEY_Z);
    EXPECT_EQ(input_translate_key('0', 0), KEY_0);
    EXPECT_EQ(input_translate_key('9', 0), KEY_9);
    EXPECT_EQ(input_translate_key(0x1B, 0), KEY_ESCAPE);
    EXPECT_EQ(input_translate_key(0x5B, 0), KEY_LSYSTEM);
    EXPECT_EQ(input_translate_key(0x5C, 0), KEY_RSYSTEM);
    EXPECT_EQ(input_translate_key(0x20, 0), KEY_SPACE);
    EXPECT_EQ(input_translate_key(0x0D, 0), KEY_ENTER);
    EXPECT_EQ(input_translate_key(0x08, 0), KEY_BACKSPACE);
    EXPECT_EQ(input_translate_key(0x09, 0), KEY_TAB);
    EXPECT_EQ(input_translate_key(0x14, 0), KEY_CAPS_LOCK);
    EXPECT_EQ(input_translate_key(0x2E, 0), KEY_DEL);
    EXPECT_EQ(input_translate_key(0x25, 0), KEY_ARROW_LEFT);
    EXPECT_EQ(input_translate_key(0x27, 0), KEY_ARROW_RIGHT);
    EXPECT_EQ(input_translate_key(0x26, 0), KEY_ARROW_UP);
    EXPECT_EQ(input_translate_key(0x28, 0), KEY_ARROW_DOWN);
    EXPECT_EQ(input_translate_key(0x60, 0), KEY_NUMPAD0);
    EXPECT_EQ(input_translate_key(0x69, 0), KEY_NUMPAD0 + 9);
    EXPECT_EQ(input_translate_key(0x70, 0), KEY_F1);
    EXPECT_EQ(input_translate_key(0x73, 0), 89);  // F4
    EXPECT_EQ(input_translate_key(0x79, 0), 95);  // F10
    EXPECT_EQ(input_translate_key(0x83, 0), KEY_F20);
    // F24 sits between F20 and F21.
    EXPECT_EQ(input_translate_key(0x87, 0), 106);
    EXPECT_EQ(input_translate_key(0x84, 0), 107);
    EXPECT_EQ(input_translate_key(0x86, 0), 109);
}

TEST(TranslateKey, KeysWithoutTranslationGiveZero) {
    for (u64 vk : {0x00ull, 0x21ull /* page up */, 0x22ull, 0x23ull, 0x24ull, 0x2Dull, 0x13ull /* pause */,
                   0x5Dull /* apps */, 0x6Aull, 0x6Bull, 0xBAull, 0xBBull, 0xDEull, 0xA0ull, 0xA5ull, 0x88ull, 0xFFull,
                   0x141ull /* 'A' + 256: only the exact number maps */}) {
        EXPECT_EQ(input_translate_key(vk, 0), KEY_UNKNOWN) << vk;
    }
}

TEST(TranslateKey, ModifiersResolveTheirSideFromTheScanCode) {
    EXPECT_EQ(input_translate_key(0x10, key_lparam(0x2A, false, false)), KEY_LSHIFT);
    EXPECT_EQ(input_translate_key(0x10, key_lparam(0x36, false, false)), KEY_RSHIFT);
    EXPECT_EQ(input_translate_key(0x11, key_lparam(0x1D, false, false)), KEY_LCONTROL);
    EXPECT_EQ(input_translate_key(0x11, key_lparam(0x1D, true, false)), KEY_RCONTROL);
    EXPECT_EQ(input_translate_key(0x12, key_lparam(0x38, false, false)), KEY_LALT);
    EXPECT_EQ(input_translate_key(0x12, key_lparam(0x38, true, false)), KEY_RALT);
    // A modifier whose scan code maps to no side-specific key is unknown.
    EXPECT_EQ(input_translate_key(0x10, key_lparam(0x1E, false, false)), KEY_UNKNOWN);
    EXPECT_EQ(input_translate_key(0x12, key_lparam(0x00, false, false)), KEY_UNKNOWN);
}

TEST_F(InputFixture, RightShiftSetsCode43AndLeavesLeftShift) {
    key(WINDOW_MSG_KEYDOWN, 0x10, 0x36);
    EXPECT_EQ(keyboard.key_down[KEY_RSHIFT], 1);
    EXPECT_EQ(keyboard.key_down[KEY_LSHIFT], 0);
    key(WINDOW_MSG_KEYDOWN, 0x10, 0x36);  // auto-repeat sets it again
    EXPECT_EQ(keyboard.key_down[KEY_RSHIFT], 1);
    key(WINDOW_MSG_KEYUP, 0x10, 0x36);
    EXPECT_EQ(keyboard.key_down[KEY_RSHIFT], 0);
    EXPECT_EQ(keyboard.key_down[KEY_LSHIFT], 0);
    EXPECT_EQ(keyboard.device_type, INPUT_DEVICE_KEYBOARD);
}

TEST_F(InputFixture, UnknownKeyLandsOnCodeZeroAndAltF4ThroughSystemKeys) {
    key(WINDOW_MSG_KEYDOWN, 0x21, 0x49, true);  // page up
    EXPECT_EQ(keyboard.key_down[KEY_UNKNOWN], 1);
    key(WINDOW_MSG_KEYUP, 0x21, 0x49, true);
    EXPECT_EQ(keyboard.key_down[KEY_UNKNOWN], 0);

    key(WINDOW_MSG_SYSKEYDOWN, 0x12, 0x38);
    key(WINDOW_MSG_SYSKEYDOWN, 0x73, 0x3E);
    EXPECT_EQ(keyboard.key_down[40], 1);
    EXPECT_EQ(keyboard.key_down[89], 1);
    key(WINDOW_MSG_SYSKEYUP, 0x73, 0x3E);
    key(WINDOW_MSG_KEYUP, 0x12, 0x38);
    EXPECT_EQ(keyboard.key_down[40], 0);
    EXPECT_EQ(keyboard.key_down[89], 0);
}

TEST_F(InputFixture, KeyboardIgnoresOtherMessages) {
    KeyboardState before = keyboard;
    for (u32 number : {(u32)WINDOW_MSG_CHAR, (u32)WINDOW_MSG_MOUSEMOVE, 0x0103u /* dead char */, 0x0106u})
        key(number, 'A', 0x1E);
    EXPECT_EQ(memcmp(&before, &keyboard, sizeof keyboard), 0);
}

TEST_F(InputFixture, MouseButtonsPositionAndWheel) {
    // A press reported with the cursor left of the client area keeps its sign.
    mouse_message(WINDOW_MSG_LBUTTONDOWN, 0x0001, (i64)(u16)(i16)-3 | ((i64)10 << 16));
    EXPECT_EQ(mouse.x, -3);
    EXPECT_EQ(mouse.y, 10);
    EXPECT_EQ(mouse.button_down[MOUSE_LEFT], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_RIGHT], 0);

    // Every button flag comes from the key-state bits of each message.
    mouse_message(WINDOW_MSG_MOUSEMOVE, 0x0002 | 0x0010 | 0x0020 | 0x0040, 5 | ((i64)(u16)(i16)-7 << 16));
    EXPECT_EQ(mouse.button_down[MOUSE_LEFT], 0);
    EXPECT_EQ(mouse.button_down[MOUSE_RIGHT], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_MIDDLE], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_X1], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_X2], 1);
    EXPECT_EQ(mouse.button_down[MOUSE_UNKNOWN], 0);
    EXPECT_EQ(mouse.x, 5);
    EXPECT_EQ(mouse.y, -7);

    // Two notches away from the user: delta 240 in the high word of wParam.
    mouse_message(WINDOW_MSG_MOUSEWHEEL, (u64)240 << 16, 100 | (100 << 16));
    EXPECT_GT((i32)mouse.wheel, 0);
    EXPECT_EQ(mouse.x, 5);  // the wheel does not move the cursor
    mouse_message(WINDOW_MSG_MOUSEWHEEL, (u64)(u16)(i16)-120 << 16, 0);
    EXPECT_LT((i32)mouse.wheel, 0);
    input_end_frame(&mouse);
    EXPECT_EQ(mouse.wheel, 0u);

    mouse_message(0x020E /* horizontal wheel */, (u64)120 << 16, 0);
    EXPECT_EQ(mouse.wheel, 0u);
    EXPECT_EQ(mouse.device_type, INPUT_DEVICE_MOUSE);
}

TEST_F(InputFixture, CharactersSkipControlBytesAndKeepOrder) {
    text_input_ring_reset(&window.text_input);
    for (u64 c : {0x08ull, 'a' * 1ull, 0x0Dull, 0x09ull, 0x7Full, 'b' * 1ull, 0xE9ull, 0x1F00 | 'c' * 1ull}) character(c);
    ASSERT_EQ(window.text_input.count, 4);
    EXPECT_EQ(text_input_ring_pop(&window.text_input), 'a');
    EXPECT_EQ(text_input_ring_pop(&window.text_input), 'b');
    EXPECT_EQ(text_input_ring_pop(&window.text_input), 0xE9);  // a byte of the ANSI code page
    EXPECT_EQ(text_input_ring_pop(&window.text_input), 'c');   // low 8 bits of wParam
    EXPECT_EQ(window.text_input.count, 0);
}

TEST_F(InputFixture, ThirtyThirdCharacterIsDroppedAndNothingOutsideTheRingIsWritten) {
    struct Guarded {
        u8 before[16];
        Window window;
        u8 after[16];
    } g;
    memset(&g, 0x5A, sizeof g);
    text_input_ring_reset(&g.window.text_input);
    for (int i = 0; i < 40; i++) {
        WindowMessage m = message(WINDOW_MSG_CHAR, 'A' + (i % 26), 1);
        input_character_handler(&g.window, &m, &g.window.text_input);
    }
    EXPECT_EQ(g.window.text_input.count, 32);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(g.before[i], 0x5A);
        EXPECT_EQ(g.after[i], 0x5A);
    }
    std::string got;
    while (g.window.text_input.count) got += (char)text_input_ring_pop(&g.window.text_input);
    std::string expected;
    for (int i = 0; i < 32; i++) expected += (char)('A' + (i % 26));
    EXPECT_EQ(got, expected);
}

TEST(TextInputRing, WrapsAroundFrom31ToZero) {
    TextInputRing ring = {};
    for (int i = 0; i < 30; i++) text_input_ring_push(&ring, 'x');
    for (int i = 0; i < 30; i++) text_input_ring_pop(&ring);
    EXPECT_EQ(ring.start, 30);
    for (u8 c : {'1', '2', '3', '4'}) EXPECT_TRUE(text_input_ring_push(&ring, c));
    EXPECT_EQ(text_input_ring_pop(&ring), '1');
    EXPECT_EQ(text_input_ring_pop(&ring), '2');
    EXPECT_EQ(ring.start, 0);
    EXPECT_EQ(text_input_ring_pop(&ring), '3');
    EXPECT_EQ(text_input_ring_pop(&ring), '4');
    EXPECT_EQ(text_input_ring_pop(&ring), 0);  // empty: nothing, and the count stays 0
    EXPECT_EQ(ring.count, 0);
}

TEST(KeyStates, HeldKeyPressesRepeatsAndReleases) {
    KeyStates states = key_states_create();
    KeyboardState keyboard = keyboard_state_create();
    EXPECT_EQ(states.repeat_threshold, 30);
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], KEY_UP);

    keyboard.key_down[KEY_A] = 1;
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], 3);
    for (int frame = 0; frame < 29; frame++) {
        key_states_advance(&states, &keyboard);
        EXPECT_EQ(states.state[KEY_A], 1) << frame;
    }
    for (int frame = 0; frame < 300; frame++) {  // the hold counter must not wrap around
        key_states_advance(&states, &keyboard);
        ASSERT_EQ(states.state[KEY_A], 5) << frame;
    }
    EXPECT_EQ(states.state[KEY_A + 1], KEY_UP);  // other keys unaffected

    keyboard.key_down[KEY_A] = 0;
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], 24);
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], 8);

    // A new press starts counting from zero again.
    keyboard.key_down[KEY_A] = 1;
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], 3);
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A], 1);
}

TEST(KeyStates, EveryCodeIncludingTheLastIsAdvanced) {
    KeyStates states = key_states_create();
    KeyboardState keyboard = keyboard_state_create();
    keyboard.key_down[KEY_UNKNOWN] = 1;
    keyboard.key_down[KEY_PAUSE] = 1;
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_UNKNOWN], 3);
    EXPECT_EQ(states.state[KEY_PAUSE], 3);
    EXPECT_EQ(states.state[KEY_PAUSE - 1], KEY_UP);
}

TEST(KeyStates, PressAndReleaseWithinOneDrainIsNotSeen) {
    KeyStates states = key_states_create();
    KeyboardState keyboard = keyboard_state_create();
    Window window = {};
    key_states_advance(&states, &keyboard);
    WindowMessage down = message(WINDOW_MSG_KEYDOWN, 'Q', key_lparam(0x10, false, false));
    WindowMessage up = message(WINDOW_MSG_KEYUP, 'Q', key_lparam(0x10, false, true));
    input_keyboard_handler(&window, &down, &keyboard);
    input_keyboard_handler(&window, &up, &keyboard);
    key_states_advance(&states, &keyboard);
    EXPECT_EQ(states.state[KEY_A + ('Q' - 'A')], KEY_UP);
}

}  // namespace
