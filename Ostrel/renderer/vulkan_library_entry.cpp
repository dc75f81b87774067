// Alone in its file, so a program built on the engine can link a lookup of its own in its place
// and stand between the engine and every Vulkan command it loads.
#include "Ostrel/renderer/vulkan_library.h"

PFN_vkGetInstanceProcAddr vulkan_library_entry(void* library) {
    return (PFN_vkGetInstanceProcAddr)vulkan_library_symbol(library, "vkGetInstanceProcAddr");
}
