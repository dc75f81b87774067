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

TEST(PathExecutable, DirectoryIsThePathUpToItsLastSeparator) {
    u8 *full = nullptr, *dir = nullptr;
    u32 full_length = 0, dir_length = 0;
    ASSERT_TRUE(path_executable(g_default_allocator, &full, &full_length));
    ASSERT_TRUE(path_executable_directory(g_default_allocator, &dir, &dir_length));
    std::string f((const char*)full, full_length), d((const char*)dir, dir_length);
    ASSERT_LT(d.size(), f.size());
    EXPECT_EQ(f.substr(0, d.size()), d);
    EXPECT_TRUE(f[d.size()] == '\\' || f[d.size()] == '/');
    EXPECT_NE(f.find("core_tests"), std::string::npos);
    allocator_free(g_default_allocator, full);
    allocator_free(g_default_allocator, dir);
}

}  // namespace
