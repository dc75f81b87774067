// Whole UI frames on an offscreen device (lavapipe natively, Wine's Vulkan in the Windows
// build), with the real font, against the audio-layer and tray stand-ins of tests/fakes. The
// input is scripted through the program's own input records (g_mouse, g_keyboard,
// g_window.text_input), advanced like the frame loop does; pixels are read back after a frame.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/app.h"
#include "app/color_schemes.h"
#include "app/ui.h"
#include "app/ui_screens.h"
#include "fake_audio.h"
#include "fake_tray.h"
#include "support/harness_test.h"

// One harness per suite, sized for the largest window the tests use, with the screens started on it.
enum { UI_TEST_IMAGE_WIDTH = 1000, UI_TEST_IMAGE_HEIGHT = 1000 };

// A scheme whose twenty colours all differ from each other and from "Default".
ColorScheme ui_test_scheme(const char* name, u8 seed);

struct UiRect {
    f32 x, y, w, h;
};

class UiTest : public HarnessTest<UI_TEST_IMAGE_WIDTH, UI_TEST_IMAGE_HEIGHT> {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override { dyn_array_free(&g_color_schemes); }

    f32 W() const { return (f32)g_window.client_width; }
    f32 H() const { return (f32)g_window.client_height; }

    // Input, applied at the next frame.
    void move(f32 x, f32 y) { g_mouse.x = (i32)x, g_mouse.y = (i32)y; }
    void button(bool down) { g_mouse.button_down[MOUSE_LEFT] = down ? 1 : 0; }
    void key(u8 code, bool down) { g_keyboard.key_down[code] = down ? 1 : 0; }
    // One pass of the frame loop's input and UI part; the typed characters and the wheel are
    // spent afterwards.
    void frame() {
        key_states_advance(&g_key_states, &g_keyboard);
        ui_frame_input(&h->gui);
        if (render_harness_begin(h)) ui_frame_draw(&h->gui), render_harness_end(h);
        text_input_ring_reset(&g_window.text_input);
        input_end_frame(&g_mouse);
    }
    void frames(int n) {
        for (int i = 0; i < n; i++) frame();
    }
    // Press and release over a point, or a key: two frames.
    void click(f32 x, f32 y) { move(x, y), button(true), frame(), button(false), frame(); }
    void tap(u8 code) { key(code, true), frame(), key(code, false), frame(); }

    std::vector<u32> pixels() { return render_harness_pixels(h); }
    u32 pixel(const std::vector<u32>& p, f32 x, f32 y) const { return pixel_at(p, UI_TEST_IMAGE_WIDTH, (u32)x, (u32)y); }
    u32 color(GuiColor c) const { return color_scheme_selected()->colors[c]; }

    // One device "Speakers" (volume 0.5, default) with the given sessions (names are paths).
    void one_device(const std::vector<std::string>& sessions);
};

// The Mixer's layout, worked out independently in the test from the viewport fractions.
struct MixerLayout {
    UiRect selector, set_active, device_column, equalizer_column, sessions;
    f32 session_width;
    UiRect column_field(const UiRect& c) const { return {c.x + 0.5f * c.w - 20.0f, c.y + 0.825f * c.h, 40.0f, 20.0f}; }
    UiRect column_mute(const UiRect& c) const { return {c.x + 0.25f * c.w, c.y + 0.845f * c.h + 20.0f, 0.5f * c.w, 20.0f}; }
    // Knob centre of a column's slider at a value.
    GuiPoint knob_centre(const UiRect& c, f32 value) const {
        const UiRect t = {c.x + 0.5f * c.w - 3.0f, c.y + 0.105f * c.h, 6.0f, 0.7f * c.h};  // the slider's track
        return {t.x + 3.0f, t.y + (1.0f - value) * (t.h - 5.0f) - value * 5.0f + 5.0f};
    }
    UiRect session_column(u32 j, f32 scroll_offset) const {
        return {sessions.x - scroll_offset + session_width * (f32)j, sessions.y, session_width, sessions.h};
    }
};
MixerLayout mixer_layout(f32 W, f32 H);
