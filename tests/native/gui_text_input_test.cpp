// The text field over whole frames: focus and commit, every editing key in its order, the
// clipboard through the context's functions, mouse placement, and where cursor and selection
// are drawn.
#include <math.h>
#include <functional>
#include <string>
#include "Ostrel/gui/gui.h"
#include "gui_test_support.h"
#include "text_test_font.h"

namespace {

// The test's clipboard. `grown` stands in for text copied by another program between the
// length query and the fetch.
std::string g_clipboard;
std::string g_grown;
int g_clipboard_sets;
int g_clipboard_gets;

void clipboard_get(u8* buffer, u32 capacity, u32* length) {
    g_clipboard_gets++;
    if (!buffer) {
        *length = (u32)g_clipboard.size();
        if (!g_grown.empty()) g_clipboard = g_grown;
        return;
    }
    u32 n = (u32)g_clipboard.size() < capacity ? (u32)g_clipboard.size() : capacity;
    memcpy(buffer, g_clipboard.data(), n);
    *length = n;
}

void clipboard_set(const u8* text, u32 length) {
    g_clipboard_sets++;
    g_clipboard.assign((const char*)text, length);
}

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
        g_clipboard_sets = g_clipboard_gets = 0;
        style = DefaultTextInputStyle;
        style.background_color = GREY;
        style.cursor_color = YELLOW;
        style.selection_color = CYAN;
        style.text_color = WHITE;
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
    static GuiInput idle() { return gui_mouse(300, 230); }
    void keys(const std::function<void(GuiInput&)>& set) {
        GuiInput in = idle();
        set(in);
        field(in);
    }
    void type(const char* s) {
        GuiInput in = idle();
        for (const char* c = s; *c; c++) text_input_ring_push(&in.typed, (u8)*c);
        field(in);
    }
    void focus(const char* initial, u32 c, i32 s = 0) {
        dyn_string_clear(&text);
        dyn_string_append_cstr(&text, initial);
        focused = 1;
        cursor = c;
        selection = s;
    }
    std::string str() const { return std::string((const char*)text.data, text.length); }

    // Glyph edges of a run as the font lays it out: pen + left, and that + bitmap width.
    static f32 left_edge(const char* s, u32 i) {
        f32 pen = 0;
        for (u32 k = 0; k < i; k++) pen += (f32)test_glyph(std::string(1, s[k]).c_str())->advance;
        return pen + (f32)test_glyph(std::string(1, s[i]).c_str())->left;
    }
    static f32 right_edge(const char* s, u32 i) {
        return left_edge(s, i) + (f32)test_glyph(std::string(1, s[i]).c_str())->width;
    }

    DynString text;
    TextInputStyle style;
    TextFilter filter = nullptr;
    u8 focused = 0;
    u32 cursor = 0;
    i32 selection = 0;
    bool committed = false;
};

//-----------------------------------------------------------------------------
// Focus and commit
//-----------------------------------------------------------------------------

TEST_F(GuiTextInputTest, APressFocusesAndAPressOutsideCommitsOnceAndUnfocuses) {
    field(gui_mouse(50, 70));
    field(gui_mouse(50, 70, true));
    EXPECT_EQ(focused, 1);
    EXPECT_FALSE(committed) << "focusing is no commit";
    field(gui_mouse(50, 70, false));
    field(gui_mouse(250, 70, true));
    EXPECT_EQ(focused, 0);
    EXPECT_TRUE(committed);
    field(gui_mouse(250, 70, false));
    EXPECT_FALSE(committed);
    field(gui_mouse(250, 70, true));
    EXPECT_FALSE(committed) << "only a focused field commits";
    // Holding the button and sliding onto the field is no press.
    field(gui_mouse(50, 70, true));
    EXPECT_EQ(focused, 0);
    // Typing into an unfocused field does nothing.
    type("abc");
    EXPECT_EQ(str(), "");
}

TEST_F(GuiTextInputTest, EnterCommitsKeepsFocusAndDropsTheCharactersOfItsFrame) {
    focus("5", 1);
    keys([](GuiInput& in) {
        in.enter = 1;
        text_input_ring_push(&in.typed, '7');
        text_input_ring_push(&in.typed, '8');
    });
    EXPECT_TRUE(committed);
    EXPECT_EQ(focused, 1);
    EXPECT_EQ(str(), "5");
    keys([](GuiInput& in) { in.enter = 1; });
    EXPECT_TRUE(committed);
    type("6");
    EXPECT_FALSE(committed);
    EXPECT_EQ(str(), "56");
}

//-----------------------------------------------------------------------------
// Typing and editing keys
//-----------------------------------------------------------------------------

