// The program's process-wide records. They live for the whole run; the entry point fills them.
#include "app/app.h"

AppConfig g_config = {};
Window g_window = {};
KeyboardState g_keyboard = {INPUT_DEVICE_KEYBOARD, {}};
MouseState g_mouse = {INPUT_DEVICE_MOUSE, 0, 0, 0, {}};
KeyStates g_key_states = {{}, {}, 30};
DynString g_executable_path = {};
bool g_quit = false;
void* g_module_handle = nullptr;
