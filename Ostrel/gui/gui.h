// Ostrel's immediate-mode GUI toolkit: style records, the per-frame input snapshot, hit testing
// and clipping, and the widgets. Nothing of a widget outlives its call: each call builds its
// elements on the stack, lays them out, reacts to this frame's input, draws and releases them.
// Whatever must survive a frame (drag flags, scroll fractions, text cursors) belongs to the caller
// and travels in and out by pointer. There are no widget ids and no global hot or active item.
//
// Per frame:
//     gui_snapshot_input(ctx, &mouse, &keyboard, &keys, &window.text_input);
//     (renderer frame begin) gui_update_projection(...); gui_begin_frame(ctx);
//     widgets in painter's order (later calls draw on top)
//     (renderer frame end)
//
// Sizes are client pixels. Positions are relative to the parent node's absolute position, plus the
// alignment offset inside the parent (Alignment, gui_types.h); a null parent means window pixels.
//
// Index
//   [SECTION] Colours, textures and style records
//   [SECTION] Input snapshot, hit testing and clipping
//   [SECTION] Elements
//   [SECTION] Widgets
//   [SECTION] Scrolling
//   [SECTION] Text input
#pragma once
#include "Ostrel/core/dyn_string.h"
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/gui/gui_context.h"

//-----------------------------------------------------------------------------
// [SECTION] Colours, textures and style records
//-----------------------------------------------------------------------------

constexpr u32 GUI_WHITE = 0xFFFFFFFFu;   // (255, 255, 255, 255)
constexpr u32 GUI_YELLOW = 0xFF00FFFFu;  // (255, 255, 0, 255)
constexpr u32 GUI_RED = 0xFF0000FFu;     // (255, 0, 0, 255)
constexpr u32 GUI_BLACK = 0xFF000000u;   // (0, 0, 0, 255)
constexpr u32 GUI_GREY = 0xFF808080u;    // (128, 128, 128, 255): the default cursor colour

// An element with this texture is drawn untextured, in its packed colour.
constexpr GuiTexture GUI_NO_TEXTURE = {};

// Each widget kind reads one process-wide style record, passed by pointer. The defaults below are
// filled by static initialisation; gui_apply_color_scheme recolours them, gui_set_style_font
// gives them the program font. Textures, radii, thickness, cursor size and glyph maps are never
// changed by a scheme.

struct ButtonStyle {
    GuiTexture normal_texture, hovered_texture, pressed_texture;
    u32 normal_color, hovered_color, pressed_color;  // white, yellow, red
    f32 radius;
    GuiTexture text_texture;     // the font atlas
    const GlyphMap* glyph_map;   // the program font's
    u32 normal_text_color, hovered_text_color, pressed_text_color;  // white
};
extern ButtonStyle DefaultButtonStyle;
extern ButtonStyle ListButtonStyle;  // list entries (device list, scheme list)

struct BoxStyle {
    u32 outer_color;  // black
    GuiTexture outer_texture;
    f32 border_thickness;  // 2
    u32 inner_color;       // white
    GuiTexture inner_texture;
};
extern BoxStyle DefaultBoxStyle;

struct SliderStyle {
    GuiTexture track_texture;
    u32 track_color;  // white
    GuiTexture knob_normal_texture, knob_hovered_texture, knob_dragged_texture;
    u32 knob_normal_color, knob_hovered_color, knob_dragged_color;  // white, yellow, red
};
extern SliderStyle DefaultSliderStyle;

struct TextInputStyle {
    GuiTexture background_texture;
    u32 background_color;  // white
    u32 cursor_color;      // grey
    u32 cursor_width;      // 8: the cursor at the end of the text or in an empty field
    u32 cursor_height;     // 20
    u32 selection_color;   // white
    GuiTexture text_texture;    // the font atlas
    const GlyphMap* glyph_map;  // the program font's
    u32 text_color;             // white
};
extern TextInputStyle DefaultTextInputStyle;

struct CheckBoxStyle {
    u32 first_color;   // shown while unchecked (the scheme's CHECK_BOX_CHECKED)
    u32 second_color;  // shown while checked (the scheme's CHECK_BOX_UNCHECKED)
    f32 radius;
};
extern CheckBoxStyle DefaultCheckBoxStyle;

struct ScrollRegionStyle {
    u32 background_color;  // white
    GuiTexture background_texture;
};
extern ScrollRegionStyle DefaultScrollRegionStyle;

struct ScrollBarStyle {
    u32 backward_color;  // white, each
    GuiTexture backward_texture;
    u32 forward_color;
    GuiTexture forward_texture;
    u32 slide_bar_color;
    GuiTexture slide_bar_texture;
};
extern ScrollBarStyle DefaultScrollBarStyle;

