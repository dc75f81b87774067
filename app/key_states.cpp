#include "app/key_states.h"

KeyStates key_states_create() {
    KeyStates s = {};
    s.repeat_threshold = 30;
    return s;
}

void key_states_advance(KeyStates* states, const KeyboardState* keyboard) {
    for (u32 k = 0; k < KEY_CODE_COUNT; k++) {
        bool was_down = (states->state[k] & KEY_DOWN) != 0;
        bool down = keyboard->key_down[k] != 0;
        if (!was_down && down) {
            states->state[k] = KEY_DOWN | KEY_PRESSED;
            states->hold[k]++;
        } else if (!was_down) {
            states->state[k] = KEY_UP;
        } else if (down && states->hold[k] < states->repeat_threshold) {
            states->state[k] = KEY_DOWN;
            states->hold[k]++;
        } else if (down) {
            states->state[k] = KEY_DOWN | KEY_REPEAT;
        } else {
            states->state[k] = KEY_UP | KEY_RELEASED;
            states->hold[k] = 0;
        }
    }
}

GuiKeys key_states_gui_keys(const KeyStates* states) {
    auto held = [states](u32 key) { return (u8)((states->state[key] & (KEY_PRESSED | KEY_REPEAT)) != 0); };
    auto pressed = [states](u32 key) { return (u8)((states->state[key] & KEY_PRESSED) != 0); };
    return GuiKeys{
        .del = held(KEY_DEL),
        .backspace = held(KEY_BACKSPACE),
        .enter = held(KEY_ENTER),
        .arrow_left = held(KEY_ARROW_LEFT),
        .arrow_right = held(KEY_ARROW_RIGHT),
        .letter_a = pressed(KEY_A),
        .letter_c = pressed(KEY_A + ('c' - 'a')),
        .letter_x = pressed(KEY_A + ('x' - 'a')),
        .letter_v = pressed(KEY_A + ('v' - 'a')),
    };
}
