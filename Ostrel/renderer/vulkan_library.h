// Opening the system's Vulkan loader library: the only per-platform piece of the loader.
#pragma once
#include "Ostrel/renderer/vulkan_loader.h"

// The first of the platform's library names that loads, or null.
void* vulkan_library_open();
PFN_vkVoidFunction vulkan_library_symbol(void* library, const char* name);
void vulkan_library_close(void* library);
// The library's vkGetInstanceProcAddr, through which every other command is fetched.
PFN_vkGetInstanceProcAddr vulkan_library_entry(void* library);
