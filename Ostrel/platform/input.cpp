#include "Ostrel/platform/input.h"
#include "Ostrel/platform/window.h"

KeyboardState keyboard_state_create() {
    KeyboardState k = {};
    k.device_type = INPUT_DEVICE_KEYBOARD;
    return k;
}

MouseState mouse_state_create() {
    MouseState m = {};
    m.device_type = INPUT_DEVICE_MOUSE;
    return m;
}

u8 input_translate_key(u64 virtual_key, i64 lparam) {
    u64 vk = virtual_key;
    if (vk >= VKEY_A && vk < VKEY_A + 26) return (u8)(KEY_A + (vk - VKEY_A));
    if (vk >= VKEY_0 && vk < VKEY_0 + 10) return (u8)(KEY_0 + (vk - VKEY_0));
    if (vk >= VKEY_NUMPAD0 && vk < VKEY_NUMPAD0 + 10) return (u8)(KEY_NUMPAD0 + (vk - VKEY_NUMPAD0));
    if (vk >= VKEY_F1 && vk <= VKEY_F20) return (u8)(KEY_F1 + (vk - VKEY_F1));
    if (vk >= VKEY_F21 && vk <= VKEY_F23) return (u8)(KEY_F21 + (vk - VKEY_F21));
    switch (vk) {
        case VKEY_F24: return KEY_F24;
        case VKEY_ESCAPE: return KEY_ESCAPE;
        case VKEY_LWIN: return KEY_LSYSTEM;
        case VKEY_RWIN: return KEY_RSYSTEM;
        case VKEY_SPACE: return KEY_SPACE;
        case VKEY_RETURN: return KEY_ENTER;
        case VKEY_BACK: return KEY_BACKSPACE;
        case VKEY_TAB: return KEY_TAB;
        case VKEY_CAPITAL: return KEY_CAPS_LOCK;
        case VKEY_DELETE: return KEY_DEL;
        case VKEY_LEFT: return KEY_ARROW_LEFT;
        case VKEY_RIGHT: return KEY_ARROW_RIGHT;
        case VKEY_UP: return KEY_ARROW_UP;
        case VKEY_DOWN: return KEY_ARROW_DOWN;
        case VKEY_SHIFT:
        case VKEY_CONTROL:
        case VKEY_MENU: break;
        default: return KEY_UNKNOWN;
    }
    // The message names only "Shift", "Control" or "Alt"; the scan code tells the side.
    u32 scan = (u32)((lparam >> 16) & 0xFF);
    if (lparam & (1LL << 24)) scan |= 0xE000;
    switch (input_map_scan_code_to_virtual_key(scan)) {
        case VKEY_LSHIFT: return KEY_LSHIFT;
        case VKEY_RSHIFT: return KEY_RSHIFT;
        case VKEY_LCONTROL: return KEY_LCONTROL;
        case VKEY_RCONTROL: return KEY_RCONTROL;
        case VKEY_LMENU: return KEY_LALT;
        case VKEY_RMENU: return KEY_RALT;
        default: return KEY_UNKNOWN;
    }
}

void input_keyboard_handler(Window*, const WindowMessage* message, KeyboardState* keyboard) {
    switch (message->message) {
        case WINDOW_MSG_KEYDOWN:
        case WINDOW_MSG_KEYUP:
        case WINDOW_MSG_SYSKEYDOWN:
        case WINDOW_MSG_SYSKEYUP: break;
        default: return;
    }
    u8 code = input_translate_key(message->wparam, message->lparam);
    // Bit 31 is the transition state: clear while the key goes (or stays) down.
    keyboard->key_down[code] = (message->lparam & (1LL << 31)) ? 0 : 1;
}

void input_mouse_handler(Window*, const WindowMessage* message, MouseState* mouse) {
    switch (message->message) {
        case WINDOW_MSG_MOUSEMOVE:
        case WINDOW_MSG_LBUTTONDOWN:
        case WINDOW_MSG_LBUTTONUP:
        case WINDOW_MSG_RBUTTONDOWN:
        case WINDOW_MSG_RBUTTONUP:
        case WINDOW_MSG_MBUTTONDOWN:
        case WINDOW_MSG_MBUTTONUP:
        case WINDOW_MSG_XBUTTONDOWN:
        case WINDOW_MSG_XBUTTONUP: {
            u64 keys = message->wparam;
            const bool left = (keys & 0x0001) != 0;
            if (message->message == WINDOW_MSG_LBUTTONDOWN) mouse->left_press_latch = 1;
            else if (mouse->left_press_latch) mouse->left_press_latch = left ? 1 : 2;
            mouse->button_down[MOUSE_LEFT] = left || mouse->left_press_latch ? 1 : 0;
            mouse->button_down[MOUSE_RIGHT] = (keys & 0x0002) ? 1 : 0;
            mouse->button_down[MOUSE_MIDDLE] = (keys & 0x0010) ? 1 : 0;
            mouse->button_down[MOUSE_X1] = (keys & 0x0020) ? 1 : 0;
            mouse->button_down[MOUSE_X2] = (keys & 0x0040) ? 1 : 0;
            // Signed: a captured cursor left of or above the client area has negative coordinates.
            mouse->x = (i16)(u16)(message->lparam & 0xFFFF);
            mouse->y = (i16)(u16)((message->lparam >> 16) & 0xFFFF);
            break;
        }
        case WINDOW_MSG_MOUSEWHEEL: mouse->wheel = (u32)(message->wparam & 0xFFFFFFFFu); break;
        default: break;
    }
}

void input_character_handler(Window*, const WindowMessage* message, TextInputRing* ring) {
    if (message->message != WINDOW_MSG_CHAR) return;
    u8 c = (u8)(message->wparam & 0xFF);
    if (c < 32 || c == 127) return;
    text_input_ring_push(ring, c);
}

void input_end_frame(MouseState* mouse) {
    mouse->wheel = 0;
    if (mouse->left_press_latch == 2) mouse->button_down[MOUSE_LEFT] = 0;
    mouse->left_press_latch = 0;
}

void text_input_ring_reset(TextInputRing* ring) {
    ring->start = 0;
    ring->count = 0;
}

bool text_input_ring_push(TextInputRing* ring, u8 c) {
    // A full ring keeps what it has: a character typed past 32 in one frame is dropped.
    if (ring->count >= TEXT_INPUT_RING_SIZE) return false;
    ring->characters[(ring->start + ring->count) % TEXT_INPUT_RING_SIZE] = c;
    ring->count++;
    return true;
}

u8 text_input_ring_pop(TextInputRing* ring) {
    if (ring->count == 0) return 0;
    u8 c = ring->characters[ring->start % TEXT_INPUT_RING_SIZE];
    ring->start = (u8)((ring->start + 1) % TEXT_INPUT_RING_SIZE);
    ring->count--;
    return c;
}
