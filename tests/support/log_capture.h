// Captures log messages for assertions. One capture at a time; it replaces standard output.
#pragma once
#include <string>
#include <vector>
#include "Ostrel/core/types.h"

struct CapturedLine {
    i32 level;
    std::string text;
};

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    // Waits until the logger has handed over every queued message, then returns them.
    std::vector<CapturedLine> lines();
    std::vector<std::string> texts();
    bool contains(const std::string& text);
    int count(const std::string& text);
    void clear();
    // Waits until the logger has written every message queued so far.
    void flush();
    // While held the logger stalls on a line of its own (so the ring fills).
    void hold_output(bool held);
};
