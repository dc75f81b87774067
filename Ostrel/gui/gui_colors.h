// The twenty colours a colour scheme gives the GUI, in scheme-record order. Colours are packed
// RGBA: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31.
#pragma once
#include "Ostrel/core/types.h"

enum GuiColor : u32 {
    GUI_COLOR_BACKGROUND = 0,          // BACKGROUND_COLOR
    GUI_COLOR_TEXT = 1,                // TEXT_COLOR
    GUI_COLOR_BUTTON = 2,              // BUTTON
    GUI_COLOR_BUTTON_HOVERED = 3,      // BUTTON_HOVERED
    GUI_COLOR_TEXT_INPUT_BACKGROUND = 4,
    GUI_COLOR_TEXT_INPUT_BORDER = 5,
    GUI_COLOR_TEXT_INPUT_CURSOR = 6,
    GUI_COLOR_TEXT_INPUT_SELECT_BOX = 7,
    GUI_COLOR_VOLUME_CONTROL_BORDER = 8,
    GUI_COLOR_VOLUME_CONTROL_BACKGROUND = 9,
    GUI_COLOR_SLIDER_GAUGE = 10,
    GUI_COLOR_SLIDER_CONTROL = 11,
    GUI_COLOR_SLIDER_CONTROL_HOVERED = 12,
    GUI_COLOR_SLIDER_CONTROL_ACTIVATED = 13,
    GUI_COLOR_SCROLLABLE_REGION_BACKGROUND = 14,
    GUI_COLOR_SCROLL_BAR_BACKWARD_BUTTON = 15,
    GUI_COLOR_SCROLL_BAR_FORWARD_BUTTON = 16,
    GUI_COLOR_SCROLL_BAR_SLIDE_BAR = 17,
    GUI_COLOR_CHECK_BOX_CHECKED = 18,
    GUI_COLOR_CHECK_BOX_UNCHECKED = 19,
    GUI_COLOR_COUNT = 20,
};

inline u32 gui_pack_color(u8 r, u8 g, u8 b, u8 a) { return (u32)r | ((u32)g << 8) | ((u32)b << 16) | ((u32)a << 24); }
