#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/path.h"

namespace {

TEST(PathFileName, SplitsAtTheLastSeparator) {
    const char* cases[][2] = {{"C:\\apps\\mixer.exe", "mixer.exe"}, {"/usr/bin/player", "player"},
                              {"C:\\a/b\\c.exe", "c.exe"},          {"C:/a\\b/c.exe", "c.exe"},
                              {"System", "System"},                 {"C:\\apps\\", "apps\\"},  // a final one is no split
                              {"\\", "\\"},                         {"", ""}};
    for (auto& c : cases) {
        u32 length = (u32)strlen(c[0]);
        const u8* p = path_file_name((const u8*)c[0], length, &length);
        EXPECT_EQ(std::string((const char*)p, length), c[1]) << c[0];
    }
}

}  // namespace
