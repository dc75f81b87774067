// Its own executable: stopping the logger ends logging for the rest of the process.
#include <gtest/gtest.h>
#include <atomic>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"

std::atomic<int> g_entered{0}, g_written{0};

void slow_sink(i32, const u8*, u32, void*) {
    g_entered.store(1);
    os_sleep_ms(300);
    g_written.fetch_add(1);
}

// One line on its way out, one still queued: a process ending right after stop has both.
TEST(LoggerStop, ReturnsOnlyAfterTheLastLineIsWritten) {
    log_set_sink(slow_sink, nullptr);
    log_error("explains the exit");
    log_error("and one more");
    while (g_entered.load() == 0) os_yield();
    log_stop();
    EXPECT_EQ(g_written.load(), 2);
    EXPECT_EQ(log_queued_count(), 0u);
}
