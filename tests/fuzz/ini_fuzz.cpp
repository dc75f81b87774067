// INI lookup and integer reading on arbitrary bytes: spans stay inside the text and point at
// the key asked for, and the integer reader agrees with a 64-bit reference.
#include <stdlib.h>
#include <string.h>
#include "Ostrel/core/ini.h"

static void check_span(const u8* text, u32 size, const char* key, const IniValueSpan& s) {
    u32 key_length = (u32)strlen(key);
    if (s.key_end - s.key_start != key_length || memcmp(text + s.key_start, key, key_length) != 0) abort();
    if (!(s.key_end <= s.value_start && s.value_start < s.value_end && s.value_end <= size)) abort();
    if (text[s.value_start] == '=' || text[s.value_start] == '[' || text[s.value_start] == ']') abort();
}

static void check_int(const u8* bytes, u32 length) {
    i32 value = 0;
    bool ok = ini_parse_int(bytes, length, &value);
    // Reference: optional '-', digits only, within the signed 32-bit range.
    u32 i = (length > 0 && bytes[0] == '-') ? 1 : 0;
    bool negative = i == 1;
    __int128 v = 0;
    bool digits = true;
    for (; i < length; i++) {
        if (bytes[i] < '0' || bytes[i] > '9') {
            digits = false;
            break;
        }
        if (v <= ((__int128)1 << 40)) v = v * 10 + (bytes[i] - '0');
    }
    if (negative) v = -v;
    bool expected = digits && v >= -2147483648LL && v <= 2147483647LL;
    if (ok != expected) abort();
    if (ok && value != (i32)v) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (size > 1 << 20) return 0;
    u32 n = (u32)size;
    static const char* keys[] = {"WINDOW_X", "COLOR_SCHEME", "A", "B", "KEY ", "jump"};
    static const char* sections[] = {nullptr, "keyboard_and_mouse", "sec"};
    for (const char* section : sections) {
        for (const char* key : keys) {
            IniValueSpan span;
            if (ini_find_value(data, n, section, key, &span)) {
                check_span(data, n, key, span);
                check_int(data + span.value_start, span.value_end - span.value_start);
            }
        }
    }
    IniLexer lexer = ini_lexer(data, n);
    for (u32 steps = 0; steps <= n + 1; steps++) {
        IniToken t = ini_next_token(&lexer);
        if (t.start > n || t.end > n || t.end < t.start) abort();
        if (t.kind == INI_TOKEN_END || t.kind == INI_TOKEN_UNKNOWN) break;
    }
    check_int(data, n < 32 ? n : 32);
    return 0;
}
