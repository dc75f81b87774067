// Elsewhere than Windows the engine has no window surface: contexts there are offscreen (tests,
// tools, benchmarks). A window record still reads as minimised when its client area is empty.
#include "Ostrel/platform/window.h"
#include "Ostrel/renderer/renderer.h"

const char* vulkan_surface_extension_name() { return "VK_KHR_surface"; }

VkResult vulkan_create_surface(VkInstance, Window*, const VkAllocationCallbacks*, VkSurfaceKHR* surface) {
    *surface = VK_NULL_HANDLE;
    return VK_ERROR_EXTENSION_NOT_PRESENT;
}

bool vulkan_window_minimised(const Window* window) {
    return window && (window->client_width == 0 || window->client_height == 0);
}
