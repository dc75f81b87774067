#include <windows.h>
#include "Ostrel/platform/file.h"

FileReadResult file_read_whole(const char* path, Allocator* allocator, u64 max_size, u8** out_bytes, u32* out_size) {
    *out_bytes = nullptr;
    *out_size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FILE_READ_OPEN_FAILED;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        return FILE_READ_FAILED;
    }
    if ((u64)size.QuadPart > max_size || (u64)size.QuadPart > 0xFFFFFFFFull) {
        CloseHandle(file);
        return FILE_READ_TOO_LARGE;
    }
    u32 total_size = (u32)size.QuadPart;
    u8* bytes = (u8*)allocator_alloc(allocator, total_size ? total_size : 1);
    u32 total = 0;
    while (total < total_size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + total, total_size - total, &got, NULL) || got == 0) {
            // An error, or the file ended before the size it reported: no partial contents.
            CloseHandle(file);
            allocator_free(allocator, bytes);
            return FILE_READ_FAILED;
        }
        total += got;
    }
    CloseHandle(file);
    *out_bytes = bytes;
    *out_size = total_size;
    return FILE_READ_OK;
}
