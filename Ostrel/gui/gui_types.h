// Plain records shared by the GUI toolkit and the GUI renderer: layout nodes and the per-frame
// input snapshot.
#pragma once
#include "Ostrel/platform/input.h"

enum Alignment : u32 {
    ALIGN_TOP_LEFT = 0,
    ALIGN_TOP_CENTER = 1,
    ALIGN_TOP_RIGHT = 2,
    ALIGN_CENTER_LEFT = 3,
    ALIGN_CENTER = 4,
    ALIGN_CENTER_RIGHT = 5,
    ALIGN_BOTTOM_LEFT = 6,
    ALIGN_BOTTOM_CENTER = 7,
};

// Starts every widget record and sits inside every element.
struct LayoutNode {
    f32 x, y;  // relative to the parent's absolute position, before alignment
    f32 w, h;
    LayoutNode* parent;  // null: x, y are window pixels and alignment is ignored
    u32 alignment;
};

// This frame's input; copied wholesale into the previous-input record each frame.
struct GuiInput {
    i32 wheel;  // +1, 0, -1; a widget that uses it sets it to 0
    i32 mouse_x;
    i32 mouse_y;
    u32 left_button;
    TextInputRing typed;
    u8 del;
    u8 del_control;
    u8 backspace;
    u8 backspace_control;
    u8 enter;
    u8 arrows;  // bit 0 left, bit 1 right
    u8 shift;
    u8 select_all;
    u8 copy;
    u8 cut;
    u8 paste;
};

enum { GUI_ARROW_LEFT = 1, GUI_ARROW_RIGHT = 2 };

// The editing keys of this frame as the program hands them over: 1 when pressed or repeating;
// the letters of the Ctrl shortcuts only on their press.
struct GuiKeys {
    u8 del, backspace, enter, arrow_left, arrow_right;
    u8 letter_a, letter_c, letter_x, letter_v;
};

struct GuiPoint {
    f32 x, y;
};

// Absolute window position of a node: parent's absolute position + own position + alignment.
GuiPoint gui_absolute_position(const LayoutNode* node);

// Clipboard access handed to the GUI by the program. get: with a null buffer yields the length;
// otherwise copies at most `capacity` bytes and sets *length to the bytes copied.
typedef void (*GuiClipboardGetFn)(u8* buffer, u32 capacity, u32* length);
typedef void (*GuiClipboardSetFn)(const u8* text, u32 length);
