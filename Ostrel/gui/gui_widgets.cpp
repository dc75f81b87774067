// Rectangle, panel, labels, box, button, check box and slider. Each call builds its elements on
// the stack, reacts to this frame's input, draws and releases them.
#include "Ostrel/gui/gui.h"

static void write_node(LayoutNode* out, const LayoutNode& node) {
    if (out) *out = node;
}

u32 gui_rect(GuiContext* ctx, const GuiRectParams& p) {
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    GuiElement e;
    gui_init_element(&e, ctx, p.width, p.height, 0.0f, 0.0f, 0.0f, p.color, GUI_NO_TEXTURE, &node, ALIGN_TOP_LEFT);
    gui_hit_test(&e);
    gui_draw_shape(&e);
    write_node(p.out_node, node);
    return e.held_button;
}

void gui_panel(GuiContext* ctx, const GuiPanelParams& p) {
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    GuiElement e;
    gui_init_element(&e, ctx, p.width, p.height, p.radius, 0.0f, 0.0f, p.color, p.texture, &node, ALIGN_TOP_LEFT);
    gui_hit_test(&e);
    gui_draw_shape(&e);
    write_node(p.out_node, node);
}

// The label's node is its text element's node: its size is only known once the text is laid out.
static void label(GuiContext* ctx, const GlyphMap* map, const GuiTexture& atlas, const char* text, u32 length,
                  f32 max_width, u32 color, f32 x, f32 y, LayoutNode* out_node, LayoutNode* parent, u32 alignment,
                  u32 vertical_adjust) {
    GuiElement e;
    gui_init_text_element(&e, ctx, map, atlas, text, length, max_width, color, x, y, parent, alignment,
                          vertical_adjust);
    write_node(out_node, e.node);
    gui_draw_text(&e);
}

void gui_label(GuiContext* ctx, const GuiLabelParams& p) {
    // A negative width would mean "unbounded" to the element; a bounded label keeps its bound.
    f32 max_width = p.max_width > 0.0f ? p.max_width : 0.0f;
    label(ctx, p.glyph_map, p.text_texture, p.text, p.length, max_width, p.color, p.x, p.y, p.out_node, p.parent,
          p.alignment, p.vertical_adjust);
}

void gui_label_unbounded(GuiContext* ctx, const GuiLabelUnboundedParams& p) {
    label(ctx, p.glyph_map, p.text_texture, p.text, p.length, -1.0f, p.color, p.x, p.y, p.out_node, p.parent,
          p.alignment, p.vertical_adjust);
}

void gui_box(GuiContext* ctx, const GuiBoxParams& p) {
    const BoxStyle* s = p.style;
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    f32 t = s->border_thickness;
    GuiElement outer, inner;
    gui_init_element(&outer, ctx, p.width, p.height, 0.0f, 0.0f, 0.0f, s->outer_color, s->outer_texture, &node,
                     ALIGN_TOP_LEFT);
    gui_init_element(&inner, ctx, p.width - 2.0f * t, p.height - 2.0f * t, 0.0f, t, t, s->inner_color,
                     s->inner_texture, &node, ALIGN_TOP_LEFT);
    gui_draw_shape(&outer);
    gui_draw_shape(&inner);
    write_node(p.out_node, node);
}

bool gui_button(GuiContext* ctx, const GuiButtonParams& p) {
    const ButtonStyle* s = p.style;
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    GuiElement background;
    gui_init_element(&background, ctx, p.width, p.height, s->radius, 0.0f, 0.0f, s->normal_color, s->normal_texture,
                     &node, ALIGN_TOP_LEFT);
    gui_hit_test(&background);

    bool clicked = false;
    u32 text_color = s->normal_text_color;
    if (background.held_button && !ctx->previous_input.left_button) {
        clicked = true;
        background.color = s->pressed_color;
        background.texture = s->pressed_texture;
        text_color = s->pressed_text_color;
    } else if (background.hovered) {
        // Hovered, or held since an earlier frame: no second click.
        background.color = s->hovered_color;
        background.texture = s->hovered_texture;
        text_color = s->hovered_text_color;
    }

    GuiElement caption;
    gui_init_text_element(&caption, ctx, s->glyph_map, s->text_texture, p.text, p.text_length, p.width * 0.95f,
                          text_color, 0.0f, 0.0f, &node, p.text_alignment, 1);
    gui_draw_shape(&background);
    gui_draw_text(&caption);
    write_node(p.out_node, node);
    return clicked;
}

