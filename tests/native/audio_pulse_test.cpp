// The PulseAudio audio layer against a private server in a folder of its own: two null sinks, one
// with a non-ASCII description, and playback streams from copies of pacat under other names. What
// the layer shows is compared with what pactl reads from the server.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include "app/audio.h"
#include "support/log_capture.h"

namespace {

std::string g_root;

pid_t spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // nothing outlives a crashed run
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// One sink or sink input as `pactl list` prints it.
struct Entry {
    u32 index = 0, sink = 0;
    std::string name, description, binary;
    std::vector<u32> levels;  // per channel, in steps of 1 / PA_VOLUME_NORM
    std::vector<int> percents;
    bool mute = false;
};

std::vector<Entry> pactl_list(const char* what) {
    std::vector<Entry> out;
    std::istringstream text(run(std::string("pactl list ") + what));
    for (std::string line; std::getline(text, line);) {
        // What follows the key when the line starts with it.
        auto rest = [&](const char* key) { return line.rfind(key, 0) == 0 ? line.c_str() + strlen(key) : nullptr; };
        if (rest("Sink")) out.push_back(Entry{.index = (u32)atoi(line.c_str() + line.find('#') + 1)});
        if (out.empty()) continue;
        Entry& e = out.back();
        if (rest("\tName: ")) e.name = rest("\tName: ");
        if (rest("\tDescription: ")) e.description = rest("\tDescription: ");
        if (rest("\tSink: ")) e.sink = (u32)atoi(rest("\tSink: "));
        if (rest("\tMute: ")) e.mute = std::string(rest("\tMute: ")) == "yes";
        if (rest("\t\tapplication.process.binary = \""))
            e.binary = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
        if (rest("\tVolume: "))
            for (size_t at = 0; (at = line.find(": ", at)) != std::string::npos; at += 2)
                if (isdigit((unsigned char)line[at + 2])) {
                    e.levels.push_back((u32)strtoul(line.c_str() + at + 2, nullptr, 10));
                    e.percents.push_back(atoi(line.c_str() + line.find("/ ", at) + 2));
                }
    }
    return out;
}

// A sink by name, a sink input by program.
Entry entry(const char* what, const std::string& key) {
    for (const Entry& e : pactl_list(what))
        if (e.name == key || e.binary == key) return e;
    return Entry{};
}
Entry sink(const std::string& name) { return entry("sinks", name); }
Entry input(const std::string& program) { return entry("sink-inputs", program); }

std::string text(StringView v) { return std::string((const char*)v.data, v.length); }
std::string shown(const std::string& name, const std::string& volume, bool mute) {
    return " " + name + " " + volume + (mute ? " muted" : "");
}

// What the layer shows, or what the server holds, in the same words: the default device starred,
// device percentages and volumes, session volumes and mutes.
std::string layer_picture() {
    std::string p;
    for (u32 i = 0; i < audio_device_count(); i++) {
        p += "\n" + std::string(i == audio_default_device_index() ? "*" : "") +
             shown(text(audio_device_name(i)), std::to_string(audio_get_device_volume_percent(i)) + " " +
                   std::to_string(audio_get_device_volume(i)), audio_get_device_mute(i)) + ":";
        for (u32 j = 0; j < audio_session_count(i); j++)
            p += shown(text(audio_session_name(i, j)), std::to_string(audio_get_session_volume(i, j)), audio_get_session_mute(i, j));
    }
    return p;
}

template <typename T>
T loudest(const std::vector<T>& channels) { return *std::max_element(channels.begin(), channels.end()); }

std::string scalar(const std::vector<u32>& levels) { return std::to_string(std::min(1.0f, loudest(levels) / 65536.0f)); }

std::string server_picture() {
    std::string p, default_sink = run("pactl get-default-sink");
    std::vector<Entry> inputs = pactl_list("sink-inputs");
    for (const Entry& s : pactl_list("sinks")) {
        p += "\n" + std::string(s.name + "\n" == default_sink ? "*" : "") +
             shown(s.description, std::to_string(std::min(100, loudest(s.percents))) + " " + scalar(s.levels), s.mute) + ":";
        for (const Entry& i : inputs)
            if (i.sink == s.index)
                p += shown(i.binary, scalar(i.levels), i.mute);
    }
    return p;
}

// Polls until the condition holds; false after 30 s, time enough for a loaded machine.
bool within(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        usleep(16 * 1000);
    }
    return true;
}

// Refreshes as frames do until the condition holds.
bool eventually(const std::function<bool()>& condition) {
    return within([&] {
        audio_refresh();
        return condition();
    });
}

bool pictures_agree() { return layer_picture() == server_picture(); }

u32 device_named(const std::string& name) {
    for (u32 i = 0; i < audio_device_count(); i++)
        if (text(audio_device_name(i)) == name) return i;
    ADD_FAILURE() << "no device " << name;
    return 0;
}

const std::string SPEAKERS = "Speakers", HEADPHONES = "Kopfhörer";

class AudioPulse : public testing::Test {
protected:
    pid_t server = 0;
    std::vector<pid_t> streams;

