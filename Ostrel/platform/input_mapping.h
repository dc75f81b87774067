// Named actions bound to keys and mouse buttons from an INI file. Loading points each action at
// the state byte of its key or button, so reading an action later is one byte read.
#pragma once
#include "Ostrel/core/allocator.h"
#include "Ostrel/core/string_view.h"

enum InputMappingType : u8 { INPUT_MAPPING_KEYBOARD_AND_MOUSE = 1 };

struct InputMapping {
    // Two device-state records (a KeyboardState and a MouseState, in either order), told apart by
    // their leading device type byte. A null slot stands for a device the mapping lacks.
    void** devices;
    u8 mapping_type;  // InputMappingType
};

enum { INPUT_ACTION_NAME_SIZE = 64, INPUT_MAPPING_DEVICE_COUNT = 2 };

struct InputAction {
    char name[INPUT_ACTION_NAME_SIZE];  // the action's key in the file, NUL-terminated
    void* device;                       // the device-state record the action is bound to
    u8* state;                          // key-down byte of the key, or the button's flag byte
    u64 reserved;
};

// The mapping file's section.
#define INPUT_MAPPING_SECTION "keyboard_and_mouse"

// Reads the file and resolves every action in order. Logs and returns false at the first action
// that cannot be bound; the actions before it keep their bindings.
bool input_mapping_load(InputMapping* mapping, const char* path, InputAction* actions, u32 action_count,
                        Allocator* allocator);
// The resolution step of the load, over a file already in memory (keyboard and mouse type).
bool input_mapping_resolve(InputMapping* mapping, const u8* text, u32 size, InputAction* actions, u32 action_count);

// Engine key code (0..110) of an exact "keyboard_..." name; false for any other text.
bool input_key_code_from_name(StringView name, u8* out_code);
// Mouse button code (0..5) of an exact "mouse_..." name; false for any other text.
bool input_mouse_button_from_name(StringView name, u8* out_button);
// The name of a key code ("keyboard_divide" for 71); null for code 0 and past the last code.
const char* input_key_name(u8 code);
const char* input_mouse_button_name(u8 button);
