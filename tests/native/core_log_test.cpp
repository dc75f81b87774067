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

}  // namespace