TEST_F(GuiTextInputTest, TypingInsertsAtTheCursorWithoutAFilterAndThroughItWithOne) {
    focus("", 0);
    type("abc");
    EXPECT_EQ(str(), "abc");
    EXPECT_EQ(cursor, 3u);
    keys([](GuiInput& in) { in.arrows = GUI_ARROW_LEFT; });
    keys([](GuiInput& in) { in.arrows = GUI_ARROW_LEFT; });
    type("X");
    EXPECT_EQ(str(), "aXbc");
    EXPECT_EQ(cursor, 2u);

    filter = digits;
    focus("", 0);
    type("a1b2");
    EXPECT_EQ(g_filtered, "a1b2") << "every typed byte goes to the filter";
    EXPECT_EQ(str(), "12");
    type("345");
    EXPECT_EQ(str(), "123");
    EXPECT_EQ(cursor, 3u);
}

TEST_F(GuiTextInputTest, DeleteAndBackspaceWithAndWithoutControl) {
    auto press = [&](u8 GuiInput::*key, bool control) {
        keys([&](GuiInput& in) {
            in.*key = 1;
            if (control) in.*(key == &GuiInput::del ? &GuiInput::del_control : &GuiInput::backspace_control) = 1;
        });
    };
    focus("hello", 2);
    press(&GuiInput::del, false);
    EXPECT_EQ(str(), "helo");
    EXPECT_EQ(cursor, 2u);
    press(&GuiInput::backspace, false);
    EXPECT_EQ(str(), "hlo");
    EXPECT_EQ(cursor, 1u);
    press(&GuiInput::del, true);
    EXPECT_EQ(str(), "h");
    EXPECT_EQ(cursor, 1u);
    press(&GuiInput::del, false);
    EXPECT_EQ(str(), "h") << "nothing after the cursor";

    focus("hello", 3);
    press(&GuiInput::backspace, true);
    EXPECT_EQ(str(), "lo");
    EXPECT_EQ(cursor, 0u);
    press(&GuiInput::backspace, false);
    EXPECT_EQ(str(), "lo") << "nothing before the cursor";

    // With a selection each of them deletes just the selection.
    for (u8 GuiInput::*key : {&GuiInput::del, &GuiInput::backspace}) {
        for (bool control : {false, true}) {
            focus("abcdef", 4, -2);  // "cd" selected, before the cursor
            press(key, control);
            EXPECT_EQ(str(), "abef");
            EXPECT_EQ(cursor, 2u);
            EXPECT_EQ(selection, 0);
        }
    }
}

TEST_F(GuiTextInputTest, ShiftArrowsExtendTheSelectionAndStopAtBothEnds) {
    auto arrow = [&](u8 bits, bool shift) {
        keys([&](GuiInput& in) {
            in.arrows = bits;
            in.shift = shift;
        });
    };
    focus("abc", 3);
    arrow(GUI_ARROW_RIGHT, true);
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(selection, 0);
    arrow(GUI_ARROW_LEFT, true);
    EXPECT_EQ(cursor, 2u);
    EXPECT_EQ(selection, 1);
    arrow(GUI_ARROW_LEFT, true);
    arrow(GUI_ARROW_LEFT, true);
    arrow(GUI_ARROW_LEFT, true);  // at the start: nothing
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(selection, 3);
    arrow(GUI_ARROW_RIGHT, true);
    EXPECT_EQ(cursor, 1u);
    EXPECT_EQ(selection, 2);
    // Shift+Right at the end keeps a selection made before.
    focus("abc", 3, -2);
    arrow(GUI_ARROW_RIGHT, true);
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(selection, -2);

    // Plain arrows drop the selection and stop at the ends.
    arrow(GUI_ARROW_RIGHT, false);
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(selection, 0);
    arrow(GUI_ARROW_LEFT, false);
    EXPECT_EQ(cursor, 2u);
    focus("abc", 0, 2);
    arrow(GUI_ARROW_LEFT, false);
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(selection, 0);

    // Shift alone does not keep the other keys from working.
    focus("abc", 0);
    keys([](GuiInput& in) {
        in.shift = 1;
        in.select_all = 1;
    });
    EXPECT_EQ(selection, 3);
}

TEST_F(GuiTextInputTest, SelectAllThenATypedByteReplacesTheText) {
    focus("hello", 2);
    keys([](GuiInput& in) { in.select_all = 1; });
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(selection, 5);
    type("x");
    EXPECT_EQ(str(), "x");
    EXPECT_EQ(cursor, 1u);
    EXPECT_EQ(selection, 0);

    filter = digits;
    focus("100", 1);
    keys([](GuiInput& in) { in.select_all = 1; });
    type("7");
    EXPECT_EQ(str(), "7") << "the filter sees the emptied text";
    EXPECT_EQ(g_filtered, "7");
}

