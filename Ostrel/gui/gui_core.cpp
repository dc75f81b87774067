// Style records and their colouring, the per-frame input snapshot, hit testing and elements.
#include "Ostrel/gui/gui.h"

//-----------------------------------------------------------------------------
// Style records
//-----------------------------------------------------------------------------

// Constant initialisation throughout: the records are valid before any constructor runs.
static constexpr ButtonStyle k_button_defaults = {
    GUI_NO_TEXTURE, GUI_NO_TEXTURE, GUI_NO_TEXTURE,  //
    GUI_WHITE,      GUI_YELLOW,     GUI_RED,         //
    0.0f,           GUI_NO_TEXTURE, nullptr,         //
    GUI_WHITE,      GUI_WHITE,      GUI_WHITE,
};
ButtonStyle DefaultButtonStyle = k_button_defaults;
ButtonStyle ListButtonStyle = k_button_defaults;

BoxStyle DefaultBoxStyle = {GUI_BLACK, GUI_NO_TEXTURE, 2.0f, GUI_WHITE, GUI_NO_TEXTURE};

SliderStyle DefaultSliderStyle = {
    GUI_NO_TEXTURE, GUI_WHITE,                       //
    GUI_NO_TEXTURE, GUI_NO_TEXTURE, GUI_NO_TEXTURE,  //
    GUI_WHITE,      GUI_YELLOW,     GUI_RED,
};

TextInputStyle DefaultTextInputStyle = {
    GUI_NO_TEXTURE, GUI_WHITE, GUI_GREY, 8, 20, GUI_WHITE, GUI_NO_TEXTURE, nullptr, GUI_WHITE,
};

CheckBoxStyle DefaultCheckBoxStyle = {0, 0, 0.0f};

ScrollRegionStyle DefaultScrollRegionStyle = {GUI_WHITE, GUI_NO_TEXTURE};

ScrollBarStyle DefaultScrollBarStyle = {
    GUI_WHITE, GUI_NO_TEXTURE, GUI_WHITE, GUI_NO_TEXTURE, GUI_WHITE, GUI_NO_TEXTURE,
};

void gui_set_style_font(const GlyphMap* glyph_map, const GuiTexture& atlas) {
    ButtonStyle* buttons[2] = {&DefaultButtonStyle, &ListButtonStyle};
    for (ButtonStyle* b : buttons) {
        b->text_texture = atlas;
        b->glyph_map = glyph_map;
    }
    DefaultTextInputStyle.text_texture = atlas;
    DefaultTextInputStyle.glyph_map = glyph_map;
}

void gui_apply_color_scheme(const u32 colors[GUI_COLOR_COUNT]) {
    ButtonStyle* buttons[2] = {&DefaultButtonStyle, &ListButtonStyle};
    for (ButtonStyle* b : buttons) {
        b->normal_text_color = colors[GUI_COLOR_TEXT];
        b->hovered_text_color = colors[GUI_COLOR_TEXT];
        b->pressed_text_color = colors[GUI_COLOR_TEXT];
        b->normal_color = colors[GUI_COLOR_BUTTON];
        b->hovered_color = colors[GUI_COLOR_BUTTON_HOVERED];
        b->pressed_color = colors[GUI_COLOR_BUTTON_HOVERED];
    }
    DefaultTextInputStyle.text_color = colors[GUI_COLOR_TEXT];
    DefaultTextInputStyle.background_color = colors[GUI_COLOR_TEXT_INPUT_BACKGROUND];
    DefaultTextInputStyle.cursor_color = colors[GUI_COLOR_TEXT_INPUT_CURSOR];
    DefaultTextInputStyle.selection_color = colors[GUI_COLOR_TEXT_INPUT_SELECT_BOX];
    DefaultBoxStyle.outer_color = colors[GUI_COLOR_VOLUME_CONTROL_BORDER];
    DefaultBoxStyle.inner_color = colors[GUI_COLOR_VOLUME_CONTROL_BACKGROUND];
    DefaultSliderStyle.track_color = colors[GUI_COLOR_SLIDER_GAUGE];
    DefaultSliderStyle.knob_normal_color = colors[GUI_COLOR_SLIDER_CONTROL];
    DefaultSliderStyle.knob_hovered_color = colors[GUI_COLOR_SLIDER_CONTROL_HOVERED];
    DefaultSliderStyle.knob_dragged_color = colors[GUI_COLOR_SLIDER_CONTROL_ACTIVATED];
    DefaultScrollRegionStyle.background_color = colors[GUI_COLOR_SCROLLABLE_REGION_BACKGROUND];
    DefaultScrollBarStyle.backward_color = colors[GUI_COLOR_SCROLL_BAR_BACKWARD_BUTTON];
    DefaultScrollBarStyle.forward_color = colors[GUI_COLOR_SCROLL_BAR_FORWARD_BUTTON];
    DefaultScrollBarStyle.slide_bar_color = colors[GUI_COLOR_SCROLL_BAR_SLIDE_BAR];
    // The pairing is crossed on purpose: the box shows the "checked" colour while unchecked.
    DefaultCheckBoxStyle.first_color = colors[GUI_COLOR_CHECK_BOX_CHECKED];
    DefaultCheckBoxStyle.second_color = colors[GUI_COLOR_CHECK_BOX_UNCHECKED];
}

