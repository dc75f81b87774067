#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include "os.h"

static void* heap_allocate(void*, u64 size) { return malloc((size_t)size); }
static void heap_free(void*, void* pointer) { free(pointer); }

Allocator os_heap_allocator() { return Allocator{nullptr, heap_allocate, heap_free}; }

struct ThreadStart {
    OsThreadFn fn;
    void* arg;
};

static void* thread_trampoline(void* p) {
    ThreadStart start = *(ThreadStart*)p;
    free(p);
    start.fn(start.arg);
    return nullptr;
}

bool os_thread_start(OsThread* out, OsThreadFn fn, void* arg) {
    ThreadStart* start = (ThreadStart*)malloc(sizeof(ThreadStart));
    start->fn = fn;
    start->arg = arg;
    pthread_t* t = (pthread_t*)malloc(sizeof(pthread_t));
    if (pthread_create(t, nullptr, thread_trampoline, start) != 0) {
        free(start);
        free(t);
        return false;
    }
    out->handle = t;
    return true;
}

void os_thread_close(OsThread* thread) {
    if (thread->handle) {
        pthread_detach(*(pthread_t*)thread->handle);
        free(thread->handle);
    }
    thread->handle = nullptr;
}

void os_thread_join(OsThread* thread) {
    if (thread->handle) {
        pthread_join(*(pthread_t*)thread->handle, nullptr);
        free(thread->handle);
    }
    thread->handle = nullptr;
}

void os_sleep_ms(u32 milliseconds) {
    timespec ts{(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
}

void os_yield() { sched_yield(); }

OsLocalTime os_local_time() {
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    return OsLocalTime{(u16)local.tm_hour, (u16)local.tm_min, (u16)local.tm_sec};
}

i64 os_perf_counter() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (i64)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

i64 os_perf_frequency() { return 1000000000LL; }

bool os_executable_path(char* buffer, u32 capacity, u32* out_length) {
    ssize_t n = readlink("/proc/self/exe", buffer, capacity);
    if (n <= 0 || (u32)n >= capacity) return false;
    *out_length = (u32)n;
    return true;
}
