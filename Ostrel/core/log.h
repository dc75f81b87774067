// Threaded logger: producers copy a message into a 256-slot ring under a spin lock;
// one logger thread prints "LABEL h:m:s: text\n" to standard output.
#pragma once
#include "format.h"

enum LogLevel : i32 { LOG_LEVEL_ERROR = 0, LOG_LEVEL_WARNING = 1 };

enum { LOG_RING_SLOTS = 256, LOG_STOP_WAIT_SECONDS = 2 };

bool log_start();
// Sets the stop flag and returns once every queued message has been written, or after
// LOG_STOP_WAIT_SECONDS when the output does not take them (what is left is lost).
void log_stop();
// Takes ownership of the message; a message that finds the ring full is freed and dropped.
void log_error(LogMessage message);
void log_warning(LogMessage message);
Allocator* log_message_allocator();

template <typename... Args>
void log_error(const char* format, const Args&... args) {
    log_error(message_build(log_message_allocator(), format, args...));
}
template <typename... Args>
void log_warning(const char* format, const Args&... args) {
    log_warning(message_build(log_message_allocator(), format, args...));
}
