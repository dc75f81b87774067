#include <windows.h>
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/window.h"

// The portable input code reads these numbers without windows.h.
static_assert(VKEY_SHIFT == VK_SHIFT && VKEY_CONTROL == VK_CONTROL && VKEY_MENU == VK_MENU);
static_assert(VKEY_LSHIFT == VK_LSHIFT && VKEY_RSHIFT == VK_RSHIFT && VKEY_LCONTROL == VK_LCONTROL);
static_assert(VKEY_RCONTROL == VK_RCONTROL && VKEY_LMENU == VK_LMENU && VKEY_RMENU == VK_RMENU);
static_assert(VKEY_ESCAPE == VK_ESCAPE && VKEY_LWIN == VK_LWIN && VKEY_RWIN == VK_RWIN);
static_assert(VKEY_NUMPAD0 == VK_NUMPAD0 && VKEY_F1 == VK_F1 && VKEY_F20 == VK_F20 && VKEY_F24 == VK_F24);
static_assert(VKEY_DELETE == VK_DELETE && VKEY_CAPITAL == VK_CAPITAL && VKEY_PRIOR == VK_PRIOR);
static_assert(WINDOW_MSG_KEYDOWN == WM_KEYDOWN && WINDOW_MSG_SYSKEYUP == WM_SYSKEYUP && WINDOW_MSG_CHAR == WM_CHAR);
static_assert(WINDOW_MSG_MOUSEWHEEL == WM_MOUSEWHEEL && WINDOW_MSG_XBUTTONUP == WM_XBUTTONUP);
static_assert(WINDOW_MSG_EXITSIZEMOVE == WM_EXITSIZEMOVE && WINDOW_MSG_STYLECHANGED == WM_STYLECHANGED);

u32 input_map_scan_code_to_virtual_key(u32 scan_code) {
    u32 vk = MapVirtualKeyW(scan_code, MAPVK_VSC_TO_VK_EX);
    // Some implementations (Wine 8) drop the 0xE0 prefix and answer with the left-side key;
    // the extended Control and Alt keys are the right-hand ones.
    if ((scan_code & 0xFF00) == 0xE000) {
        if (vk == VK_LCONTROL) vk = VK_RCONTROL;
        else if (vk == VK_LMENU) vk = VK_RMENU;
    }
    return vk;
}
