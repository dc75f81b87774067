// Replaces single Vulkan commands for the lifetime of a scope, also across the loads that context
// creation performs. A fake usually counts its calls or fails a given number of times and then
// calls the real command, which the hook keeps:
//
//     static PFN_vkQueueSubmit real_submit;
//     static VKAPI_ATTR VkResult VKAPI_CALL failing_submit(...) { ...; return real_submit(...); }
//     VkHooks hooks;
//     hooks.replace(&vkQueueSubmit, &real_submit, failing_submit);
//
// VkFake<&vkQueueSubmit> is such a fake, made for any command:
//
//     VkFake<&vkQueueSubmit>::install(&hooks, 1, VK_ERROR_DEVICE_LOST);  // the next call fails
//     ... VkFake<&vkQueueSubmit>::calls ...
#pragma once
#include <functional>
#include <type_traits>
#include <vector>
#include "Ostrel/renderer/vulkan_loader.h"

class VkHooks {
public:
    VkHooks();
    ~VkHooks();
    template <typename F>
    void replace(F* slot, F* real, F fake) {
        entries_.push_back({(void**)slot, (void**)real, (void*)fake});
        apply(entries_.back());
    }
    static PFN_vkVoidFunction hand_out(const char* name, PFN_vkVoidFunction found);

private:
    struct Entry { void **slot, **real, *fake; };
    static void apply(const Entry& e);
    std::vector<Entry> entries_;
    static inline VkHooks* active_ = nullptr;
};

template <auto Slot>
struct VkFake;

// Counts every call and shows its arguments to `seen` (before the real command, so it may set
// what they point at; after it for commands without a result); while `failures` is above 0 a
// call returns `failure` instead of reaching the real command.
template <typename R, typename... A, R(VKAPI_PTR** Slot)(A...)>
struct VkFake<Slot> {
    using Result = std::conditional_t<std::is_void_v<R>, int, R>;
    static inline R(VKAPI_PTR* real)(A...) = nullptr;
    static inline int calls = 0, failures = 0;
    static inline Result failure = {};
    static inline std::function<void(A...)> seen;

    static void install(VkHooks* hooks, int fail = 0, Result result = {}, std::function<void(A...)> observer = {}) {
        calls = 0, failures = fail, failure = result, seen = std::move(observer);
        hooks->replace(Slot, &real, &call);
    }
    static VKAPI_ATTR R VKAPI_CALL call(A... args) {
        calls++;
        if constexpr (std::is_void_v<R>) {
            real(args...);
            if (seen) seen(args...);
        } else {
            if (seen) seen(args...);
            return failures > 0 ? (failures--, failure) : real(args...);
        }
    }
};

// The next `times` mappings fail and leave a null pointer behind.
inline void vk_fail_map(VkHooks* hooks, int times) {
    VkFake<&ostrel_vk::vkMapMemory>::install(hooks, times, VK_ERROR_MEMORY_MAP_FAILED,
        [](VkDevice, VkDeviceMemory, VkDeviceSize, VkDeviceSize, VkMemoryMapFlags, void** data) { *data = nullptr; });
}
