// The Win32 pieces of the renderer: the surface of the window and its minimised state.
#define VK_USE_PLATFORM_WIN32_KHR
#include <windows.h>
#include "Ostrel/platform/window.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

const char* vulkan_surface_extension_name() { return "VK_KHR_win32_surface"; }

VkResult vulkan_create_surface(VkInstance instance, Window* window, const VkAllocationCallbacks* callbacks,
                               VkSurfaceKHR* surface) {
    PFN_vkCreateWin32SurfaceKHR create =
        (PFN_vkCreateWin32SurfaceKHR)vkGetInstanceProcAddr(instance, "vkCreateWin32SurfaceKHR");
    if (!create) return VK_ERROR_EXTENSION_NOT_PRESENT;
    VkWin32SurfaceCreateInfoKHR info = {VK_STRUCTURE_TYPE_WIN32_SURFACE_CREATE_INFO_KHR};
    info.hinstance = GetModuleHandleA(nullptr);
    info.hwnd = (HWND)window->handle;
    return create(instance, &info, callbacks, surface);
}

bool vulkan_window_minimised(const Window* window) {
    if (!window) return false;
    return IsIconic((HWND)window->handle) || window->client_width == 0 || window->client_height == 0;
}
