#include <gtest/gtest.h>
#include <limits.h>
#include <string>
#include "Ostrel/core/dyn_array.h"
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
    EXPECT_EQ(fmt("abc"), "abc");
    EXPECT_EQ(fmt("100%"), "100%");
    EXPECT_EQ(fmt("a%b%c", 5), "a5b%c");
    EXPECT_EQ(fmt("x", 7), "x");
    EXPECT_EQ(fmt("%", 1, 2, 3), "1");
    EXPECT_EQ(fmt("%%", 1), "1%");
    EXPECT_EQ(fmt(""), "");
    EXPECT_EQ(fmt("", 9), "");
}

TEST(Formatter, IntegersRenderInDecimal) {
    EXPECT_EQ(fmt("%", (i32)0), "0");
    EXPECT_EQ(fmt("%", (i32)-7), "-7");
    EXPECT_EQ(fmt("%", (i32)INT_MIN), "-2147483648");
    EXPECT_EQ(fmt("%", (i32)INT_MAX), "2147483647");
    EXPECT_EQ(fmt("%", (u32)4294967295u), "4294967295");
    EXPECT_EQ(fmt("%", (u64)UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(fmt("%", (u16)65535), "65535");
    EXPECT_EQ(fmt("%", (u8)65), "65");
    EXPECT_EQ(fmt("%", (u8)0), "0");
    EXPECT_EQ(fmt("%", (u8)255), "255");
    EXPECT_EQ(fmt("%", (i64)INT64_MIN), "-9223372036854775808");
}

TEST(Formatter, TextArguments) {
    const char* abcdef = "abcdef";
    EXPECT_EQ(fmt("[%]", StringView{(const u8*)abcdef, 3}), "[abc]");
    EXPECT_EQ(fmt("% and %", "one", "two"), "one and two");
    DynString d = dyn_string_create(g_default_allocator);
    dyn_string_append_cstr(&d, "dyn");
    EXPECT_EQ(fmt("<%>", d), "<dyn>");
    dyn_string_free(&d);
}

TEST(Formatter, MixedArgumentsLikeTheProgramsMessages) {
    EXPECT_EQ(fmt("size:%, alignment:%, offset:%.", (u64)100, (u64)256, (u64)356),
              "size:100, alignment:256, offset:356.");
    EXPECT_EQ(fmt("WINDOW_X=%\nWINDOW_Y=%\nWINDOW_W=%\nWINDOW_H=%\nTRAY_ICON=%\nCOLOR_SCHEME=%\n", (i32)-1200,
                  (i32)20, (i32)565, (i32)411, (u8)1, StringView{(const u8*)"Dark.ini", 8}),
              "WINDOW_X=-1200\nWINDOW_Y=20\nWINDOW_W=565\nWINDOW_H=411\nTRAY_ICON=1\nCOLOR_SCHEME=Dark.ini\n");
    EXPECT_EQ(fmt("%:%:%: ", (u16)0, (u16)0, (u16)7), "0:0:7: ");
}

TEST(Formatter, LongMessagesGrowWithoutLimit) {
    std::string big(5000, 'x');
    EXPECT_EQ(fmt("%|%", big.c_str(), (u64)12345), big + "|12345");
}

TEST(DynString, GrowsByFiveBytesPerOverflowingCharacter) {
    DynString s = dyn_string_create(g_default_allocator);
    EXPECT_EQ(s.capacity, 5u);
    EXPECT_EQ(s.growth_step, 5u);
    for (int i = 0; i < 5; i++) dyn_string_append_char(&s, (u8)('a' + i));
    EXPECT_EQ(s.capacity, 5u);
    dyn_string_append_char(&s, 'f');
    EXPECT_EQ(s.capacity, 10u);
    EXPECT_EQ(std::string((const char*)s.data, s.length), "abcdef");
    dyn_string_free(&s);
}

TEST(DynString, AppendBytesAllocatesExactlyWhatIsNeeded) {
    DynString s = dyn_string_create(g_default_allocator);
    dyn_string_append_bytes(&s, "0123456789", 10);
    EXPECT_EQ(s.capacity, 10u);
    EXPECT_EQ(s.length, 10u);
    dyn_string_free(&s);
}

TEST(DynString, SetCapacityTruncatesAndKeepsPrefix) {
    DynString s = dyn_string_create(g_default_allocator);
    dyn_string_append_cstr(&s, "hello world");
    dyn_string_set_capacity(&s, 5);
    EXPECT_EQ(s.length, 5u);
    EXPECT_EQ(s.capacity, 5u);
    EXPECT_EQ(std::string((const char*)s.data, s.length), "hello");
    dyn_string_set_capacity(&s, 40);
    EXPECT_EQ(s.length, 5u);
    EXPECT_EQ(std::string((const char*)s.data, s.length), "hello");
    dyn_string_free(&s);
}

TEST(DynString, InsertAndRemoveKeepTheRest) {
    DynString s = dyn_string_create(g_default_allocator);
    dyn_string_append_cstr(&s, "ace");
    dyn_string_insert_char(&s, 1, 'b');
    dyn_string_insert_char(&s, 3, 'd');
    dyn_string_insert_char(&s, 5, 'f');
    dyn_string_insert_char(&s, 0, '>');
    EXPECT_EQ(std::string((const char*)s.data, s.length), ">abcdef");
    dyn_string_remove(&s, 0, 2);
    dyn_string_remove(&s, 3, 100);
    EXPECT_EQ(std::string((const char*)s.data, s.length), "bcd");
    dyn_string_free(&s);
}

TEST(DynArray, GrowsByItsStepAndEmptiesWithoutFreeing) {
    DynArray<u32> a = dyn_array_create<u32>(g_default_allocator, 4, 4);
    for (u32 i = 0; i < 9; i++) dyn_array_push(&a, i * 10);
    EXPECT_EQ(a.count, 9u);
    EXPECT_EQ(a.capacity, 12u);
    for (u32 i = 0; i < 9; i++) EXPECT_EQ(a.data[i], i * 10);
    u32* block = a.data;
    a.count = 0;
    dyn_array_push(&a, 7u);
    EXPECT_EQ(a.data, block);
    EXPECT_EQ(a.data[0], 7u);
    dyn_array_free(&a);
}

}  // namespace
