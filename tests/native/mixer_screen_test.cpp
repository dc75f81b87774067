// The Mixer screen, driven by whole frames against the audio-layer stand-in: the calls it makes,
// the state it keeps and, where placement matters, the pixels it draws.
#include "app/audio.h"
#include "ui_test_support.h"

static std::string text_of(const DynString& s) { return std::string((const char*)s.data, s.length); }

TEST(PercentFilter, KeepsAtMostThreeDigitsAndNeverMoreThanOneHundred) {
    DynString text = dyn_string_create(g_default_allocator);
    GuiTextInput input = {&text, 0, 0};
    // Each byte typed at the given cursor (into an emptied field first), then text and cursor.
    const struct { bool empty_first; u8 byte; u32 at; const char* text; u32 cursor; } steps[] = {
        {true, '5', 0, "5", 1},    {false, '0', 1, "50", 2},  {false, '0', 2, "100", 0},  // 500
        {false, '7', 0, "100", 0},                                                        // a fourth digit
        {true, 'x', 0, "", 0},     {false, '9', 0, "9", 1},
        {false, '9', 1, "99", 2},  {false, '1', 1, "100", 0},  // at the cursor, not appended: 919
        {true, '7', 0, "7", 1},    {false, '0', 0, "07", 1},
    };
    for (const auto& s : steps) {
        if (s.empty_first) dyn_string_clear(&text);
        input.cursor = s.at;
        percent_filter(s.byte, &input);
        EXPECT_EQ(std::pair(text_of(text), input.cursor), std::pair(std::string(s.text), s.cursor)) << &s - steps;
    }
    EXPECT_EQ(percent_parse(&text), 7);
    dyn_string_clear(&text);
    EXPECT_EQ(percent_parse(&text), 0) << "an emptied field commits zero";
    dyn_string_free(&text);
}

class Mixer : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        dyn_array_push(&g_color_schemes, ui_test_scheme("Vivid.ini", 60));
        g_selected_color_scheme = 1;
        gui_apply_color_scheme(color_scheme_selected()->colors);
        layout = mixer_layout(W(), H());
    }
    void TearDown() override {
        EXPECT_EQ(g_fake_audio_layer.out_of_range, 0u) << "the audio lists are never indexed past their end";
        UiTest::TearDown();
    }
    // Replaces a field's text: focus it, select everything, type, Enter.
    void enter_percent(const UiRect& field, const char* text) {
        click(field.x + field.w - 2, field.y + field.h / 2);
        key(KEY_LCONTROL, true), tap(KEY_A), key(KEY_LCONTROL, false);
        for (const char* c = text; *c; c++) text_input_ring_push(&g_window.text_input, (u8)*c);
        frame();
        tap(KEY_ENTER);
    }
    void click_in(const UiRect& r) { click(r.x + 10, r.y + 10); }
    MixerLayout layout;
};

// Session columns are titled with the program's file name (path_file_name's own cases are the
// core's).
TEST_F(Mixer, ColumnsStandWhereTheViewportFractionsPutThemTitledWithTheFileName) {
    auto title_band = [&](const char* name) {
        fake_audio_layer_reset();
        one_device({"System", name});
        frame();
        auto p = pixels();
        UiRect c = layout.session_column(1, 0);
        std::vector<u32> band;
        for (f32 y = c.y + 0.07f * c.h - 18; y < c.y + 0.07f * c.h + 6; y++)
            for (f32 x = c.x + 3; x < c.x + c.w - 3; x++) band.push_back(pixel(p, x, y));
        return band;
    };
    const auto plain = title_band("player.exe");
    EXPECT_NE(title_band("System"), plain);
    EXPECT_EQ(title_band("C:\\Program Files/Player\\player.exe"), plain);
    auto p = pixels();
    const u32 border = color(GUI_COLOR_VOLUME_CONTROL_BORDER), inner = color(GUI_COLOR_VOLUME_CONTROL_BACKGROUND);
    for (const UiRect& c : {layout.device_column, layout.equalizer_column, layout.session_column(0, 0),
                            layout.session_column(1, 0)}) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(pixel(p, c.x + 1, c.y + 1), border);
        EXPECT_EQ(pixel(p, c.x + c.w - 1, c.y + c.h - 2), border);  // the clip drops a last part-row
        EXPECT_EQ(pixel(p, c.x + 3, c.y + 3), inner);
    }
    const GuiPoint knob = layout.knob_centre(layout.device_column, 0.5f);
    EXPECT_EQ(pixel(p, knob.x + 14, knob.y), color(GUI_COLOR_SLIDER_CONTROL));
    EXPECT_EQ(text_of(g_mixer.device_field_text), "50");
    EXPECT_EQ(text_of(g_mixer.session_field_text.data[1]), "25");
}

