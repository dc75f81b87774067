// The program's font as the tests see it: the file shipped beside the test executable,
// rasterised once per process with the program's glyph set at 14 pixels.
#pragma once
#include <string>
#include "Ostrel/text/font.h"

struct TestFont {
    bool built;
    GlyphMap map;
    FontAtlas atlas;
};

// Full path of "RelaxedTypingMonoJP-Regular.ttf" beside the running executable.
std::string test_font_path();
// Built on first use and kept for the whole run (the tests only read it).
const TestFont& test_font();
const Glyph* test_glyph(const char* utf8_character);
