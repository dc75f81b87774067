#include "vk_hooks.h"

VkHooks* VkHooks::active_ = nullptr;

VkHooks::VkHooks() {
    active_ = this;
    vulkan_set_load_hook(reapply);
}

VkHooks::~VkHooks() {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) *it->slot = *it->real;
    vulkan_set_load_hook(nullptr);
    active_ = nullptr;
}

void VkHooks::apply(const Entry& e) {
    if (*e.slot != e.fake) *e.real = *e.slot;
    *e.slot = e.fake;
}

void VkHooks::reapply() {
    if (!active_) return;
    for (const Entry& e : active_->entries_) apply(e);
}
