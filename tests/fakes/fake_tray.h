// Native stand-ins for the tray, run-at-log-in and clipboard functions (app/tray.h): a Run
// "registry" of one value that tests can change behind the program's back, and a clipboard
// string. Every call is counted.
#pragma once
#include <string>
#include "Ostrel/core/types.h"

struct FakeTray {
    bool registered;  // the Run value exists
    u32 queries;
    u32 registers;
    u32 unregisters;
    u32 icon_adds;
    u32 icon_removes;
    std::string clipboard;
};

extern FakeTray g_fake_tray;

void fake_tray_reset();
