// Names and descriptions of Vulkan result codes. The descriptions of the core codes are the comments
// of the VkResult values in the Vulkan registry (vk.xml); the registry has none for extension codes,
// whose descriptions are written here in the same style.
#include "Ostrel/renderer/renderer.h"

namespace {

struct ResultText {
    i32 code;
    const char* name;
    const char* description;
};

// Not in the installed 1.3.239 headers (VK_EXT_shader_object came later).
const i32 k_error_incompatible_shader_binary_ext = -1000482000;

const ResultText k_results[] = {
    {VK_SUCCESS, "VK_SUCCESS", "Command completed successfully"},
    {VK_NOT_READY, "VK_NOT_READY", "A fence or query has not yet completed"},
    {VK_TIMEOUT, "VK_TIMEOUT", "A wait operation has not completed in the specified time"},
    {VK_EVENT_SET, "VK_EVENT_SET", "An event is signaled"},
    {VK_EVENT_RESET, "VK_EVENT_RESET", "An event is unsignaled"},
    {VK_INCOMPLETE, "VK_INCOMPLETE", "A return array was too small for the result"},
    {VK_ERROR_OUT_OF_HOST_MEMORY, "VK_ERROR_OUT_OF_HOST_MEMORY", "A host memory allocation has failed"},
    {VK_ERROR_OUT_OF_DEVICE_MEMORY, "VK_ERROR_OUT_OF_DEVICE_MEMORY", "A device memory allocation has failed"},
    {VK_ERROR_INITIALIZATION_FAILED, "VK_ERROR_INITIALIZATION_FAILED", "Initialization of an object has failed"},
    {VK_ERROR_DEVICE_LOST, "VK_ERROR_DEVICE_LOST", "The logical device has been lost."},
    {VK_ERROR_MEMORY_MAP_FAILED, "VK_ERROR_MEMORY_MAP_FAILED", "Mapping of a memory object has failed"},
    {VK_ERROR_LAYER_NOT_PRESENT, "VK_ERROR_LAYER_NOT_PRESENT", "Layer specified does not exist"},
    {VK_ERROR_EXTENSION_NOT_PRESENT, "VK_ERROR_EXTENSION_NOT_PRESENT", "Extension specified does not exist"},
    {VK_ERROR_FEATURE_NOT_PRESENT, "VK_ERROR_FEATURE_NOT_PRESENT", "Requested feature is not available on this device"},
    {VK_ERROR_INCOMPATIBLE_DRIVER, "VK_ERROR_INCOMPATIBLE_DRIVER", "Unable to find a Vulkan driver"},
    {VK_ERROR_TOO_MANY_OBJECTS, "VK_ERROR_TOO_MANY_OBJECTS", "Too many objects of the type have already been created"},
    {VK_ERROR_FORMAT_NOT_SUPPORTED, "VK_ERROR_FORMAT_NOT_SUPPORTED", "Requested format is not supported on this device"},
    {VK_ERROR_FRAGMENTED_POOL, "VK_ERROR_FRAGMENTED_POOL",
     "A requested pool allocation has failed due to fragmentation of the pool's memory"},
    {VK_ERROR_OUT_OF_POOL_MEMORY, "VK_ERROR_OUT_OF_POOL_MEMORY", "A pool memory allocation has failed"},
    {VK_ERROR_INVALID_EXTERNAL_HANDLE, "VK_ERROR_INVALID_EXTERNAL_HANDLE",
     "An external handle is not a valid handle of the specified type"},
    {VK_ERROR_FRAGMENTATION, "VK_ERROR_FRAGMENTATION", "A descriptor pool creation has failed due to fragmentation"},
    {VK_ERROR_INVALID_OPAQUE_CAPTURE_ADDRESS, "VK_ERROR_INVALID_OPAQUE_CAPTURE_ADDRESS",
     "A buffer creation or memory allocation failed because the requested address is not available"},
    {VK_PIPELINE_COMPILE_REQUIRED, "VK_PIPELINE_COMPILE_REQUIRED",
     "A requested pipeline creation would have required compilation, but the application requested that it not be "
     "performed"},
    {VK_ERROR_SURFACE_LOST_KHR, "VK_ERROR_SURFACE_LOST_KHR", "A surface is no longer available"},
    {VK_ERROR_NATIVE_WINDOW_IN_USE_KHR, "VK_ERROR_NATIVE_WINDOW_IN_USE_KHR",
     "The requested window is already in use by Vulkan or another API in a manner which prevents it from being "
     "used again"},
    {VK_SUBOPTIMAL_KHR, "VK_SUBOPTIMAL_KHR",
     "A swapchain no longer matches the surface properties exactly, but can still be used to present to the "
     "surface successfully"},
    {VK_ERROR_OUT_OF_DATE_KHR, "VK_ERROR_OUT_OF_DATE_KHR",
     "A surface has changed in such a way that it is no longer compatible with the swapchain, and further "
     "presentation requests using the swapchain will fail"},
    {VK_ERROR_INCOMPATIBLE_DISPLAY_KHR, "VK_ERROR_INCOMPATIBLE_DISPLAY_KHR",
     "The display used by a swapchain does not use the same presentable image layout, or is incompatible in a way "
     "that prevents sharing an image"},
    {VK_ERROR_VALIDATION_FAILED_EXT, "VK_ERROR_VALIDATION_FAILED_EXT",
     "A command failed because invalid usage was detected by the implementation or a validation layer"},
    {VK_ERROR_INVALID_SHADER_NV, "VK_ERROR_INVALID_SHADER_NV", "One or more shaders failed to compile or link"},
    {VK_ERROR_IMAGE_USAGE_NOT_SUPPORTED_KHR, "VK_ERROR_IMAGE_USAGE_NOT_SUPPORTED_KHR",
     "The requested image usage flags are not supported"},
    {VK_ERROR_VIDEO_PICTURE_LAYOUT_NOT_SUPPORTED_KHR, "VK_ERROR_VIDEO_PICTURE_LAYOUT_NOT_SUPPORTED_KHR",
     "The requested video picture layout is not supported"},
    {VK_ERROR_VIDEO_PROFILE_OPERATION_NOT_SUPPORTED_KHR, "VK_ERROR_VIDEO_PROFILE_OPERATION_NOT_SUPPORTED_KHR",
     "A video profile operation specified is not supported"},
    {VK_ERROR_VIDEO_PROFILE_FORMAT_NOT_SUPPORTED_KHR, "VK_ERROR_VIDEO_PROFILE_FORMAT_NOT_SUPPORTED_KHR",
     "Format parameters in a requested video profile chain are not supported"},
    {VK_ERROR_VIDEO_PROFILE_CODEC_NOT_SUPPORTED_KHR, "VK_ERROR_VIDEO_PROFILE_CODEC_NOT_SUPPORTED_KHR",
     "Codec-specific parameters in a requested video profile chain are not supported"},
    {VK_ERROR_VIDEO_STD_VERSION_NOT_SUPPORTED_KHR, "VK_ERROR_VIDEO_STD_VERSION_NOT_SUPPORTED_KHR",
     "The specified video Std header version is not supported"},
    {VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT, "VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT",
     "The plane layout given for a DRM format modifier is invalid"},
    {VK_ERROR_NOT_PERMITTED_KHR, "VK_ERROR_NOT_PERMITTED_KHR",
     "The driver denied a request for a priority above the default because the application lacks the privileges"},
    {VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT, "VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT",
     "An operation on a swapchain with application-controlled full-screen access failed because it did not have "
     "exclusive full-screen access"},
    {VK_THREAD_IDLE_KHR, "VK_THREAD_IDLE_KHR",
     "A deferred operation is not complete but there is currently no work for this thread to do"},
    {VK_THREAD_DONE_KHR, "VK_THREAD_DONE_KHR",
     "A deferred operation is not complete but there is no work remaining to assign to additional threads"},
    {VK_OPERATION_DEFERRED_KHR, "VK_OPERATION_DEFERRED_KHR",
     "A deferred operation was requested and at least some of the work was deferred"},
    {VK_OPERATION_NOT_DEFERRED_KHR, "VK_OPERATION_NOT_DEFERRED_KHR",
     "A deferred operation was requested and no operations were deferred"},
    {VK_ERROR_COMPRESSION_EXHAUSTED_EXT, "VK_ERROR_COMPRESSION_EXHAUSTED_EXT",
     "An image creation failed because internal resources required for compression are exhausted"},
    {k_error_incompatible_shader_binary_ext, "VK_ERROR_INCOMPATIBLE_SHADER_BINARY_EXT",
     "The provided binary shader code is not compatible with this device"},
};

const ResultText* find_result(VkResult result) {
    for (const ResultText& r : k_results)
        if (r.code == (i32)result) return &r;
    return nullptr;
}

}  // namespace

const char* vulkan_result_name(VkResult result) {
    const ResultText* r = find_result(result);
    return r ? r->name : "VK_ERROR_UNKNOWN/Unknwown.";
}

const char* vulkan_result_description(VkResult result) {
    const ResultText* r = find_result(result);
    return r ? r->description
             : "An unknown error has occurred; either the application has provided invalid input, or an "
               "implementation failure has occurred.";
}
