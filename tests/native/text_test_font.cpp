#include "text_test_font.h"
#include <stdlib.h>
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

static void* counting_allocate(void* context, u64 size) {
    CountingAllocator* a = (CountingAllocator*)context;
    a->live++;
    a->total++;
    return malloc(size ? size : 1);
}

static void counting_free(void* context, void* pointer) {
    CountingAllocator* a = (CountingAllocator*)context;
    if (pointer) a->live--;
    free(pointer);
}

void counting_allocator_init(CountingAllocator* a) {
    a->allocator = Allocator{a, counting_allocate, counting_free};
    a->live = 0;
    a->total = 0;
}
