#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include "Ostrel/core/log.h"
#include "support/log_capture.h"

namespace {

// Four producers flood a stalled ring: exactly 256 get in, and each producer's accepted messages
// are its first ones, in order (a discarded message is freed; the sanitizer sees any leak).
TEST(Logger, SeveralProducersFillTheRingWithoutLosingOrCorrupting) {
    LogCapture capture;
    const int producers = 4;
    capture.hold_output(true);
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; p++)
        threads.emplace_back([p] {
            for (int i = 0; i < 100; i++) log_error("p%-%", p, i);
        });
    for (auto& t : threads) t.join();
    capture.hold_output(false);
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 256u);
    std::vector<int> next(producers, 0);
    for (auto& l : lines) {
        int p = 0, i = 0;
        ASSERT_EQ(sscanf(l.text.c_str(), "p%d-%d", &p, &i), 2);
        EXPECT_EQ(i, next[p]) << l.text;
        next[p] = i + 1;
    }
    log_error("after");  // a printed slot takes messages again
    EXPECT_TRUE(capture.contains("after"));
}

TEST(Logger, StopDrainsTheRingBeforeReturning) {
    LogCapture capture;
    capture.hold_output(true);
    for (int i = 0; i < 10; i++) log_warning("d%", i);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        capture.hold_output(false);
    });
    log_stop();
    release.join();
    // The stopped thread ends after its idle sleep; then the process may log again. A restart
    // empties the ring, so whatever stop left in it is lost.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(log_start());
    log_error("restarted");
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[9].text, "d9");
    EXPECT_EQ(lines[9].level, LOG_LEVEL_WARNING);
    EXPECT_EQ(lines[10].text, "restarted");
}

}  // namespace
