// Alone in its file, so a program built on the engine can link an output of its own in its place.
#include <unistd.h>
#include "os.h"

void os_write_stdout(const void* bytes, u32 length) {
    const u8* p = (const u8*)bytes;
    while (length > 0) {
        ssize_t n = write(1, p, length);
        if (n <= 0) return;
        p += n;
        length -= (u32)n;
    }
}
