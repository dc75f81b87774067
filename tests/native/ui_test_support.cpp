#include "ui_test_support.h"
#include <string.h>

// The program makes its screen state once; each test makes it anew.
static void free_screen_state() {
    for (u32 i = 0; i < g_mixer.session_field_text.count; i++) dyn_string_free(&g_mixer.session_field_text.data[i]);
    dyn_string_free(&g_mixer.device_field_text);
    dyn_string_free(&g_mixer.equalizer_text);
    dyn_array_free(&g_mixer.session_slider_dragging);
    dyn_array_free(&g_mixer.session_slider_value);
    dyn_array_free(&g_mixer.session_field_focused);
    dyn_array_free(&g_mixer.session_field_cursor);
    dyn_array_free(&g_mixer.session_field_selection);
    dyn_array_free(&g_mixer.session_field_text);
}

void UiTest::SetUpTestSuite() {
    HarnessTest::SetUpTestSuite();
    UiRenderer renderer = {&h->vk, &h->gui, &h->frame_arena};
    ok = ok && ui_startup_screens(&renderer, &h->texture_arena.interface, &h->staging_arena.interface);
}

void UiTest::TearDownTestSuite() {
    free_screen_state();
    glyph_map_free(&g_ui_font);
    if (h->vk.device) ostrel_vk::vkDeviceWaitIdle(h->vk.device);  // the last frame may still sample the atlas
    vulkan_destroy_texture(&g_ui_font_atlas);
    g_ui_renderer = UiRenderer{};
    HarnessTest::TearDownTestSuite();
}

ColorScheme ui_test_scheme(const char* name, u8 seed) {
    ColorScheme s = g_color_scheme_default;
    memset(s.name, 0, sizeof(s.name));
    s.name_length = (u32)strlen(name);
    memcpy(s.name, name, s.name_length);
    for (u32 i = 0; i < GUI_COLOR_COUNT; i++)
        s.colors[i] = gui_pack_color((u8)(seed + 11 * i), (u8)(200 - 7 * i), (u8)(seed * 3 + 5 * i), 255);
    return s;
}

void UiTest::SetUp() {
    ASSERT_TRUE(ok) << "no offscreen Vulkan device or no screens";
    fake_audio_layer_reset();
    fake_tray_reset();
    color_schemes_list_create();
    color_schemes_list_reset();
    g_selected_color_scheme = 0;
    g_color_schemes_loaded = false;
    g_config = AppConfig{};
    g_mouse = mouse_state_create();
    g_keyboard = keyboard_state_create();
    g_key_states = key_states_create();
    g_window.client_width = 800;
    g_window.client_height = 600;
    text_input_ring_reset(&g_window.text_input);
    h->gui.input = GuiInput{};
    h->gui.previous_input = GuiInput{};
    free_screen_state();
    ui_screen_state_create();
    gui_apply_color_scheme(color_scheme_selected()->colors);
    g_ui_selected_device = 0;
}

void UiTest::one_device(const std::vector<std::string>& sessions) {
    FakeAudioDevice d = {"Speakers", 0.5f, false, {}};
    for (const std::string& s : sessions) d.sessions.push_back(FakeAudioSession{s, 0.25f, false});
    g_fake_audio_layer.devices.push_back(d);
    g_fake_audio_layer.default_device = 0;
}

MixerLayout mixer_layout(f32 W, f32 H) {
    MixerLayout l = {};
    f32 tab = 0.055f * H < 40.0f ? 0.055f * H : 40.0f;
    const f32 top = tab + 5.0f;
    l.selector = {0.02f * W, top, 0.6f * W, 0.075f * H};
    l.set_active = {0.64f * W, top, 0.34f * W, 0.075f * H};
    f32 t2 = l.selector.y + l.selector.h + 8.0f;
    f32 y = t2 + 0.006f * H;
    f32 cw = ostrel_clamp(0.13f * W, 100.0f, 150.0f);
    l.device_column = {0.02f * W, y, cw, H - y - 8.0f};
    l.equalizer_column = {l.device_column.x + cw + 0.02f * W, y, cw, H - y - 8.0f};
    f32 sx = l.equalizer_column.x + cw + 0.01f * W;
    l.sessions = {sx, y, W - sx - 10.0f, H - y - 8.0f - 14.0f};
    l.session_width = ostrel_clamp(0.2f * l.sessions.w, 100.0f, 150.0f);
    return l;
}