    // A fresh runtime folder and home, and copies of pacat under the programs' names.
    static void SetUpTestSuite() {
        char root[] = "/tmp/korvane-pulse-test.XXXXXX";
        ASSERT_TRUE(mkdtemp(root));
        g_root = root;
        setenv("XDG_RUNTIME_DIR", (g_root + "/run").c_str(), 1);
        setenv("HOME", (g_root + "/home").c_str(), 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        for (const char* name : {"PULSE_SERVER", "PULSE_SINK", "PULSE_COOKIE"}) unsetenv(name);
        run("cd " + g_root + " && mkdir -m 700 run && mkdir home programs && "
            "for p in browser musicbox; do cp \"$(command -v pacat)\" programs/$p; done");
    }
    static void TearDownTestSuite() { run("rm -rf " + g_root); }

    // A copy of pacat under the program's name, playing silence.
    void start_stream(const std::string& program, const std::string& sink) {
        const size_t before = pactl_list("sink-inputs").size();
        streams.push_back(spawn({g_root + "/programs/" + program, "--playback", "--device=" + sink, "--rate=8000",
                                "--latency-msec=200", "/dev/zero"}));
        ASSERT_TRUE(within([&] { return pactl_list("sink-inputs").size() == before + 1; })) << program << " did not start playing";
    }

    void SetUp() override {
        std::string socket = g_root + "/run/pulse/native";
        server = spawn({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                        "--use-pid-file=no", "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                        "--load=module-null-sink sink_name=speakers sink_properties=device.description=" + SPEAKERS,
                        "--load=module-null-sink sink_name=headphones sink_properties=device.description=" + HEADPHONES});
        ASSERT_TRUE(within([&] { return access(socket.c_str(), F_OK) == 0; })) << "the server did not start";
        start_stream("browser", "speakers");
        start_stream("musicbox", "headphones");
        audio_init();
    }

    void TearDown() override {
        audio_shutdown();
        for (pid_t s : streams) stop(s);
        if (server) stop(server);
    }
};

// Changes by other programs: volumes (device percentages round, session percentages truncate, the
// loudest channel counts, a whole percent reads back as itself), the default, mutes and a moved
// stream. Streams coming and going are the Mixer story's columns.
TEST_F(AudioPulse, PictureFollowsTheServer) {
    eventually(pictures_agree);
    EXPECT_EQ(layer_picture(), server_picture()) << "at start";
    auto volumes = [](std::string volume) {
        return [volume] {
            run("pactl set-sink-volume speakers " + volume);
            run("pactl set-sink-input-volume " + std::to_string(input("browser").index) + " " + volume);
        };
    };
    struct Change {
        const char* what;
        std::function<void()> make;
        int session_percent = -1;  // browser's, on the speakers
    } changes[] = {
        {"50.6%", volumes("50.6%"), 50}, {"53%", volumes("53%"), 53},   {"30% 64%", volumes("30% 64%"), 64},
        {"150%", volumes("150%"), 100},  {"0", volumes("0"), 0},
        {"default sink", [] { run("pactl set-default-sink headphones"); }},
        {"sink mute", [] { run("pactl set-sink-mute headphones 1"); }},
        {"sink input mute", [] { run("pactl set-sink-input-mute " + std::to_string(input("browser").index) + " 1"); }},
        {"moved stream", [] {
             Entry browser = input("browser");
             run("pactl move-sink-input " + std::to_string(browser.index) + " " +
                 (browser.sink == sink("speakers").index ? "headphones" : "speakers"));
         }},
    };
    for (const Change& c : changes) {
        const std::string before = server_picture();
        c.make();
        ASSERT_TRUE(within([&] { return server_picture() != before; })) << c.what;
        eventually(pictures_agree);
        EXPECT_EQ(layer_picture(), server_picture()) << c.what;
        if (c.session_percent >= 0) {
            EXPECT_EQ(audio_get_session_volume_percent(device_named(SPEAKERS), 0), c.session_percent) << c.what;
        }
    }
}

// The default device, the balance of the channels, the percentage setters, the unmutes and the
// server's loss and return are driven from the window in the end-to-end story.
TEST_F(AudioPulse, ChangesReachTheServer) {
    LogCapture log;
    run("pactl set-sink-volume speakers 20000 40000");
    ASSERT_TRUE(eventually(pictures_agree));
    struct Case {
        const char* what;
        std::function<void(u32 speakers, u32 headphones)> act;
        std::function<bool()> on_server;
    } cases[] = {
        {"device volume at the bottom mutes", [](u32 s, u32) { audio_set_device_volume(s, 0.004f); },
         [] { return sink("speakers").mute && sink("speakers").levels[1] == 262; }},
        {"device volume above it unmutes", [](u32 s, u32) { audio_set_device_volume(s, 1.3f); },
         [] { return !sink("speakers").mute && sink("speakers").levels[1] == 65536; }},
        {"device mute", [](u32, u32 h) { audio_mute_device(h); }, [] { return sink("headphones").mute; }},
        {"session volume", [](u32, u32 h) { audio_set_session_volume(h, 0, 0.25f); },
         [] { return input("musicbox").levels == std::vector<u32>{16384, 16384}; }},
        {"session mute", [](u32, u32 h) { audio_mute_session(h, 0); }, [] { return input("musicbox").mute; }},
    };
    for (const Case& c : cases) {
        c.act(device_named(SPEAKERS), device_named(HEADPHONES));
        // The layer shows its own change at once, not only once the server has confirmed it.
        const std::string shown = layer_picture();
        EXPECT_TRUE(eventually(c.on_server)) << c.what;
        EXPECT_EQ(shown, server_picture()) << c.what;
    }
    EXPECT_EQ(log.texts(), std::vector<std::string>{});

    // Above 100 % is refused as on Windows, and the server is left alone.
    audio_set_session_volume_percent(device_named(HEADPHONES), 0, 150);
    usleep(200 * 1000);
    audio_refresh();
    EXPECT_EQ(input("musicbox").levels, (std::vector<u32>{16384, 16384}));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to set process master volume."});
}

}  // namespace