TEST_F(GuiTextInputTest, AFilterOrACallerCannotPutTheCursorOutsideTheText) {
    filter = wild;
    focus("ab", 0);
    type("c");
    EXPECT_EQ(str(), "abc");
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(selection, -3);
    filter = nullptr;
    // The caller's text shrank since the last frame (a field refreshed while unfocused).
    focus("42", 10, -20);
    keys([](GuiInput& in) { in.shift = 1, in.arrows = GUI_ARROW_LEFT; });
    EXPECT_EQ(cursor, 1u);
    EXPECT_EQ(selection, -1);
}

//-----------------------------------------------------------------------------
// Clipboard
//-----------------------------------------------------------------------------

TEST_F(GuiTextInputTest, CopyCutAndPasteGoThroughTheContextsClipboard) {
    focus("hello", 1);
    keys([](GuiInput& in) { in.copy = 1; });
    EXPECT_EQ(g_clipboard_sets, 0) << "no selection: the clipboard is left alone";

    for (int i = 0; i < 3; i++) keys([](GuiInput& in) { in.shift = 1, in.arrows = GUI_ARROW_RIGHT; });
    ASSERT_EQ(cursor, 4u);
    ASSERT_EQ(selection, -3);
    keys([](GuiInput& in) { in.copy = 1; });
    EXPECT_EQ(g_clipboard, "ell") << "a leftward selection copies in text order";
    EXPECT_EQ(str(), "hello");

    focus("hello", 1, 3);
    g_clipboard.clear();
    keys([](GuiInput& in) { in.cut = 1; });
    EXPECT_EQ(g_clipboard, "ell");
    EXPECT_EQ(str(), "ho");
    EXPECT_EQ(cursor, 1u);

    g_clipboard = "XY";
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(str(), "hXYo");
    EXPECT_EQ(cursor, 3u);

    focus("hello", 4, -3);
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(str(), "hXYo") << "a paste replaces the selection";
}

TEST_F(GuiTextInputTest, PastingThroughAFilterFeedsEveryByteInOrder) {
    filter = digits;
    focus("", 0);
    g_clipboard = "1a2b3c4";
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(g_filtered, "1a2b3c4");
    EXPECT_EQ(str(), "123");
}

TEST_F(GuiTextInputTest, APasteTakesOneLineAndNeverMoreThanItAskedRoomFor) {
    focus("", 0);
    g_clipboard = "4\r\n2\t";
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(str(), "42");

    focus("", 0);
    g_clipboard = "abc";
    g_grown = "abcdefghijklmnop";  // longer by the time it is fetched
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(str(), "abc");

    focus("x", 1);
    g_clipboard.clear();
    g_grown.clear();
    keys([](GuiInput& in) { in.paste = 1; });
    EXPECT_EQ(str(), "x") << "an empty clipboard pastes nothing";

    ctx->clipboard_get = nullptr;
    ctx->clipboard_set = nullptr;
    g_clipboard = "zz";
    focus("hello", 0, 2);
    keys([](GuiInput& in) { in.paste = 1; });
    keys([](GuiInput& in) { in.copy = 1; });
    keys([](GuiInput& in) { in.cut = 1; });
    EXPECT_EQ(str(), "hello") << "no clipboard functions: nothing happens";
}

//-----------------------------------------------------------------------------
// Mouse
//-----------------------------------------------------------------------------

TEST_F(GuiTextInputTest, APressPlacesTheCursorAndADragExtendsTheSelection) {
    const char* s = "hello";
    focus(s, 0);
    // Between the right edges of glyphs 1 and 2: before glyph 2.
    i32 x = FX + (i32)right_edge(s, 1) + 1;
    field(gui_mouse(x, 70));
    field(gui_mouse(x, 70, true));
    EXPECT_EQ(cursor, 2u);
    EXPECT_EQ(selection, 0);
    field(gui_mouse(FX + (i32)right_edge(s, 4) + 3, 70, true));
    EXPECT_EQ(cursor, 5u);
    EXPECT_EQ(selection, -3);
    field(gui_mouse(FX + (i32)right_edge(s, 3), 70, true));  // back onto glyph 3's right edge
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(selection, -1);
    field(gui_mouse(FX, 70, true));  // to the far left
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(selection, 2);
    field(gui_mouse(FX, 70, false));
    EXPECT_EQ(selection, 2) << "the release keeps the selection";

    // A press where the mouse has also moved since the last frame still places the cursor.
    field(gui_mouse(FX + (i32)right_edge(s, 3) + 1, 70, true));
    EXPECT_EQ(cursor, 4u);
    EXPECT_EQ(selection, 0);
    field(gui_mouse(FX + (i32)right_edge(s, 3) + 1, 70, false));
    // Past the end: after the last glyph.
    field(gui_mouse(FX + 110, 70, true));
    EXPECT_EQ(cursor, 5u);
}

//-----------------------------------------------------------------------------
// Drawing
//-----------------------------------------------------------------------------

