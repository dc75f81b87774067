// Test entry: the logger runs for the whole process and the default allocator is the OS heap,
// as in the program.
#include <gtest/gtest.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

static Allocator g_test_heap;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    g_test_heap = os_heap_allocator();
    g_default_allocator = &g_test_heap;
    if (!log_start()) return 1;
    int rc = RUN_ALL_TESTS();
    log_stop();
    return rc;
}
