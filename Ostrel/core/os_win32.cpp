#include <windows.h>
#include "os.h"

static void* heap_allocate(void* context, u64 size) { return HeapAlloc((HANDLE)context, 0, (SIZE_T)size); }
static void heap_free(void* context, void* pointer) { HeapFree((HANDLE)context, 0, pointer); }

Allocator os_heap_allocator() { return Allocator{GetProcessHeap(), heap_allocate, heap_free}; }

struct ThreadStart {
    OsThreadFn fn;
    void* arg;
};

static DWORD WINAPI thread_trampoline(LPVOID p) {
    ThreadStart start = *(ThreadStart*)p;
    HeapFree(GetProcessHeap(), 0, p);
    return start.fn(start.arg);
}

bool os_thread_start(OsThread* out, OsThreadFn fn, void* arg) {
    ThreadStart* start = (ThreadStart*)HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart));
    if (!start) return false;
    start->fn = fn;
    start->arg = arg;
    HANDLE h = CreateThread(NULL, 0, thread_trampoline, start, 0, NULL);
    if (!h) {
        HeapFree(GetProcessHeap(), 0, start);
        return false;
    }
    out->handle = h;
    return true;
}

void os_thread_close(OsThread* thread) {
    if (thread->handle) CloseHandle((HANDLE)thread->handle);
    thread->handle = nullptr;
}

void os_thread_join(OsThread* thread) {
    if (thread->handle) WaitForSingleObject((HANDLE)thread->handle, INFINITE);
    os_thread_close(thread);
}

void os_sleep_ms(u32 milliseconds) { Sleep(milliseconds); }
void os_yield() { Sleep(0); }

OsLocalTime os_local_time() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return OsLocalTime{t.wHour, t.wMinute, t.wSecond};
}

i64 os_perf_counter() {
    LARGE_INTEGER v;
    QueryPerformanceCounter(&v);
    return v.QuadPart;
}

i64 os_perf_frequency() {
    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    return v.QuadPart;
}

bool os_executable_path(char* buffer, u32 capacity, u32* out_length) {
    SetLastError(0);
    DWORD n = GetModuleFileNameA(NULL, buffer, capacity);
    if (n == 0 || GetLastError() == ERROR_INSUFFICIENT_BUFFER) return false;
    *out_length = n;
    return true;
}
