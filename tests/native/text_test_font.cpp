#include "text_test_font.h"
#include <string.h>
#include "Ostrel/core/path.h"

std::string test_font_path() {
    u8* dir = nullptr;
    u32 length = 0;
    if (!path_executable_directory(g_default_allocator, &dir, &length)) return "RelaxedTypingMonoJP-Regular.ttf";
    std::string path((const char*)dir, length);
    allocator_free(g_default_allocator, dir);
    return path + "/RelaxedTypingMonoJP-Regular.ttf";
}

const TestFont& test_font() {
    static TestFont font = [] {
        TestFont f = {};
        std::string path = test_font_path();
        f.built = font_build_atlas_from_file((const u8*)path.data(), (u32)path.size(), 0, 14, g_program_glyph_set,
                                             &f.map, &f.atlas, g_default_allocator);
        return f;
    }();
    return font;
}

const Glyph* test_glyph(const char* utf8_character) {
    u32 n = (u32)strlen(utf8_character);
    return font_find_glyph(&test_font().map, utf8_pack((const u8*)utf8_character, n));
}
