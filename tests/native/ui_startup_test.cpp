#include <gtest/gtest.h>
#include "app/app.h"
#include "app/ui.h"
#include "Ostrel/core/log.h"
#include "support/log_capture.h"

// A window record no window_create filled has no surface: start-up stops at the rendering context
// with its message.
TEST(UiStartup, StopsWhenTheRenderingContextCannotBeCreated) {
    LogCapture capture;
    Window saved = g_window;
    g_window = Window{};
    g_window.client_width = 640;
    g_window.client_height = 480;
    EXPECT_FALSE(ui_startup());
    g_window = saved;
    auto lines = capture.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, "Failed to create Vulkan rendering context.");
    EXPECT_EQ(lines.back().level, LOG_LEVEL_ERROR);
    EXPECT_EQ(capture.count("Failed to load font."), 0);
}
