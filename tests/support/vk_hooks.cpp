// Stands in for the engine's Vulkan entry point (a link-time double of vulkan_library_entry):
// every command the loader fetches passes here and a replaced one is handed out as its fake, so
// fakes survive the loads that context creation performs.
#include "vk_hooks.h"
#include <string.h>
#include "Ostrel/renderer/vulkan_library.h"

static PFN_vkGetInstanceProcAddr g_instance_lookup;
static PFN_vkGetDeviceProcAddr g_device_lookup;

static VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL instance_lookup(VkInstance instance, const char* name) {
    return VkHooks::hand_out(name, g_instance_lookup(instance, name));
}

// Device commands come through vkGetDeviceProcAddr, so while hooks live that is replaced too.
static VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL device_lookup(VkDevice device, const char* name) {
    return VkHooks::hand_out(name, g_device_lookup(device, name));
}

PFN_vkGetInstanceProcAddr vulkan_library_entry(void* library) {
    g_instance_lookup = (PFN_vkGetInstanceProcAddr)vulkan_library_symbol(library, "vkGetInstanceProcAddr");
    return g_instance_lookup ? instance_lookup : nullptr;
}

VkHooks::VkHooks() {
    active_ = this;
    replace(&ostrel_vk::vkGetDeviceProcAddr, &g_device_lookup, device_lookup);
}

VkHooks::~VkHooks() {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) *it->slot = *it->real;
    active_ = nullptr;
}

void VkHooks::apply(const Entry& e) {
    if (*e.slot != e.fake) *e.real = *e.slot;
    *e.slot = e.fake;
}

// The command `found` for `name` as the live replacements hand it out, each keeping the one
// before as its real command.
PFN_vkVoidFunction VkHooks::hand_out(const char* name, PFN_vkVoidFunction found) {
    void** slot = nullptr;
#define VK_HOOKS_SLOT(n) if (strcmp(name, #n) == 0) slot = (void**)&ostrel_vk::n;
    OSTREL_VK_ALL_COMMANDS(VK_HOOKS_SLOT)
    if (!active_ || !slot || !found) return found;
    *slot = (void*)found;  // the loader stores the result there anyway
    for (const Entry& e : active_->entries_) if (e.slot == slot) apply(e);
    return (PFN_vkVoidFunction)*slot;
}
