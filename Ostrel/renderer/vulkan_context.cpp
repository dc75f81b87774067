// The window's Vulkan context: instance, surface, adapter, device, swapchain, depth buffer, render
// pass, framebuffers, command objects and the frame's synchronisation objects.
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window.h"
#include "Ostrel/renderer/vulkan_internal.h"

using namespace ostrel_vk;

void vulkan_log_call_failed(VkResult result) {
    log_error("Vulkan API call failed: %\n%", vulkan_result_name(result), vulkan_result_description(result));
}

//-----------------------------------------------------------------------------
// Decisions
//-----------------------------------------------------------------------------

const VkFormat k_vulkan_depth_formats[VULKAN_DEPTH_FORMAT_CANDIDATES] = {
    VK_FORMAT_D32_SFLOAT, VK_FORMAT_D32_SFLOAT_S8_UINT, VK_FORMAT_D24_UNORM_S8_UINT};

bool vulkan_choose_adapter(const VkPhysicalDevice* devices, u32 count, const AdapterQueries* queries,
                           Allocator* allocator, VkPhysicalDevice* device, u32* family) {
    for (u32 i = 0; i < count; i++) {
        PhysicalDeviceInfo info = queries->describe(queries->user, devices[i], allocator);
        u32 graphics = 0;
        // Only the first graphics family is considered: one family serves both graphics and present.
        bool ok = vulkan_find_queue_family(&info, VK_QUEUE_GRAPHICS_BIT, &graphics) &&
                  queries->can_present(queries->user, &info, graphics);
        vulkan_free_physical_device_info(&info);
        if (ok) {
            *device = devices[i];
            *family = graphics;
            return true;
        }
    }
    log_error("Could not find a queue family index that supports surface.");
    log_error("Could not find a queue family index with VK_QUEUE_GRAPHICS_BIT.");
    log_error("Could not found a suitable Vulkan physical device.");
    return false;
}

VkSurfaceFormatKHR vulkan_choose_surface_format(VkFormat format, VkColorSpaceKHR color_space,
                                                const DynArray<VkSurfaceFormatKHR>* formats) {
    for (u32 i = 0; i < formats->count; i++)
        if (formats->data[i].format == format && formats->data[i].colorSpace == color_space) return formats->data[i];
    VkSurfaceFormatKHR first = {};
    if (formats->count) first = formats->data[0];
    log_error(
        "Could not find format for swap chain. VkFormat: %, VkColorSpaceKHR: %.Returning the first one in the array: "
        "VkFormat: %, VkColorSpaceKHR: %.",
        (u32)format, (u32)color_space, (u32)first.format, (u32)first.colorSpace);
    return first;
}

bool vulkan_pick_depth_format(const VkFormatFeatureFlags features[VULKAN_DEPTH_FORMAT_CANDIDATES], VkFormat* format) {
    for (u32 i = 0; i < VULKAN_DEPTH_FORMAT_CANDIDATES; i++) {
        if (features[i] & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) {
            *format = k_vulkan_depth_formats[i];
            return true;
        }
    }
    log_error("Failed to find a suitable depth image format.");
    return false;
}

u32 vulkan_choose_image_count(const VkSurfaceCapabilitiesKHR* capabilities) {
    if (capabilities->maxImageCount != 0) return capabilities->maxImageCount;
    return capabilities->minImageCount + 1;
}

VkPresentModeKHR vulkan_choose_present_mode(const VkPresentModeKHR* modes, u32 count) {
    for (u32 i = 0; i < count; i++)
        if (modes[i] == VK_PRESENT_MODE_MAILBOX_KHR) return VK_PRESENT_MODE_MAILBOX_KHR;
    return VK_PRESENT_MODE_FIFO_KHR;
}

static u32 clamp_u32(u32 v, u32 lo, u32 hi) { return v < lo ? lo : (v > hi ? hi : v); }

VkExtent2D vulkan_choose_extent(const VkSurfaceCapabilitiesKHR* capabilities, u32 client_width, u32 client_height) {
    if (capabilities->currentExtent.width != 0xFFFFFFFFu) return capabilities->currentExtent;
    return VkExtent2D{
        clamp_u32(client_width, capabilities->minImageExtent.width, capabilities->maxImageExtent.width),
        clamp_u32(client_height, capabilities->minImageExtent.height, capabilities->maxImageExtent.height)};
}