bool gui_check_box(GuiContext* ctx, const GuiCheckBoxParams& p) {
    const CheckBoxStyle* s = p.style;
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    bool checked = p.checked != 0;
    GuiElement e;
    gui_init_element(&e, ctx, p.width, p.height, s->radius, 0.0f, 0.0f, checked ? s->second_color : s->first_color,
                     GUI_NO_TEXTURE, &node, ALIGN_TOP_LEFT);
    gui_hit_test(&e);
    if (e.held_button && !ctx->previous_input.left_button) {
        checked = !checked;
        e.color = checked ? s->second_color : s->first_color;
    }
    gui_draw_shape(&e);
    write_node(p.out_node, node);
    return checked;
}

static f32 lerp(f32 a, f32 b, f32 t) { return (1.0f - t) * a + t * b; }

bool gui_slider(GuiContext* ctx, const GuiSliderParams& p) {
    const SliderStyle* s = p.style;
    bool vertical = p.orientation == GUI_SLIDER_VERTICAL;
    f32 w = p.track_width > p.knob_width ? p.track_width : p.knob_width;
    f32 h = p.track_height > p.knob_height ? p.track_height : p.knob_height;
    LayoutNode node = {p.x, p.y, w, h, p.parent, p.alignment};
    GuiElement track, knob;
    gui_init_element(&track, ctx, p.track_width, p.track_height, 0.0f, 0.0f, 0.0f, s->track_color, s->track_texture,
                     &node, ALIGN_TOP_LEFT);
    gui_init_element(&knob, ctx, p.knob_width, p.knob_height, 0.0f, 0.0f, 0.0f, s->knob_normal_color,
                     s->knob_normal_texture, &node, ALIGN_TOP_LEFT);

    // The knob's centre runs the whole track: lo is value 0 (left or bottom), hi value 1.
    f32 lo, hi;
    f32* position;
    if (vertical) {
        lo = p.track_height - p.knob_height * 0.5f;
        hi = -p.knob_height * 0.5f;
        knob.node.x = p.track_width * 0.5f - p.knob_width * 0.5f;
        position = &knob.node.y;
    } else {
        lo = -p.knob_width * 0.5f;
        hi = p.track_width - p.knob_width * 0.5f;
        knob.node.y = p.track_height * 0.5f - p.knob_height * 0.5f;
        position = &knob.node.x;
    }
    *position = lerp(lo, hi, p.value);

    u8 dragging = p.dragging;
    bool result = false;
    if (!dragging) {
        gui_hit_test(&knob);
        if (gui_button_edge(ctx)) dragging = knob.held_button != 0;
        if (knob.hovered) {
            knob.color = s->knob_hovered_color;
            knob.texture = s->knob_hovered_texture;
        }
    } else if (ctx->input.left_button) {
        i32 delta = vertical ? ctx->input.mouse_y - ctx->previous_input.mouse_y
                             : ctx->input.mouse_x - ctx->previous_input.mouse_x;
        f32 low_end = lo < hi ? lo : hi, high_end = lo < hi ? hi : lo;
        *position = ostrel_clamp(*position + (f32)delta, low_end, high_end);
        knob.color = s->knob_dragged_color;
        knob.texture = s->knob_dragged_texture;
        result = true;
    } else {
        dragging = 0;
    }

    gui_draw_shape(&track);
    gui_draw_shape(&knob);
    // A track of length 0 has no range to map: the value stays as given.
    f32 value = hi != lo ? (*position - lo) / (hi - lo) : p.value;
    if (p.value_out) *p.value_out = value;
    if (p.dragging_out) *p.dragging_out = dragging;
    write_node(p.out_node, node);
    return result;
}
