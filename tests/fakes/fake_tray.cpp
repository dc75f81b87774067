#include "fake_tray.h"
#include "app/tray.h"

FakeTray g_fake_tray;

void fake_tray_reset() { g_fake_tray = FakeTray{}; }

void tray_icon_set(bool) {}
i64 tray_window_proc(void*, u32, u64, i64) { return 0; }
bool autostart_is_registered() { return g_fake_tray.queries++, g_fake_tray.registered; }
void autostart_register() { g_fake_tray.registers++, g_fake_tray.registered = true; }
void autostart_unregister() { g_fake_tray.unregisters++, g_fake_tray.registered = false; }
void clipboard_get_text(u8*, u32, u32* length) { *length = 0; }
void clipboard_set_text(const u8*, u32) {}