// The program font for every style that draws text: DefaultButtonStyle, ListButtonStyle and
// DefaultTextInputStyle get the atlas as text texture and the glyph map. Called at UI start-up.
void gui_set_style_font(const GlyphMap* glyph_map, const GuiTexture& atlas);

// Copies a colour scheme (twenty packed colours in GuiColor order) into the style records:
//   TEXT_COLOR        -> both button styles' three text colours, the text input's text colour
//   BUTTON            -> both button styles' normal colour
//   BUTTON_HOVERED    -> both button styles' hovered and pressed colours
//   TEXT_INPUT_BACKGROUND, _CURSOR, _SELECT_BOX -> the text input's background, cursor, selection
//   VOLUME_CONTROL_BORDER, _BACKGROUND          -> the box's outer and inner colours
//   SLIDER_GAUGE, SLIDER_CONTROL, _HOVERED, _ACTIVATED -> track, knob normal, hovered, dragged
//   SCROLLABLE_REGION_BACKGROUND                -> the scroll region's background
//   SCROLL_BAR_BACKWARD_BUTTON, _FORWARD_BUTTON, _SLIDE_BAR -> the scroll bar's three parts
//   CHECK_BOX_CHECKED -> the check box's first colour (shown while UNchecked)
//   CHECK_BOX_UNCHECKED -> its second colour (shown while checked)
// BACKGROUND_COLOR and TEXT_INPUT_BORDER are stored nowhere. Widgets drawn after the call, in
// the same frame too, use the new colours.
void gui_apply_color_scheme(const u32 colors[GUI_COLOR_COUNT]);

//-----------------------------------------------------------------------------
// [SECTION] Input snapshot, hit testing and clipping
//-----------------------------------------------------------------------------

// Run once per UI frame before any widget: previous input := input, then this frame's mouse
// position and left button, the wheel's sign, the typed characters (a copy of the ring, which
// text inputs pop from), the editing keys and Ctrl+A/C/X/V, shift and control held.
void gui_snapshot_input(GuiContext* context, const MouseState* mouse, const KeyboardState* keyboard,
                        const GuiKeys* keys, const TextInputRing* typed);

// Absolute rectangle of a node in window pixels.
GuiRect gui_node_rect(const LayoutNode* node);
bool gui_element_visible(const GuiElement* e);  // not wholly outside the clip rectangle
// Mouse inside the node's absolute rectangle, all edges inclusive; the clip is not considered.
bool gui_mouse_in_rect(const GuiContext* context, const LayoutNode* node);
// Mouse inside the current clip rectangle, edges inclusive.
bool gui_mouse_in_clip(const GuiContext* context);
// False when a and b are separated on either axis (touching edges overlap); otherwise true with
// out = their intersection.
bool gui_rect_intersect(GuiRect a, GuiRect b, GuiRect* out);

// Two frames of input: the left button went down this frame.
inline bool gui_press_edge(const GuiContext* context) {
    return context->input.left_button != 0 && context->previous_input.left_button == 0;
}
// The left button went down or up this frame.
inline bool gui_button_edge(const GuiContext* context) {
    return context->input.left_button != context->previous_input.left_button;
}

// The clip rectangle is the whole viewport after gui_begin_frame; only scroll regions change it,
// and they put it back before they return.

//-----------------------------------------------------------------------------
// [SECTION] Elements
//-----------------------------------------------------------------------------

// A Shape element (primitive type 0), texture dirty, not hovered, size = (w, h).
void gui_init_element(GuiElement* element, GuiContext* context, f32 w, f32 h, f32 radius, f32 x, f32 y, u32 color,
                      const GuiTexture& texture, LayoutNode* parent, u32 alignment);
// A Text element: the text laid out one line with the glyph map and the context's host allocator,
// bounded at max_width with an ellipsis when max_width >= 0, unbounded when it is negative. The
// node's size is the layout's; with vertical_adjust 1 the node's y moves down by the ascent, so
// the node's top is the top of the glyph box. Free the layout with text_layout_free once done.
void gui_init_text_element(GuiElement* element, GuiContext* context, const GlyphMap* glyph_map,
                           const GuiTexture& atlas, const char* text, u32 length, f32 max_width, u32 color, f32 x,
                           f32 y, LayoutNode* parent, u32 alignment, u32 vertical_adjust);
// Sets hovered and held button: 1 and the left-button value when the mouse is inside the visible
// part (the element's rectangle cut by the clip rectangle, edges inclusive), else 0. An element
// entirely outside the clip keeps both as they are (0 from construction).
void gui_hit_test(GuiElement* element);
// Prepare, draw and release in one go (the steps themselves are in gui_context.h); the text form
// frees the element's layout afterwards.
void gui_draw_shape(GuiElement* element);
void gui_draw_text(GuiElement* element);

