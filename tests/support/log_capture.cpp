// Stands in for the engine's standard output (a link-time double of os_write_stdout): while a
// capture is alive the logger's lines land here, otherwise they go on to standard output.
#include "log_capture.h"
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <atomic>
#include <mutex>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace {
const char k_marker[] = "\x01marker ";
std::mutex g_mutex;
std::vector<CapturedLine> g_lines;
std::atomic<bool> g_capturing{false}, g_held{false};
std::atomic<u32> g_marker_seen{0}, g_marker_sent{0};
}  // namespace

// "LABEL h:m:s: text\n", one call per line.
void os_write_stdout(const void* bytes, u32 length) {
    const std::string line((const char*)bytes, length);
    const size_t marker = line.find(k_marker), text = line.find(": ", line.find(' ')) + 2;
    if (marker != std::string::npos) {
        g_marker_seen = (u32)atoi(line.c_str() + marker + sizeof k_marker - 1);
        while (g_held) os_yield();
    } else if (g_capturing) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lines.push_back({line.rfind("ERROR ", 0) == 0 ? LOG_LEVEL_ERROR : LOG_LEVEL_WARNING,
                           line.substr(text, line.size() - text - 1)});
    } else {
#ifdef _WIN32  // the C runtime's text mode would turn each line feed into two bytes
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, length, &written, NULL);
#else
        fwrite(bytes, 1, length, stdout);
        fflush(stdout);
#endif
    }
}

LogCapture::LogCapture() {
    clear();
    g_capturing = true;
}

LogCapture::~LogCapture() {
    flush();
    g_capturing = false;
}

// Lines keep their order, so once a marker logged now is written every earlier line is too.
// A marker that finds the ring full is dropped, hence the resend.
void LogCapture::flush() {
    const u32 marker = ++g_marker_sent;
    for (u32 ms = 0; g_marker_seen < marker; ms = (ms + 1) % 100) {
        if (ms == 0) log_warning("%%", k_marker, marker);
        os_sleep_ms(1);
    }
}

void LogCapture::hold_output(bool held) {
    g_held = held;
    if (held) flush();
}

std::vector<CapturedLine> LogCapture::lines() {
    flush();
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
}

std::vector<std::string> LogCapture::texts() {
    std::vector<std::string> out;
    for (auto& l : lines()) out.push_back(l.text);
    return out;
}

bool LogCapture::contains(const std::string& text) { return count(text) > 0; }

int LogCapture::count(const std::string& text) {
    auto all = lines();
    return (int)std::count_if(all.begin(), all.end(), [&](const CapturedLine& l) { return l.text == text; });
}

void LogCapture::clear() {
    flush();
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}
