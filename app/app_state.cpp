// The program's process-wide records. They live for the whole run; the entry point fills them.
#include "app/app.h"

AppConfig g_config = {};
Window g_window = {};
KeyboardState g_keyboard = keyboard_state_create();
MouseState g_mouse = mouse_state_create();
KeyStates g_key_states = key_states_create();
DynString g_executable_path = {};
bool g_quit = false;
void* g_module_handle = nullptr;
bool g_started = false;