//-----------------------------------------------------------------------------
// Queries
//-----------------------------------------------------------------------------

SwapchainSupport vulkan_query_swapchain_support(VkPhysicalDevice device, VkSurfaceKHR surface, Allocator* allocator) {
    SwapchainSupport s = {};
    vkGetPhysicalDeviceSurfaceCapabilitiesKHR(device, surface, &s.capabilities);
    u32 count = 0;
    vkGetPhysicalDeviceSurfaceFormatsKHR(device, surface, &count, nullptr);
    s.formats = dyn_array_create<VkSurfaceFormatKHR>(allocator, count, 1);
    if (count) {
        vkGetPhysicalDeviceSurfaceFormatsKHR(device, surface, &count, s.formats.data);
        s.formats.count = count;
    }
    count = 0;
    vkGetPhysicalDeviceSurfacePresentModesKHR(device, surface, &count, nullptr);
    s.present_modes = dyn_array_create<VkPresentModeKHR>(allocator, count, 1);
    if (count) {
        vkGetPhysicalDeviceSurfacePresentModesKHR(device, surface, &count, s.present_modes.data);
        s.present_modes.count = count;
    }
    return s;
}

void vulkan_free_swapchain_support(SwapchainSupport* support) {
    dyn_array_free(&support->formats);
    dyn_array_free(&support->present_modes);
}

PhysicalDeviceInfo vulkan_physical_device_info(VkPhysicalDevice device, Allocator* allocator) {
    PhysicalDeviceInfo info = {};
    info.handle = device;
    vkGetPhysicalDeviceProperties(device, &info.properties);
    vkGetPhysicalDeviceFeatures(device, &info.features);
    u32 count = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(device, &count, nullptr);
    info.queue_families = dyn_array_create<VkQueueFamilyProperties>(allocator, count, 1);
    if (count) {
        vkGetPhysicalDeviceQueueFamilyProperties(device, &count, info.queue_families.data);
        info.queue_families.count = count;
    }
    return info;
}

void vulkan_free_physical_device_info(PhysicalDeviceInfo* info) { dyn_array_free(&info->queue_families); }

bool vulkan_find_queue_family(const PhysicalDeviceInfo* info, VkQueueFlags flags, u32* index) {
    for (u32 i = 0; i < info->queue_families.count; i++) {
        if (info->queue_families.data[i].queueFlags & flags) {
            *index = i;
            return true;
        }
    }
    return false;
}

VkBool32 vulkan_surface_support(const PhysicalDeviceInfo* info, u32 family, VkSurfaceKHR surface) {
    VkBool32 supported = VK_FALSE;
    if (vkGetPhysicalDeviceSurfaceSupportKHR(info->handle, family, surface, &supported) != VK_SUCCESS) return VK_FALSE;
    return supported;
}

bool vulkan_find_depth_format(VkPhysicalDevice device, VkFormat* format) {
    VkFormatFeatureFlags features[VULKAN_DEPTH_FORMAT_CANDIDATES];
    for (u32 i = 0; i < VULKAN_DEPTH_FORMAT_CANDIDATES; i++) {
        VkFormatProperties properties = {};
        vkGetPhysicalDeviceFormatProperties(device, k_vulkan_depth_formats[i], &properties);
        features[i] = properties.optimalTilingFeatures;
    }
    return vulkan_pick_depth_format(features, format);
}

//-----------------------------------------------------------------------------
// Creation steps
//-----------------------------------------------------------------------------

