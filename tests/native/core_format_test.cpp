#include <gtest/gtest.h>
#include <limits.h>
#include <string>
#include "Ostrel/core/format.h"

namespace {

template <typename... A>
std::string fmt(const char* format, const A&... args) {
    DynString s = message_build(g_default_allocator, format, args...);
    std::string out((const char*)s.data, s.length);
    dyn_string_free(&s);
    return out;
}

TEST(Formatter, PlaceholdersAndSurplus) {
    EXPECT_EQ(fmt("100%"), "100%");
    EXPECT_EQ(fmt("a%b%c", 5), "a5b%c");
    EXPECT_EQ(fmt("%", 1, 2, 3), "1");
}

TEST(Formatter, EveryArgumentType) {
    EXPECT_EQ(fmt("%", (i32)-7), "-7");
    EXPECT_EQ(fmt("%", (i32)INT_MIN), "-2147483648");
    EXPECT_EQ(fmt("%", (u32)4294967295u), "4294967295");
    EXPECT_EQ(fmt("%", (u64)UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(fmt("%", (i64)INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(fmt("%,%,%", (u8)65, (u8)0, (u8)255), "65,0,255");  // 8-bit values are digits
    EXPECT_EQ(fmt("[%]", StringView{(const u8*)"abcdef", 3}), "[abc]");
    EXPECT_EQ(fmt("% and %", "one", "two"), "one and two");
    DynString d = dyn_string_create(g_default_allocator);
    dyn_string_append_cstr(&d, "dyn");
    EXPECT_EQ(fmt("<%>", d), "<dyn>");
    dyn_string_free(&d);
    std::string big(5000, 'x');
    EXPECT_EQ(fmt("%|%", big.c_str(), (u64)12345), big + "|12345");
}

// Growth is every long message's (the formatter's 5000 bytes above).
TEST(DynString, SetCapacityTruncates) {
    DynString s = message_build(g_default_allocator, "abcdef0123456789");
    dyn_string_set_capacity(&s, 5);
    dyn_string_set_capacity(&s, 40);
    EXPECT_EQ(std::string((const char*)s.data, s.length), "abcde");
    dyn_string_free(&s);
}

}  // namespace
