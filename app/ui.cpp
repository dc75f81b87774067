// Placeholder until the user interface lands.
#include "app/ui.h"

bool ui_startup() { return true; }
void ui_frame() {}
void ui_shutdown() {}
