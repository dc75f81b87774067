#include <windows.h>
#include "Ostrel/core/log.h"
#include "app/app.h"

[[noreturn]] void app_fatal_exit(u32 code) {
    // Otherwise a failure during the run would lose what changed since the last autosave. Before
    // start-up is complete the record holds nothing loaded to save.
    if (g_started) save_config(&g_config);
    log_stop();
    ExitProcess(code);
}
