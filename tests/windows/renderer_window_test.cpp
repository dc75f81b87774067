// The renderer on a real Win32 window through Wine's Vulkan: clearing and presenting, resizing
// (announced and unannounced), failures around the swapchain, and minimising. Screenshots come from
// scripts/screenshot-session.sh, which answers each request file in KORVANE_SHOT_DIR with a raw
// RGB capture of the X root window.
#include <windows.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <set>
#include <string>
#include <vector>
#include "Ostrel/gui/gui_colors.h"
#include "Ostrel/platform/window.h"
#include "support/log_capture.h"
#include "support/render_harness.h"
#include "support/vk_hooks.h"

using namespace ostrel_vk;

namespace {

Window g_window;

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

HWND hwnd() { return (HWND)g_window.handle; }

RECT client_rect() {
    RECT r;
    GetClientRect(hwnd(), &r);
    return r;
}

// A capture of the screen; at() reads client coordinates as packed RGBA with alpha 255.
struct Screenshot {
    std::vector<u8> rgb;
    int width = 0, height = 0;
    POINT client = {0, 0};
    u32 at(int x, int y) const {
        int sx = client.x + x, sy = client.y + y;
        if (sx < 0 || sy < 0 || sx >= width || sy >= height || rgb.empty()) return 0xDEADBEEFu;
        const u8* p = &rgb[((size_t)sy * width + sx) * 3];
        return gui_pack_color(p[0], p[1], p[2], 255);
    }
};

// Requests a capture and keeps the window alive (messages) until it arrives.
Screenshot screenshot() {
    static int serial = 0;
    Screenshot shot;
    const char* dir = getenv("KORVANE_SHOT_DIR");
    if (!dir) {
        ADD_FAILURE() << "run through scripts/screenshot-session.sh (KORVANE_SHOT_DIR is not set)";
        return shot;
    }
    serial++;
    std::string answer = std::string(dir) + "/shot-" + std::to_string(serial) + ".rgb";
    FILE* f = fopen((std::string(dir) + "/request-" + std::to_string(serial)).c_str(), "wb");
    if (f) fclose(f);
    for (int i = 0; i < 2000 && GetFileAttributesA(answer.c_str()) == INVALID_FILE_ATTRIBUTES; i++) pump(), Sleep(10);
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<u8> rgb((size_t)shot.width * shot.height * 3);
    f = fopen(answer.c_str(), "rb");
    size_t got = f ? fread(rgb.data(), 1, rgb.size(), f) : 0;
    if (f) fclose(f);
    EXPECT_EQ(got, rgb.size()) << "screenshot " << answer;
    if (got == rgb.size()) shot.rgb.swap(rgb);
    ClientToScreen(hwnd(), &shot.client);
    return shot;
}

// ---- command hooks ----

struct Counters {
    int reused_signalled, acquires, suboptimal_acquires, acquires_without_swapchain, swapchain_creations, idle_waits;
    int swapchain_failures_left, submit_failures_left;  // injected failures
} g_count;
// Image-available semaphores with a pending signal from an acquire that no submission has waited on.
std::set<VkSemaphore> g_signalled;

PFN_vkAcquireNextImageKHR real_acquire;
VKAPI_ATTR VkResult VKAPI_CALL watched_acquire(VkDevice d, VkSwapchainKHR s, uint64_t t, VkSemaphore sem, VkFence f, uint32_t* index) {
    g_count.acquires++;
    if (s == VK_NULL_HANDLE) {
        g_count.acquires_without_swapchain++;
        return VK_ERROR_OUT_OF_DATE_KHR;
    }
    if (g_signalled.count(sem)) g_count.reused_signalled++;
    VkResult r = real_acquire(d, s, t, sem, f, index);
    if (r == VK_SUBOPTIMAL_KHR) g_count.suboptimal_acquires++;
    if (r == VK_SUCCESS || r == VK_SUBOPTIMAL_KHR) g_signalled.insert(sem);
    return r;
}

PFN_vkQueueSubmit real_submit;
VKAPI_ATTR VkResult VKAPI_CALL watched_submit(VkQueue q, uint32_t n, const VkSubmitInfo* s, VkFence f) {
    if (g_count.submit_failures_left > 0 && n == 1 && s[0].commandBufferCount == 1) {
        g_count.submit_failures_left--;
        return VK_ERROR_DEVICE_LOST;
    }
    VkResult r = real_submit(q, n, s, f);
    if (r == VK_SUCCESS)
        for (uint32_t i = 0; i < n; i++)
            for (uint32_t w = 0; w < s[i].waitSemaphoreCount; w++) g_signalled.erase(s[i].pWaitSemaphores[w]);
    return r;
}

PFN_vkCreateSwapchainKHR real_create_swapchain;
VKAPI_ATTR VkResult VKAPI_CALL watched_create_swapchain(VkDevice d, const VkSwapchainCreateInfoKHR* info, const VkAllocationCallbacks* cb,
                                                        VkSwapchainKHR* out) {
    g_count.swapchain_creations++;
    if (g_count.swapchain_failures_left > 0 && g_count.swapchain_failures_left--) return VK_ERROR_INITIALIZATION_FAILED;
    return real_create_swapchain(d, info, cb, out);
}

PFN_vkDeviceWaitIdle real_device_wait_idle;
VKAPI_ATTR VkResult VKAPI_CALL watched_device_wait_idle(VkDevice d) {
    g_count.idle_waits++;
    return real_device_wait_idle(d);
}

PFN_vkDestroySemaphore real_destroy_semaphore;
VKAPI_ATTR void VKAPI_CALL watched_destroy_semaphore(VkDevice d, VkSemaphore s, const VkAllocationCallbacks* cb) {
    g_signalled.erase(s);
    real_destroy_semaphore(d, s, cb);
}

// ---- the window, its context and the GUI renderer, shared by the tests in order ----

const u32 BACKGROUND = 0xFF5A3C1Eu;  // (30, 60, 90)
const u32 RED = 0xFF0000FFu;
const u32 GREEN = 0xFF00FF00u;
const u32 BLACK = 0xFF000000u;

class WindowRendererTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        g_window = {};
        window_create("Korvane renderer test", 60, 60, 420, 300, WINDOW_STYLE_OVERLAPPED, &g_window);
        ShowWindow(hwnd(), SW_SHOW);
        pump();
        h_ = new RenderHarness;
        memset((void*)h_, 0, sizeof(*h_));
        RendererSettings settings = {"Korvane", 0, g_default_allocator, nullptr};
        hooks_ = new VkHooks;
        created_ = vulkan_load_global() && vulkan_create_context(&g_window, &settings, &h_->vk) && render_harness_attach(h_);
        hooks_->replace(&vkAcquireNextImageKHR, &real_acquire, watched_acquire);
        hooks_->replace(&vkQueueSubmit, &real_submit, watched_submit);
        hooks_->replace(&vkCreateSwapchainKHR, &real_create_swapchain, watched_create_swapchain);
        hooks_->replace(&vkDestroySemaphore, &real_destroy_semaphore, watched_destroy_semaphore);
        hooks_->replace(&vkDeviceWaitIdle, &real_device_wait_idle, watched_device_wait_idle);
    }
    static void TearDownTestSuite() {
        render_harness_destroy(h_);
        delete h_;
        delete hooks_;
        DestroyWindow(hwnd());
        pump();
    }
    void SetUp() override {
        ASSERT_TRUE(created_) << "no Vulkan context for the window";
        g_count = {};
    }

    // One frame: a left-half background, a red box at (20, 20) and a green box anchored 30 x 20
    // from the bottom-right corner. False when the frame was skipped.
    static bool frame() {
        pump();
        RenderHarness* h = h_;
        bool begun = render_harness_begin(h);
        g_window.resized = 0;  // the flag lives for the size message only
        if (!begun) return false;
        f32 w = (f32)h->width, ht = (f32)h->height;
        GuiElement elements[3] = {
            render_harness_element(h, 0, 0, w * 0.5f, ht, BACKGROUND, 0.0f),
            render_harness_element(h, 20, 20, 60, 40, RED, 0.0f),
            render_harness_element(h, w - 30, ht - 20, 20, 10, GREEN, 0.0f),
        };
        for (GuiElement& e : elements) render_harness_draw(&e);
        return render_harness_end(h);
    }
    static int frames(int n) {
        int drawn = 0;
        for (int i = 0; i < n; i++) drawn += frame() ? 1 : 0;
        return drawn;
    }
    // The swapchain has the window's client size, and the frame shows there unstretched.
    void expect_drawn_at_client_size() {
        RECT r = client_rect();
        EXPECT_EQ(h_->vk.extent.width, (u32)r.right);
        EXPECT_EQ(h_->vk.extent.height, (u32)r.bottom);
        Screenshot s = screenshot();
        const int w = r.right, h = r.bottom;
        // The right half shows the clear colour (alpha does not reach the screen).
        EXPECT_EQ((std::vector<u32>{s.at(5, 5), s.at(w / 2 - 3, h - 3), s.at(20, 20), s.at(79, 59), s.at(80, 60), s.at(w * 3 / 4, h / 2),
                                    s.at(w - 30, h - 20), s.at(w - 11, h - 11), s.at(w - 10, h - 10)}),
                  (std::vector<u32>{BACKGROUND, BACKGROUND, RED, RED, BACKGROUND, BLACK, GREEN, GREEN, BLACK}));
        EXPECT_NE(s.at(5, -3), BACKGROUND);  // just above the client area is the caption
    }
    // Unannounced, the window record misses the resize: only Vulkan notices.
    void resize(int width, int height, bool announced = true) {
        const Window before = g_window;
        window_set_size(&g_window, width, height);
        pump();
        if (announced) return;
        g_window.client_width = before.client_width;
        g_window.client_height = before.client_height;
        g_window.resized = 0;
    }

    static inline RenderHarness* h_ = nullptr;
    static inline VkHooks* hooks_ = nullptr;
    static inline bool created_ = false;
};