bool vulkan_internal_create_instance(VulkanContext* c, const RendererSettings* settings, const char* const* extensions,
                                     u32 extension_count) {
    VkApplicationInfo app = {VK_STRUCTURE_TYPE_APPLICATION_INFO};
    app.pApplicationName = settings->application_name;
    app.applicationVersion = settings->application_version;
    app.pEngineName = "OSR";
    app.engineVersion = 4096;  // 0.1.0
    app.apiVersion = 0x403000;  // 1.3.0
    VkInstanceCreateInfo info = {VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
    info.pApplicationInfo = &app;
    info.enabledExtensionCount = extension_count;
    info.ppEnabledExtensionNames = extensions;
    VkResult r = vkCreateInstance(&info, c->allocation_callbacks, &c->instance);
    if (r != VK_SUCCESS) {
        c->instance = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan instance: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

struct PresentUser {
    VkSurfaceKHR surface;
};

static PhysicalDeviceInfo describe_adapter(void*, VkPhysicalDevice device, Allocator* allocator) {
    return vulkan_physical_device_info(device, allocator);
}
static VkBool32 adapter_presents(void* user, const PhysicalDeviceInfo* info, u32 family) {
    return vulkan_surface_support(info, family, ((PresentUser*)user)->surface);
}

bool vulkan_internal_choose_adapter(VulkanContext* c,
                                    VkBool32 (*can_present)(void* user, const PhysicalDeviceInfo* info, u32 family),
                                    void* user) {
    u32 count = 0;
    vkEnumeratePhysicalDevices(c->instance, &count, nullptr);
    DynArray<VkPhysicalDevice> devices = dyn_array_create<VkPhysicalDevice>(c->allocator, count, 1);
    if (count == 0) {
        log_error("No physical devices with Vulkan support!");
    } else {
        vkEnumeratePhysicalDevices(c->instance, &count, devices.data);
        devices.count = count;
    }
    AdapterQueries queries = {user, describe_adapter, can_present};
    bool ok = vulkan_choose_adapter(devices.data, devices.count, &queries, c->allocator, &c->physical_device,
                                    &c->queue_family_index);
    dyn_array_free(&devices);
    if (!ok) c->physical_device = VK_NULL_HANDLE;
    return ok;
}

bool vulkan_internal_create_device(VulkanContext* c, const char* const* extensions, u32 extension_count) {
    f32 priority = 1.0f;
    VkDeviceQueueCreateInfo queue = {VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
    queue.queueFamilyIndex = c->queue_family_index;
    queue.queueCount = 1;
    queue.pQueuePriorities = &priority;
    // Of the optional features only non-solid fill (the shape renderer's point and line modes); an
    // adapter without it still serves.
    VkPhysicalDeviceFeatures available = {};
    vkGetPhysicalDeviceFeatures(c->physical_device, &available);
    VkPhysicalDeviceFeatures features = {};
    features.fillModeNonSolid = available.fillModeNonSolid;
    VkDeviceCreateInfo info = {VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queue;
    info.enabledExtensionCount = extension_count;
    info.ppEnabledExtensionNames = extensions;
    info.pEnabledFeatures = &features;
    VkResult r = vkCreateDevice(c->physical_device, &info, c->allocation_callbacks, &c->device);
    if (r != VK_SUCCESS) {
        c->device = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan logical device: %.", vulkan_result_description(r));
        return false;
    }
    c->enabled_features = features;
    return true;
}

bool vulkan_internal_load_device(VulkanContext* c) {
    if (vulkan_load(c->instance, c->physical_device, c->device)) return true;
    log_error("Failed to load Vulkan API for logical device: %.", vulkan_result_description(VK_SUCCESS));
    return false;
}

VkImageCreateInfo vulkan_internal_image_info(VkFormat format, u32 width, u32 height, VkImageUsageFlags usage) {
    VkImageCreateInfo image = {VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    image.imageType = VK_IMAGE_TYPE_2D;
    image.format = format;
    image.extent = {width, height, 1};
    image.mipLevels = 1;
    image.arrayLayers = 1;
    image.samples = VK_SAMPLE_COUNT_1_BIT;
    image.tiling = VK_IMAGE_TILING_OPTIMAL;
    image.usage = usage;
    image.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    image.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    return image;
}

VkImageViewCreateInfo vulkan_internal_view_info(VkImage image, VkFormat format, VkImageAspectFlags aspect) {
    VkImageViewCreateInfo view = {VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    view.image = image;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = format;
    view.components = {VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                       VK_COMPONENT_SWIZZLE_IDENTITY};
    view.subresourceRange = {aspect, 0, 1, 0, 1};
    return view;
}

bool vulkan_internal_create_depth(VulkanContext* c) {
    if (!vulkan_find_depth_format(c->physical_device, &c->depth_format)) return false;
    VkImageCreateInfo image = vulkan_internal_image_info(c->depth_format, c->extent.width, c->extent.height,
                                                         VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT);
    VkResult r = vkCreateImage(c->device, &image, c->allocation_callbacks, &c->depth_image);
    if (r != VK_SUCCESS) {
        c->depth_image = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create depth image.");
        return false;
    }
    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(c->device, c->depth_image, &requirements);
    u32 type = 0;
    if (!vulkan_find_memory_type_on_device(c->physical_device, requirements.memoryTypeBits,
                                           VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &type)) {
        log_error("Failed to find suitable memory type index for depth image memory.");
        return false;
    }
    VkMemoryAllocateInfo allocate = {VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
    allocate.allocationSize = requirements.size;
    allocate.memoryTypeIndex = type;
    r = vkAllocateMemory(c->device, &allocate, c->allocation_callbacks, &c->depth_memory);
    if (r != VK_SUCCESS) {
        c->depth_memory = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create depth image memory.");
        return false;
    }
    vkBindImageMemory(c->device, c->depth_image, c->depth_memory, 0);
    VkImageViewCreateInfo view = vulkan_internal_view_info(c->depth_image, c->depth_format, VK_IMAGE_ASPECT_DEPTH_BIT);
    r = vkCreateImageView(c->device, &view, c->allocation_callbacks, &c->depth_image_view);
    if (r != VK_SUCCESS) {
        c->depth_image_view = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        log_error("Failed to create depth image view.");
        return false;
    }
    return true;
}

// Swapchain, views and depth buffer for the window. Partial results are left for the caller's
// vulkan_internal_destroy_swapchain_resources.
static bool create_swapchain_with(VulkanContext* c, const SwapchainSupport* support) {
    if (support->formats.count == 0 || support->present_modes.count == 0) {
        log_error("VK Surface KHR does not support a valid swap chain.");
        return false;
    }
    c->surface_format =
        vulkan_choose_surface_format(VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR, &support->formats);
    VkExtent2D extent = vulkan_choose_extent(&support->capabilities, c->window->client_width, c->window->client_height);
    // A zero-sized surface (a minimised window) cannot carry a swapchain.
    if (extent.width == 0 || extent.height == 0) return false;

    VkSwapchainCreateInfoKHR info = {VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR};
    info.surface = c->surface;
    info.minImageCount = vulkan_choose_image_count(&support->capabilities);
    info.imageFormat = c->surface_format.format;
    info.imageColorSpace = c->surface_format.colorSpace;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = support->capabilities.currentTransform;
    info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    info.presentMode = vulkan_choose_present_mode(support->present_modes.data, support->present_modes.count);
    info.clipped = VK_TRUE;
    VkResult r = vkCreateSwapchainKHR(c->device, &info, c->allocation_callbacks, &c->swapchain);
    if (r != VK_SUCCESS) {
        c->swapchain = VK_NULL_HANDLE;
        vulkan_log_call_failed(r);
        return false;
    }
    c->extent = extent;

    u32 count = 0;
    vkGetSwapchainImagesKHR(c->device, c->swapchain, &count, nullptr);
    dyn_array_set_capacity(&c->swapchain_images, count);
    dyn_array_set_capacity(&c->swapchain_image_views, count);
    vkGetSwapchainImagesKHR(c->device, c->swapchain, &count, c->swapchain_images.data);
    c->swapchain_images.count = count;
    for (u32 i = 0; i < count; i++) {
        VkImageViewCreateInfo view =
            vulkan_internal_view_info(c->swapchain_images.data[i], c->surface_format.format, VK_IMAGE_ASPECT_COLOR_BIT);
        VkImageView handle = VK_NULL_HANDLE;
        r = vkCreateImageView(c->device, &view, c->allocation_callbacks, &handle);
        if (r != VK_SUCCESS) {
            log_error("Failed to create image view: %", vulkan_result_description(r));
            return false;
        }
        dyn_array_push(&c->swapchain_image_views, handle);
    }
    return vulkan_internal_create_depth(c);
}

static bool create_swapchain(VulkanContext* c) {
    SwapchainSupport support = vulkan_query_swapchain_support(c->physical_device, c->surface, c->allocator);
    bool ok = create_swapchain_with(c, &support);
    vulkan_free_swapchain_support(&support);
    if (!ok) vulkan_internal_destroy_swapchain_resources(c);
    return ok;
}

bool vulkan_internal_create_render_pass(VulkanContext* c, VkImageLayout final_color_layout) {
    VkAttachmentDescription attachments[2] = {};
    attachments[0].format = c->surface_format.format;
    attachments[0].samples = VK_SAMPLE_COUNT_1_BIT;
    attachments[0].loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    attachments[0].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    attachments[0].stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachments[0].stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    attachments[0].initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    attachments[0].finalLayout = final_color_layout;
    attachments[1].format = c->depth_format;
    attachments[1].samples = VK_SAMPLE_COUNT_1_BIT;
    attachments[1].loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    attachments[1].storeOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    attachments[1].stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachments[1].stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    attachments[1].initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    attachments[1].finalLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
    VkAttachmentReference color = {0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
    VkAttachmentReference depth = {1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
    VkSubpassDescription subpass = {};
    subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
    subpass.colorAttachmentCount = 1;
    subpass.pColorAttachments = &color;
    subpass.pDepthStencilAttachment = &depth;
    VkSubpassDependency dependency = {};
    dependency.srcSubpass = VK_SUBPASS_EXTERNAL;
    dependency.dstSubpass = 0;
    dependency.srcStageMask =
        VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT | VK_PIPELINE_STAGE_EARLY_FRAGMENT_TESTS_BIT;
    dependency.dstStageMask = dependency.srcStageMask;
    dependency.srcAccessMask = 0;
    dependency.dstAccessMask =
        VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT | VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    VkRenderPassCreateInfo info = {VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO};
    info.attachmentCount = 2;
    info.pAttachments = attachments;
    info.subpassCount = 1;
    info.pSubpasses = &subpass;
    info.dependencyCount = 1;
    info.pDependencies = &dependency;
    VkResult r = vkCreateRenderPass(c->device, &info, c->allocation_callbacks, &c->render_pass);
    if (r != VK_SUCCESS) {
        c->render_pass = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan render pass: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

bool vulkan_internal_create_framebuffers(VulkanContext* c, const VkImageView* color_views, u32 count) {
    if (c->framebuffers.capacity < count) dyn_array_set_capacity(&c->framebuffers, count);
    for (u32 i = 0; i < count; i++) {
        VkImageView attachments[2] = {color_views[i], c->depth_image_view};
        VkFramebufferCreateInfo info = {VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO};
        info.renderPass = c->render_pass;
        info.attachmentCount = 2;
        info.pAttachments = attachments;
        info.width = c->extent.width;
        info.height = c->extent.height;
        info.layers = 1;
        VkFramebuffer framebuffer = VK_NULL_HANDLE;
        VkResult r = vkCreateFramebuffer(c->device, &info, c->allocation_callbacks, &framebuffer);
        if (r != VK_SUCCESS) {
            log_error("Failed to create Vulkan framebuffer: %", vulkan_result_description(r));
            vulkan_internal_destroy_framebuffers(c);
            return false;
        }
        dyn_array_push(&c->framebuffers, framebuffer);
    }
    return true;
}

void vulkan_internal_destroy_framebuffers(VulkanContext* c) {
    for (u32 i = 0; i < c->framebuffers.count; i++)
        vkDestroyFramebuffer(c->device, c->framebuffers.data[i], c->allocation_callbacks);
    c->framebuffers.count = 0;
}

void vulkan_internal_destroy_swapchain_resources(VulkanContext* c) {
    const VkAllocationCallbacks* cb = c->allocation_callbacks;
    if (c->depth_image_view) vkDestroyImageView(c->device, c->depth_image_view, cb);
    if (c->depth_memory) vkFreeMemory(c->device, c->depth_memory, cb);
    if (c->depth_image) vkDestroyImage(c->device, c->depth_image, cb);
    c->depth_image_view = VK_NULL_HANDLE;
    c->depth_memory = VK_NULL_HANDLE;
    c->depth_image = VK_NULL_HANDLE;
    for (u32 i = 0; i < c->swapchain_image_views.count; i++)
        vkDestroyImageView(c->device, c->swapchain_image_views.data[i], cb);
    c->swapchain_images.count = 0;
    c->swapchain_image_views.count = 0;
    if (c->swapchain) vkDestroySwapchainKHR(c->device, c->swapchain, cb);
    c->swapchain = VK_NULL_HANDLE;
}

bool vulkan_internal_create_command_objects(VulkanContext* c) {
    VkCommandPoolCreateInfo pool = {VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = c->queue_family_index;
    VkResult r = vkCreateCommandPool(c->device, &pool, c->allocation_callbacks, &c->command_pool);
    if (r != VK_SUCCESS) {
        c->command_pool = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan command pool: %", vulkan_result_description(r));
        return false;
    }
    VkCommandBufferAllocateInfo buffer = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    buffer.commandPool = c->command_pool;
    buffer.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    buffer.commandBufferCount = 1;
    r = vkAllocateCommandBuffers(c->device, &buffer, &c->command_buffer);
    if (r != VK_SUCCESS) {
        c->command_buffer = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan command buffer: %", vulkan_result_description(r));
        return false;
    }
    vkGetDeviceQueue(c->device, c->queue_family_index, 0, &c->graphics_queue);
    vkGetDeviceQueue(c->device, c->queue_family_index, 0, &c->present_queue);
    return true;
}

bool vulkan_internal_create_sync_objects(VulkanContext* c) {
    VkSemaphoreCreateInfo semaphore = {VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    VkResult r = vkCreateSemaphore(c->device, &semaphore, c->allocation_callbacks, &c->image_available_semaphore);
    if (r != VK_SUCCESS) {
        c->image_available_semaphore = VK_NULL_HANDLE;
        log_error("Failed to create image available semaphore: %", vulkan_result_description(r));
        return false;
    }
    VkFenceCreateInfo fence = {VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    fence.flags = VK_FENCE_CREATE_SIGNALED_BIT;
    r = vkCreateFence(c->device, &fence, c->allocation_callbacks, &c->in_flight_fence);
    if (r != VK_SUCCESS) {
        c->in_flight_fence = VK_NULL_HANDLE;
        log_error("Failed to create Vulkan semaphores: %", vulkan_result_description(r));
        return false;
    }
    return true;
}

void vulkan_internal_release(VulkanContext* c) {
    const VkAllocationCallbacks* cb = c->allocation_callbacks;
    if (c->device) {
        if (c->in_flight_fence) vkDestroyFence(c->device, c->in_flight_fence, cb);
        for (u32 i = 0; i < c->render_finished_semaphores.count; i++)
            vkDestroySemaphore(c->device, c->render_finished_semaphores.data[i], cb);
        if (c->image_available_semaphore) vkDestroySemaphore(c->device, c->image_available_semaphore, cb);
        if (c->command_pool) vkDestroyCommandPool(c->device, c->command_pool, cb);
        vulkan_internal_destroy_framebuffers(c);
        if (c->render_pass) vkDestroyRenderPass(c->device, c->render_pass, cb);
        vulkan_internal_destroy_swapchain_resources(c);
        if (vkDestroyDevice) vkDestroyDevice(c->device, cb);
    }
    dyn_array_free(&c->render_finished_semaphores);
    dyn_array_free(&c->framebuffers);
    dyn_array_free(&c->swapchain_image_views);
    dyn_array_free(&c->swapchain_images);
    if (c->surface && vkDestroySurfaceKHR) vkDestroySurfaceKHR(c->instance, c->surface, cb);
    if (c->instance) {
        // The instance stage may have failed to load; fetch the one command this needs directly.
        PFN_vkDestroyInstance destroy = vkDestroyInstance;
        if (!destroy && vkGetInstanceProcAddr)
            destroy = (PFN_vkDestroyInstance)vkGetInstanceProcAddr(c->instance, "vkDestroyInstance");
        if (destroy) destroy(c->instance, cb);
    }
    c->in_flight_fence = VK_NULL_HANDLE;
    c->image_available_semaphore = VK_NULL_HANDLE;
    c->command_pool = VK_NULL_HANDLE;
    c->command_buffer = VK_NULL_HANDLE;
    c->render_pass = VK_NULL_HANDLE;
    c->device = VK_NULL_HANDLE;
    c->surface = VK_NULL_HANDLE;
    c->instance = VK_NULL_HANDLE;
    c->physical_device = VK_NULL_HANDLE;
    c->graphics_queue = VK_NULL_HANDLE;
    c->present_queue = VK_NULL_HANDLE;
}

//-----------------------------------------------------------------------------
// Window contexts
//-----------------------------------------------------------------------------

// Tops the render-finished semaphores up to one per swapchain image.
static bool create_render_finished_semaphores(VulkanContext* c) {
    DynArray<VkSemaphore>* semaphores = &c->render_finished_semaphores;
    if (!semaphores->data) *semaphores = dyn_array_create<VkSemaphore>(c->allocator, c->swapchain_images.count, 4);
    VkSemaphoreCreateInfo info = {VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    while (semaphores->count < c->swapchain_images.count) {
        VkSemaphore semaphore = VK_NULL_HANDLE;
        VkResult r = vkCreateSemaphore(c->device, &info, c->allocation_callbacks, &semaphore);
        if (r != VK_SUCCESS) {
            log_error("Failed to create render finished semaphore: %", vulkan_result_description(r));
            return false;
        }
        dyn_array_push(semaphores, semaphore);
    }
    return true;
}

static bool create_framebuffers(VulkanContext* c) {
    return vulkan_internal_create_framebuffers(c, c->swapchain_image_views.data, c->swapchain_image_views.count);
}

static bool create_context_steps(Window* window, const RendererSettings* settings, VulkanContext* c) {
    const char* instance_extensions[] = {"VK_KHR_surface", vulkan_surface_extension_name()};
    if (!vulkan_internal_create_instance(c, settings, instance_extensions, 2)) return false;
    if (!vulkan_load(c->instance, VK_NULL_HANDLE, VK_NULL_HANDLE)) return false;
    if (!vulkan_surface_commands_loaded()) {
        log_error("Unable to load Vulkan symbols! gladLoaderLoadVulkan failure!");
        return false;
    }
    c->window = window;
    VkResult r = vulkan_create_surface(c->instance, window, c->allocation_callbacks, &c->surface);
    if (r != VK_SUCCESS) {
        c->surface = VK_NULL_HANDLE;
        log_error("Failed to create Win32 Vulkan Surface: %", vulkan_result_description(r));
        return false;
    }
    PresentUser user = {c->surface};
    if (!vulkan_internal_choose_adapter(c, adapter_presents, &user)) return false;
    const char* device_extensions[] = {"VK_KHR_swapchain"};
    if (!vulkan_internal_create_device(c, device_extensions, 1)) return false;
    if (!vulkan_internal_load_device(c)) return false;
    if (!vulkan_swapchain_commands_loaded()) {
        log_error("Unable to load Vulkan symbols! gladLoaderLoadVulkan failure!");
        return false;
    }
    c->swapchain_images = dyn_array_create<VkImage>(c->allocator, 10, 4);
    c->swapchain_image_views = dyn_array_create<VkImageView>(c->allocator, 10, 4);
    if (!create_swapchain(c)) return false;
    c->window_extent = {window->client_width, window->client_height};
    if (!vulkan_internal_create_render_pass(c, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR)) return false;
    c->framebuffers = dyn_array_create<VkFramebuffer>(c->allocator, c->swapchain_image_views.count, 4);
    if (!create_framebuffers(c)) return false;
    if (!vulkan_internal_create_command_objects(c)) return false;
    return vulkan_internal_create_sync_objects(c) && create_render_finished_semaphores(c);
}

bool vulkan_create_context(Window* window, const RendererSettings* settings, VulkanContext* context) {
    *context = {};
    context->allocator = settings->allocator;
    context->allocation_callbacks = settings->allocation_callbacks;
    if (create_context_steps(window, settings, context)) return true;
    vulkan_internal_release(context);
    return false;
}

bool vulkan_recreate_swapchain(VulkanContext* c) {
    vkDeviceWaitIdle(c->device);
    u32 width = c->window->client_width;
    u32 height = c->window->client_height;
    if (width == 0 || height == 0) return false;
    VkSurfaceCapabilitiesKHR capabilities = {};
    if (vkGetPhysicalDeviceSurfaceCapabilitiesKHR(c->physical_device, c->surface, &capabilities) == VK_SUCCESS) {
        VkExtent2D extent = vulkan_choose_extent(&capabilities, width, height);
        if (extent.width == 0 || extent.height == 0) return false;
    }
    c->extent = {width, height};
    vulkan_internal_destroy_framebuffers(c);
    vulkan_internal_destroy_swapchain_resources(c);
    // A new swapchain may have more images than there are semaphores.
    bool ok = create_swapchain(c) && create_framebuffers(c) && create_render_finished_semaphores(c);
    if (!ok) {
        // Leave nothing half-built; the next frame tries again before it acquires.
        vulkan_internal_destroy_framebuffers(c);
        vulkan_internal_destroy_swapchain_resources(c);
        c->recreate_pending = 1;
        return false;
    }
    c->window_extent = {width, height};
    c->recreate_pending = 0;
    return true;
}

void vulkan_destroy_context(VulkanContext* c) {
    if (c->device) {
        if (c->in_flight_fence) vkWaitForFences(c->device, 1, &c->in_flight_fence, VK_TRUE, UINT64_MAX);
        vkDeviceWaitIdle(c->device);
    }
    vulkan_internal_release(c);
}
