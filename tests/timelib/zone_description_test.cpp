#include "timelib/platform/posix/zone_description.h"

#include <gtest/gtest.h>

using trendtab::posix::WindowsZone;

TEST(ZoneDescription, ZoneFiles) {
    WindowsZone zone;
    EXPECT_FALSE(trendtab::posix::ZoneFileToWindows("/nonexistent", 2024, &zone));
}
