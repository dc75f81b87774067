// The audio layer against the fault-injecting Core Audio model, linked in place of the system's
// classes: what is kept, what is dropped with which message, how sessions are named, the default
// index, the volume and mute operations, the fatal exits (in child processes) and that nothing
// stays referenced or allocated.
#include <gtest/gtest.h>
#include <objbase.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <functional>
#include <map>
#include "app/app.h"
#include "app/audio_win32.h"
#include "core_audio_model.h"
#include "support/log_capture.h"
#include "win32_test_util.h"

AudioModel g_fake_audio;
i32 audio_create_instance(const void* clsid, const void* iid, void** object) {
    return model_create_instance(&g_fake_audio, *(const GUID*)clsid, *(const GUID*)iid, object);
}

namespace {

using Names = std::vector<std::string>;

std::string text(StringView view) { return std::string((const char*)view.data, view.length); }
Names device_names() {
    Names names;
    for (u32 i = 0; i < audio_device_count(); i++) names.push_back(text(audio_device_name(i)));
    return names;
}
Names session_names(u32 device) {
    Names names;
    for (u32 j = 0; j < audio_session_count(device); j++) names.push_back(text(audio_session_name(device, j)));
    return names;
}

// Runs the test executable again with KORVANE_AUDIO_CHILD=role, only AudioChild.Run; returns its
// exit code and what it wrote.
u32 child_run(const char* role, std::string* output) {
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", role);
    FILE* pipe = _popen((std::string(self) + " --gtest_filter=AudioChild.Run 2>&1").c_str(), "rb");
    SetEnvironmentVariableA("KORVANE_AUDIO_CHILD", NULL);
    if (!pipe) return 0xFFFFFFFF;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output->append(buffer, n);
    return (u32)_pclose(pipe);
}

// Blocks handed out and not yet given back, so a test can see every name freed.
i64 g_outstanding;
void* counting_allocate(void*, u64 size) { return g_outstanding++, HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size); }
void counting_free(void*, void* pointer) { g_outstanding--, HeapFree(GetProcessHeap(), 0, pointer); }
Allocator g_counting = {nullptr, counting_allocate, counting_free};

std::map<u32, int> g_lookups;  // process id: how often it was named
AudioProcessName counting_name_process(u32 pid) { return g_lookups[pid]++, audio_name_process(pid); }

class Audio : public testing::Test {
protected:
    Allocator* previous = g_default_allocator;
    LogCapture log;
    bool initialised = false;

    void SetUp() override {
        CoInitializeEx(NULL, COINIT_MULTITHREADED);
        model_reset(&g_fake_audio);
        g_outstanding = 0;
        g_default_allocator = &g_counting;
        g_lookups.clear();
        g_audio_name_process = counting_name_process;
    }

    void TearDown() override {
        shutdown();
        g_default_allocator = previous;
        g_audio_name_process = audio_name_process;
        EXPECT_EQ(g_fake_audio.live_objects, 0);
    }

    void init() { audio_init(), initialised = true; }

    void shutdown() {
        if (!initialised) return;
        audio_shutdown();
        initialised = false;
        EXPECT_EQ(g_fake_audio.live_references, 0) << "references left after audio_shutdown";
        EXPECT_EQ(g_outstanding, 0) << "blocks left after audio_shutdown";
    }

    ModelDevice* device(const wchar_t* id, const wchar_t* name, u32 roles = 0) {
        return model_add_device(&g_fake_audio, id, name, 0.5f, false, roles);
    }

    std::vector<FakeCall> calls_of(FakeMethod method) {
        std::vector<FakeCall> out;
        for (const FakeCall& c : g_fake_audio.calls)
            if (c.method == method) out.push_back(c);
        return out;
    }
};

// ---- enumeration ----

