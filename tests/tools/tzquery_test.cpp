// tzquery end to end: the built tool run as a child process. On POSIX its zone list is a zone
// directory of the test's own, named by TZDIR in the child's environment; on Windows it is the
// registry, where "Eastern Standard Time" exists too.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/test_zone_directory.h"
#include "timelib/platform/platform.h"
#include "timelib/time_zone.h"

namespace {

struct Output {
    int exitCode;
    std::string out;
    std::string err;
};

class Tzquery : public ::testing::Test {
  protected:
    void SetUp() override {
        if (testsupport::ZoneListFromZoneDirectory()) {
            zones_ = std::make_unique<testsupport::TestZoneDirectory>();
            options_.environment.push_back({"TZDIR", zones_->path()});
        }
    }

    Output Run(const std::vector<std::string>& arguments) const {
        const testsupport::RunResult result =
            testsupport::RunProgram(TZQUERY_EXE, arguments, options_);
        return {result.exitCode, testsupport::WithLfLineEnds(result.output),
                testsupport::WithLfLineEnds(result.errors)};
    }

    std::unique_ptr<testsupport::TestZoneDirectory> zones_;
    testsupport::RunOptions options_;
};

class TzqueryInZone : public Tzquery {};

const char kUsageLine[] =
    "usage: tzquery [--yearly-rule] zones | info [ZONE] | tolocal ZONE STAMP... | "
    "toutc ZONE STAMP... | bias STAMP... | --version | --help\n";

// Whether the tool finds the extended entry points, as this process does on the same system
// (not under Wine 8, whose kernel32 lacks them), and the failed function's name it then reports.
bool HasExtendedEntryPoints() {
    trendtab::LoadZoneEntryPoints();
    const bool loaded = trendtab::ZoneEntryPointsLoaded();
    trendtab::ReleaseZoneEntryPoints();
    return loaded;
}

std::string Failed(const std::string& plainName) {
    return (HasExtendedEntryPoints() ? plainName + "Ex" : plainName) + " failed";
}

}  // namespace

TEST_F(Tzquery, VersionHelpAndBadArguments) {
    const Output version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("tzquery ") + PROJECT_VERSION + "\n");
    const Output help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.substr(0, sizeof kUsageLine - 1), kUsageLine);

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"zone"},
        {"zones", "extra"},
        {"info", "UTC", "extra"},
        {"toutc", "UTC"},
        {"tolocal", "UTC", "2024-02-30T00:00:00"},
        {"tolocal", "UTC", "2024-01-01T00:00:00.1234"},
        {"bias", "#18446744073709551616"}};
    for (const std::vector<std::string>& arguments : bad) {
        const Output result = Run(arguments);
        const std::string shown = arguments.empty() ? "(none)" : arguments[0];
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        ASSERT_GE(result.err.size(), sizeof kUsageLine - 1) << shown;
        EXPECT_EQ(result.err.substr(result.err.size() - (sizeof kUsageLine - 1)), kUsageLine);
    }
}

