#include <gtest/gtest.h>

#include <string>

#include "timelib/platform/platform.h"

namespace {

std::u16string Text(const WCHAR* text, std::size_t count) {
    return std::u16string(text, count);
}

}  // namespace

TEST(WideString, CopyCompareAndLength) {
    EXPECT_EQ(wcslen(TT_WIDE("")), 0u);
    EXPECT_EQ(wcslen(TT_WIDE("Europe/Berlin")), 13u);
    WCHAR buffer[8];
    wcsncpy(buffer, TT_WIDE("abc"), 6);
    EXPECT_EQ(Text(buffer, 6), std::u16string(u"abc\0\0\0", 6));  // padded
    buffer[4] = u'#';
    wcsncpy(buffer, TT_WIDE("abcdefgh"), 4);
    EXPECT_EQ(Text(buffer, 5), u"abcd#");  // no terminator when the source is longer
    wcscpy(buffer, TT_WIDE("xy"));
    EXPECT_EQ(Text(buffer, 3), std::u16string(u"xy\0", 3));

    EXPECT_EQ(_wcsicmp(TT_WIDE("utc"), TT_WIDE("UTC")), 0);
    EXPECT_EQ(_wcsicmp(TT_WIDE("Utc"), TT_WIDE("uTc")), 0);
    EXPECT_LT(_wcsicmp(TT_WIDE("UT"), TT_WIDE("utc")), 0);
    EXPECT_GT(_wcsicmp(TT_WIDE("b"), TT_WIDE("A")), 0);
    EXPECT_NE(_wcsicmp(TT_WIDE("\u00e9"), TT_WIDE("\u00c9")), 0);  // ASCII folding only
}

TEST(WideString, Format) {
    WCHAR buffer[256];
    const int length =
        _snwprintf(buffer, 255, TT_WIDE("File time conversion error, %s failed, GetLastStatus: %d"),
                   TT_WIDE("SystemTimeToTzSpecificLocalTime"), -87);
    const std::u16string expected =
        u"File time conversion error, SystemTimeToTzSpecificLocalTime failed, GetLastStatus: -87";
    EXPECT_EQ(length, static_cast<int>(expected.size()));
    EXPECT_EQ(std::u16string(buffer), expected);

    _snwprintf(buffer, 255, TT_WIDE("[%5d|%-4s|%03u|%x|%lu|%c|%%|%.2s|%q]"), 42, TT_WIDE("ab"), 7u,
               255u, 4294967295ul, u'Z', TT_WIDE("xyz"));
    EXPECT_EQ(std::u16string(buffer), u"[   42|ab  |007|ff|4294967295|Z|%|xy|%q]");

    // Too long: no terminator; -1, or the count when it fills the buffer exactly.
    buffer[3] = u'#';
    EXPECT_EQ(_snwprintf(buffer, 3, TT_WIDE("%d"), 1234), -1);
    EXPECT_EQ(Text(buffer, 4), u"123#");
    EXPECT_EQ(_snwprintf(buffer, 3, TT_WIDE("abc")), 3);
    EXPECT_EQ(Text(buffer, 4), u"abc#");
    EXPECT_EQ(_snwprintf(buffer, 4, TT_WIDE("%1000d"), 1), -1);  // wide fields stay in bounds
}