//-----------------------------------------------------------------------------
// Input snapshot
//-----------------------------------------------------------------------------

void gui_snapshot_input(GuiContext* ctx, const MouseState* mouse, const KeyboardState* keyboard,
                        const GuiKeys* keys, const TextInputRing* typed) {
    ctx->previous_input = ctx->input;
    GuiInput* in = &ctx->input;
    in->mouse_x = mouse->x;
    in->mouse_y = mouse->y;
    in->left_button = mouse->button_down[MOUSE_LEFT];
    i32 wheel = (i32)mouse->wheel;
    in->wheel = wheel > 0 ? 1 : (wheel < 0 ? -1 : 0);
    in->typed = *typed;

    bool control = keyboard->key_down[KEY_LCONTROL] || keyboard->key_down[KEY_RCONTROL];
    bool shift = keyboard->key_down[KEY_LSHIFT] || keyboard->key_down[KEY_RSHIFT];
    in->del = keys->del;
    in->del_control = in->del && control;
    in->backspace = keys->backspace;
    in->backspace_control = in->backspace && control;
    in->enter = keys->enter;
    in->arrows = (keys->arrow_left ? GUI_ARROW_LEFT : 0) | (keys->arrow_right ? GUI_ARROW_RIGHT : 0);
    in->shift = shift;
    in->select_all = control && keys->letter_a;
    in->copy = control && keys->letter_c;
    in->cut = control && keys->letter_x;
    in->paste = control && keys->letter_v;
}

//-----------------------------------------------------------------------------
// Rectangles and hit testing
//-----------------------------------------------------------------------------

GuiRect gui_node_rect(const LayoutNode* node) {
    GuiPoint p = gui_absolute_position(node);
    return GuiRect{p.x, p.y, p.x + node->w, p.y + node->h};
}

static bool point_in(GuiRect r, f32 x, f32 y) { return x >= r.x0 && x <= r.x1 && y >= r.y0 && y <= r.y1; }

bool gui_mouse_in_rect(const GuiContext* ctx, const LayoutNode* node) {
    return point_in(gui_node_rect(node), (f32)ctx->input.mouse_x, (f32)ctx->input.mouse_y);
}

bool gui_mouse_in_clip(const GuiContext* ctx) {
    return point_in(ctx->clip_rect, (f32)ctx->input.mouse_x, (f32)ctx->input.mouse_y);
}

