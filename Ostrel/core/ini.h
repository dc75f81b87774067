// INI text: a byte-level lexer and a lookup that finds one key's value in a buffer.
// Nothing is allocated; each lookup scans from the first byte.
#pragma once
#include "types.h"

enum IniTokenKind : u32 {
    INI_TOKEN_BRACKET = 0,
    INI_TOKEN_ASSIGN = 1,
    INI_TOKEN_WORD = 2,
    INI_TOKEN_END = 3,
    INI_TOKEN_UNKNOWN = 4,
};

struct IniLexer {
    const u8* text;
    u32 size;
    u32 position;
    u32 line;
};

struct IniToken {
    u32 kind;
    u32 start;
    u32 end;
    u32 line;
};

struct IniValueSpan {
    u32 key_start;
    u32 key_end;
    u32 value_start;
    u32 value_end;
};

// A leading UTF-8 byte-order mark (EF BB BF) is skipped; positions still count from text.
IniLexer ini_lexer(const void* text, u32 size);
IniToken ini_next_token(IniLexer* lexer);
// section may be null (only entries before the first bracket are visible then).
bool ini_find_value(const void* text, u32 size, const char* section, const char* key, IniValueSpan* out);
// Optional sign and decimal digits; empty and a lone "-" read as 0. Values outside the
// signed 32-bit range are invalid.
bool ini_parse_int(const u8* bytes, u32 length, i32* out);