//-----------------------------------------------------------------------------
// [SECTION] Widgets
//-----------------------------------------------------------------------------
// Every widget takes the context first and one parameter record (fields in this order, so
// designated initialisers work). `x, y` is the position, `parent` may be null, `alignment` is an
// Alignment value. A non-null `out_node` receives the widget's own node, to parent later widgets.

// A filled rectangle. Returns its held button: nonzero on every frame the left button is down
// over its visible part (a level, not an edge).
struct GuiRectParams {
    f32 width, height;
    u32 color;
    f32 x, y;
    LayoutNode* out_node;
    LayoutNode* parent;
    u32 alignment;
};
u32 gui_rect(GuiContext* context, const GuiRectParams& params);

// A rectangle with rounded corners (radius: fraction of half the shorter side) and a texture.
struct GuiPanelParams {
    LayoutNode* out_node;
    f32 width, height;
    f32 radius;
    u32 color;
    GuiTexture texture;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
};
void gui_panel(GuiContext* context, const GuiPanelParams& params);

// One line of text, truncated with an ellipsis at max_width. The node's size is the text's; with
// vertical_adjust 1 (and y = 0) the label's glyph box, not its baseline, sits at the aligned
// place. Not hit-tested.
struct GuiLabelParams {
    const GlyphMap* glyph_map;
    GuiTexture text_texture;  // the font atlas
    const char* text;
    u32 length;  // bytes
    f32 max_width;
    u32 color;
    f32 x, y;
    LayoutNode* out_node;
    LayoutNode* parent;
    u32 alignment;
    u32 vertical_adjust;  // 0 or 1
};
void gui_label(GuiContext* context, const GuiLabelParams& params);

// gui_label without a width limit.
struct GuiLabelUnboundedParams {
    const GlyphMap* glyph_map;
    GuiTexture text_texture;
    const char* text;
    u32 length;
    u32 color;
    f32 x, y;
    LayoutNode* out_node;
    LayoutNode* parent;
    u32 alignment;
    u32 vertical_adjust;
};
void gui_label_unbounded(GuiContext* context, const GuiLabelUnboundedParams& params);

// A bordered box: the outer rectangle, then the inner one inset by the border thickness. Not
// hit-tested.
struct GuiBoxParams {
    const BoxStyle* style;
    f32 width, height;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
    LayoutNode* out_node;
};
void gui_box(GuiContext* context, const GuiBoxParams& params);

// A button with a caption (at most 0.95 of its width, placed by text_alignment inside it).
// Returns true on the frame the left button goes down over it; while held it shows the hovered
// look and never fires again; releasing does nothing.
struct GuiButtonParams {
    const ButtonStyle* style;
    f32 width, height;
    const char* text;
    u32 text_length;
    u32 text_alignment;  // Alignment of the caption inside the button
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
    LayoutNode* out_node;
};
bool gui_button(GuiContext* context, const GuiButtonParams& params);

// A check box: the style's second colour while checked, its first while unchecked. Toggles once
// per press over it; returns the checked flag after this frame's toggle.
struct GuiCheckBoxParams {
    const CheckBoxStyle* style;
    f32 width, height;
    u8 checked;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
    LayoutNode* out_node;
};
bool gui_check_box(GuiContext* context, const GuiCheckBoxParams& params);

enum GuiSliderOrientation : u8 { GUI_SLIDER_HORIZONTAL = 0, GUI_SLIDER_VERTICAL = 1 };

// A track and a knob whose centre runs the whole track: value 0 at the left (horizontal) or bottom
// (vertical) end, 1 at the right or top end. A press on the knob starts a drag (the caller keeps
// the flag); while dragging the knob follows the mouse's movement on the axis, clamped to the
// track; releasing anywhere ends it. Clicking the track and the wheel do nothing. Returns true
// while the knob is dragged with the button down (*value_out may have changed).
struct GuiSliderParams {
    const SliderStyle* style;
    u8 orientation;  // GuiSliderOrientation
    f32 value;       // 0..1
    f32 track_width, track_height, knob_width, knob_height;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
    // Persisted by the caller.
    u8 dragging;        // last frame's dragging flag
    f32* value_out;     // the knob's value after this frame
    u8* dragging_out;   // the dragging flag after this frame
    LayoutNode* out_node;
};
bool gui_slider(GuiContext* context, const GuiSliderParams& params);

//-----------------------------------------------------------------------------
// [SECTION] Scrolling
//-----------------------------------------------------------------------------

