#include "log.h"
#include <atomic>
#include "os.h"

namespace {

struct LogSlot {
    LogMessage message;
    i32 level;
};

struct LogQueue {
    LogSlot slots[LOG_RING_SLOTS];
    u32 read_index;
    u32 write_index;
    std::atomic<u32> count;
    std::atomic<u32> lock;
    std::atomic<u8> stop;
    std::atomic<u8> busy;  // the consumer holds a dequeued message
    OsThread thread;
};

LogQueue g_queue;
Allocator g_message_allocator;

void lock_take() {
    u32 expected = 0;
    while (!g_queue.lock.compare_exchange_weak(expected, 1, std::memory_order_acquire)) expected = 0;
}

void lock_release() { g_queue.lock.exchange(0, std::memory_order_release); }

const char* level_label(i32 level) {
    if (level == LOG_LEVEL_ERROR) return "ERROR ";
    if (level == LOG_LEVEL_WARNING) return "WARNING ";
    return "DEBUG ";
}

// One write per line, so nothing else writing to the same output can land inside it.
void write_line(const LogSlot& slot) {
    OsLocalTime t = os_local_time();
    DynString line = message_build(&g_message_allocator, "%%:%:%: %\n", level_label(slot.level), t.hour, t.minute,
                                   t.second, slot.message);
    os_write_stdout(line.data, line.length);
    dyn_string_free(&line);
}

u32 logger_thread(void*) {
    for (;;) {
        if (g_queue.count.load() == 0) {
            os_sleep_ms(50);
            if (g_queue.count.load() == 0 && g_queue.stop.load() == 1) return 0;
            continue;
        }
        lock_take();
        if (g_queue.count.load() == 0) {
            lock_release();
            continue;
        }
        g_queue.busy.store(1);
        LogSlot slot = g_queue.slots[g_queue.read_index];
        g_queue.count.fetch_sub(1);
        g_queue.read_index = (g_queue.read_index + 1) % LOG_RING_SLOTS;
        lock_release();
        write_line(slot);
        dyn_string_free(&slot.message);
        g_queue.busy.store(0);
    }
}

void enqueue(LogMessage message, i32 level) {
    lock_take();
    if (g_queue.count.load() == LOG_RING_SLOTS) {
        lock_release();
        dyn_string_free(&message);
        return;
    }
    g_queue.slots[g_queue.write_index] = LogSlot{message, level};
    g_queue.write_index = (g_queue.write_index + 1) % LOG_RING_SLOTS;
    g_queue.count.fetch_add(1);
    lock_release();
}

}  // namespace

Allocator* log_message_allocator() { return &g_message_allocator; }

bool log_start() {
    g_message_allocator = os_heap_allocator();
    g_queue.read_index = 0;
    g_queue.write_index = 0;
    g_queue.count.store(0);
    g_queue.stop.store(0);
    return os_thread_start(&g_queue.thread, logger_thread, nullptr);
}

void log_stop() {
    g_queue.stop.store(1);
    // Also wait for the line being written: the process may end right after this returns. A write
    // can block for good (standard output a pipe nobody reads); the process must still end.
    const i64 give_up = os_perf_counter() + LOG_STOP_WAIT_SECONDS * os_perf_frequency();
    while ((g_queue.count.load() != 0 || g_queue.busy.load() != 0) && os_perf_counter() < give_up) os_yield();
    os_thread_close(&g_queue.thread);
}

void log_error(LogMessage message) { enqueue(message, LOG_LEVEL_ERROR); }
void log_warning(LogMessage message) { enqueue(message, LOG_LEVEL_WARNING); }
