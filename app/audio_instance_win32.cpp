// The audio layer's only way to the system's Core Audio classes, in a file of its own so that a
// test executable can link a platform model in its place.
#include <windows.h>
#include <objbase.h>
#include "app/audio_win32.h"

i32 audio_create_instance(const void* clsid, const void* iid, void** object) {
    return CoCreateInstance(*(const CLSID*)clsid, NULL, CLSCTX_ALL, *(const IID*)iid, object);
}
