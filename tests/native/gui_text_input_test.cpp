// The text field over whole frames: focus and commit, every editing key in its order, the
// clipboard through the context's functions, mouse placement, and where cursor and selection
// are drawn.
#include <string>
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"
#include "text_test_font.h"

namespace {

// The test's clipboard. `grown` stands in for text copied by another program between the
// length query and the fetch.
std::string g_clipboard, g_grown;

void clipboard_get(u8* buffer, u32 capacity, u32* length) {
    if (!buffer) {
        *length = (u32)g_clipboard.size();
        if (!g_grown.empty()) g_clipboard = g_grown;
        return;
    }
    *length = std::min((u32)g_clipboard.size(), capacity);
    memcpy(buffer, g_clipboard.data(), *length);
}

void clipboard_set(const u8* text, u32 length) { g_clipboard.assign((const char*)text, length); }

// Like the program's percentage fields: digits only, at most three.
std::string g_filtered;
void digits(u8 byte, GuiTextInput* in) {
    g_filtered.push_back((char)byte);
    if (in->text->length >= 3 || byte < '0' || byte > '9') return;
    dyn_string_insert_char(in->text, in->cursor, byte);
    in->cursor++;
}

void wild(u8 byte, GuiTextInput* in) {
    dyn_string_append_char(in->text, byte);
    in->cursor = 1000;
    in->selection = -1000;
}

// Field at (40, 60), 120 x 24.
const i32 FX = 40, FY = 60;
using Key = u8 GuiInput::*;

class GuiTextInputTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        text = dyn_string_create(g_default_allocator);
        ctx->clipboard_get = clipboard_get;
        ctx->clipboard_set = clipboard_set;
        g_clipboard.clear();
        g_grown.clear();
        g_filtered.clear();
        style = DefaultTextInputStyle;
        style.cursor_color = YELLOW;
        style.selection_color = CYAN;
    }
    void TearDown() override {
        dyn_string_free(&text);
        GuiTest::TearDown();
    }
    void field(const GuiInput& in) {
        frame(in, [&] {
            GuiTextInputParams p = {filter, focused, 120, 24, &text, FX, FY};
            committed = gui_text_input(ctx, p, &style, TextInputState{&focused, &cursor, &selection});
        });
    }
    // One frame with the mouse away and the given keys down (and characters typed).
    void keys(const std::vector<Key>& down, const char* typed = "", u8 arrows = 0) {
        GuiInput in = gui_mouse(300, 230);
        for (Key k : down) in.*k = 1;
        for (const char* c = typed; *c; c++) text_input_ring_push(&in.typed, (u8)*c);
        in.arrows = arrows;
        field(in);
    }
    void focus(const char* initial, u32 c, i32 s = 0) {
        dyn_string_clear(&text);
        dyn_string_append_cstr(&text, initial);
        focused = 1;
        cursor = c;
        selection = s;
    }
    void expect(const char* s, u32 c, i32 sel) {
        EXPECT_EQ(std::make_tuple(std::string((const char*)text.data, text.length), cursor, selection),
                  std::make_tuple(std::string(s), c, sel));
    }
    // Glyph edges of a run as the font lays it out: pen + left, and that + bitmap width.
    static f32 left_edge(const char* s, u32 i) {
        f32 pen = 0;
        for (u32 k = 0; k < i; k++) pen += (f32)test_glyph(std::string(1, s[k]).c_str())->advance;
        return pen + (f32)test_glyph(std::string(1, s[i]).c_str())->left;
    }
    static f32 right_edge(const char* s, u32 i) { return left_edge(s, i) + (f32)test_glyph(std::string(1, s[i]).c_str())->width; }

    DynString text;
    TextInputStyle style;
    TextFilter filter = nullptr;
    u8 focused = 0;
    u32 cursor = 0;
    i32 selection = 0;
    bool committed = false;
};

TEST_F(GuiTextInputTest, APressFocusesAndAPressOutsideCommitsOnceAndUnfocuses) {
    const struct { i32 x; bool down; u8 focused; bool committed; } steps[] = {
        {50, false, 0, false}, {50, true, 1, false},  // focusing is no commit
        {50, false, 1, false}, {250, true, 0, true},   {250, false, 0, false},
        {250, true, 0, false},                        // only a focused field commits
        {50, true, 0, false}};                        // sliding on with the button held is no press
    for (const auto& s : steps) {
        field(gui_mouse(s.x, 70, s.down));
        EXPECT_EQ(std::pair(focused, committed), std::pair(s.focused, s.committed)) << &s - steps;
    }
    keys({}, "abc");
    expect("", 0, 0);  // an unfocused field takes no typing
}

