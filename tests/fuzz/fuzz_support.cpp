// Shared set-up of the fuzz targets: the default allocator and a running logger whose lines
// are discarded (parsers log what they reject).
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

static Allocator g_fuzz_heap;

static void discard(i32, const u8*, u32, void*) {}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_fuzz_heap = os_heap_allocator();
    g_default_allocator = &g_fuzz_heap;
    log_start();
    log_set_sink(discard, nullptr);
    // Messages beyond the full ring are freed at once: cheaper than a busy logger thread.
    log_pause_consumer(true);
    return 0;
}
