// Our own run-time Vulkan loader. Nothing links against a Vulkan library: the loader library is
// opened at run time and every command is fetched in three stages (global, instance, device).
// The command pointers carry the usual Vulkan names inside the namespace ostrel_vk, so they cannot
// clash with the symbols of the loader library itself; a source file that records commands says
// `using namespace ostrel_vk;` and its calls read like plain Vulkan.
#pragma once
#ifndef VK_NO_PROTOTYPES
#define VK_NO_PROTOTYPES
#endif
#include <vulkan/vulkan.h>

// Commands available before any instance exists.
#define OSTREL_VK_GLOBAL_COMMANDS(X)        \
    X(vkCreateInstance)                     \
    X(vkEnumerateInstanceVersion)           \
    X(vkEnumerateInstanceExtensionProperties) \
    X(vkEnumerateInstanceLayerProperties)

#define OSTREL_VK_INSTANCE_COMMANDS(X)            \
    X(vkDestroyInstance)                          \
    X(vkEnumeratePhysicalDevices)                 \
    X(vkGetPhysicalDeviceProperties)              \
    X(vkGetPhysicalDeviceFeatures)                \
    X(vkGetPhysicalDeviceQueueFamilyProperties)   \
    X(vkGetPhysicalDeviceMemoryProperties)        \
    X(vkGetPhysicalDeviceFormatProperties)        \
    X(vkEnumerateDeviceExtensionProperties)       \
    X(vkCreateDevice)                             \
    X(vkGetDeviceProcAddr)

// VK_KHR_surface: present only on instances that enabled it.
#define OSTREL_VK_SURFACE_COMMANDS(X)             \
    X(vkDestroySurfaceKHR)                        \
    X(vkGetPhysicalDeviceSurfaceSupportKHR)       \
    X(vkGetPhysicalDeviceSurfaceCapabilitiesKHR)  \
    X(vkGetPhysicalDeviceSurfaceFormatsKHR)       \
    X(vkGetPhysicalDeviceSurfacePresentModesKHR)

#define OSTREL_VK_DEVICE_COMMANDS(X)      \
    X(vkDestroyDevice)                    \
    X(vkGetDeviceQueue)                   \
    X(vkDeviceWaitIdle)                   \
    X(vkQueueSubmit)                      \
    X(vkQueueWaitIdle)                    \
    X(vkAllocateMemory)                   \
    X(vkFreeMemory)                       \
    X(vkMapMemory)                        \
    X(vkUnmapMemory)                      \
    X(vkBindBufferMemory)                 \
    X(vkBindImageMemory)                  \
    X(vkGetBufferMemoryRequirements)      \
    X(vkGetImageMemoryRequirements)       \
    X(vkCreateBuffer)                     \
    X(vkDestroyBuffer)                    \
    X(vkCreateImage)                      \
    X(vkDestroyImage)                     \
    X(vkCreateImageView)                  \
    X(vkDestroyImageView)                 \
    X(vkCreateSampler)                    \
    X(vkDestroySampler)                   \
    X(vkCreateShaderModule)               \
    X(vkDestroyShaderModule)              \
    X(vkCreatePipelineLayout)             \
    X(vkDestroyPipelineLayout)            \
    X(vkCreateGraphicsPipelines)          \
    X(vkDestroyPipeline)                  \
    X(vkCreateDescriptorSetLayout)        \
    X(vkDestroyDescriptorSetLayout)       \
    X(vkCreateDescriptorPool)             \
    X(vkDestroyDescriptorPool)            \
    X(vkResetDescriptorPool)              \
    X(vkAllocateDescriptorSets)           \
    X(vkUpdateDescriptorSets)             \
    X(vkCreateRenderPass)                 \
    X(vkDestroyRenderPass)                \
    X(vkCreateFramebuffer)                \
    X(vkDestroyFramebuffer)               \
    X(vkCreateCommandPool)                \
    X(vkDestroyCommandPool)               \
    X(vkAllocateCommandBuffers)           \
    X(vkFreeCommandBuffers)               \
    X(vkBeginCommandBuffer)               \
    X(vkEndCommandBuffer)                 \
    X(vkResetCommandBuffer)               \
    X(vkCreateSemaphore)                  \
    X(vkDestroySemaphore)                 \
    X(vkCreateFence)                      \
    X(vkDestroyFence)                     \
    X(vkResetFences)                      \
    X(vkGetFenceStatus)                   \
    X(vkWaitForFences)                    \
    X(vkCmdPipelineBarrier)               \
    X(vkCmdCopyBuffer)                    \
    X(vkCmdCopyBufferToImage)             \
    X(vkCmdCopyImageToBuffer)             \
    X(vkCmdBeginRenderPass)               \
    X(vkCmdEndRenderPass)                 \
    X(vkCmdBindPipeline)                  \
    X(vkCmdSetViewport)                   \
    X(vkCmdSetScissor)                    \
    X(vkCmdBindDescriptorSets)            \
    X(vkCmdPushConstants)                 \
    X(vkCmdBindVertexBuffers)             \
    X(vkCmdDraw)

// VK_KHR_swapchain: present only on devices that enabled it.
#define OSTREL_VK_SWAPCHAIN_COMMANDS(X) \
    X(vkCreateSwapchainKHR)             \
    X(vkDestroySwapchainKHR)            \
    X(vkGetSwapchainImagesKHR)          \
    X(vkAcquireNextImageKHR)            \
    X(vkQueuePresentKHR)

#define OSTREL_VK_ALL_COMMANDS(X)  \
    OSTREL_VK_GLOBAL_COMMANDS(X)   \
    OSTREL_VK_INSTANCE_COMMANDS(X) \
    OSTREL_VK_SURFACE_COMMANDS(X)  \
    OSTREL_VK_DEVICE_COMMANDS(X)   \
    OSTREL_VK_SWAPCHAIN_COMMANDS(X)

namespace ostrel_vk {
#define OSTREL_VK_DECLARE(name) extern PFN_##name name;
extern PFN_vkGetInstanceProcAddr vkGetInstanceProcAddr;
OSTREL_VK_ALL_COMMANDS(OSTREL_VK_DECLARE)
#undef OSTREL_VK_DECLARE
}  // namespace ostrel_vk

// Loads every command reachable with the given handles (each may be null): all null loads the
// global commands; an instance adds the instance commands (and the surface ones when the instance
// has them); a device adds the device commands (and the swapchain ones when enabled). The library
// ("vulkan-1.dll", then "vulkan.dll" on Windows; "libvulkan.so.1" elsewhere) is opened by the first
// call. False (after logging) when a stage's core commands are missing; a failing call that opened
// the library closes it again.
bool vulkan_load(VkInstance instance, VkPhysicalDevice physical_device, VkDevice device);
inline bool vulkan_load_global() { return vulkan_load(VK_NULL_HANDLE, VK_NULL_HANDLE, VK_NULL_HANDLE); }
// True when every VK_KHR_surface / VK_KHR_swapchain command was found by the last load.
bool vulkan_surface_commands_loaded();
bool vulkan_swapchain_commands_loaded();
