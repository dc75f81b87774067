#include "Ostrel/platform/input_mapping.h"
#include <string.h>
#include "Ostrel/core/ini.h"
#include "Ostrel/core/log.h"
#include "Ostrel/platform/file.h"
#include "Ostrel/platform/input.h"

// Indexed by engine key code.
static const char* const k_key_names[KEY_CODE_COUNT] = {
    nullptr,  // code 0 collects untranslated keys and has no name
    "keyboard_a", "keyboard_b", "keyboard_c", "keyboard_d", "keyboard_e", "keyboard_f", "keyboard_g",
    "keyboard_h", "keyboard_i", "keyboard_j", "keyboard_k", "keyboard_l", "keyboard_m", "keyboard_n",
    "keyboard_o", "keyboard_p", "keyboard_q", "keyboard_r", "keyboard_s", "keyboard_t", "keyboard_u",
    "keyboard_v", "keyboard_w", "keyboard_x", "keyboard_y", "keyboard_z",
    "keyboard_0", "keyboard_1", "keyboard_2", "keyboard_3", "keyboard_4", "keyboard_5", "keyboard_6",
    "keyboard_7", "keyboard_8", "keyboard_9",
    "keyboard_escape", "keyboard_lcontrol", "keyboard_lshift", "keyboard_lalt", "keyboard_lsystem",
    "keyboard_rcontrol", "keyboard_rshift", "keyboard_ralt", "keyboard_menu", "keyboard_rsystem",
    "keyboard_rbracket", "keyboard_lbracket", "keyboard_semicolon", "keyboard_comma", "keyboard_period",
    "keyboard_quote", "keyboard_backslash", "keyboard_tilde", "keyboard_equal", "keyboard_hyphen",
    "keyboard_space", "keyboard_enter", "keyboard_backspace", "keyboard_tab", "keyboard_caps_lock",
    "keyboard_pageup", "keyboard_pagedown", "keyboard_end", "keyboard_home", "keyboard_insert",
    "keyboard_del", "keyboard_plus", "keyboard_minus", "keyboard_multiply", "keyboard_divide",
    "keyboard_left", "keyboard_right", "keyboard_up", "keyboard_down",
    "keyboard_numpad0", "keyboard_numpad1", "keyboard_numpad2", "keyboard_numpad3", "keyboard_numpad4",
    "keyboard_numpad5", "keyboard_numpad6", "keyboard_numpad7", "keyboard_numpad8", "keyboard_numpad9",
    "keyboard_f1", "keyboard_f2", "keyboard_f3", "keyboard_f4", "keyboard_f5", "keyboard_f6", "keyboard_f7",
    "keyboard_f8", "keyboard_f9", "keyboard_f10", "keyboard_f11", "keyboard_f12", "keyboard_f13",
    "keyboard_f14", "keyboard_f15", "keyboard_f16", "keyboard_f17", "keyboard_f18", "keyboard_f19",
    "keyboard_f20", "keyboard_f24", "keyboard_f21", "keyboard_f22", "keyboard_f23", "keyboard_pause",
};

static const char* const k_mouse_names[MOUSE_BUTTON_COUNT] = {
    "mouse_unknown", "mouse_left", "mouse_right", "mouse_middle", "mouse_x1", "mouse_x2",
};

static bool name_equals(StringView name, const char* candidate) {
    return string_view_equal(name, string_view_cstr(candidate));
}

const char* input_key_name(u8 code) { return code < KEY_CODE_COUNT ? k_key_names[code] : nullptr; }

const char* input_mouse_button_name(u8 button) { return button < MOUSE_BUTTON_COUNT ? k_mouse_names[button] : nullptr; }

bool input_key_code_from_name(StringView name, u8* out_code) {
    for (u32 code = 1; code < KEY_CODE_COUNT; code++) {
        if (name_equals(name, k_key_names[code])) {
            *out_code = (u8)code;
            return true;
        }
    }
    if (name_equals(name, "keyboard_slash")) {
        *out_code = KEY_DIVIDE;
        return true;
    }
    return false;
}

bool input_mouse_button_from_name(StringView name, u8* out_button) {
    for (u32 button = 0; button < MOUSE_BUTTON_COUNT; button++) {
        if (name_equals(name, k_mouse_names[button])) {
            *out_button = (u8)button;
            return true;
        }
    }
    return false;
}

bool input_mapping_resolve(InputMapping* mapping, const u8* text, u32 size, InputAction* actions, u32 action_count) {
    KeyboardState* keyboard = nullptr;
    MouseState* mouse = nullptr;
    for (u32 i = 0; mapping->devices && i < INPUT_MAPPING_DEVICE_COUNT; i++) {
        void* device = mapping->devices[i];
        if (!device) continue;
        u8 type = *(const u8*)device;
        if (type == INPUT_DEVICE_KEYBOARD && !keyboard) keyboard = (KeyboardState*)device;
        else if (type == INPUT_DEVICE_MOUSE && !mouse) mouse = (MouseState*)device;
    }
    for (u32 i = 0; i < action_count; i++) {
        InputAction* action = &actions[i];
        // The name field is fixed-size: a name that fills it without a terminator is cut at 63 bytes
        // rather than read past the field.
        char name[INPUT_ACTION_NAME_SIZE];
        u32 name_length = (u32)strnlen(action->name, INPUT_ACTION_NAME_SIZE - 1);
        memcpy(name, action->name, name_length);
        name[name_length] = 0;

        IniValueSpan span;
        if (!ini_find_value(text, size, INPUT_MAPPING_SECTION, name, &span)) {
            log_error("Failed to get ini action: % !", (const char*)name);
            return false;
        }
        StringView value = StringView{text + span.value_start, span.value_end - span.value_start};
        u8 code = 0;
        if (input_key_code_from_name(value, &code)) {
            if (!keyboard) {
                log_error("Input mapping has no keyboard state for the action %.", (const char*)name);
                return false;
            }
            action->device = keyboard;
            action->state = &keyboard->key_down[code];
        } else if (input_mouse_button_from_name(value, &code)) {
            if (!mouse) {
                log_error("Input mapping has no mouse state for the action %.", (const char*)name);
                return false;
            }
            action->device = mouse;
            action->state = &mouse->button_down[code];
        } else {
            log_error("Unknown input value: \"%\".", value);
            return false;
        }
        action->reserved = 0;
    }
    return true;
}

bool input_mapping_load(InputMapping* mapping, const char* path, InputAction* actions, u32 action_count,
                        Allocator* allocator) {
    u8* text = nullptr;
    u32 size = 0;
    if (file_read_whole(path, allocator, 0xFFFFFFFFull, &text, &size) != FILE_READ_OK) {
        log_error("Failed to get input configuration from %.", path);
        return false;
    }
    bool result = false;
    if (mapping->mapping_type == INPUT_MAPPING_KEYBOARD_AND_MOUSE) {
        result = input_mapping_resolve(mapping, text, size, actions, action_count);
    } else {
        log_error("Mapping type not supported: %.", mapping->mapping_type);
    }
    allocator_free(allocator, text);
    return result;
}
