// Shared set-up of the fuzz targets: the default allocator and a running logger whose lines
// are discarded (parsers log what they reject) by this stand-in for standard output.
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

static Allocator g_fuzz_heap;

void os_write_stdout(const void*, u32) {}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_fuzz_heap = os_heap_allocator();
    g_default_allocator = &g_fuzz_heap;
    log_start();
    return 0;
}
