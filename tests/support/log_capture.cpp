#include "log_capture.h"
#include <algorithm>
#include <mutex>
#include "Ostrel/core/log.h"

namespace {
std::mutex g_mutex;
std::vector<CapturedLine> g_lines;

void capture_sink(i32 level, const u8* text, u32 length, void*) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.push_back(CapturedLine{level, std::string((const char*)text, length)});
}
}  // namespace

LogCapture::LogCapture() {
    log_set_sink(capture_sink, nullptr);
    clear();
}

LogCapture::~LogCapture() { log_set_sink(nullptr, nullptr); }

std::vector<CapturedLine> LogCapture::lines() {
    log_flush();
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
    log_flush();
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}