TEST_F(Audio, EachFailingDeviceStepDropsThatDeviceWithItsMessage) {
    const struct {
        std::function<void(ModelDevice*)> fault;
        const char* message;
    } steps[] = {
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_COLLECTION_ITEM); }, "Failed to get device at index 1."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_OPEN_PROPERTY_STORE); }, "Failed to open property store."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_DEVICE_GET_ID); }, "Failed to get device id at index 1."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_GET_VALUE); }, "Failed to get audio device friendly name."},
        {[](ModelDevice* d) { d->name_type = VT_EMPTY; }, "Failed to get audio device friendly name."},
        // Not a string: must not be read as one.
        {[](ModelDevice* d) { d->name_type = VT_UI4; }, "Failed to get audio device friendly name."},
        {[](ModelDevice* d) { d->name_null = true; }, "Failed to get UTF8 buffer size of device id."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_ACTIVATE_ENDPOINT_VOLUME); }, "Failed to get audio endpoint volume of device."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_ACTIVATE_SESSION_MANAGER); }, "Failed to activate IAudioSessionManager2."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_GET_SESSION_ENUMERATOR); }, "Failed to get session enumerator."},
        {[](ModelDevice* d) { d->fail = fake_bit(FAKE_SESSION_GET_COUNT); }, "Failed to get session controls count !"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        model_reset(&g_fake_audio);
        device(L"{a}", L"Speakers");
        ModelDevice* failing = device(L"{b}", L"Headset");
        model_add_session(failing, 0, 1.0f, false);
        model_add_session(device(L"{c}", L"HDMI", FAKE_ROLES_ALL), 0, 0.25f, false);
        step.fault(failing);
        log.clear();
        init();
        // The device after the dropped one moves up, and the default index follows it.
        EXPECT_EQ(device_names(), (Names{"Speakers", "HDMI"}));
        EXPECT_EQ(audio_default_device_index(), 1u);
        EXPECT_FLOAT_EQ(audio_get_session_volume(1, 0), 0.25f);
        EXPECT_EQ(log.texts(), (Names{step.message}));
        // Whatever the dropped device had acquired has been given back: after a release only the
        // policy config, the enumerator and the nine per-device arrays remain.
        audio_release_devices();
        EXPECT_EQ(g_fake_audio.live_references, 2);
        EXPECT_EQ(g_outstanding, 9);
        shutdown();
    }
}

// Everything readable is kept in enumeration order. The mend: names come from the limited query
// right, which elevated processes grant too, and each process id is looked up once per
// enumeration however many sessions it has.
TEST_F(Audio, KeepsDevicesAndSessionsNamedOncePerProcessOrLeftOutWithTheirMessages) {
    const u32 self = GetCurrentProcessId(), gone = 0x7FFFFFF0;
    ModelDevice* d = device(L"{a}", L"Speakers", FAKE_ROLES_ALL);
    model_add_session(d, 0, 0.1f, false);                                     // kept
    model_add_session(d, 0, 1.0f, false)->fail = fake_bit(FAKE_GET_SESSION);  // index 1
    model_add_session(d, 0, 1.0f, false)->fail = fake_bit(FAKE_QUERY_SESSION_CONTROL2);
    model_add_session(d, 0, 1.0f, false)->fail = fake_bit(FAKE_GET_PROCESS_ID);
    model_add_session(d, gone, 1.0f, false);  // no such process
    model_add_session(d, self, 1.0f, false)->fail = fake_bit(FAKE_QUERY_SIMPLE_VOLUME);
    model_add_session(d, self, 0.7f, false);  // kept
    ModelDevice* h = device(L"{b}", L"Headset \u00FC");  // a name outside ASCII
    model_add_session(h, self, 0.3f, false);  // kept
    model_add_session(h, gone, 1.0f, false);
    device(L"{c}", L"HDMI");
    init();
    EXPECT_EQ(device_names(), (Names{"Speakers", "Headset \xC3\xBC", "HDMI"}));
    EXPECT_EQ(audio_device_name(0).data[8], 0);  // a name keeps a terminator its length does not count
    EXPECT_EQ(audio_default_device_index(), 0u);
    EXPECT_EQ(audio_session_count(2), 0u);
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    EXPECT_EQ(session_names(0), (Names{"System", path}));  // "System" has six bytes; the full path
    EXPECT_EQ(session_names(1), (Names{path}));
    EXPECT_NE(audio_session_name(0, 1).data, audio_session_name(1, 0).data);  // each session its own copy
    EXPECT_FLOAT_EQ(audio_get_session_volume(1, 0), 0.3f);
    EXPECT_EQ(g_lookups, (std::map<u32, int>{{self, 1}, {gone, 1}}));
    const Names messages = {"Failed to get session.", "Failed to query IAudioSessionControl2 at index 2.",
                            "Failed to get session process id.", "Failed to open session process. GetLastError() returned 87.",
                            "Failed to query ISimpleAudioVolume from process.",
                            "Failed to open session process. GetLastError() returned 87."};
    EXPECT_EQ(log.texts(), messages);
    // Nothing is kept from one refresh to the next.
    log.clear();
    audio_refresh();
    EXPECT_EQ(g_lookups, (std::map<u32, int>{{self, 2}, {gone, 2}}));
    EXPECT_EQ(log.texts(), messages);
}

