// Keyboard, mouse and typed-character state, fed from window messages once per frame. The
// handlers are portable: they read message numbers.
#pragma once
#include "Ostrel/core/types.h"

// Engine key codes; the names in comments are those of input mapping files.
enum KeyCode : u8 {
    KEY_UNKNOWN = 0,
    KEY_A = 1,  // "keyboard_a" ... KEY_A + 25 = "keyboard_z"
    KEY_Z = 26,
    KEY_0 = 27,  // "keyboard_0" ... KEY_0 + 9 = "keyboard_9"
    KEY_9 = 36,
    KEY_ESCAPE = 37,
    KEY_LCONTROL = 38,
    KEY_LSHIFT = 39,
    KEY_LALT = 40,
    KEY_LSYSTEM = 41,
    KEY_RCONTROL = 42,
    KEY_RSHIFT = 43,
    KEY_RALT = 44,
    KEY_MENU = 45,
    KEY_RSYSTEM = 46,
    KEY_RBRACKET = 47,
    KEY_LBRACKET = 48,
    KEY_SEMICOLON = 49,
    KEY_COMMA = 50,
    KEY_PERIOD = 51,
    KEY_QUOTE = 52,
    KEY_BACKSLASH = 53,
    KEY_TILDE = 54,
    KEY_EQUAL = 55,
    KEY_HYPHEN = 56,
    KEY_SPACE = 57,
    KEY_ENTER = 58,
    KEY_BACKSPACE = 59,
    KEY_TAB = 60,
    KEY_CAPS_LOCK = 61,
    KEY_PAGEUP = 62,
    KEY_PAGEDOWN = 63,
    KEY_END = 64,
    KEY_HOME = 65,
    KEY_INSERT = 66,
    KEY_DEL = 67,
    KEY_PLUS = 68,
    KEY_MINUS = 69,
    KEY_MULTIPLY = 70,
    KEY_DIVIDE = 71,  // also "keyboard_slash"
    // Arrow keys carry ARROW in their names: KEY_UP and KEY_DOWN name key-state flags.
    KEY_ARROW_LEFT = 72,
    KEY_ARROW_RIGHT = 73,
    KEY_ARROW_UP = 74,
    KEY_ARROW_DOWN = 75,
    KEY_NUMPAD0 = 76,  // ... KEY_NUMPAD0 + 9
    KEY_F1 = 86,       // ... KEY_F1 + 19 = F20
    KEY_F20 = 105,
    KEY_F24 = 106,
    KEY_F21 = 107,
    KEY_F22 = 108,
    KEY_F23 = 109,
    KEY_PAUSE = 110,
    KEY_CODE_COUNT = 111,
};

enum MouseButton : u8 {
    MOUSE_UNKNOWN = 0,
    MOUSE_LEFT = 1,
    MOUSE_RIGHT = 2,
    MOUSE_MIDDLE = 3,
    MOUSE_X1 = 4,
    MOUSE_X2 = 5,
    MOUSE_BUTTON_COUNT = 6,
};

enum InputDeviceType : u8 { INPUT_DEVICE_KEYBOARD = 1, INPUT_DEVICE_MOUSE = 2 };

struct KeyboardState {
    u8 device_type;  // INPUT_DEVICE_KEYBOARD
    u8 key_down[KEY_CODE_COUNT];
};

struct MouseState {
    u8 device_type;  // INPUT_DEVICE_MOUSE
    i32 x;
    i32 y;
    u32 wheel;  // low 32 bits of the last wheel message's wParam; signed, its sign is the direction
    u8 button_down[MOUSE_BUTTON_COUNT];
    // A left press seen in this frame's drain keeps the left button down until the end of the
    // frame, so that a tap released within the same drain still reaches the frame: 0 no press,
    // 1 pressed (and held), 2 pressed and released since.
    u8 left_press_latch;
};

enum { TEXT_INPUT_RING_SIZE = 32 };

// Characters typed since the start of the frame (34 bytes).
struct TextInputRing {
    u8 characters[TEXT_INPUT_RING_SIZE];
    u8 start;
    u8 count;
};

// Windows virtual-key numbers the key translation reads.
enum VirtualKey : u32 {
    VKEY_BACK = 0x08,
    VKEY_TAB = 0x09,
    VKEY_RETURN = 0x0D,
    VKEY_SHIFT = 0x10,
    VKEY_CONTROL = 0x11,
    VKEY_MENU = 0x12,
    VKEY_CAPITAL = 0x14,
    VKEY_ESCAPE = 0x1B,
    VKEY_SPACE = 0x20,
    VKEY_PRIOR = 0x21,
    VKEY_LEFT = 0x25,
    VKEY_UP = 0x26,
    VKEY_RIGHT = 0x27,
    VKEY_DOWN = 0x28,
    VKEY_DELETE = 0x2E,
    VKEY_0 = 0x30,
    VKEY_A = 0x41,
    VKEY_LWIN = 0x5B,
    VKEY_RWIN = 0x5C,
    VKEY_NUMPAD0 = 0x60,
    VKEY_F1 = 0x70,
    VKEY_F20 = 0x83,
    VKEY_F21 = 0x84,
    VKEY_F23 = 0x86,
    VKEY_F24 = 0x87,
    VKEY_LSHIFT = 0xA0,
    VKEY_RSHIFT = 0xA1,
    VKEY_LCONTROL = 0xA2,
    VKEY_RCONTROL = 0xA3,
    VKEY_LMENU = 0xA4,
    VKEY_RMENU = 0xA5,
};

struct Window;
struct WindowMessage;

KeyboardState keyboard_state_create();
MouseState mouse_state_create();

void input_keyboard_handler(Window* window, const WindowMessage* message, KeyboardState* keyboard);
void input_mouse_handler(Window* window, const WindowMessage* message, MouseState* mouse);
void input_character_handler(Window* window, const WindowMessage* message, TextInputRing* ring);
// Wheel = 0; a left press released within the frame's drain shows as released from now on.
void input_end_frame(MouseState* mouse);

void text_input_ring_reset(TextInputRing* ring);
bool text_input_ring_push(TextInputRing* ring, u8 c);  // false when the ring is full
u8 text_input_ring_pop(TextInputRing* ring);

// Virtual key + lParam -> engine key code. Shift, Control and Alt are resolved to their side
// from the scan code through the platform's scan-code mapping.
u8 input_translate_key(u64 virtual_key, i64 lparam);
// Platform piece: scan code (with 0xE000 for extended keys) -> side-specific virtual key;
// 0 when the scan code has none.
u32 input_map_scan_code_to_virtual_key(u32 scan_code);

