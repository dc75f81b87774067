// Helper for end-to-end tests, run under Wine in the program's prefix: finds a top-level window
// by its title and reports its geometry or posts/sends a message to it.
//
//   wintool client-rect TITLE           "x y width height" of the client area, screen pixels
//   wintool window-rect TITLE           "x y width height" of the whole window
//   wintool visible TITLE               1 or 0
//   wintool focus TITLE                 1 when the window is the foreground window, else 0
//   wintool post TITLE MSG WPARAM LPARAM   numbers in decimal or 0x hex
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage() {
    fprintf(stderr, "usage: wintool client-rect|window-rect|visible|focus|post TITLE ...\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const char* command = argv[1];
    const char* title = argv[2];
    HWND hwnd = FindWindowA(NULL, title);  // exit code 1 when there is none
    if (!hwnd) {
        fprintf(stderr, "wintool: no window titled \"%s\"\n", title);
        return 1;
    }
    RECT r;
    if (strcmp(command, "client-rect") == 0) {
        GetClientRect(hwnd, &r);
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    } else if (strcmp(command, "window-rect") == 0) {
        GetWindowRect(hwnd, &r);
        printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (strcmp(command, "visible") == 0) {
        printf("%d\n", IsWindowVisible(hwnd) ? 1 : 0);
    } else if (strcmp(command, "focus") == 0) {
        printf("%d\n", GetForegroundWindow() == hwnd ? 1 : 0);
    } else if (strcmp(command, "post") == 0 && argc >= 6) {
        if (!PostMessageA(hwnd, (UINT)strtoul(argv[3], NULL, 0), strtoull(argv[4], NULL, 0), strtoll(argv[5], NULL, 0))) return 1;
    } else {
        return usage();
    }
    fflush(stdout);
    return 0;
}