class GuiTextInputDrawTest : public GuiTextInputTest {
protected:
    void SetUp() override {
        GuiTextInputTest::SetUp();
        // Without its atlas the text is laid out but not drawn: cursor and selection stay clean.
        style.text_texture = GUI_NO_TEXTURE;
    }
    static constexpr GuiRect FIELD = {FX, FY, FX + 120, FY + 24};
};

TEST_F(GuiTextInputDrawTest, TheCursorCoversTheGlyphAtItOrStandsAfterTheText) {
    const char* s = "hello";
    const Glyph* e = test_glyph("e");
    focus(s, 1);
    field(idle());
    GuiRect c;
    ASSERT_TRUE(color_bounds(YELLOW, FIELD, &c));
    f32 h = (f32)e->top;
    EXPECT_EQ(c.x0, FX + (i32)left_edge(s, 1));
    EXPECT_EQ(c.x1 + 1, FX + (i32)left_edge(s, 1) + (f32)e->width);
    // Centred on the field (alignment CenterLeft); a half-pixel top edge starts on that row.
    EXPECT_EQ(c.y0, ceilf(FY + 12 - h / 2 - 0.5f));
    EXPECT_EQ(c.y1 - c.y0 + 1, h);

    cursor = 5;
    field(idle());
    ASSERT_TRUE(color_bounds(YELLOW, FIELD, &c));
    f32 end = 0;
    for (const char* k : {"h", "e", "l", "l", "o"}) end += (f32)test_glyph(k)->advance;
    EXPECT_EQ(c.x0, FX + end);
    EXPECT_EQ(c.x1 + 1, FX + end + 8);
    EXPECT_EQ(c.y0, FY + 2);
    EXPECT_EQ(c.y1 + 1, FY + 22);

    focus("", 0);
    field(idle());
    ASSERT_TRUE(color_bounds(YELLOW, FIELD, &c));
    EXPECT_EQ(c.x0, FX);
    EXPECT_EQ(c.x1 + 1, FX + 8);

    focused = 0;
    field(idle());
    EXPECT_FALSE(color_bounds(YELLOW, FIELD, &c)) << "no cursor without focus";
    EXPECT_EQ(px(FX, FY), GREY);
}

TEST_F(GuiTextInputDrawTest, ASelectionBoxRunsFromTheCursorToItsFarEdgeLeftwardsToo) {
    const char* s = "hello";
    const Glyph* o = test_glyph("o");
    focus(s, 4, -3);  // "ell" selected, the cursor on "o"
    field(idle());
    GuiRect box, c;
    ASSERT_TRUE(color_bounds(CYAN, FIELD, &box));
    ASSERT_TRUE(color_bounds(YELLOW, FIELD, &c));
    EXPECT_EQ(box.x0, FX + (i32)left_edge(s, 1));
    EXPECT_EQ(box.x1 + 1, c.x0) << "the box ends where the cursor begins";
    EXPECT_EQ(c.x0, FX + (i32)left_edge(s, 4));
    EXPECT_EQ(box.y1 - box.y0 + 1, (f32)o->top) << "as high as the cursor";

    focus(s, 1, 3);  // "ell" selected, the cursor on "e"
    field(idle());
    ASSERT_TRUE(color_bounds(CYAN, FIELD, &box));
    EXPECT_EQ(box.x0, FX + (i32)left_edge(s, 1));
    EXPECT_EQ(box.x1 + 1, FX + (i32)right_edge(s, 3));
}

TEST_F(GuiTextInputDrawTest, AGlyphWithoutBitmapGetsTheStylesCursor) {
    focus("a b", 1);
    field(idle());
    GuiRect c;
    ASSERT_TRUE(color_bounds(YELLOW, FIELD, &c));
    EXPECT_EQ(c.x1 - c.x0 + 1, 8);
    EXPECT_EQ(c.y1 - c.y0 + 1, 20);
}

TEST_F(GuiTextInputTest, TextIsDrawnCentredInTheFrameItIsTyped) {
    focus("", 0);
    type("7");
    // The glyph's quad (left of the cursor, which now stands after it) changes the background.
    const Glyph* seven = test_glyph("7");
    GuiRect t;
    ASSERT_TRUE(other_bounds(GREY, GuiRect{FX, FY, FX + (f32)seven->advance, FY + 24}, &t));
    f32 bottom = (i32)seven->rows > seven->top ? (f32)((i32)seven->rows - seven->top) : 0.0f;
    f32 baseline = FY + 12 + (bottom + seven->top) / 2.0f;
    EXPECT_NEAR(t.y0, baseline - seven->top, 1.0f);
    EXPECT_NEAR(t.y1 + 1, baseline - seven->top + seven->rows, 1.0f);
    EXPECT_EQ(t.x0, FX + seven->left);
}

}  // namespace
