// Placeholder until the colour-scheme folder lands: only "Default".
#include "app/color_schemes.h"

bool color_schemes_setup() { return true; }
void color_schemes_poll() {}
