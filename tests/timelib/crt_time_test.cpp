// The runtime's 64-bit calendar functions, through the platform interface only.
#include <gtest/gtest.h>

#include <ctime>

#include "timelib/platform/platform.h"

TEST(CrtTime, MicrosoftRanges) {
    std::tm fields{};
    fields.tm_year = 70;
    fields.tm_mday = 1;
    fields.tm_isdst = -1;
    EXPECT_EQ(_mktime64(&fields), 0);  // under TZ=UTC0
    fields = {};
    fields.tm_year = 69;
    fields.tm_mon = 11;
    fields.tm_mday = 31;
    fields.tm_hour = 23;
    fields.tm_min = 59;
    fields.tm_sec = 59;
    EXPECT_EQ(_mktime64(&fields), -1);
    fields = {};
    fields.tm_year = 1100;
    fields.tm_mon = 11;
    fields.tm_mday = 31;
    fields.tm_hour = 23;
    fields.tm_min = 59;
    fields.tm_sec = 59;
    EXPECT_EQ(_mktime64(&fields), 32'535'215'999);
    fields = {};
    fields.tm_year = 111;
    fields.tm_mon = 1;
    fields.tm_mday = 31;
    EXPECT_EQ(_mktime64(&fields), 1'299'110'400);  // 2011-03-03, normalised in place
    EXPECT_EQ(fields.tm_mon, 2);
    EXPECT_EQ(fields.tm_mday, 3);

    const std::int64_t before1970 = -1;
    EXPECT_NE(_localtime64_s(&fields, &before1970), 0);
    EXPECT_NE(_gmtime64_s(&fields, &before1970), 0);
    const std::int64_t last = 32'535'215'999;
    ASSERT_EQ(_gmtime64_s(&fields, &last), 0);
    EXPECT_EQ(fields.tm_year, 1100);
    EXPECT_EQ(fields.tm_yday, 364);
    const LONG negative = -1, zero = 0;
    EXPECT_EQ(_localtime32(&negative), nullptr);
    ASSERT_NE(_localtime32(&zero), nullptr);
    EXPECT_EQ(_localtime32(&zero)->tm_year, 70);
}
