// Replaces single Vulkan commands for the lifetime of a scope, also across the loads that context
// creation performs. A fake usually counts its calls or fails a given number of times and then
// calls the real command, which the hook keeps:
//
//     static PFN_vkQueueSubmit real_submit;
//     static VKAPI_ATTR VkResult VKAPI_CALL failing_submit(...) { ...; return real_submit(...); }
//     VkHooks hooks;
//     hooks.replace(&vkQueueSubmit, &real_submit, failing_submit);
#pragma once
#include <vector>
#include "Ostrel/renderer/vulkan_loader.h"

class VkHooks {
public:
    VkHooks();
    ~VkHooks();
    template <typename F>
    void replace(F* slot, F* real, F fake) {
        Entry e = {(void**)slot, (void**)real, (void*)fake};
        apply(e);
        entries_.push_back(e);
    }

private:
    struct Entry {
        void** slot;
        void** real;
        void* fake;
    };
    static void apply(const Entry& e);
    static void reapply();
    std::vector<Entry> entries_;
    static VkHooks* active_;
};
