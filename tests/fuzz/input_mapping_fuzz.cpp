// Input mapping resolution on arbitrary file text: it never reads or points outside the two
// device records, an action it leaves bound holds exactly the byte its value names, and the
// name lookups agree with each other.
#include <stdlib.h>
#include <string.h>
#include "Ostrel/core/ini.h"
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/input_mapping.h"

static bool points_into(const void* p, const void* base, size_t size) {
    return (const u8*)p >= (const u8*)base && (const u8*)p < (const u8*)base + size;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (size > 1 << 20) return 0;
    u32 n = (u32)size;
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();
    // The first byte chooses which records the mapping holds, so missing ones are exercised too.
    u8 choice = n ? data[0] : 0;
    void* devices[2] = {(choice & 1) ? nullptr : (void*)&keyboard, (choice & 2) ? nullptr : (void*)&mouse};
    if (choice & 4) {
        void* t = devices[0];
        devices[0] = devices[1];
        devices[1] = t;
    }
    InputMapping mapping = {devices, INPUT_MAPPING_KEYBOARD_AND_MOUSE};
    static const char* names[] = {"Jump", "Fire", "A", "keyboard_a", "Run "};
    InputAction actions[5] = {};
    for (u32 i = 0; i < 5; i++) strcpy(actions[i].name, names[i]);
    bool ok = input_mapping_resolve(&mapping, data, n, actions, 5);
    u32 bound = 0;
    for (; bound < 5 && actions[bound].state; bound++) {
        const InputAction& a = actions[bound];
        IniValueSpan span;
        if (!ini_find_value(data, n, INPUT_MAPPING_SECTION, a.name, &span)) abort();
        StringView value = {data + span.value_start, span.value_end - span.value_start};
        u8 code = 0;
        if (input_key_code_from_name(value, &code)) {
            if (a.device != &keyboard || a.state != &keyboard.key_down[code]) abort();
        } else if (input_mouse_button_from_name(value, &code)) {
            if (a.device != &mouse || a.state != &mouse.button_down[code]) abort();
        } else {
            abort();
        }
        if (!points_into(a.state, &keyboard, sizeof keyboard) && !points_into(a.state, &mouse, sizeof mouse)) abort();
    }
    for (u32 i = bound; i < 5; i++)
        if (actions[i].state || actions[i].device) abort();
    if (ok != (bound == 5)) abort();
    return 0;
}