TEST_F(WindowRendererTest, AnnouncedResizeRebuildsBeforeAcquiringAndDrawsAtTheNewSize) {
    resize(520, 380);
    ASSERT_EQ(g_window.client_width, (u32)client_rect().right);  // announced: the record has the new size
    ASSERT_TRUE(frame());  // rebuilt before its acquire: not skipped
    EXPECT_EQ(g_count.swapchain_creations, 1);
    EXPECT_EQ(g_count.suboptimal_acquires, 0);
    EXPECT_EQ(h_->vk.framebuffers.count, h_->vk.swapchain_images.count);
    ASSERT_EQ(frames(2), 2);
    expect_drawn_at_client_size();
}

// Only Vulkan learns of this resize: lavapipe reports it as suboptimal and that frame is skipped.
// The recreation that follows fails; the size the window record holds does not call for a new
// swapchain, yet nothing acquires from the destroyed one: the next frame rebuilds first.
TEST_F(WindowRendererTest, UnannouncedResizeIsSuboptimalAndAFailedRecreationIsRetriedBeforeAnythingAcquires) {
    LogCapture capture;
    resize(460, 330, false);
    g_count.swapchain_failures_left = 1;
    EXPECT_FALSE(frame());
    EXPECT_EQ(g_count.suboptimal_acquires, 1);
    EXPECT_EQ(h_->vk.swapchain, VK_NULL_HANDLE);
    EXPECT_TRUE(capture.contains("Vulkan API call failed: VK_ERROR_INITIALIZATION_FAILED\nInitialization of an object has failed"));
    EXPECT_EQ(frames(3), 3);
    EXPECT_EQ(g_count.swapchain_creations, 2);
    EXPECT_EQ(g_count.acquires_without_swapchain, 0);
    EXPECT_EQ(g_count.reused_signalled, 0);  // the skipped frame's semaphore is not reused signalled
    const RECT r = client_rect();  // the record catches up
    g_window.client_width = (u32)r.right;
    g_window.client_height = (u32)r.bottom;
    ASSERT_EQ(frames(2), 2);
    expect_drawn_at_client_size();
}

