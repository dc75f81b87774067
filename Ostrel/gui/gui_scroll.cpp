// Scroll region (a clipped, scrolling run of items) and scroll bar. A region and its bar share
// the caller's fraction: 0 shows the start of the content, 1 its end.
#include "Ostrel/gui/gui.h"

void gui_scroll_region_item(LayoutNode* out, ScrollRegion* region, f32 extent) {
    out->parent = &region->node;
    out->alignment = ALIGN_TOP_LEFT;
    if (region->orientation == GUI_SCROLL_HORIZONTAL) {
        out->w = extent;
        out->x = region->item_offset;
        out->y = 0.0f;
    } else {
        out->h = extent;
        out->x = 0.0f;
        out->y = region->item_offset;
    }
    region->item_offset += region->spacing + extent;
    region->content_extent += region->spacing + extent;
}

void gui_scroll_region(GuiContext* ctx, const GuiScrollRegionParams& p, const GuiScrollRegionCall& call) {
    f32 fraction = call.fraction ? *call.fraction : 0.0f;
    f32 content = call.content_extent ? *call.content_extent : 0.0f;
    bool horizontal = p.orientation == GUI_SCROLL_HORIZONTAL;
    f32 visible = horizontal ? p.width : p.height;

    ScrollRegion region = {};
    region.node = LayoutNode{p.x, p.y, p.width, p.height, p.parent, p.alignment};
    region.orientation = p.orientation;
    region.spacing = p.spacing;
    region.item_offset = -fraction * (content - visible);
    region.content_extent = 0.0f;

    GuiElement background;
    gui_init_element(&background, ctx, p.width, p.height, 0.0f, 0.0f, 0.0f, p.style->background_color,
                     p.style->background_texture, &region.node, ALIGN_TOP_LEFT);
    gui_hit_test(&background);
    gui_draw_shape(&background);

    // The region's own rectangle, not cut by an enclosing clip.
    GuiRect saved = ctx->clip_rect;
    ctx->clip_rect = gui_node_rect(&region.node);
    gui_set_scissor(ctx);

    if (call.item) {
        for (u32 i = 0; i < call.item_count; i++) {
            if (!call.item(ctx, &region, i, call.user)) break;
        }
    }

    if (gui_mouse_in_clip(ctx)) {
        if (ctx->input.wheel >= 1) fraction = fraction - p.wheel_step < 0.0f ? 0.0f : fraction - p.wheel_step;
        else if (ctx->input.wheel < 0) fraction = fraction + p.wheel_step > 1.0f ? 1.0f : fraction + p.wheel_step;
        ctx->input.wheel = 0;
    }
    if (visible > region.content_extent) fraction = 0.0f;

    ctx->clip_rect = saved;
    gui_set_scissor(ctx);

    if (call.fraction) *call.fraction = fraction;
    if (call.content_extent) *call.content_extent = region.content_extent;
    if (call.out_node) *call.out_node = region.node;
}

void gui_scroll_bar(GuiContext* ctx, const GuiScrollBarParams& p, const GuiScrollBarCall& call) {
    const ScrollBarStyle* s = p.style;
    bool horizontal = p.orientation == GUI_SCROLL_HORIZONTAL;
    const f32 thick = p.thickness;
    LayoutNode node = {p.x, p.y, horizontal ? p.length : thick, horizontal ? thick : p.length, p.parent, p.alignment};

    // A visible fraction past 1 (or not a number) means everything is visible.
    f32 t = call.visible_fraction;
    if (!(t < 1.0f)) t = 1.0f;
    if (t < 0.0f) t = 0.0f;
    f32 fraction = call.fraction ? *call.fraction : 0.0f;
    u8 dragging = call.dragging ? *call.dragging : 0;

    GuiElement backward, forward;
    gui_init_element(&backward, ctx, thick, thick, 0.0f, 0.0f, 0.0f, s->backward_color, s->backward_texture, &node,
                     ALIGN_TOP_LEFT);
    gui_init_element(&forward, ctx, thick, thick, 0.0f, 0.0f, 0.0f, s->forward_color, s->forward_texture, &node,
                     horizontal ? ALIGN_TOP_RIGHT : ALIGN_BOTTOM_LEFT);

    GuiInput* in = &ctx->input;
    bool down = in->left_button != 0;
    if (gui_mouse_in_rect(ctx, &backward.node)) {
        if (down && t < 1.0f) fraction = fraction - p.button_step < 0.0f ? 0.0f : fraction - p.button_step;
    } else if (gui_mouse_in_rect(ctx, &forward.node)) {
        if (down && t < 1.0f) fraction = fraction + p.button_step > 1.0f ? 1.0f : fraction + p.button_step;
    } else if (gui_mouse_in_rect(ctx, &node)) {
        if (in->wheel >= 1) {
            fraction -= p.wheel_step;
            in->wheel = 0;
        } else if (in->wheel < 0) {
            fraction += p.wheel_step;
            in->wheel = 0;
        }
        // A drag starts only with a press over the bar, not by sliding onto it with the button down.
        if (down && !(ctx->previous_input.left_button && !dragging)) dragging = 1;
        fraction = ostrel_clamp(fraction, 0.0f, 1.0f);
    }

    // The slide bar's room between the buttons, its length and the room it can move in.
    f32 room = p.length - 2.0f * thick;
    if (room < 0.0f) room = 0.0f;
    f32 bar = room * t;
    f32 free = room - bar;
    if (dragging) {
        if (down) {
            if (t < 1.0f && free > 0.0f) {
                i32 delta = horizontal ? in->mouse_x - ctx->previous_input.mouse_x
                                       : in->mouse_y - ctx->previous_input.mouse_y;
                fraction = ostrel_clamp((free * fraction + (f32)delta) / free, 0.0f, 1.0f);
            }
        } else {
            dragging = 0;
            fraction = ostrel_clamp(fraction, 0.0f, 1.0f);
        }
    }
    if (call.fraction) *call.fraction = fraction;
    if (call.dragging) *call.dragging = dragging;

    f32 start = thick + free * fraction;
    GuiElement slide;
    if (horizontal)
        gui_init_element(&slide, ctx, bar, thick, 0.0f, start, 0.0f, s->slide_bar_color, s->slide_bar_texture, &node,
                         ALIGN_TOP_LEFT);
    else
        gui_init_element(&slide, ctx, thick, bar, 0.0f, 0.0f, start, s->slide_bar_color, s->slide_bar_texture, &node,
                         ALIGN_TOP_LEFT);
    gui_draw_shape(&backward);
    gui_draw_shape(&forward);
    gui_draw_shape(&slide);
    if (call.out_node) *call.out_node = node;
}
