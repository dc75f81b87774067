#include "ini.h"

IniLexer ini_lexer(const void* text, u32 size) {
    // Editors such as Notepad start UTF-8 files with a byte-order mark; every settings file
    // reaches its bytes through here, so one leading mark is skipped once for all of them.
    const u8* bytes = (const u8*)text;
    u32 start = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    return IniLexer{bytes, size, start, 1};
}

static bool is_word_byte(u8 b) { return b >= 0x20 && b <= 0x7E && b != '='; }

IniToken ini_next_token(IniLexer* lx) {
    for (;;) {
        if (lx->position >= lx->size) return IniToken{INI_TOKEN_END, lx->position, lx->position, lx->line};
        u8 b = lx->text[lx->position];
        if (b == ' ' || b == '\t' || b == '\r') {
            lx->position++;
            continue;
        }
        if (b == '\n') {
            lx->position++;
            lx->line++;
            continue;
        }
        if (b == ';') {
            while (lx->position < lx->size && lx->text[lx->position] != '\n') lx->position++;
            if (lx->position >= lx->size) return IniToken{INI_TOKEN_END, lx->position, lx->position, lx->line};
            lx->position++;
            lx->line++;
            continue;
        }
        break;
    }
    u32 start = lx->position;
    u8 b = lx->text[start];
    if (b == '[' || b == ']') {
        lx->position++;
        return IniToken{INI_TOKEN_BRACKET, start, start, lx->line};
    }
    if (b == '=') {
        lx->position++;
        return IniToken{INI_TOKEN_ASSIGN, start, start, lx->line};
    }
    if (b >= 0x20 && b <= 0x7E) {
        lx->position++;
        while (lx->position < lx->size && is_word_byte(lx->text[lx->position])) lx->position++;
        return IniToken{INI_TOKEN_WORD, start, lx->position, lx->line};
    }
    return IniToken{INI_TOKEN_UNKNOWN, start, start, lx->line};
}

static bool word_equals(const IniLexer* lx, IniToken t, const char* name) {
    u32 n = t.end - t.start;
    for (u32 i = 0; i < n; i++) {
        if (name[i] == 0 || (u8)name[i] != lx->text[t.start + i]) return false;
    }
    return name[n] == 0;
}

// A header's closing bracket lexes into the name's word ("[name]" gives "name]"); both forms match.
static bool section_word_equals(const IniLexer* lx, IniToken t, const char* name) {
    if (t.end > t.start && lx->text[t.end - 1] == ']') t.end--;
    return word_equals(lx, t, name);
}

bool ini_find_value(const void* text, u32 size, const char* section, const char* key, IniValueSpan* out) {
    IniLexer lx = ini_lexer(text, size);
    if (section) {
        for (;;) {
            IniToken t = ini_next_token(&lx);
            if (t.kind == INI_TOKEN_END || t.kind == INI_TOKEN_UNKNOWN) return false;
            if (t.kind != INI_TOKEN_BRACKET || lx.text[t.start] != '[') continue;
            IniToken name = ini_next_token(&lx);
            if (name.kind == INI_TOKEN_END || name.kind == INI_TOKEN_UNKNOWN) return false;
            if (name.kind == INI_TOKEN_WORD && section_word_equals(&lx, name, section)) break;
        }
    }
    IniToken k;
    for (;;) {
        k = ini_next_token(&lx);
        if (k.kind == INI_TOKEN_END || k.kind == INI_TOKEN_UNKNOWN || k.kind == INI_TOKEN_BRACKET) return false;
        if (k.kind == INI_TOKEN_WORD && word_equals(&lx, k, key)) break;
    }
    IniToken assign = ini_next_token(&lx);
    if (assign.kind != INI_TOKEN_ASSIGN) return false;
    IniToken value = ini_next_token(&lx);
    if (value.kind != INI_TOKEN_WORD) return false;
    out->key_start = k.start;
    out->key_end = k.end;
    out->value_start = value.start;
    out->value_end = value.end;
    return true;
}

bool ini_parse_int(const u8* bytes, u32 length, i32* out) {
    u32 i = 0;
    bool negative = false;
    if (length > 0 && bytes[0] == '-') {
        negative = true;
        i = 1;
    }
    // Accumulated in 64 bits and bounded, so no value wraps into a wrong number.
    i64 value = 0;
    const i64 limit = negative ? 2147483648LL : 2147483647LL;
    for (; i < length; i++) {
        u8 b = bytes[i];
        if (b < '0' || b > '9') return false;
        value = value * 10 + (b - '0');
        if (value > limit) return false;
    }
    *out = (i32)(negative ? -value : value);
    return true;
}
