// The same contract over POSIX calls, so the loaders can be tested natively. "No sharing" has
// no POSIX counterpart and is not imitated.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Ostrel/platform/file.h"

FileReadResult file_read_whole(const char* path, Allocator* allocator, u64 max_size, u8** out_bytes, u32* out_size) {
    *out_bytes = nullptr;
    *out_size = 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FILE_READ_OPEN_FAILED;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return FILE_READ_FAILED;
    }
    // A folder opens fine here but not through CreateFileA: refuse it the same way.
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return FILE_READ_OPEN_FAILED;
    }
    if ((u64)info.st_size > max_size || (u64)info.st_size > 0xFFFFFFFFull) {
        close(fd);
        return FILE_READ_TOO_LARGE;
    }
    u32 total_size = (u32)info.st_size;
    u8* bytes = (u8*)allocator_alloc(allocator, total_size ? total_size : 1);
    u32 total = 0;
    while (total < total_size) {
        ssize_t got = read(fd, bytes + total, total_size - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            close(fd);
            allocator_free(allocator, bytes);
            return FILE_READ_FAILED;
        }
        total += (u32)got;
    }
    close(fd);
    *out_bytes = bytes;
    *out_size = total_size;
    return FILE_READ_OK;
}
