#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "Ostrel/core/log.h"
#include "app/config.h"

// Opened once by the load and kept for the whole run; every save rewrites the file through it.
static int g_config_file = -1;

// Only a load that read the file keeps its handle.
static bool config_load_failed(AppConfig* config, const char* message, u32 error) {
    close(g_config_file);
    g_config_file = -1;
    log_error(message, error);
    config_set_fallback(config);
    return false;
}

bool load_config(AppConfig* config) {
    g_config_file = open("config.ini", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (g_config_file < 0) {
        log_error("Could not open config.ini. errno was %.", (u32)errno);
        config_set_fallback(config);
        return false;
    }
    struct stat info;
    if (fstat(g_config_file, &info) != 0)
        return config_load_failed(config, "Could not get config file size. errno was %.", (u32)errno);
    u32 size = (u32)info.st_size;
    Allocator* allocator = g_default_allocator;
    u8* text = (u8*)allocator_alloc(allocator, size ? size : 1);
    u32 total = 0;
    while (total < size) {
        ssize_t got = read(g_config_file, text + total, size - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            u32 error = (u32)errno;
            allocator_free(allocator, text);
            return config_load_failed(config, "read() failure on config.ini. errno: %", error);
        }
        if (got == 0) break;  // the file shrank under us: parse what is there
        total += (u32)got;
    }
    config_parse(text, total, config);
    allocator_free(allocator, text);
    return true;
}

bool save_config(const AppConfig* config) {
    if (g_config_file < 0) {
        log_error("Could not save to config file because it failed to open at startup.");
        return false;
    }
    DynString text = config_format(config, g_default_allocator);
    u32 written = 0;
    while (written < text.length) {
        ssize_t n = pwrite(g_config_file, text.data + written, text.length - written, written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            log_error("Failed to save config. errno: %", (u32)errno);
            dyn_string_free(&text);
            return false;
        }
        written += (u32)n;
    }
    // The new text may be shorter than the old: cut the file at its end.
    if (ftruncate(g_config_file, text.length) != 0) log_error("Failed to save config. errno: %", (u32)errno);
    dyn_string_free(&text);
    return true;
}