// ---- the default device index ----

TEST_F(Audio, DefaultIndexFollowsTheDefaultIdAndKeepsItsValueWhenTheDefaultCannotBeHad) {
    device(L"{a}", L"Speakers");
    ModelDevice* headset = device(L"{b}", L"Headset", FAKE_ROLE_MULTIMEDIA | FAKE_ROLE_COMMUNICATIONS);
    device(L"{c}", L"HDMI", FAKE_ROLE_CONSOLE);  // only the console role decides
    init();
    EXPECT_EQ(audio_default_device_index(), 2u);
    // The default device is unplugged between two frames; another one becomes default.
    g_fake_audio.devices.pop_back();
    headset->default_roles = FAKE_ROLES_ALL;
    audio_refresh();
    ASSERT_EQ(audio_default_device_index(), 1u);

    const struct {
        u64 fail, device_fail;
        u32 roles;
        const char* message;
    } steps[] = {
        {fake_bit(FAKE_GET_DEFAULT_AUDIO_ENDPOINT), 0, FAKE_ROLES_ALL, "Failed to get default audio device."},
        {0, fake_bit(FAKE_DEVICE_GET_ID), FAKE_ROLES_ALL, "Failed to get default device audio id."},
        {0, 0, 0, "Failed to get default audio device."},  // no default endpoint at all
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.message);
        log.clear();
        g_fake_audio.fail = step.fail;
        headset->fail = step.device_fail;
        headset->default_roles = step.roles;
        audio_refresh();
        EXPECT_EQ(audio_device_count(), 0u);
        EXPECT_EQ(audio_default_device_index(), 1u);
        EXPECT_EQ(log.texts(), (Names{step.message}));
    }
    // The next refresh tries again.
    g_fake_audio.devices[0].default_roles = FAKE_ROLES_ALL;
    audio_refresh();
    EXPECT_EQ(audio_device_count(), 2u);
    EXPECT_EQ(audio_default_device_index(), 0u);
    // A default device that is dropped leaves the index where it was, past the lists: the Mixer
    // must never index with it.
    g_fake_audio.devices[0].default_roles = 0;
    headset->default_roles = FAKE_ROLES_ALL;
    audio_refresh();
    headset->name_type = VT_EMPTY;
    audio_refresh();
    EXPECT_EQ(device_names(), (Names{"Speakers"}));
    EXPECT_EQ(audio_default_device_index(), 1u);
}

// ---- volumes and mutes ----

TEST_F(Audio, VolumesMutesAndTheirLimits) {
    ModelDevice* d = device(L"{a}", L"Speakers", FAKE_ROLES_ALL);
    ModelSession* s = model_add_session(d, 0, 0.999f, false);
    d->volume = 0.505f;
    init();
    // The device's percent rounds, the session's truncates, and every percent set reads back.
    EXPECT_EQ(audio_get_device_volume_percent(0), 51);
    EXPECT_EQ(audio_get_session_volume_percent(0, 0), 99);
    for (u32 p = 0; p <= 100; p++) {
        audio_set_device_volume_percent(0, (u8)p);
        audio_set_session_volume_percent(0, 0, (u8)p);
        EXPECT_EQ(audio_get_device_volume_percent(0) * 1000 + audio_get_session_volume_percent(0, 0), p * 1001);
    }
    // The bottom of the device slider mutes and still sets the level; no second mute or unmute.
    audio_set_device_volume(0, 0.004f);
    EXPECT_TRUE(audio_get_device_mute(0));
    EXPECT_FLOAT_EQ(d->volume, 0.004f);
    audio_set_device_volume(0, 0.0f);
    audio_set_device_volume(0, 0.005f);
    EXPECT_FALSE(d->mute);
    audio_set_device_volume(0, 0.5f);
    std::vector<FakeCall> mutes = calls_of(FAKE_ENDPOINT_SET_MUTE);
    ASSERT_EQ(mutes.size(), 2u);
    EXPECT_TRUE(mutes[0].flag && !mutes[1].flag);

    audio_set_device_volume_percent(0, 150);
    EXPECT_FLOAT_EQ(d->volume, 1.0f);
    audio_set_session_volume(0, 0, 0.33f);
    audio_mute_session(0, 0);
    audio_mute_device(0);
    EXPECT_FLOAT_EQ(s->volume, 0.33f);
    EXPECT_TRUE(audio_get_session_mute(0, 0) && audio_get_device_mute(0));
    audio_unmute_session(0, 0);
    audio_unmute_device(0);
    EXPECT_FALSE(s->mute || d->mute);
    EXPECT_TRUE(log.lines().empty());
    // Every change goes out with a null event context.
    for (const FakeCall& c : g_fake_audio.calls) EXPECT_FALSE(c.has_context) << "method " << c.method;

    // Below zero and session levels above one are passed on; the system refuses them.
    audio_set_device_volume(0, -0.5f);
    EXPECT_FLOAT_EQ(calls_of(FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR).back().value, -0.5f);
    audio_set_session_volume_percent(0, 0, 150);
    EXPECT_FLOAT_EQ(calls_of(FAKE_SESSION_SET_MASTER_VOLUME).back().value, 1.5f);
    EXPECT_FLOAT_EQ(d->volume, 1.0f);
    EXPECT_FLOAT_EQ(s->volume, 0.33f);
    EXPECT_EQ(log.texts(), (Names{"Failed to set audio device master volume.", "Failed to set process master volume."}));
}

