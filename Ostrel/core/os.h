// The few operating-system services the portable engine needs. Implemented once per
// platform (os_win32.cpp, os_posix.cpp); nothing else in core calls the OS directly.
#pragma once
#include "allocator.h"

// Allocator over the process heap (HeapAlloc/HeapFree on Windows).
Allocator os_heap_allocator();

typedef u32 (*OsThreadFn)(void* arg);
struct OsThread {
    void* handle;
};
bool os_thread_start(OsThread* out, OsThreadFn fn, void* arg);
void os_thread_close(OsThread* thread);  // drops the handle; does not wait
void os_thread_join(OsThread* thread);

void os_sleep_ms(u32 milliseconds);
void os_yield();

struct OsLocalTime {
    u16 hour, minute, second;
};
OsLocalTime os_local_time();

// Writes to standard output: the console when there is one, else the file or pipe.
void os_write_stdout(const void* bytes, u32 length);

i64 os_perf_counter();
i64 os_perf_frequency();

// Full path of the running executable into buffer; false when it is unavailable or
// did not fit in capacity.
bool os_executable_path(char* buffer, u32 capacity, u32* out_length);
