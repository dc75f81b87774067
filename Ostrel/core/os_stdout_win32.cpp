// Alone in its file, so a program built on the engine can link an output of its own in its place.
#include <windows.h>
#include "os.h"

void os_write_stdout(const void* bytes, u32 length) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == NULL || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    // A console takes WriteConsoleA; a redirected handle (file, pipe) refuses it and takes WriteFile.
    if (!WriteConsoleA(out, bytes, length, &written, NULL)) WriteFile(out, bytes, length, &written, NULL);
}