// One frame per row, from `initial` with cursor c and selection s when it is given (else from the
// previous row): the keys down, the typed bytes and the arrow bits; then text, cursor, selection.
// With `clip` the clipboard holds it before the frame and `clip_after` after it; `filter` takes the
// typed and pasted bytes.
struct Edit {
    const char* initial; u32 c; i32 s; std::vector<Key> keys; const char* typed; u8 arrows;
    const char* text; u32 cursor; i32 selection; const char *clip = nullptr, *clip_after = nullptr, *grown = nullptr;
    TextFilter filter = nullptr;
};
const Key DEL = &GuiInput::del, DEL_CTRL = &GuiInput::del_control, BACK = &GuiInput::backspace,
          BACK_CTRL = &GuiInput::backspace_control, SHIFT = &GuiInput::shift, ALL = &GuiInput::select_all,
          COPY = &GuiInput::copy, CUT = &GuiInput::cut, PASTE = &GuiInput::paste, ENTER = &GuiInput::enter;
const u8 L = GUI_ARROW_LEFT, R = GUI_ARROW_RIGHT;

TEST_F(GuiTextInputTest, EditingKeysInTheirOrderAndEnterCommits) {
    const Edit edits[] = {
        {"", 0, 0, {}, "abc", L, "abc", 2, 0},  // typing inserts at the cursor, then the key
        {nullptr, 0, 0, {}, "X", 0, "abXc", 3, 0},
        {nullptr, 0, 0, {ENTER}, "78", 0, "abXc", 3, 0},  // Enter keeps the focus and drops its frame's bytes
        {nullptr, 0, 0, {}, "6", 0, "abX6c", 4, 0},
        {"hello", 2, 0, {DEL}, "", 0, "helo", 2, 0},
        {nullptr, 0, 0, {BACK}, "", 0, "hlo", 1, 0},
        {nullptr, 0, 0, {DEL, DEL_CTRL}, "", 0, "h", 1, 0},  // to the end
        {nullptr, 0, 0, {DEL}, "", 0, "h", 1, 0},            // nothing after the cursor
        {"hello", 3, 0, {BACK, BACK_CTRL}, "", 0, "lo", 0, 0},  // to the start
        {nullptr, 0, 0, {BACK}, "", 0, "lo", 0, 0},             // nothing before the cursor
        {"abcdef", 4, -2, {BACK, BACK_CTRL}, "", 0, "abef", 2, 0},  // with a selection, just that
        // Shift-arrows extend the selection and stop at both ends.
        {"abc", 1, 2, {SHIFT}, "", L, "abc", 0, 3},
        {nullptr, 0, 0, {SHIFT}, "", L, "abc", 0, 3},
        {"abc", 3, -2, {SHIFT}, "", R, "abc", 3, -2},  // at the end a selection made before stays
        {nullptr, 0, 0, {}, "", R, "abc", 3, 0},  // plain arrows drop the selection and stop at the ends
        {nullptr, 0, 0, {SHIFT, ALL}, "", 0, "abc", 0, 3},  // shift does not keep other keys from working
        {nullptr, 0, 0, {}, "x", 0, "x", 1, 0},  // a typed byte replaces the selection
        {"42", 10, -20, {SHIFT}, "", L, "42", 1, -1},  // the caller's text shrank since the last frame
        // A filter sees every byte, typed or pasted, and cannot put the cursor outside the text.
        {"", 0, 0, {}, "a1b2345", 0, "123", 3, 0, nullptr, nullptr, nullptr, digits},
        {"100", 0, 3, {}, "7", 0, "7", 1, 0, nullptr, nullptr, nullptr, digits},  // it sees the emptied text
        {"", 0, 0, {PASTE}, "", 0, "123", 3, 0, "1a2b3c4", nullptr, nullptr, digits},
        {"ab", 0, 0, {}, "c", 0, "abc", 3, -3, nullptr, nullptr, nullptr, wild},
        // Copy, cut and paste through the context's clipboard.
        {"hello", 4, -3, {COPY}, "", 0, "hello", 4, -3, "", "ell"},  // a leftward one copies in text order
        {"hello", 1, 3, {CUT}, "", 0, "ho", 1, 0, "", "ell"},
        {"hello", 4, -3, {PASTE}, "", 0, "hXYo", 3, 0, "XY"},  // a paste replaces the selection
        {"", 0, 0, {PASTE}, "", 0, "42", 2, 0, "4\r\n2\t"},  // one line, no control bytes
        // Longer by the time it is fetched: never more than the room asked for.
        {"", 0, 0, {PASTE}, "", 0, "abc", 3, 0, "abc", nullptr, "abcdefghijklmnop"},
    };
    for (const Edit& e : edits) {
        if (e.initial) focus(e.initial, e.c, e.s);
        if (e.clip) g_clipboard = e.clip;
        g_grown = e.grown ? e.grown : "";
        filter = e.filter;
        keys(e.keys, e.typed, e.arrows);
        SCOPED_TRACE(&e - edits);
        expect(e.text, e.cursor, e.selection);
        EXPECT_EQ(committed, e.keys == std::vector<Key>{ENTER}) << "a focused field commits on Enter only";
        if (e.clip_after) { EXPECT_EQ(g_clipboard, e.clip_after); }
    }
    EXPECT_EQ(g_filtered, "a1b2345" "7" "1a2b3c4") << "in order";
    // Without the context's clipboard functions the clipboard keys do nothing.
    ctx->clipboard_get = nullptr;
    ctx->clipboard_set = nullptr;
    focus("hello", 0, 2);
    for (Key k : {PASTE, COPY, CUT}) keys({k});
    expect("hello", 0, 2);
}

