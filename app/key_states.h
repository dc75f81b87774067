// Frame states of every key, derived once per frame from the keyboard, and the editing keys the
// GUI reads from them.
#pragma once
#include "Ostrel/gui/gui_types.h"

enum KeyStateFlags : u8 {
    KEY_DOWN = 1,
    KEY_PRESSED = 2,
    KEY_REPEAT = 4,
    KEY_UP = 8,
    KEY_RELEASED = 16,
};

struct KeyStates {
    u8 state[KEY_CODE_COUNT];
    u8 hold[KEY_CODE_COUNT];
    u8 repeat_threshold;  // 30
};

KeyStates key_states_create();
void key_states_advance(KeyStates* states, const KeyboardState* keyboard);
// Editing keys pressed or repeating; the shortcuts' letters only when pressed.
GuiKeys key_states_gui_keys(const KeyStates* states);
