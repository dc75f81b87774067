// Linux-only pieces the entry point and the autostart entry share.
#pragma once
#include "Ostrel/core/types.h"

// $XDG_CONFIG_HOME, else ~/.config (an unset, empty or relative value does not count); false when
// neither is known or it does not fit.
bool linux_config_home(char* buffer, u32 capacity);
