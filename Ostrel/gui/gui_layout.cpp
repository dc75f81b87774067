#include "Ostrel/core/log.h"
#include "Ostrel/gui/gui_types.h"

GuiPoint gui_absolute_position(const LayoutNode* node) {
    if (!node->parent) return GuiPoint{node->x, node->y};
    const LayoutNode* parent = node->parent;
    GuiPoint p = gui_absolute_position(parent);
    p.x += node->x;
    p.y += node->y;
    f32 center_x = parent->w * 0.5f - node->w * 0.5f;
    f32 center_y = parent->h * 0.5f - node->h * 0.5f;
    switch (node->alignment) {
        case ALIGN_TOP_LEFT: break;
        case ALIGN_TOP_CENTER: p.x += center_x; break;
        case ALIGN_TOP_RIGHT: p.x += parent->w - node->w; break;
        case ALIGN_CENTER_LEFT: p.y += center_y; break;
        case ALIGN_CENTER: p.x += center_x; p.y += center_y; break;
        case ALIGN_CENTER_RIGHT: p.x += parent->w - node->w; p.y += center_y; break;
        case ALIGN_BOTTOM_LEFT: p.y += parent->h - node->h; break;
        case ALIGN_BOTTOM_CENTER: p.x += center_x; p.y += parent->h - node->h; break;
        default: log_warning("Relative alignment not implemented."); break;
    }
    return p;
}
