// Writes Korvane's icon as a PNG at the build: korvane_icon_png SIZE OUTPUT.png. The image data
// is deflate's stored blocks (no compressor needed; packages compress the file anyway).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "app/icon/icon.h"

static u32 s_crc_table[256];

static void icon_png_crc_init() {
    for (u32 n = 0; n < 256; n++) {
        u32 c = n;
        for (u32 k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        s_crc_table[n] = c;
    }
}

static u32 icon_png_crc(u32 crc, const u8* bytes, u32 length) {
    for (u32 i = 0; i < length; i++) crc = s_crc_table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

static void icon_png_put32(u8* out, u32 value) {
    out[0] = (u8)(value >> 24);
    out[1] = (u8)(value >> 16);
    out[2] = (u8)(value >> 8);
    out[3] = (u8)value;
}

static bool icon_png_chunk(FILE* file, const char* type, const u8* data, u32 length) {
    u8 head[8];
    icon_png_put32(head, length);
    memcpy(head + 4, type, 4);
    u8 tail[4];
    icon_png_put32(tail, ~icon_png_crc(icon_png_crc(0xFFFFFFFFu, head + 4, 4), data, length));
    return fwrite(head, 1, 8, file) == 8 && (length == 0 || fwrite(data, 1, length, file) == length) &&
           fwrite(tail, 1, 4, file) == 4;
}

int main(int argc, char** argv) {
    u32 size = argc == 3 ? (u32)strtoul(argv[1], nullptr, 10) : 0;
    if (size == 0 || size > 1024) {
        fprintf(stderr, "usage: korvane_icon_png SIZE OUTPUT.png (SIZE 1 to 1024)\n");
        return 2;
    }
    icon_png_crc_init();
    u32 row = 1 + 4 * size;  // filter byte "none", then the pixels
    u32 raw_length = row * size;
    u8* raw = (u8*)malloc(raw_length);
    u8* pixels = (u8*)malloc(4 * size * size);
    u32 blocks = (raw_length + 65534) / 65535;
    u32 zlib_length = 2 + raw_length + 5 * blocks + 4;
    u8* zlib = (u8*)malloc(zlib_length);
    if (!raw || !pixels || !zlib) {
        fprintf(stderr, "korvane_icon_png: out of memory\n");
        return 1;
    }
    icon_draw(size, pixels);
    for (u32 y = 0; y < size; y++) {
        raw[y * row] = 0;
        memcpy(raw + y * row + 1, pixels + 4 * size * y, 4 * size);
    }

    u8* z = zlib;
    *z++ = 0x78;
    *z++ = 0x01;
    for (u32 offset = 0; offset < raw_length;) {
        u32 n = raw_length - offset < 65535 ? raw_length - offset : 65535;
        *z++ = offset + n == raw_length ? 1 : 0;
        *z++ = (u8)n;
        *z++ = (u8)(n >> 8);
        *z++ = (u8)~n;
        *z++ = (u8)(~n >> 8);
        memcpy(z, raw + offset, n);
        z += n;
        offset += n;
    }
    u32 a = 1;  // Adler-32 of the image data
    u32 b = 0;
    for (u32 i = 0; i < raw_length; i++) {
        a = (a + raw[i]) % 65521;
        b = (b + a) % 65521;
    }
    icon_png_put32(z, (b << 16) | a);

    u8 header[13];
    icon_png_put32(header, size);
    icon_png_put32(header + 4, size);
    header[8] = 8;   // bits per channel
    header[9] = 6;   // red, green, blue, alpha
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering
    header[12] = 0;  // not interlaced
    static const u8 k_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    FILE* file = fopen(argv[2], "wb");
    bool ok = file && fwrite(k_signature, 1, 8, file) == 8 && icon_png_chunk(file, "IHDR", header, 13) &&
              icon_png_chunk(file, "IDAT", zlib, zlib_length) && icon_png_chunk(file, "IEND", nullptr, 0);
    if (file && fclose(file) != 0) ok = false;
    if (!ok) {
        fprintf(stderr, "korvane_icon_png: could not write %s\n", argv[2]);
        return 1;
    }
    free(raw);
    free(pixels);
    free(zlib);
    return 0;
}
