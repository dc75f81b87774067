// Native stand-ins for the tray, run-at-log-in and clipboard functions (app/tray.h): a Run
// "registry" of one value that tests can change behind the program's back, with its calls
// counted; no icon and an empty clipboard.
#pragma once
#include "Ostrel/core/types.h"

struct FakeTray {
    bool registered;  // the Run value exists
    u32 queries;
    u32 registers;
    u32 unregisters;
};

extern FakeTray g_fake_tray;

void fake_tray_reset();
