// The audio layer against Wine's own Core Audio, with a private PulseAudio holding two null
// sinks (started by audio_wine_test.sh). Wine answers the session enumerator with E_NOTIMPL, so
// every endpoint is dropped with "Failed to get session enumerator." and the program goes on.
// Wine has no policy-configuration class: the model supplies that one object.
#include <gtest/gtest.h>
#include <objbase.h>
#include "app/audio_win32.h"
#include "audio_test_support.h"
#include "core_audio_model.h"
#include "support/log_capture.h"

namespace {

AudioModel g_policy_only;

i32 wine_enumerator_create(const void* clsid, const void* iid, void** object) {
    if (IsEqualGUID(*(const GUID*)clsid, FAKE_CLSID_POLICY_CONFIG))
        return model_create_instance(&g_policy_only, *(const GUID*)clsid, *(const GUID*)iid, object);
    return CoCreateInstance(*(const CLSID*)clsid, NULL, CLSCTX_ALL, *(const IID*)iid, object);
}

TEST(AudioWine, EndpointsWithoutSessionEnumeratorsAreDroppedAndTheProgramGoesOn) {
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    model_reset(&g_policy_only);
    LogCapture log;
    audio_set_create_instance(wine_enumerator_create);
    audio_init();
    EXPECT_EQ(audio_device_count(), 0u);
    EXPECT_EQ(audio_default_device_index(), 0u);
    // At least "Speakers" and "Headset" (Wine lists one more): fewer means the private PulseAudio
    // was not reached.
    size_t endpoints = log.texts().size();
    EXPECT_GE(endpoints, 2u);
    EXPECT_EQ(log.texts(), std::vector<std::string>(endpoints, "Failed to get session enumerator."));
    for (int i = 0; i < 3; i++) audio_refresh();
    EXPECT_EQ(audio_device_count(), 0u);
    EXPECT_EQ(log.count("Failed to get session enumerator."), 4 * (int)endpoints);
    audio_shutdown();
    audio_set_create_instance(nullptr);
    EXPECT_EQ(g_policy_only.live_references, 0);
}

}  // namespace