TEST_F(GuiTextInputTest, APressPlacesTheCursorAndADragExtendsTheSelection) {
    const char* s = "hello";
    focus(s, 0);
    i32 x = FX + (i32)right_edge(s, 1) + 1;  // between the right edges of glyphs 1 and 2: before glyph 2
    field(gui_mouse(x, 70));
    const struct { i32 x; bool down; u32 cursor; i32 selection; } steps[] = {
        {x, true, 2, 0},
        {FX + (i32)right_edge(s, 4) + 3, true, 5, -3},
        {FX + (i32)right_edge(s, 3), true, 3, -1},  // back onto glyph 3's right edge
        {FX, true, 0, 2},                           // to the far left
        {FX, false, 0, 2},                          // the release keeps the selection
        {FX + (i32)right_edge(s, 3) + 1, true, 4, 0},  // a press where the mouse also moved
        {FX + (i32)right_edge(s, 3) + 1, false, 4, 0},
        {FX + 110, true, 5, 0},  // past the end: after the last glyph
    };
    for (const auto& step : steps) {
        field(gui_mouse(step.x, 70, step.down));
        EXPECT_EQ(std::pair(cursor, selection), std::pair(step.cursor, step.selection)) << &step - steps;
    }
}

// "ell" selected with the cursor on "e", then on "o": the box runs from the cursor to the far end
// of the selection, as high as the cursor.
TEST_F(GuiTextInputTest, ASelectionBoxRunsFromTheCursorToItsFarEdgeLeftwardsToo) {
    style.text_texture = GUI_NO_TEXTURE;  // laid out but not drawn: cursor and selection stay clean
    auto drawn = [&](u32 color) {
        GuiRect r = {-1, -1, -1, -1};
        bounds(color, GuiRect{FX, FY, FX + 120, FY + 24}, &r);
        return std::vector<f32>{r.x0, r.x1 + 1, r.y1 + 1 - r.y0};  // the end exclusive, the height
    };
    const char* s = "hello";
    auto at = [](f32 edge) { return (f32)(FX + (i32)edge); };  // whole pixels from the field's left
    const f32 x = at(left_edge(s, 1)), top = (f32)test_glyph("o")->top;
    const struct { u32 cursor; i32 selection; f32 box_end; } cases[] = {
        {1, 3, at(right_edge(s, 3))},
        {4, -3, at(left_edge(s, 4))},
    };
    for (const auto& c : cases) {
        focus(s, c.cursor, c.selection);
        field(gui_mouse(300, 230));
        EXPECT_EQ(drawn(CYAN), (std::vector<f32>{x, c.box_end, top})) << c.cursor;
    }
    EXPECT_EQ(drawn(YELLOW)[0], at(left_edge(s, 4))) << "the box ends where the cursor begins";
    focused = 0;
    field(gui_mouse(300, 230));
    EXPECT_EQ(drawn(YELLOW)[0], -1) << "no cursor without focus";
}

}  // namespace