enum GuiScrollOrientation : u8 { GUI_SCROLL_VERTICAL = 0, GUI_SCROLL_HORIZONTAL = 1 };

// The scroll region being drawn, as its item function sees it. Item nodes may be parented to
// `node` (the region's own node), which lives until gui_scroll_region returns.
struct ScrollRegion {
    LayoutNode node;
    u8 orientation;       // GuiScrollOrientation
    f32 spacing;          // after every item, the last one included
    f32 item_offset;      // where the next item goes on the scrolling axis
    f32 content_extent;   // items placed so far, spacing included
};

// Called once per item in index order; false stops the iteration (the region still finishes).
typedef bool (*ScrollItemFn)(GuiContext* context, ScrollRegion* region, u32 index, void* user);

// Places the next item: out_node's parent becomes the region; on the scrolling axis the node gets
// the item offset and `extent`, across it position 0 (the other size is the caller's to set).
void gui_scroll_region_item(LayoutNode* out_node, ScrollRegion* region, f32 extent);

// A clipped area whose items scroll by the fraction F (0 shows the start, 1 the end): items start
// at -F x (content extent - visible extent). The wheel over the region moves F by wheel_step and
// is consumed. Content shorter than the region forces F to 0. The content extent measured this
// frame is written back for the next frame (and for a scroll bar's visible fraction).
struct GuiScrollRegionParams {
    const ScrollRegionStyle* style;
    f32 width, height;
    f32 wheel_step;
    u8 orientation;  // GuiScrollOrientation
    f32 spacing;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
};
struct GuiScrollRegionCall {
    ScrollItemFn item;
    void* user;
    u32 item_count;
    f32* fraction;        // in and out
    f32* content_extent;  // in (last frame's) and out
    LayoutNode* out_node;
};
void gui_scroll_region(GuiContext* context, const GuiScrollRegionParams& params, const GuiScrollRegionCall& call);

// A scroll bar: a backward button, a forward button and a slide bar between them whose length is
// the visible fraction of the room. Holding the left button over a button steps F by button_step
// on every frame held; the wheel over the bar steps it by wheel_step (and is consumed); a press on
// the bar starts a drag that moves F with the mouse. Shares F with its scroll region.
struct GuiScrollBarParams {
    const ScrollBarStyle* style;
    u8 orientation;  // GuiScrollOrientation
    f32 wheel_step;
    f32 button_step;
    f32 length;
    f32 thickness;
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
};
struct GuiScrollBarCall {
    f32 visible_fraction;  // visible extent / content extent, at most 1
    f32* fraction;         // in and out
    u8* dragging;          // in and out
    LayoutNode* out_node;
};
void gui_scroll_bar(GuiContext* context, const GuiScrollBarParams& params, const GuiScrollBarCall& call);

//-----------------------------------------------------------------------------
// [SECTION] Text input
//-----------------------------------------------------------------------------
// A single-line field over the caller's DynString. It counts bytes: the cursor c is a byte index
// 0..length, the selection s a signed byte count; the selected bytes lie between c and c + s (the
// anchor), so s < 0 means the selection lies before the cursor.
//
// A press on the field focuses it; a press elsewhere unfocuses it and commits. While focused, each
// frame handles Enter (commit, focus kept, nothing else that frame) or the typed characters, then
// the first of: Ctrl+Delete, Delete, Ctrl+Backspace, Backspace, Shift+Right/Left (extend the
// selection), Ctrl+A, Right, Left, the mouse (a press places the cursor, moving with the button
// held extends the selection), Ctrl+C, Ctrl+X, Ctrl+V (through the context's clipboard functions).
// Typed and pasted bytes replace the selection.

// The field while it is being edited, as a filter sees it. A filter may change the text and the
// cursor; the field keeps the cursor within the text afterwards.
struct GuiTextInput {
    DynString* text;
    u32 cursor;
    i32 selection;
};

// Called instead of inserting each typed or pasted byte.
typedef void (*TextFilter)(u8 byte, GuiTextInput* input);

struct GuiTextInputParams {
    TextFilter filter;  // may be null: bytes are inserted at the cursor
    u8 focused;         // last frame's focus
    f32 width, height;
    DynString* text;  // edited in place
    f32 x, y;
    LayoutNode* parent;
    u32 alignment;
};

// The caller's persisted state.
struct TextInputState {
    u8* focused_out;
    u32* cursor;      // in and out
    i32* selection;   // in and out
};

// Returns true on commit: Enter while focused, or the focus lost through a press elsewhere.
bool gui_text_input(GuiContext* context, const GuiTextInputParams& params, const TextInputStyle* style,
                    const TextInputState& state);
