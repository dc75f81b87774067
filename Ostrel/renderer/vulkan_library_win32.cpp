#include <windows.h>
#include "Ostrel/renderer/vulkan_library.h"

void* vulkan_library_open() {
    HMODULE module = LoadLibraryA("vulkan-1.dll");
    if (!module) module = LoadLibraryA("vulkan.dll");
    return (void*)module;
}

PFN_vkVoidFunction vulkan_library_symbol(void* library, const char* name) {
    return (PFN_vkVoidFunction)(void*)GetProcAddress((HMODULE)library, name);
}

void vulkan_library_close(void* library) { FreeLibrary((HMODULE)library); }
