// Its own executable: stopping the logger ends logging for the rest of the process.
#include <gtest/gtest.h>
#include <atomic>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

namespace {

std::atomic<int> g_entered{0};
std::atomic<int> g_written{0};

void slow_sink(i32, const u8*, u32, void*) {
    g_entered.store(1);
    os_sleep_ms(300);
    g_written.fetch_add(1);
}

TEST(LoggerStop, ReturnsOnlyAfterTheLastLineIsWritten) {
    log_set_sink(slow_sink, nullptr);
    log_error("explains the exit");
    log_error("and one more");
    while (g_entered.load() == 0) os_yield();
    // The first line is on its way out and the second still queued: a process that ends right
    // after stop must still have written both.
    log_stop();
    EXPECT_EQ(g_written.load(), 2);
    EXPECT_EQ(log_queued_count(), 0u);
}

}  // namespace
