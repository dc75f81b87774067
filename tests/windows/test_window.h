// One hidden top-level window for the tray and clipboard tests, in g_window, with the tray
// procedure behind it as the program installs it.
#pragma once

#define TEST_WINDOW_TITLE "Korvane tray test"

bool test_window_create();
void test_window_destroy();
