#include "glyph_set.h"

// One occurrence per character to rasterise. Some kanji appear more than once: each
// occurrence is rasterised, and the map keeps the last.
static const char k_program_glyphs[] =
    " ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
    "!\"#$%&'()*+,-./\\:;<=>?@[]^_{|}~"
    "‘’“”„•§©®™⁰¹²³⁴⁵⁶⁷⁸⁹"
    "あいうえおかきくけこがぎぐげごさしすせそざじずぜぞたちつてとだぢづでどなにぬねのはひふへほ"
    "ばびぶべぼぱぴぷぺぽまみむめもやゆよらりるれろわをんゃゅょゎっ"
    "アイウエオカキクケコガギグゲゴサシスセソザジズゼゾタチツテトダヂヅデドナニヌネノハヒフヘホ"
    "バビブベボパピプペポマミムメモヤユヨラリルレロワヲンャュョヮッ"
    "。、、？！「」『』（）【】〝〟ー々―　〠※"
    "一二三四五六七八九十百千万上下左右中大小川山女男女子先生年目口目耳手足体内外水火木金土天空正早友力心"
    "電話食学校店時日月年明暗立歩死生学使売購買貸借決計賞成立使上進退長短強弱忘会語死食明用近遠転寝開閉出入"
    "止行来見思記何読書習見覚難簡倍積速遅話明結休直売品受供支払起着増減関現上下大小二三平山川左右正直明日教"
    "進終開始安社動計";

static_assert(sizeof(k_program_glyphs) - 1 == GLYPH_SET_PROGRAM_BYTES, "the glyph set is 1147 bytes");

u32 utf8_count(const u8* text, u32 length) {
    u32 count = 0;
    for (u32 i = 0; i < length; i += utf8_sequence_length(text[i])) count++;
    return count;
}

static const CodePointRange k_program_ranges[] = {
    {0x00A0, 0x00FF},  // Latin-1 Supplement
    {0x0100, 0x017F},  // Latin Extended-A
    {0x0370, 0x03FF},  // Greek
    {0x0400, 0x04FF},  // Cyrillic
};

// Counted at static initialisation, before the entry point.
const GlyphSet g_program_glyph_set = {
    (const u8*)k_program_glyphs,
    utf8_count((const u8*)k_program_glyphs, GLYPH_SET_PROGRAM_BYTES),
    GLYPH_SET_PROGRAM_BYTES,
    k_program_ranges,
    sizeof(k_program_ranges) / sizeof(k_program_ranges[0]),
};

bool utf8_validate(const u8* text, u32 length) {
    u32 i = 0;
    while (i < length) {
        u8 lead = text[i];
        if (lead < 0x80) {
            i++;
            continue;
        }
        if (lead < 0xC2 || lead > 0xF4) return false;
        u32 n = utf8_sequence_length(lead);
        if (n > length - i) return false;
        // The second byte's range depends on the lead; later bytes are plain continuations.
        u8 low = 0x80, high = 0xBF;
        if (lead == 0xE0) low = 0xA0;
        else if (lead == 0xED) high = 0x9F;
        else if (lead == 0xF0) low = 0x90;
        else if (lead == 0xF4) high = 0x8F;
        if (text[i + 1] < low || text[i + 1] > high) return false;
        for (u32 k = 2; k < n; k++) {
            if (text[i + k] < 0x80 || text[i + k] > 0xBF) return false;
        }
        i += n;
    }
    return true;
}

PackedChar utf8_pack(const u8* bytes, u32 byte_count) {
    PackedChar c = 0;
    for (u32 k = 0; k < byte_count && k < 4; k++) c = (c << 8) | bytes[k];
    return c;
}

PackedChar packed_char_from_code_point(u32 cp) {
    if (cp < 0x80) return cp;
    if (cp < 0x800) return ((0xC0 | (cp >> 6)) << 8) | (0x80 | (cp & 0x3F));
    if (cp < 0x10000) return ((0xE0 | (cp >> 12)) << 16) | ((0x80 | ((cp >> 6) & 0x3F)) << 8) | (0x80 | (cp & 0x3F));
    return ((0xF0 | (cp >> 18)) << 24) | ((0x80 | ((cp >> 12) & 0x3F)) << 16) | ((0x80 | ((cp >> 6) & 0x3F)) << 8) |
           (0x80 | (cp & 0x3F));
}

u32 packed_char_bytes(PackedChar c, u8 out[4]) {
    u32 n = c > 0xFFFFFF ? 4 : c > 0xFFFF ? 3 : c > 0xFF ? 2 : 1;
    for (u32 k = 0; k < n; k++) out[k] = (u8)(c >> (8 * (n - 1 - k)));
    return n;
}

u32 packed_char_code_point(PackedChar c) {
    u8 b[4];
    u32 n = packed_char_bytes(c, b);
    switch (n) {
    case 1: return b[0];
    case 2: return ((u32)(b[0] & 0x1F) << 6) | (b[1] & 0x3F);
    case 3: return ((u32)(b[0] & 0x0F) << 12) | ((u32)(b[1] & 0x3F) << 6) | (b[2] & 0x3F);
    default: return ((u32)(b[0] & 0x07) << 18) | ((u32)(b[1] & 0x3F) << 12) | ((u32)(b[2] & 0x3F) << 6) | (b[3] & 0x3F);
    }
}