TEST_F(Audio, FailedOperationsLogTheirMessageAndGiveANeutralResult) {
    ModelDevice* d = device(L"{a}", L"Speakers", FAKE_ROLES_ALL);
    device(L"{b}", L"Headset")->fail = fake_bit(FAKE_ENDPOINT_GET_MUTE);
    ModelSession* s = model_add_session(d, 0, 0.8f, true);
    d->volume = 0.8f;
    d->mute = true;
    init();
    d->fail = fake_bit(FAKE_GET_MASTER_VOLUME_LEVEL_SCALAR) | fake_bit(FAKE_SET_MASTER_VOLUME_LEVEL_SCALAR) |
              fake_bit(FAKE_ENDPOINT_GET_MUTE) | fake_bit(FAKE_ENDPOINT_SET_MUTE);
    s->fail = fake_bit(FAKE_SESSION_GET_MASTER_VOLUME) | fake_bit(FAKE_SESSION_SET_MASTER_VOLUME) |
              fake_bit(FAKE_SESSION_GET_MUTE) | fake_bit(FAKE_SESSION_SET_MUTE);
    const struct {
        Names messages;
        std::function<void()> run;
    } cases[] = {
        {{"Failed to get audio device master volume."}, [] { EXPECT_EQ(audio_get_device_volume_percent(0), 0); }},
        // A scalar set on a device whose mute cannot be read: that failure, then the set's.
        {{"Failed to get mute state of audio device at index 0.", "Failed to set audio device master volume."},
         [] { audio_set_device_volume(0, 0.5f); }},
        {{"Failed to get mute state of audio device at index 1."}, [] { EXPECT_FALSE(audio_get_device_mute(1)); }},
        {{"Failed to get process master volume."}, [] { EXPECT_EQ(audio_get_session_volume_percent(0, 0), 0); }},
        {{"Failed to set process master volume."}, [] { audio_set_session_volume(0, 0, 0.1f); }},
        {{"Failed to get mute state of device process."}, [] { EXPECT_FALSE(audio_get_session_mute(0, 0)); }},
        {{"Failed to mute audio device process."}, [] { audio_mute_session(0, 0); }},
        {{"Failed to unmute audio device process."}, [] { audio_unmute_session(0, 0); }},
    };
    for (const auto& c : cases) {
        log.clear();
        c.run();
        EXPECT_EQ(log.texts(), c.messages);
    }
    EXPECT_TRUE(d->volume == 0.8f && d->mute && s->volume == 0.8f && s->mute);
}

