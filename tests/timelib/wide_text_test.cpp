// UTF-8 and UTF-16 conversions of zone names and messages.
#include <gtest/gtest.h>

#include <string>

#include "timelib/platform/platform.h"

using trendtab::platform::Utf8FromWide;
using trendtab::platform::WideFromUtf8;
using trendtab::platform::WideString;

TEST(WideText, RoundTripsAndReplacesWhatIsNotWellFormed) {
    // Asia/Ho_Chi_Minh in Vietnamese, then a character outside the basic plane.
    const std::string text = "Th\xC3\xA0nh ph\xE1\xBB\x91 \xF0\x9F\x95\x90";
    WideString wide;
    ASSERT_TRUE(WideFromUtf8(text, &wide));
    EXPECT_EQ(wide,
              (WideString{'T', 'h', 0xE0, 'n', 'h', ' ', 'p', 'h', 0x1ED1, ' ', 0xD83D, 0xDD50}));
    std::string back;
    EXPECT_TRUE(Utf8FromWide(wide, &back));
    EXPECT_EQ(back, text);

    // Stray continuation, overlong "/", encoded surrogate, truncated sequence.
    for (const char* bad : {"a\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE1\xBB"}) {
        EXPECT_FALSE(WideFromUtf8(bad, &wide)) << bad;
        EXPECT_NE(wide.find(static_cast<WCHAR>(0xFFFD)), WideString::npos) << bad;
    }
    EXPECT_FALSE(Utf8FromWide(WideString{'a', 0xD800, 'b'}, &back));
    EXPECT_EQ(back,
              "a\xEF\xBF\xBD"
              "b");
}