// The Equalizer sets every session; neither field follows the audio layer while it is focused,
// and the Equalizer never does.
TEST_F(Mixer, EnterCommitsKeepsTheFocusAndTheFieldStopsFollowingTheDevice) {
    one_device({"System", "C:\\Apps\\player.exe", "C:\\Apps\\browser.exe"});
    frame();
    enter_percent(layout.column_field(layout.device_column), "30");
    auto sets = fake_audio_layer_calls(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].value, 30.0f);
    g_fake_audio_layer.devices[0].volume = 0.8f;  // changed by another program
    frames(3);
    EXPECT_EQ(text_of(g_mixer.device_field_text), "30");
    EXPECT_FLOAT_EQ(g_mixer.device_slider_value, 0.8f) << "the slider does follow";
    click(W() / 2, H() - 2);  // focus leaves: a second commit
    EXPECT_EQ(fake_audio_layer_calls(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT).size(), 2u);
    g_fake_audio_layer.devices[0].volume = 0.8f;
    frame();
    EXPECT_EQ(text_of(g_mixer.device_field_text), "80");

    g_fake_audio_layer.calls.clear();
    enter_percent(layout.column_field(layout.equalizer_column), "75");
    auto percents = fake_audio_layer_calls(FAKE_AUDIO_SET_SESSION_VOLUME_PERCENT);
    ASSERT_EQ(percents.size(), 3u);
    for (u32 j = 0; j < 3; j++) EXPECT_EQ(std::pair(percents[j].session, percents[j].value), std::pair(j, 75.0f));
    EXPECT_TRUE(fake_audio_layer_calls(FAKE_AUDIO_SET_DEVICE_VOLUME_PERCENT).empty());
    click(W() / 2, H() - 2);
    g_fake_audio_layer.devices[0].sessions[1].volume = 0.05f;
    frames(2);
    EXPECT_EQ(text_of(g_mixer.equalizer_text), "75");
    EXPECT_FLOAT_EQ(g_mixer.equalizer_value, 0.75f);
}

TEST_F(Mixer, TheDeviceListOpensShieldsWhatIsUnderItAndPicksADevice) {
    g_fake_audio_layer.devices = {{"Speakers", 0.89f, false, {{"System", 1.0f, false}}}, {"Headset", 0.3f, false, {}}};
    frame();
    const UiRect& s = layout.selector;
    const f32 list_top = s.y + s.h;
    const f32 probe_x = layout.device_column.x + 8, probe_y = list_top + 70;
    EXPECT_EQ(pixel(pixels(), probe_x, probe_y), color(GUI_COLOR_VOLUME_CONTROL_BACKGROUND));
    click(s.x + 100, list_top);  // the selector's bottom row, where the first entry starts
    EXPECT_TRUE(g_mixer.device_list_open);
    EXPECT_EQ(pixel(pixels(), probe_x, probe_y), color(GUI_COLOR_BUTTON)) << "drawn last, over the device column";
    const LayoutNode& list = g_mixer.device_list_rect;
    EXPECT_EQ((std::vector<f32>{list.x, list.y, list.h}), (std::vector<f32>{s.x, list_top, 120.0f}));
    // The device knob lies under the list, below its two entries: it must not start a drag.
    const GuiPoint knob = layout.knob_centre(layout.device_column, 0.89f);
    ASSERT_TRUE(knob.y > list_top + 80 && knob.y < list_top + 120) << knob.y;
    move(knob.x, knob.y);
    button(true);
    frame();
    for (f32 dy : {20.0f, 40.0f, 60.0f}) move(knob.x, knob.y + dy), frame();
    button(false);
    frame();
    EXPECT_TRUE(fake_audio_layer_calls(FAKE_AUDIO_SET_DEVICE_VOLUME).empty());
    // Outside the list the columns react, and the list stays open.
    click_in(layout.column_mute(layout.device_column));
    EXPECT_EQ(fake_audio_layer_calls(FAKE_AUDIO_MUTE_DEVICE).size(), 1u);
    EXPECT_TRUE(g_mixer.device_list_open);
    // The second entry: device 1 is selected and the list closes.
    click(s.x + 100, list_top + 60);
    EXPECT_FALSE(g_mixer.device_list_open);
    EXPECT_EQ(g_ui_selected_device, 1u);
    g_fake_audio_layer.calls.clear();
    frame();
    for (const FakeAudioCall& c : g_fake_audio_layer.calls) EXPECT_EQ(c.device, 1u);
    EXPECT_EQ(text_of(g_mixer.device_field_text), "30");
    EXPECT_EQ(pixel(pixels(), probe_x, probe_y), color(GUI_COLOR_VOLUME_CONTROL_BACKGROUND));
    EXPECT_TRUE(fake_audio_layer_changes().empty());
    // The selector opens and closes it.
    click_in(s);
    click_in(s);
    EXPECT_FALSE(g_mixer.device_list_open);
}

