// The window's user interface: start-up once the window exists, one frame per focused pass.
#pragma once

// The font file; its name in the working directory unless the entry point puts it elsewhere.
extern const char* g_ui_font_path;

bool ui_startup();
void ui_frame();
void ui_shutdown();
