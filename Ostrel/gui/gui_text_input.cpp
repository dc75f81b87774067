// The single-line text field. It edits the caller's DynString in place and counts bytes; the
// laid-out text gives each printable byte one glyph quad (six vertices of x, y, u, v: vertex 0
// the left edge at the bottom, vertex 1 the left edge at the top, vertices 2 and 5 the right edge).
#include "Ostrel/gui/gui.h"

namespace {

const u32 QUAD_FLOATS = TEXT_VERTICES_PER_GLYPH * TEXT_FLOATS_PER_VERTEX;

struct Field {
    GuiContext* ctx;
    const TextInputStyle* style;
    TextFilter filter;
    DynString* text;
    u32 cursor;
    i32 selection;
    LayoutNode* node;
    GuiElement text_element;  // the text as it stands; rebuilt after every edit, on demand
    bool laid_out;
};

// The cursor within the text and the selection's anchor (cursor + selection) too: the caller's
// text may have changed since the last frame, and a filter may move the cursor anywhere.
void keep_in_text(Field* f) {
    u32 length = f->text->length;
    if (f->cursor > length) f->cursor = length;
    i64 anchor = (i64)f->cursor + f->selection;
    if (anchor < 0) anchor = 0;
    if (anchor > (i64)length) anchor = length;
    f->selection = (i32)(anchor - (i64)f->cursor);
}

void text_changed(Field* f) {
    if (f->laid_out) text_layout_free(&f->text_element.text_layout);
    f->laid_out = false;
}

// The text element sits at the field's left edge with its baseline at height/2 + text height/2.
const TextLayout* layout(Field* f) {
    if (!f->laid_out) {
        const TextInputStyle* s = f->style;
        GuiElement* e = &f->text_element;
        gui_init_text_element(e, f->ctx, s->glyph_map, s->text_texture, (const char*)f->text->data, f->text->length,
                              -1.0f, s->text_color, 0.0f, 0.0f, f->node, ALIGN_TOP_LEFT, 0);
        e->node.y = f->node->h * 0.5f + e->text_layout.height * 0.5f;
        f->laid_out = true;
    }
    return &f->text_element.text_layout;
}

// Glyph i's quad, or null past the laid-out glyphs (bytes that have no glyph of their own).
const f32* glyph_quad(const TextLayout* l, u32 i) {
    if ((u64)(i + 1) * TEXT_VERTICES_PER_GLYPH > l->vertex_count) return nullptr;
    return l->vertices + (u64)i * QUAD_FLOATS;
}

f32 glyph_left(const TextLayout* l, u32 i) {
    const f32* q = glyph_quad(l, i);
    return q ? q[0] : l->width;
}

f32 glyph_right(const TextLayout* l, u32 i) {
    const f32* q = glyph_quad(l, i);
    return q ? q[5 * TEXT_FLOATS_PER_VERTEX] : l->width;
}

void delete_selection(Field* f) {
    if (f->selection == 0) return;
    i64 anchor = (i64)f->cursor + f->selection;
    u32 low = (u32)(anchor < (i64)f->cursor ? anchor : (i64)f->cursor);
    u32 count = (u32)(f->selection < 0 ? -(i64)f->selection : f->selection);
    dyn_string_remove(f->text, low, count);
    f->cursor = low;
    f->selection = 0;
    text_changed(f);
}

void insert_byte(Field* f, u8 byte) {
    if (f->filter) {
        GuiTextInput input = {f->text, f->cursor, f->selection};
        f->filter(byte, &input);
        f->cursor = input.cursor;
        f->selection = input.selection;
        keep_in_text(f);
    } else {
        dyn_string_insert_char(f->text, f->cursor, byte);
        f->cursor++;
    }
    text_changed(f);
}

void remove_range(Field* f, u32 index, u32 count) {
    if (count == 0) return;
    dyn_string_remove(f->text, index, count);
    text_changed(f);
}

void copy_selection(Field* f) {
    if (f->selection > 0) f->ctx->clipboard_set(f->text->data + f->cursor, (u32)f->selection);
    else if (f->selection < 0)
        f->ctx->clipboard_set(f->text->data + f->cursor + f->selection, (u32)(-(i64)f->selection));
}

void paste(Field* f) {
    GuiContext* ctx = f->ctx;
    delete_selection(f);
    u32 length = 0;
    ctx->clipboard_get(nullptr, 0, &length);
    if (length == 0) return;
    Allocator* allocator = ctx->host_allocator ? ctx->host_allocator : g_default_allocator;
    u8* buffer = (u8*)allocator_alloc(allocator, length);
    u32 got = 0;
    ctx->clipboard_get(buffer, length, &got);
    if (got > length) got = length;
    for (u32 i = 0; i < got; i++) {
        // One line: line breaks, tabs and other control bytes are left out, as when typed.
        if (buffer[i] < 32 || buffer[i] == 127) continue;
        insert_byte(f, buffer[i]);
    }
    allocator_free(allocator, buffer);
}

// A press places the cursor before the glyph under the mouse; moving with the button held
// extends the selection from there, glyph by glyph.
void place_by_mouse(Field* f) {
    GuiContext* ctx = f->ctx;
    const TextLayout* l = layout(f);
    f32 x = (f32)ctx->input.mouse_x;
    f32 last_x = (f32)ctx->previous_input.mouse_x;
    f32 x0 = gui_absolute_position(&f->text_element.node).x;
    u32 length = f->text->length;
    if (gui_button_edge(ctx)) {
        f->selection = 0;
        f->cursor = length;
        for (u32 i = 0; i < length; i++) {
            if (x0 + glyph_right(l, i) > x) {
                f->cursor = i;
                break;
            }
        }
    } else if (x > last_x) {
        while (f->cursor < length && x0 + glyph_right(l, f->cursor) <= x) {
            f->cursor++;
            f->selection--;
        }
    } else if (x < last_x) {
        while (f->cursor > 0 && x <= x0 + glyph_right(l, f->cursor - 1)) {
            f->cursor--;
            f->selection++;
        }
    }
}

// The keys after the typed characters: the first that applies, once per frame.
void edit_once(Field* f) {
    const GuiInput* in = &f->ctx->input;
    GuiContext* ctx = f->ctx;
    u32 length = f->text->length;
    u32 c = f->cursor;
    if (in->del_control) {
        if (f->selection) delete_selection(f);
        else remove_range(f, c, length - c);
    } else if (in->del) {
        if (f->selection) delete_selection(f);
        else if (c < length) remove_range(f, c, 1);
    } else if (in->backspace_control) {
        if (f->selection) delete_selection(f);
        else {
            remove_range(f, 0, c);
            f->cursor = 0;
        }
    } else if (in->backspace) {
        if (f->selection) delete_selection(f);
        else if (c > 0) {
            remove_range(f, c - 1, 1);
            f->cursor--;
        }
    } else if (in->shift && (in->arrows & (GUI_ARROW_LEFT | GUI_ARROW_RIGHT))) {
        if ((in->arrows & GUI_ARROW_RIGHT) && c < length) {
            f->cursor++;
            f->selection--;
        } else if ((in->arrows & GUI_ARROW_LEFT) && c > 0) {
            f->cursor--;
            f->selection++;
        }
    } else if (in->select_all) {
        f->selection = (i32)length;
        f->cursor = 0;
    } else if (in->arrows & GUI_ARROW_RIGHT) {
        f->selection = 0;
        f->cursor = c + 1 < length ? c + 1 : length;
    } else if (in->arrows & GUI_ARROW_LEFT) {
        f->selection = 0;
        if (c > 0) f->cursor--;
    } else if (in->left_button && length > 0) {
        place_by_mouse(f);
    } else if (in->copy && ctx->clipboard_set) {
        copy_selection(f);
    } else if (in->cut && ctx->clipboard_set) {
        copy_selection(f);
        delete_selection(f);
    } else if (in->paste && ctx->clipboard_get) {
        paste(f);
    }
}

// Enter commits (and ends the frame's editing, typed characters included); typed characters
// replace the selection one by one; then one key.
bool edit(Field* f) {
    GuiInput* in = &f->ctx->input;
    for (;;) {
        if (in->enter) return true;
        if (in->typed.count == 0) break;
        delete_selection(f);
        insert_byte(f, text_input_ring_pop(&in->typed));
    }
    edit_once(f);
    return false;
}

void draw_rect(GuiContext* ctx, LayoutNode* parent, f32 x, f32 w, f32 h, u32 color) {
    gui_rect(ctx, GuiRectParams{.width = w, .height = h, .color = color, .x = x, .parent = parent,
                                .alignment = ALIGN_CENTER_LEFT});
}

f32 whole_pixels(f32 v) { return (f32)(i32)v; }

// A block over the glyph at the cursor, as wide as its bitmap and as high as it reaches above
// the baseline; past the end (or on a glyph without a bitmap, a space) the style's block.
void draw_cursor_and_selection(Field* f) {
    const TextInputStyle* s = f->style;
    u32 length = f->text->length;
    f32 x = 0.0f, w = (f32)s->cursor_width, h = (f32)s->cursor_height;
    const TextLayout* l = length > 0 ? layout(f) : nullptr;
    if (l) {
        const f32* q = f->cursor < length ? glyph_quad(l, f->cursor) : nullptr;
        if (q) {
            x = whole_pixels(q[0]);
            f32 glyph_w = whole_pixels(q[2 * TEXT_FLOATS_PER_VERTEX] - q[0]);
            f32 glyph_h = whole_pixels(-q[1 * TEXT_FLOATS_PER_VERTEX + 1]);
            if (glyph_w > 0.0f && glyph_h > 0.0f) {
                w = glyph_w;
                h = glyph_h;
            }
        } else {
            x = whole_pixels(l->width);
        }
    }
    draw_rect(f->ctx, f->node, x, w, h, s->cursor_color);
    if (f->selection != 0 && l) {
        // The far edge of the selection; leftwards the width is negative.
        f32 far = f->selection > 0 ? glyph_right(l, f->cursor + (u32)f->selection - 1)
                                   : glyph_left(l, (u32)((i64)f->cursor + f->selection));
        draw_rect(f->ctx, f->node, x, whole_pixels(far) - x, h, s->selection_color);
    }
}

}  // namespace