bool gui_rect_intersect(GuiRect a, GuiRect b, GuiRect* out) {
    if (a.x1 < b.x0 || b.x1 < a.x0 || a.y1 < b.y0 || b.y1 < a.y0) return false;
    out->x0 = a.x0 > b.x0 ? a.x0 : b.x0;
    out->y0 = a.y0 > b.y0 ? a.y0 : b.y0;
    out->x1 = a.x1 < b.x1 ? a.x1 : b.x1;
    out->y1 = a.y1 < b.y1 ? a.y1 : b.y1;
    return true;
}

void gui_hit_test(GuiElement* e) {
    const GuiContext* ctx = e->context;
    GuiRect visible;
    if (!gui_rect_intersect(gui_node_rect(&e->node), ctx->clip_rect, &visible)) return;
    if (point_in(visible, (f32)ctx->input.mouse_x, (f32)ctx->input.mouse_y)) {
        e->hovered = 1;
        e->held_button = ctx->input.left_button;
    } else {
        e->hovered = 0;
        e->held_button = 0;
    }
}

//-----------------------------------------------------------------------------
// Elements
//-----------------------------------------------------------------------------

void gui_init_element(GuiElement* e, GuiContext* ctx, f32 w, f32 h, f32 radius, f32 x, f32 y, u32 color,
                      const GuiTexture& texture, LayoutNode* parent, u32 alignment) {
    *e = GuiElement{};
    e->context = ctx;
    e->node = LayoutNode{x, y, w, h, parent, alignment};
    e->primitive_type = GUI_PRIMITIVE_SHAPE;
    e->color = color;
    e->radius = radius;
    e->size[0] = w;
    e->size[1] = h;
    e->texture = texture;
    e->texture_dirty = 1;
}

void gui_init_text_element(GuiElement* e, GuiContext* ctx, const GlyphMap* glyph_map, const GuiTexture& atlas,
                           const char* text, u32 length, f32 max_width, u32 color, f32 x, f32 y, LayoutNode* parent,
                           u32 alignment, u32 vertical_adjust) {
    *e = GuiElement{};
    e->context = ctx;
    Allocator* allocator = ctx->host_allocator ? ctx->host_allocator : g_default_allocator;
    // Without a font (start-up has not given the styles one) there is nothing to lay out.
    if (glyph_map && length > 0) {
        const u8* bytes = (const u8*)text;
        e->text_layout = max_width >= 0.0f ? text_layout_bounded(bytes, length, glyph_map, allocator, max_width)
                                           : text_layout(bytes, length, glyph_map, allocator);
    } else {
        e->text_layout.allocator = allocator;
    }
    const TextLayout& l = e->text_layout;
    e->node = LayoutNode{x, vertical_adjust ? y - l.vertical_offset : y, l.width, l.height, parent, alignment};
    e->primitive_type = GUI_PRIMITIVE_TEXT;
    e->color = color;
    e->size[0] = l.width;
    e->size[1] = l.height;
    e->texture = atlas;
    e->use_texture = 1;
    e->texture_dirty = 1;
}

// Skipping what the clip hides keeps a long scrolled row from costing a draw per hidden item.
bool gui_element_visible(const GuiElement* e) {
    GuiRect r = gui_node_rect(&e->node);
    if (e->primitive_type == GUI_PRIMITIVE_TEXT) {
        // A text's node stands on its baseline; glyphs reach above it and may bear past its sides.
        const TextLayout& l = e->text_layout;
        r = GuiRect{r.x0 - l.height, r.y0 + l.vertical_offset, r.x1 + l.height, r.y1 + l.vertical_offset};
    }
    GuiRect visible;
    return gui_rect_intersect(r, e->context->clip_rect, &visible);
}

void gui_draw_shape(GuiElement* e) {
    if (!gui_element_visible(e)) return;
    gui_prepare_element(e);
    gui_draw_element(e);
    gui_release_element(e);
}

void gui_draw_text(GuiElement* e) {
    if (gui_element_visible(e)) {
        gui_prepare_text_element(e);
        gui_draw_text_element(e);
        gui_release_text_element(e);
    }
    text_layout_free(&e->text_layout);
}
