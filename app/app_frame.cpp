// The part of the frame loop both entry points share.
#include "app/app.h"
#include "app/color_schemes.h"

void app_frame_begin(f64* autosave_seconds) {
    if (*autosave_seconds >= k_app_autosave_seconds) {
        save_config(&g_config);
        *autosave_seconds = 0.0;
    }

    color_schemes_poll();

    text_input_ring_reset(&g_window.text_input);

    WindowMessage message;
    while (window_pump_one(&message)) {
        input_keyboard_handler(&g_window, &message, &g_keyboard);
        input_mouse_handler(&g_window, &message, &g_mouse);
        input_character_handler(&g_window, &message, &g_window.text_input);
    }
}
