// The Win32 side of the colour-scheme folder watch, for the frame loop's idle wait.
#pragma once

// The event the folder watch's request signals when it completes (null without a watch): an
// idle frame loop sleeps on it and calls color_schemes_poll when it fires.
void* color_schemes_watch_event();
