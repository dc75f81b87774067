// Scan-code mapping for builds without Win32: the US layout's set-1 scan codes, as the Windows
// mapping (scan code to side-specific virtual key) reports them with Num Lock off.
#include "Ostrel/platform/input.h"

static const u8 k_set1_to_virtual_key[0x59] = {
    0x00, 0x1B, '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  0xBD, 0xBB, 0x08, 0x09,  // 00
    'Q',  'W',  'E',  'R',  'T',  'Y',  'U',  'I',  'O',  'P',  0xDB, 0xDD, 0x0D, 0xA2, 'A',  'S',   // 10
    'D',  'F',  'G',  'H',  'J',  'K',  'L',  0xBA, 0xDE, 0xC0, 0xA0, 0xDC, 'Z',  'X',  'C',  'V',   // 20
    'B',  'N',  'M',  0xBC, 0xBE, 0xBF, 0xA1, 0x6A, 0xA4, 0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74,  // 30
    0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x24, 0x26, 0x21, 0x6D, 0x25, 0x0C, 0x27, 0x6B, 0x23,  // 40
    0x28, 0x22, 0x2D, 0x2E, 0x00, 0x00, 0xE2, 0x7A, 0x7B,                                            // 50
};

u32 input_map_scan_code_to_virtual_key(u32 scan_code) {
    if ((scan_code & 0xFF00) == 0) return scan_code < sizeof k_set1_to_virtual_key ? k_set1_to_virtual_key[scan_code] : 0;
    if ((scan_code & 0xFF00) != 0xE000) return 0;
    switch (scan_code & 0xFF) {
        case 0x1C: return VKEY_RETURN;
        case 0x1D: return VKEY_RCONTROL;
        case 0x35: return 0x6F;  // numpad divide
        case 0x38: return VKEY_RMENU;
        case 0x47: return 0x24;  // home
        case 0x48: return VKEY_UP;
        case 0x49: return VKEY_PRIOR;
        case 0x4B: return VKEY_LEFT;
        case 0x4D: return VKEY_RIGHT;
        case 0x4F: return 0x23;  // end
        case 0x50: return VKEY_DOWN;
        case 0x51: return 0x22;  // page down
        case 0x52: return 0x2D;  // insert
        case 0x53: return VKEY_DELETE;
        case 0x5B: return VKEY_LWIN;
        case 0x5C: return VKEY_RWIN;
        case 0x5D: return 0x5D;  // application (menu) key
        default: return 0;
    }
}
