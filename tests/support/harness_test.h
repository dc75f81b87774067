// A fixture whose suite shares one offscreen RenderHarness of W x H.
#pragma once
#include <gtest/gtest.h>
#include "support/render_harness.h"

template <u32 W, u32 H>
class HarnessTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        h = new RenderHarness;
        ok = render_harness_create(h, W, H);
    }
    static void TearDownTestSuite() {
        render_harness_destroy(h);
        delete h;
        h = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(ok) << "no Vulkan device"; }
    static inline RenderHarness* h = nullptr;
    static inline bool ok = false;
};
