// The X11 pieces of the renderer: the window's surface through VK_KHR_xlib_surface, on the
// window's own display connection, and its minimised state.
#define Window XWindow
#define KeyCode XKeyCode
#include <X11/Xlib.h>
#define VK_USE_PLATFORM_XLIB_KHR
#include <vulkan/vulkan.h>
#undef Window
#undef KeyCode
#include "Ostrel/platform/window_x11.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

const char* vulkan_surface_extension_name() { return "VK_KHR_xlib_surface"; }

VkResult vulkan_create_surface(VkInstance instance, Window* window, const VkAllocationCallbacks* callbacks,
                               VkSurfaceKHR* surface) {
    *surface = VK_NULL_HANDLE;
    // A record no window_create filled has nothing to present to.
    if (!window || !window->handle || !window_x11_display()) return VK_ERROR_INITIALIZATION_FAILED;
    PFN_vkCreateXlibSurfaceKHR create =
        (PFN_vkCreateXlibSurfaceKHR)vkGetInstanceProcAddr(instance, "vkCreateXlibSurfaceKHR");
    if (!create) return VK_ERROR_EXTENSION_NOT_PRESENT;
    VkXlibSurfaceCreateInfoKHR info = {VK_STRUCTURE_TYPE_XLIB_SURFACE_CREATE_INFO_KHR};
    info.dpy = window_x11_display();
    info.window = (XWindow)(uintptr_t)window->handle;
    return create(instance, &info, callbacks, surface);
}

bool vulkan_window_minimised(const Window* window) {
    if (!window) return false;
    return window_is_minimised(window) || window->client_width == 0 || window->client_height == 0;
}
