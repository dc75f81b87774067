#include "Ostrel/renderer/vulkan_loader.h"
#include "Ostrel/core/log.h"
#include "Ostrel/renderer/vulkan_library.h"

namespace ostrel_vk {
#define OSTREL_VK_DEFINE(name) PFN_##name name;
PFN_vkGetInstanceProcAddr vkGetInstanceProcAddr;
OSTREL_VK_ALL_COMMANDS(OSTREL_VK_DEFINE)
#undef OSTREL_VK_DEFINE
}  // namespace ostrel_vk

using namespace ostrel_vk;

static void* g_library;

static PFN_vkVoidFunction instance_function(VkInstance instance, const char* name) {
    PFN_vkVoidFunction f = vkGetInstanceProcAddr(instance, name);
    return f ? f : vulkan_library_symbol(g_library, name);
}

static PFN_vkVoidFunction device_function(VkInstance instance, VkDevice device, const char* name) {
    PFN_vkVoidFunction f = nullptr;
    if (device && vkGetDeviceProcAddr) f = vkGetDeviceProcAddr(device, name);
    return f ? f : instance_function(instance, name);
}

static void clear_all() {
#define OSTREL_VK_CLEAR(name) name = nullptr;
    vkGetInstanceProcAddr = nullptr;
    OSTREL_VK_ALL_COMMANDS(OSTREL_VK_CLEAR)
#undef OSTREL_VK_CLEAR
}

bool vulkan_load(VkInstance instance, VkPhysicalDevice physical_device, VkDevice device) {
    (void)physical_device;  // commands are fetched per instance and device; kept for the call shape
    bool opened_here = false;
    if (!g_library) {
        g_library = vulkan_library_open();
        opened_here = g_library != nullptr;
    }
    bool ok = g_library != nullptr;
    if (ok) {
        vkGetInstanceProcAddr = vulkan_library_entry(g_library);
        ok = vkGetInstanceProcAddr != nullptr;
    }
#define OSTREL_VK_LOAD_GLOBAL(name) name = (PFN_##name)instance_function(VK_NULL_HANDLE, #name);
#define OSTREL_VK_LOAD_INSTANCE(name) name = (PFN_##name)instance_function(instance, #name);
#define OSTREL_VK_LOAD_DEVICE(name) name = (PFN_##name)device_function(instance, device, #name);
#define OSTREL_VK_REQUIRE(name) ok = ok && name != nullptr;
    if (ok) {
        OSTREL_VK_GLOBAL_COMMANDS(OSTREL_VK_LOAD_GLOBAL)
        OSTREL_VK_GLOBAL_COMMANDS(OSTREL_VK_REQUIRE)
    }
    if (ok && instance) {
        OSTREL_VK_INSTANCE_COMMANDS(OSTREL_VK_LOAD_INSTANCE)
        OSTREL_VK_SURFACE_COMMANDS(OSTREL_VK_LOAD_INSTANCE)
        OSTREL_VK_INSTANCE_COMMANDS(OSTREL_VK_REQUIRE)
    }
    if (ok && device) {
        OSTREL_VK_DEVICE_COMMANDS(OSTREL_VK_LOAD_DEVICE)
        OSTREL_VK_SWAPCHAIN_COMMANDS(OSTREL_VK_LOAD_DEVICE)
        OSTREL_VK_DEVICE_COMMANDS(OSTREL_VK_REQUIRE)
    }
#undef OSTREL_VK_LOAD_GLOBAL
#undef OSTREL_VK_LOAD_INSTANCE
#undef OSTREL_VK_LOAD_DEVICE
#undef OSTREL_VK_REQUIRE
    if (!ok) {
        log_error("Unable to load Vulkan symbols! gladLoaderLoadVulkan failure!");
        if (opened_here) {
            vulkan_library_close(g_library);
            g_library = nullptr;
            clear_all();
        }
    }
    return ok;
}

bool vulkan_surface_commands_loaded() {
    bool ok = true;
#define OSTREL_VK_PRESENT(name) ok = ok && name != nullptr;
    OSTREL_VK_SURFACE_COMMANDS(OSTREL_VK_PRESENT)
    return ok;
}

bool vulkan_swapchain_commands_loaded() {
    bool ok = true;
    OSTREL_VK_SWAPCHAIN_COMMANDS(OSTREL_VK_PRESENT)
#undef OSTREL_VK_PRESENT
    return ok;
}