TEST_F(Audio, SettingTheDefaultSwitchesRolesInOrderAndStopsAtTheFirstFailure) {
    const char* messages[] = {"Failed to set audio device 1 as default eConsole endpoint.",
                              "Failed to set audio device 1 as default eMultimedia endpoint.",
                              "Failed to set audio device 1 as default eCommunications endpoint."};
    for (u32 failing = 0; failing <= 3; failing++) {  // 3: none fails
        SCOPED_TRACE(failing);
        model_reset(&g_fake_audio);
        device(L"{a}", L"Speakers", FAKE_ROLES_ALL);
        device(L"{b}", L"Headset");
        init();
        g_fake_audio.fail_default_roles = (1u << failing) & FAKE_ROLES_ALL;
        log.clear();
        audio_set_default_device(1);
        std::vector<FakeCall> sets = calls_of(FAKE_SET_DEFAULT_ENDPOINT);
        ASSERT_EQ(sets.size(), failing < 3 ? failing + 1 : 3);
        for (u32 role = 0; role < sets.size(); role++) EXPECT_TRUE(sets[role].role == (i32)role && sets[role].device_id == L"{b}");
        EXPECT_EQ(log.texts(), failing < 3 ? Names{messages[failing]} : Names{});
        // The index moves only when all three succeed; the roles before a failure stay switched.
        EXPECT_EQ(audio_default_device_index(), failing < 3 ? 0u : 1u);
        EXPECT_EQ(g_fake_audio.devices[1].default_roles, (1u << failing) - 1);
        audio_refresh();
        EXPECT_EQ(audio_default_device_index(), failing == 0 ? 0u : 1u);
        shutdown();
    }
}

// ---- fatal exits, each in a child process ----

// Failures after start-up save the configuration first (the child changed it after loading);
// those during start-up leave the file as it was.
using AudioFatal = ScratchTest;  // the children's config.ini in a folder of their own
TEST_F(AudioFatal, StartUpAndEnumerationFailuresExitWithCodeOneAfterTheirMessage) {
    const char* const cases[][2] = {
        {"create-policy-config", "Failed to create CPolicyConfigVistaClient instance."},
        {"create-enumerator", "Failed to create MMDeviceEnumerator instance."},
        {"enum-endpoints", "Failed to enumerate audio enpoints."},
        {"endpoint-count", "Failed to get audio endpoints count."},
        {"enum-endpoints-on-refresh", "Failed to enumerate audio enpoints."},
        {"endpoint-count-on-refresh", "Failed to get audio endpoints count."},
    };
    const std::string original = "WINDOW_X=1\n";
    for (auto& c : cases) {
        SCOPED_TRACE(c[0]);
        write_file("config.ini", original);
        std::string output;
        EXPECT_EQ(child_run(c[0], &output), 1u) << output;
        // The logger was stopped, so the line explaining the exit was written.
        EXPECT_NE(output.find(std::string("ERROR ")), std::string::npos) << output;
        EXPECT_NE(output.find(std::string(": ") + c[1] + "\n"), std::string::npos) << output;
        EXPECT_EQ(output.find("reached after the fatal exit"), std::string::npos) << output;
        const std::string saved = read_file("config.ini");
        EXPECT_TRUE(strstr(c[0], "-on-refresh") ? saved.find("WINDOW_X=4242\n") != std::string::npos : saved == original) << saved;
    }
}

// Runs only as a child of the tests above (KORVANE_AUDIO_CHILD names its role).
TEST(AudioChild, Run) {
    const char* role = getenv("KORVANE_AUDIO_CHILD");
    if (!role) GTEST_SKIP() << "runs only as a child process";
    std::string r = role;
    model_reset(&g_fake_audio);
    model_add_device(&g_fake_audio, L"{a}", L"Speakers", 0.5f, false, FAKE_ROLES_ALL);
    const char* const roles[] = {"create-policy-config", "create-enumerator", "enum-endpoints", "endpoint-count"};
    const FakeMethod methods[] = {FAKE_CREATE_POLICY_CONFIG, FAKE_CREATE_ENUMERATOR, FAKE_ENUM_AUDIO_ENDPOINTS, FAKE_COLLECTION_GET_COUNT};
    for (int i = 0; i < 4; i++)
        if (r == roles[i]) g_fake_audio.fail = fake_bit(methods[i]);
    load_config(&g_config);
    g_config.window_x = 4242;
    audio_init();
    g_started = true;
    for (int i = 2; i < 4; i++)
        if (r == std::string(roles[i]) + "-on-refresh") g_fake_audio.fail = fake_bit(methods[i]);
    audio_refresh();
    printf("reached after the fatal exit\n");
    fflush(stdout);
    ExitProcess(2);
}

}  // namespace