TEST_F(Tzquery, ConvertsStampsWithAZoneOfTheList) {
    const Output local =
        Run({"tolocal", "Eastern Standard Time", "2024-03-10T06:59:59", "2024-03-10T07:00:00.5",
             "2024-11-03T06:00:00.25", "#9223372036854775808"});
    EXPECT_EQ(local.exitCode, 0);
    EXPECT_EQ(local.out,
              "2024-03-10T06:59:59 2024-03-10T01:59:59.000\n"
              "2024-03-10T07:00:00.5 2024-03-10T03:00:00.500\n"
              "2024-11-03T06:00:00.25 2024-11-03T01:00:00.250\n"
              "#9223372036854775808 File time conversion error, " +
                  Failed("SystemTimeToTzSpecificLocalTime") + ", GetLastStatus: 87\n");
    const Output utc =
        Run({"toutc", "eastern standard time", "2024-07-04T12:00:00.999", "#9223372036854775808"});
    EXPECT_EQ(utc.out,
              "2024-07-04T12:00:00.999 2024-07-04T16:00:00.999\n"
              "#9223372036854775808 File time conversion error, " +
                  Failed("TzSpecificLocalTimeToSystemTime") + ", GetLastStatus: 87\n");
    EXPECT_EQ(Run({"--yearly-rule", "toutc", "eastern standard time", "#9223372036854775808"}).out,
              "#9223372036854775808 File time conversion error, TzSpecificLocalTimeToSystemTime "
              "failed, GetLastStatus: 87\n");
    // "utc" converts nothing, not even what has no calendar time; "-" is the current zone (UTC).
    EXPECT_EQ(Run({"tolocal", "utc", "#9223372036854775808"}).out,
              "#9223372036854775808 #9223372036854775808\n");
    EXPECT_EQ(Run({"toutc", "-", "1601-01-01T00:00:00"}).out,
              "1601-01-01T00:00:00 1601-01-01T00:00:00.000\n");

    const Output unknown = Run({"tolocal", "Nowhere/Else", "2024-01-01T00:00:00"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "tzquery: cannot select zone \"Nowhere/Else\"\n");
    EXPECT_EQ(Run({"info", "Nowhere/Else"}).exitCode, 1);
}

TEST_F(Tzquery, ListsAndDescribesTheZoneDirectory) {
    if (!zones_) {
        GTEST_SKIP() << "the zone list is the system registry's, not a zone directory";
    }
    std::string keys;
    for (const std::string& key : zones_->keys()) {
        keys += key + "\n";
    }
    EXPECT_EQ(Run({"zones"}).out, keys);
    EXPECT_EQ(Run({"info", "America/New_York"}).out,
              "Name America/New_York\nBias 300\nStandardBias 0\nDaylightBias -60\n"
              "StandardName America/New_York\nDaylightName EDT\n"
              "StandardDate M11.1.0 02:00:00.000\nDaylightDate M3.2.0 02:00:00.000\n"
              "Conversions extended entry points: the zone's own rules of each year\n");
    // The rule's change times lie before midnight on a Saturday that only the Sunday after it
    // names: the Windows form keeps that Sunday, at midnight.
    EXPECT_EQ(Run({"--yearly-rule", "info", "Test/Approximated"}).out,
              "Name Test/Approximated\nBias 180\nStandardBias 0\nDaylightBias -60\n"
              "StandardName Test/Approximated\nDaylightName -02\n"
              "StandardDate M10.5.0 00:00:00.000\nDaylightDate M3.5.0 00:00:00.000\n"
              "Approximated yes: the zone's rule has no exact yearly Windows form\n"
              "Conversions plain entry points: the yearly rule above in every year\n");

    // The zone's history by default; its present rule in every year with --yearly-rule.
    EXPECT_EQ(Run({"tolocal", "America/New_York", "2006-03-20T12:00:00"}).out,
              "2006-03-20T12:00:00 2006-03-20T07:00:00.000\n");
    EXPECT_EQ(Run({"--yearly-rule", "tolocal", "America/New_York", "2006-03-20T12:00:00"}).out,
              "2006-03-20T12:00:00 2006-03-20T08:00:00.000\n");
    EXPECT_EQ(Run({"--yearly-rule"}).exitCode, 2);
    EXPECT_EQ(Run({"zones", "--yearly-rule"}).exitCode, 2);

    testsupport::RunOptions kolkata = options_;
    kolkata.environment.push_back({"TZ", "Asia/Kolkata"});
    const testsupport::RunResult current = testsupport::RunProgram(TZQUERY_EXE, {"info"}, kolkata);
    EXPECT_EQ(current.output,
              "Name Asia/Kolkata\nBias -330\nStandardBias 0\nDaylightBias 0\n"
              "StandardName Asia/Kolkata\nDaylightName\nStandardDate none\nDaylightDate none\n"
              "Conversions the system's current zone\n");
    // A TZ the C library cannot load leaves it at UTC, silently; the tool says so.
    for (const char* typo : {"Asia/Kolkata ", "Asia/Kolkatta", ":Asia/Nowhere"}) {
        testsupport::RunOptions mistaken = options_;
        mistaken.environment.push_back({"TZ", typo});
        EXPECT_EQ(testsupport::RunProgram(TZQUERY_EXE, {"info"}, mistaken).output,
                  "Name UTC\nBias 0\nStandardBias 0\nDaylightBias 0\nStandardName UTC\n"
                  "DaylightName\nStandardDate none\nDaylightDate none\nConversions none: UTC\n"
                  "Warning TZ names no zone the C library can load; it uses UTC instead\n")
            << typo;
    }

    testsupport::RunOptions noZones = options_;
    noZones.environment.push_back({"TZDIR", zones_->path() + "/missing"});
    const testsupport::RunResult missing = testsupport::RunProgram(TZQUERY_EXE, {"zones"}, noZones);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.errors, "tzquery: cannot read the zone list\n");
}

TEST_F(TzqueryInZone, BiasFollowsTheCurrentZone) {
    const Output bias = Run({"bias", "2024-01-15T12:00:00", "2024-07-15T12:00:00"});
    EXPECT_EQ(bias.exitCode, 0);
    std::string expected;
    for (const auto& [stamp, ticks] :
         {std::pair{"2024-01-15T12:00:00", 133'497'936'000'000'000ULL},
          std::pair{"2024-07-15T12:00:00", 133'655'184'000'000'000ULL}}) {
        const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        expected += std::string(stamp) + " " + std::to_string(trendtab::GetBiasAt(utc)) + "\n";
    }
    EXPECT_EQ(bias.out, expected);
    if (testsupport::TestZone() == "EST5EDT,M3.2.0,M11.1.0") {
        EXPECT_EQ(bias.out, "2024-01-15T12:00:00 300\n2024-07-15T12:00:00 240\n");
    }
}
