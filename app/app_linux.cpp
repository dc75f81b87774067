#include "app/app_linux.h"
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "app/app.h"

[[noreturn]] void app_fatal_exit(u32 code) {
    // Otherwise a failure during the run would lose what changed since the last autosave.
    if (g_started) save_config(&g_config);
    log_stop();
    _exit((int)code);
}

bool linux_config_home(char* buffer, u32 capacity) {
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return (u32)snprintf(buffer, capacity, "%s", config) < capacity;
    const char* home = getenv("HOME");
    if (!home || home[0] != '/') return false;
    return (u32)snprintf(buffer, capacity, "%s/.config", home) < capacity;
}
