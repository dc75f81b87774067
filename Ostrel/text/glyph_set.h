// The characters the font atlas holds, and the UTF-8 helpers that walk them.
// A PackedChar is one UTF-8 character with its bytes packed first-byte-most-significant
// (A = 0x41, U+3042 = 0xE38182); it keys the glyph map and is what text iteration yields.
#pragma once
#include "Ostrel/core/types.h"

typedef u32 PackedChar;

// Code points first to last, both included.
struct CodePointRange {
    u32 first;
    u32 last;
};

struct GlyphSet {
    const u8* text;  // UTF-8, one occurrence per character to rasterise
    u32 count;       // characters (code points) in text
    u32 length;      // bytes in text; nothing past it is read
    // Rasterised after the text, in order: each code point of these ranges that the font has
    // and the text does not list.
    const CodePointRange* ranges;
    u32 range_count;
};

// The program's glyph set: 1147 bytes, 447 characters (414 distinct), then whatever the font
// has of Latin-1 Supplement, Latin Extended-A, Greek and Cyrillic, for device names in the
// user's language. Its count is worked out during static initialisation, before the entry
// point runs.
enum { GLYPH_SET_PROGRAM_BYTES = 1147 };
extern const GlyphSet g_program_glyph_set;

// Bytes of the character that starts with `lead`, trusting the lead byte:
// below 0x80 one, 0xE0..0xEF three, 0xF0 and above four, otherwise two.
inline u32 utf8_sequence_length(u8 lead) {
    if (lead < 0x80) return 1;
    if (lead > 0xEF) return 4;
    if (lead > 0xDF) return 3;
    return 2;
}

// Characters in text, counted from lead bytes. A sequence cut short by the end counts once.
u32 utf8_count(const u8* text, u32 length);

// True when text is well-formed UTF-8 (the Unicode Standard's table of well-formed byte
// sequences): every lead byte is 0x00..0x7F or 0xC2..0xF4 and is followed, inside the text,
// by continuation bytes in its ranges. Bytes that cannot start a character are refused.
bool utf8_validate(const u8* text, u32 length);

// Packs up to four bytes (fewer when the text ends first) into a PackedChar.
PackedChar utf8_pack(const u8* bytes, u32 byte_count);

// Unicode code point of a packed, well-formed character (other bytes give some value, never
// a read past the PackedChar).
u32 packed_char_code_point(PackedChar c);

// The PackedChar of a code point (below U+110000).
PackedChar packed_char_from_code_point(u32 code_point);

// The UTF-8 bytes of a PackedChar into out[4]; returns how many (1 for the value 0).
u32 packed_char_bytes(PackedChar c, u8 out[4]);
