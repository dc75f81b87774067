#include <dlfcn.h>
#include "Ostrel/renderer/vulkan_library.h"

void* vulkan_library_open() {
    void* library = dlopen("libvulkan.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) library = dlopen("libvulkan.so", RTLD_NOW | RTLD_LOCAL);
    return library;
}

PFN_vkVoidFunction vulkan_library_symbol(void* library, const char* name) {
    return (PFN_vkVoidFunction)dlsym(library, name);
}

void vulkan_library_close(void* library) { dlclose(library); }
