#include <gtest/gtest.h>
#include <string>
#include "Ostrel/core/path.h"

namespace {

std::string file_name(const std::string& path) {
    u32 length = (u32)path.size();
    const u8* p = path_file_name((const u8*)path.data(), (u32)path.size(), &length);
    return std::string((const char*)p, length);
}

TEST(PathFileName, SplitsAtTheLastSeparator) {
    EXPECT_EQ(file_name("C:\\apps\\mixer.exe"), "mixer.exe");
    EXPECT_EQ(file_name("/usr/bin/player"), "player");
    EXPECT_EQ(file_name("C:\\a/b\\c.exe"), "c.exe");
    EXPECT_EQ(file_name("C:/a\\b/c.exe"), "c.exe");
    EXPECT_EQ(file_name("System"), "System");
    EXPECT_EQ(file_name("C:\\apps\\"), "apps\\");  // a final separator is no split point
    EXPECT_EQ(file_name("\\"), "\\");
    EXPECT_EQ(file_name(""), "");
}

TEST(PathExecutable, DirectoryIsThePathUpToItsLastSeparator) {
    u8* full = nullptr;
    u32 full_length = 0;
    ASSERT_TRUE(path_executable(g_default_allocator, &full, &full_length));
    u8* dir = nullptr;
    u32 dir_length = 0;
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
