// Does nothing until it is ended. Copies of it under any name (player.exe, browser.exe, ...)
// are the running programs that the audio platform stand-in's sessions belong to.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    for (;;) Sleep(INFINITE);
}
