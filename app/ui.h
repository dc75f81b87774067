// The window's user interface: start-up once the window exists, one frame per focused pass.
#pragma once

bool ui_startup();
void ui_frame();
void ui_shutdown();
