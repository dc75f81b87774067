// The audio layer against Wine's own Core Audio, with a private PulseAudio holding two null
// sinks (started by audio_wine_test.sh). Wine answers the session enumerator with E_NOTIMPL,
// so every endpoint is dropped with "Failed to get session enumerator." and the program goes
// on. Wine has no policy-configuration class either: with nothing but CoCreateInstance the
// start-up ends there (shown in a child process); the other tests supply that one object.
#include <gtest/gtest.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <stdio.h>
#include <algorithm>
#include "app/audio.h"
#include "audio_test_support.h"
#include "core_audio_model.h"
#include "support/log_capture.h"

namespace {

AudioModel g_policy_only;
const PROPERTYKEY FRIENDLY_NAME = {{0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

// The device enumerator from Wine, the policy configuration from the model.
i32 wine_enumerator_create(const void* clsid, const void* iid, void** object) {
    if (IsEqualGUID(*(const GUID*)clsid, FAKE_CLSID_POLICY_CONFIG))
        return model_create_instance(&g_policy_only, *(const GUID*)clsid, *(const GUID*)iid, object);
    return CoCreateInstance(*(const CLSID*)clsid, NULL, CLSCTX_ALL, *(const IID*)iid, object);
}

// Wine's endpoint names, read directly.
std::vector<std::string> wine_endpoint_names() {
    std::vector<std::string> names;
    IMMDeviceEnumerator* enumerator = NULL;
    static const GUID clsid = FAKE_CLSID_MM_DEVICE_ENUMERATOR;
    static const GUID iid = FAKE_IID_MM_DEVICE_ENUMERATOR;
    if (FAILED(CoCreateInstance(clsid, NULL, CLSCTX_ALL, iid, (void**)&enumerator))) return names;
    IMMDeviceCollection* collection = NULL;
    UINT count = 0;
    if (SUCCEEDED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &collection)) && SUCCEEDED(collection->GetCount(&count))) {
        for (UINT i = 0; i < count; i++) {
            IMMDevice* device = NULL;
            IPropertyStore* store = NULL;
            PROPVARIANT name;
            PropVariantInit(&name);
            if (SUCCEEDED(collection->Item(i, &device)) && SUCCEEDED(device->OpenPropertyStore(STGM_READ, &store)) &&
                SUCCEEDED(store->GetValue(FRIENDLY_NAME, &name)) && name.vt == VT_LPWSTR) {
                char utf8[256];
                WideCharToMultiByte(CP_UTF8, 0, name.pwszVal, -1, utf8, sizeof(utf8), NULL, NULL);
                names.push_back(utf8);
            }
            PropVariantClear(&name);
            if (store) store->Release();
            if (device) device->Release();
        }
    }
    if (collection) collection->Release();
    enumerator->Release();
    return names;
}

class AudioWine : public testing::Test {
protected:
    LogCapture log;
    void SetUp() override {
        CoInitializeEx(NULL, COINIT_MULTITHREADED);
        model_reset(&g_policy_only);
    }
    void TearDown() override { audio_set_create_instance(nullptr); }
};

TEST_F(AudioWine, EndpointsWithoutSessionEnumeratorsAreDroppedAndTheProgramGoesOn) {
    std::vector<std::string> endpoints = wine_endpoint_names();
    ASSERT_NE(std::find(endpoints.begin(), endpoints.end(), "Speakers"), endpoints.end()) << "is the private PulseAudio running?";
    ASSERT_NE(std::find(endpoints.begin(), endpoints.end(), "Headset"), endpoints.end());
    for (const std::string& name : endpoints) printf("Wine endpoint: %s\n", name.c_str());

    audio_set_create_instance(wine_enumerator_create);
    audio_init();
    EXPECT_EQ(audio_device_count(), 0u);
    EXPECT_EQ(audio_default_device_index(), 0u);
    std::vector<std::string> texts = log.texts();
    EXPECT_EQ(texts, std::vector<std::string>(endpoints.size(), "Failed to get session enumerator."));
    for (int i = 0; i < 3; i++) audio_refresh();
    EXPECT_EQ(audio_device_count(), 0u);
    EXPECT_EQ(log.count("Failed to get session enumerator."), (int)endpoints.size() * 4);
    audio_shutdown();
    EXPECT_EQ(g_policy_only.live_references, 0);
}

TEST(AudioWineFatal, WithoutThePolicyConfigurationClassStartUpEnds) {
    ChildProcess child = child_start("AudioWineChild.Run", "init", true);
    ASSERT_NE(child.info.hProcess, nullptr);
    std::string output;
    EXPECT_EQ(child_finish(&child, &output), 1u) << output;
    EXPECT_NE(output.find(": Failed to create CPolicyConfigVistaClient instance.\n"), std::string::npos) << output;
}

TEST(AudioWineChild, Run) {
    if (!child_role()) GTEST_SKIP() << "runs only as a child process";
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    audio_init();  // nothing but CoCreateInstance
    ExitProcess(2);
}

}  // namespace
