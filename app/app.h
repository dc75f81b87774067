// Process-wide state of the program, owned by the entry point and shared with the other parts.
#pragma once
#include "Ostrel/core/dyn_string.h"
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/window.h"
#include "app/config.h"
#include "app/key_states.h"

extern AppConfig g_config;
extern Window g_window;
extern KeyboardState g_keyboard;
extern MouseState g_mouse;
extern KeyStates g_key_states;
extern DynString g_executable_path;  // full path, no terminator; kept for the Run registration
extern bool g_quit;                  // set by the tray menu's "Exit"
extern void* g_module_handle;
extern bool g_started;               // start-up is complete: the configuration is worth saving

// A crash or power loss costs at most this much of the user's changes.
static const f64 k_app_autosave_seconds = 5.0;

// The head of every pass of the frame loop: the periodic save, the scheme folder's changes and the
// window's messages turned into this frame's input. Resets the count once it saved.
void app_frame_begin(f64* autosave_seconds);

// Saves the configuration once start-up is complete, stops the logger (so the explaining message
// is written) and ends the process.
[[noreturn]] void app_fatal_exit(u32 code);