TEST_F(WindowRendererTest, AnAbandonedFrameNeitherHangsNorLeaksItsImage) {
    LogCapture capture;
    g_count.submit_failures_left = 1;
    EXPECT_FALSE(frame());
    EXPECT_TRUE(capture.contains("Failed to submit draw command buffer: The logical device has been lost."));
    EXPECT_TRUE(g_signalled.empty());
    // Many frames later, nothing waits forever and every acquire had a clean semaphore.
    EXPECT_EQ(frames(40), 40);
    EXPECT_EQ(g_count.reused_signalled, 0);
}

TEST_F(WindowRendererTest, AMinimisedWindowSkipsFramesSilentlyAndComesBackWhole) {
    VkExtent2D before = h_->vk.extent;
    ShowWindow(hwnd(), SW_MINIMIZE);
    for (int i = 0; i < 100 && !IsIconic(hwnd()); i++) pump(), Sleep(10);
    ASSERT_TRUE(IsIconic(hwnd()));
    EXPECT_EQ(client_rect().right, 0);
    LogCapture capture;
    g_count = {};
    EXPECT_EQ(frames(30), 0);
    EXPECT_TRUE(capture.texts().empty());
    EXPECT_EQ(g_count.acquires, 0);
    EXPECT_EQ(g_count.swapchain_creations, 0);  // no swapchain at the surface's stale 1 x 1
    EXPECT_EQ(g_count.idle_waits, 0);           // and no spinning through recreation attempts
    EXPECT_EQ(h_->vk.extent.width, before.width);
    ShowWindow(hwnd(), SW_RESTORE);
    pump();
    EXPECT_EQ(frames(3), 3 - g_count.suboptimal_acquires);
    expect_drawn_at_client_size();
}

}  // namespace