// A field focused while the list is open, then another device picked, or the shown device gone:
// its number belonged to the old device and must not be committed to the new one.
TEST_F(Mixer, ChangingTheShownDeviceDropsFocusedFieldsWithoutCommitting) {
    g_fake_audio_layer.devices = {{"Speakers", 0.89f, false, {{"System", 1.0f, false}}},
                                  {"Headset", 0.3f, false, {{"System", 0.6f, false}}}};
    frame();
    const UiRect& s = layout.selector;
    const struct {
        UiRect column;
        u8* (*focused)();
    } fields[] = {
        {layout.device_column, [] { return &g_mixer.device_field_focused; }},
        {layout.equalizer_column, [] { return &g_mixer.equalizer_focused; }},
        {layout.session_column(0, 0), [] { return &g_mixer.session_field_focused.data[0]; }},
    };
    for (const auto& f : fields) {
        const u32 other = 1 - g_ui_selected_device;
        const UiRect field = layout.column_field(f.column);
        click_in(s);
        click(field.x + field.w - 2, field.y + field.h / 2);
        ASSERT_TRUE(g_mixer.device_list_open && *f.focused()) << &f - fields;
        click(s.x + 100, s.y + s.h + 20 + 40 * (f32)other);
        ASSERT_EQ(g_ui_selected_device, other);
        EXPECT_FALSE(*f.focused()) << &f - fields;
        click(W() / 2, H() - 2);
    }
    EXPECT_EQ(text_of(g_mixer.device_field_text), "30");
    // Headset is shown; it goes away and the default device takes its place.
    const UiRect field = layout.column_field(layout.device_column);
    click(field.x + field.w - 2, field.y + field.h / 2);
    ASSERT_TRUE(g_mixer.device_field_focused);
    g_fake_audio_layer.devices.pop_back();
    frame();
    EXPECT_FALSE(g_mixer.device_field_focused);
    click(W() / 2, H() - 2);
    EXPECT_EQ(text_of(g_mixer.device_field_text), "89");
    EXPECT_TRUE(fake_audio_layer_changes().empty());
}

// The selected device may point past the list: after a device went away, or when the default
// index was taken before any device was found. The lists are never indexed with it.
TEST_F(Mixer, ASelectedDevicePastTheListShowsTheDefaultDeviceOrTheFirstOrNothing) {
    g_fake_audio_layer.devices = {{"Speakers", 0.1f, false, {{"System", 1.0f, false}}},
                                  {"Headset", 0.6f, false, {{"System", 1.0f, false}}}};
    g_fake_audio_layer.default_device = 1;
    g_ui_selected_device = 2;  // a third device, unplugged (one shown when it went: see above)
    frame();
    EXPECT_EQ(text_of(g_mixer.device_field_text), "60");
    click_in(layout.set_active);  // actions go to the device shown
    auto defaults = fake_audio_layer_calls(FAKE_AUDIO_SET_DEFAULT_DEVICE);
    ASSERT_EQ(defaults.size(), 1u);
    EXPECT_EQ(defaults[0].device, 1u);
    g_fake_audio_layer.default_device = 5;  // a default index past the list too: the first device
    frame();
    EXPECT_EQ(text_of(g_mixer.device_field_text), "10");
    // Taken before any device was found: nothing is drawn below the tabs, and nothing is called
    // until devices appear, not even by a click where the widgets would be.
    fake_audio_layer_reset();
    g_fake_audio_layer.default_device = 7;
    g_ui_selected_device = audio_default_device_index();
    frames(2);
    click_in(layout.set_active);
    EXPECT_TRUE(g_fake_audio_layer.calls.empty());
    auto p = pixels();
    u32 other = 0;
    for (u32 y = (u32)ui_tab_height(H()) + 1; y < (u32)H(); y++)
        for (u32 x = 0; x < (u32)W(); x++) other += pixel_at(p, UI_TEST_IMAGE_WIDTH, x, y) != color(GUI_COLOR_BACKGROUND);
    EXPECT_EQ(other, 0u);
}