bool gui_text_input(GuiContext* ctx, const GuiTextInputParams& p, const TextInputStyle* style,
                    const TextInputState& state) {
    LayoutNode node = {p.x, p.y, p.width, p.height, p.parent, p.alignment};
    GuiElement background;
    gui_init_element(&background, ctx, p.width, p.height, 0.0f, 0.0f, 0.0f, style->background_color,
                     style->background_texture, &node, ALIGN_TOP_LEFT);

    Field f = {};
    f.ctx = ctx;
    f.style = style;
    f.filter = p.filter;
    f.text = p.text;
    f.node = &node;
    f.cursor = state.cursor ? *state.cursor : 0;
    f.selection = state.selection ? *state.selection : 0;
    keep_in_text(&f);
    bool focused = p.focused != 0;
    bool result = false;

    if (gui_press_edge(ctx)) {
        gui_hit_test(&background);
        if (focused && !background.hovered) result = true;
        focused = background.hovered != 0;
    }
    if (focused && edit(&f)) result = true;

    gui_draw_shape(&background);
    if (focused) draw_cursor_and_selection(&f);
    if (f.text->length > 0) {
        layout(&f);
        if (gui_element_visible(&f.text_element)) {
            gui_prepare_text_element(&f.text_element);
            gui_draw_text_element(&f.text_element);
            gui_release_text_element(&f.text_element);
        }
    }
    text_changed(&f);

    if (state.focused_out) *state.focused_out = focused;
    if (state.cursor) *state.cursor = f.cursor;
    if (state.selection) *state.selection = f.selection;
    return result;
}
