#include "path.h"
#include <string.h>
#include "os.h"

bool path_executable(Allocator* allocator, u8** out_bytes, u32* out_length) {
    char buffer[260];
    u32 length = 0;
    if (!os_executable_path(buffer, sizeof buffer, &length) || length == 0) return false;
    u8* bytes = (u8*)allocator_alloc(allocator, length);
    if (!bytes) return false;
    memcpy(bytes, buffer, length);
    *out_bytes = bytes;
    *out_length = length;
    return true;
}

bool path_executable_directory(Allocator* allocator, u8** out_bytes, u32* out_length) {
    u8* full = nullptr;
    u32 length = 0;
    if (!path_executable(allocator, &full, &length)) return false;
    u32 p = 0;
    for (u32 i = 0; i < length; i++) {
        if (full[i] == '\\' || full[i] == '/') p = i;
    }
    u8* dir = (u8*)allocator_alloc(allocator, p ? p : 1);
    if (!dir) {
        allocator_free(allocator, full);
        return false;
    }
    memcpy(dir, full, p);
    allocator_free(allocator, full);
    *out_bytes = dir;
    *out_length = p;
    return true;
}

const u8* path_file_name(const u8* path, u32 length, u32* inout_length) {
    if (length < 2) return path;
    i64 found = -1;
    for (u32 i = 0; i + 1 < length; i++) {
        if (path[i] == '\\' || path[i] == '/') found = i;
    }
    if (found < 0) return path;
    *inout_length = length - (u32)found - 1;
    return path + found + 1;
}
