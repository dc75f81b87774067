#include <windows.h>
#include "Ostrel/core/log.h"
#include "app/app.h"

[[noreturn]] void app_fatal_exit(u32 code) {
    log_stop();
    ExitProcess(code);
}
