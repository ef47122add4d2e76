// TimeZone and the time-zone functions. Zone-free suites select registry zones; *InZone* suites
// run once per zone and follow the current zone. On POSIX the zone list is a zone database of
// the test's own; on Windows it is the registry, where "Eastern Standard Time" exists too.
#include "timelib/time_zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/test_zone_directory.h"
#include "tests/timelib/filetime_test_util.h"

using namespace timelibtest;
using trendtab::TimeZone;
using trendtab::WideString;

namespace {

const WCHAR* const kEastern = TT_WIDE("Eastern Standard Time");
constexpr std::uint64_t kRefused = std::uint64_t{1} << 63;  // no SYSTEMTIME has this many ticks

WideString Wide(const std::string& text) {
    WideString wide;
    trendtab::platform::WideFromUtf8(text, &wide);
    return wide;
}

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    trendtab::platform::Utf8FromWide(text, &narrow);
    return narrow;
}

FILETIME Utc(int year, int month, int day, int hour, int minute = 0, int second = 0, int ms = 0) {
    const SYSTEMTIME fields = St(year, month, day, hour, minute, second, ms);
    FILETIME time{};
    EXPECT_TRUE(SystemTimeToFileTime(&fields, &time));
    return time;
}

std::string Text(const FILETIME& time) {
    SYSTEMTIME t{};
    if (!FileTimeToSystemTime(&time, &t)) {
        return std::to_string(Ticks(time)) + " ticks";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

struct RecordingSink : trendtab::TimeZoneErrorSink {
    void ReportError(const WCHAR* message) override { messages.push_back(Narrow(message)); }
    std::vector<std::string> messages;
};

TIME_ZONE_INFORMATION SystemZone() {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    return zone;
}

// On POSIX the zone list comes from a zone directory of the test's own, which TZDIR names while
// the test runs. The current zone is loaded first, so that the C library reads TZ from the
// system's zone database whatever the test does with TZDIR later.
class TimeZoneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        if (testsupport::ZoneListFromZoneDirectory()) {
            zones_ = std::make_unique<testsupport::TestZoneDirectory>();
            tzdir_ = std::make_unique<testsupport::ScopedZoneDirectory>(zones_->path());
        }
    }
    void TearDown() override { trendtab::ReleaseZoneEntryPoints(); }

    std::unique_ptr<testsupport::TestZoneDirectory> zones_;
    std::unique_ptr<testsupport::ScopedZoneDirectory> tzdir_;
};

class TimeZoneInZone : public TimeZoneTest {};

}  // namespace

TEST_F(TimeZoneInZone, CurrentZoneFollowsTheSystem) {
    const TIME_ZONE_INFORMATION system = SystemZone();
    const std::string standardName = Narrow(system.StandardName);
    std::string otherCase = standardName;
    for (char& c : otherCase) {
        c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c)
                                                                          : std::toupper(c));
    }
    const WideString otherCaseWide = Wide(otherCase);
    TimeZone zone;
    const WCHAR* const names[] = {TT_WIDE("-"), nullptr, TT_WIDE(""), otherCaseWide.c_str()};
    for (const WCHAR* name : names) {
        if (name != names[0]) {  // after construction, each selected from a registry zone
            ASSERT_TRUE(zone.SelectZone(kEastern));
            EXPECT_TRUE(zone.SelectZone(name));
        }
        EXPECT_EQ(Narrow(zone.GetName()), standardName);  // in the system's letter case
        EXPECT_TRUE(zone.FollowsCurrentZone());
        EXPECT_EQ(zone.GetZoneInformation().Bias, system.Bias);
        EXPECT_EQ(zone.GetDynamicZoneInformation().Bias, 0);
    }
    for (std::int64_t t : {1'705'320'000LL, 1'721'044'800LL}) {  // 2024-01-15, 2024-07-15 12:00
        const FILETIME utc = Ft(UnixTicks(t) + 2'500'000);
        const FILETIME local = Ft(UnixTicks(t + LocalOffsetAt(t)) + 2'500'000);
        FILETIME out = Ft(1);
        zone.UtcToLocal(utc, &out);
        EXPECT_EQ(Text(out), Text(local)) << t;
        zone.LocalToUtc(&out);
        EXPECT_EQ(Text(out), Text(utc)) << t;
    }
}

// On POSIX the test's zone directory has no UTC key (unless TZ names it, and then the current
// zone is UTC): a registry read would fail.
TEST_F(TimeZoneInZone, UtcInAnyLetterCaseReadsNoRegistry) {
    const bool systemIsUtc = _wcsicmp(SystemZone().StandardName, TT_WIDE("UTC")) == 0;
    RecordingSink sink;
    TimeZone zone(&sink);
    for (const WCHAR* name : {TT_WIDE("utc"), TT_WIDE("UTC"), TT_WIDE("Utc")}) {
        ASSERT_TRUE(zone.SelectZone(name));
        EXPECT_EQ(Narrow(zone.GetName()), systemIsUtc ? "UTC" : Narrow(name));
        EXPECT_EQ(zone.FollowsCurrentZone(), systemIsUtc);
        for (std::uint64_t ticks : {UnixTicks(1'721'044'800), kRefused}) {
            FILETIME out = Ft(1);
            zone.UtcToLocal(Ft(ticks), &out);
            EXPECT_EQ(Ticks(out), ticks);
            zone.LocalToUtc(Ft(ticks), &out);
            EXPECT_EQ(Ticks(out), ticks);
        }
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(TimeZoneTest, RegistryZoneConvertsAcrossBothChanges) {
    TimeZone zone;
    ASSERT_TRUE(zone.SelectZone(kEastern));
    EXPECT_EQ(zone.GetName(), WideString(kEastern));
    EXPECT_FALSE(zone.FollowsCurrentZone());
    // Both records: the biases, then each change as digits month, week, weekday, hour: March's
    // second and November's first Sunday at 2:00.
    const auto fields = [](const auto& r) {
        return std::vector<int>{r.Bias, r.StandardBias, r.DaylightBias,
                                r.DaylightDate.wMonth * 1000 + r.DaylightDate.wDay * 100 +
                                    r.DaylightDate.wDayOfWeek * 10 + r.DaylightDate.wHour,
                                r.StandardDate.wMonth * 1000 + r.StandardDate.wDay * 100 +
                                    r.StandardDate.wDayOfWeek * 10 + r.StandardDate.wHour};
    };
    const TIME_ZONE_INFORMATION& info = zone.GetZoneInformation();
    const DYNAMIC_TIME_ZONE_INFORMATION& dynamic = zone.GetDynamicZoneInformation();
    EXPECT_EQ(fields(info), (std::vector<int>{300, 0, -60, 3202, 11102}));
    EXPECT_EQ(fields(dynamic), fields(info));
    EXPECT_EQ(Narrow(info.StandardName), "Eastern Standard Time");
    EXPECT_EQ(Narrow(dynamic.StandardName), Narrow(info.StandardName));
    EXPECT_EQ(Narrow(dynamic.DaylightName), Narrow(info.DaylightName));
    EXPECT_EQ(Narrow(dynamic.TimeZoneKeyName), Narrow(info.StandardName));
    EXPECT_EQ(dynamic.DynamicDaylightTimeDisabled, 0);

    struct Case {
        FILETIME utc;
        const char* local;
        bool ambiguousLocal;  // in the repeated hour: not converted back
    };
    const Case cases[] = {
        {Utc(2024, 3, 10, 6, 59, 59, 250), "2024-03-10 01:59:59.250", false},
        {Utc(2024, 3, 10, 7), "2024-03-10 03:00:00.000", false},
        {Utc(2024, 11, 3, 4, 59, 59), "2024-11-03 00:59:59.000", false},
        {Utc(2024, 11, 3, 5, 30), "2024-11-03 01:30:00.000", true},
        {Utc(2024, 11, 3, 6, 30), "2024-11-03 01:30:00.000", true},
        {Utc(2024, 11, 3, 7), "2024-11-03 02:00:00.000", false},
        {Utc(2024, 7, 4, 16, 0, 0, 999), "2024-07-04 12:00:00.999", false},
    };
    for (bool extended : {false, true}) {
        if (extended) {
            trendtab::LoadZoneEntryPoints();
        }
        for (const Case& c : cases) {
            FILETIME local = Ft(1);
            zone.UtcToLocal(c.utc, &local);
            EXPECT_EQ(Text(local), c.local) << Text(c.utc) << (extended ? " extended" : "");
            FILETIME inPlace = c.utc;
            zone.UtcToLocal(&inPlace);
            EXPECT_EQ(Ticks(inPlace), Ticks(local));
            if (!c.ambiguousLocal) {
                FILETIME back = Ft(1);
                zone.LocalToUtc(local, &back);
                EXPECT_EQ(Text(back), Text(c.utc)) << c.local << (extended ? " extended" : "");
                zone.LocalToUtc(&local);
                EXPECT_EQ(Ticks(local), Ticks(c.utc));
            }
        }
    }
}

TEST_F(TimeZoneTest, SelectionStatesAndTheirTransitions) {
    if (!zones_) {
        GTEST_SKIP() << "the zone list is the system registry's, not a zone directory";
    }
    TimeZone zone;
    // Keys ignore letter case as registry keys do; the name keeps the caller's, "Std" the key's.
    ASSERT_TRUE(zone.SelectZone(TT_WIDE("america/new_YORK")));
    EXPECT_EQ(Narrow(zone.GetName()), "america/new_YORK");
    EXPECT_EQ(Narrow(zone.GetZoneInformation().StandardName), "America/New_York");
    EXPECT_EQ(Narrow(zone.GetZoneInformation().DaylightName), "EDT");
    EXPECT_EQ(Narrow(zone.GetDynamicZoneInformation().TimeZoneKeyName), "America/New_York");

    // GetName's own text selects nothing anew: the zone file may even be gone.
    zones_->Remove("America/New_York");
    const WideString copy = zone.GetName();
    EXPECT_TRUE(zone.SelectZone(zone.GetName()));
    EXPECT_FALSE(zone.FollowsCurrentZone());
    EXPECT_FALSE(zone.SelectZone(copy.c_str()));
    EXPECT_EQ(Narrow(zone.GetName()), "");
    EXPECT_TRUE(zone.FollowsCurrentZone());

    // Not keys: unknown, too long for "Std", left out of the zone list, outside it.
    for (const char* name :
         {"Nowhere/Else", "America/Argentina/ComodRivadavia", "posix/Asia/Tokyo", "localtime",
          "zone.tab", "Asia", "Alias/Tokyo", "Asia/../Asia/Tokyo", "Asia\\Tokyo"}) {
        ASSERT_TRUE(zone.SelectZone(TT_WIDE("Asia/Kolkata")));
        EXPECT_FALSE(zone.SelectZone(Wide(name).c_str())) << name;
        EXPECT_EQ(Narrow(zone.GetName()), "") << name;
        EXPECT_TRUE(zone.FollowsCurrentZone()) << name;
    }

    std::vector<WideString> keys;
    ASSERT_TRUE(trendtab::EnumerateZoneKeys(&keys));
    const auto tokyo = std::find(keys.begin(), keys.end(), Wide("Etc/Tokyo")) - keys.begin();
    ASSERT_TRUE(zone.SelectZoneByIndex(static_cast<std::int32_t>(tokyo)));
    EXPECT_EQ(Narrow(zone.GetName()), "Etc/Tokyo");
    EXPECT_EQ(zone.GetZoneInformation().Bias, -540);
    const testsupport::ScopedZoneDirectory missing(zones_->path() + "/missing");
    EXPECT_FALSE(trendtab::EnumerateZoneKeys(&keys));
    for (std::int32_t index : {-1, static_cast<std::int32_t>(keys.size()), 0}) {
        EXPECT_FALSE(zone.SelectZoneByIndex(index));  // outside the list, or no list at all
        EXPECT_EQ(Narrow(zone.GetName()), "Etc/Tokyo");
        EXPECT_FALSE(zone.FollowsCurrentZone());
    }
}

TEST_F(TimeZoneTest, FailedConversionsReportOnceAndWriteNothing) {
    RecordingSink sink;
    TimeZone zone(&sink);
    ASSERT_TRUE(zone.SelectZone(kEastern));
    TimeZone silent;
    ASSERT_TRUE(silent.SelectZone(kEastern));
    // Where "Kernel32.dll" lacks an extended function (Wine), its direction keeps the plain one.
    const HMODULE kernel32 = LoadLibraryW(TT_WIDE("Kernel32.dll"));
    const auto message = [&](bool extended, const std::string& function) {
        const bool hasEx = GetProcAddress(kernel32, (function + "Ex").c_str()) != nullptr;
        return "File time conversion error, " + function + (extended && hasEx ? "Ex" : "") +
               " failed, GetLastStatus: 87";
    };
    for (bool extended : {false, true}) {
        if (extended) {
            trendtab::LoadZoneEntryPoints();
            trendtab::LoadZoneEntryPoints();  // once is enough; twice changes nothing
        }
        FILETIME out = Ft(7);
        FILETIME inPlace = Ft(kRefused + 2);
        sink.messages.clear();
        zone.UtcToLocal(Ft(kRefused), &out);
        zone.LocalToUtc(Ft(kRefused + 1), &out);
        zone.UtcToLocal(&inPlace);
        // The platform's own refusal: the UTC time lies past the end of FILETIME.
        zone.LocalToUtc(Ft(kRefused - 1), &out);
        EXPECT_EQ(Ticks(out), 7u);
        EXPECT_EQ(Ticks(inPlace), kRefused + 2);
        const std::string toLocal = message(extended, "SystemTimeToTzSpecificLocalTime");
        const std::string toUtc = message(extended, "TzSpecificLocalTimeToSystemTime");
        EXPECT_EQ(sink.messages, (std::vector<std::string>{toLocal, toUtc, toLocal, toUtc}));
        sink.messages.clear();
        silent.UtcToLocal(Ft(kRefused), &out);
        silent.LocalToUtc(&inPlace);
        EXPECT_EQ(Ticks(out), 7u);
        EXPECT_EQ(Ticks(inPlace), kRefused + 2);
        EXPECT_TRUE(sink.messages.empty());
    }
    FreeLibrary(kernel32);
    trendtab::ReleaseZoneEntryPoints();  // back to the plain path
    sink.messages.clear();
    FILETIME out = Ft(7);
    zone.UtcToLocal(Ft(kRefused), &out);
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{message(false, "SystemTimeToTzSpecificLocalTime")});
}

TEST_F(TimeZoneInZone, BiasAtUtcTimes) {
    struct Expected {
        const char* zone;
        LONG winter, summer;  // 2024-01-15 and 2024-07-15, 12:00 UTC
    };
    const Expected table[] = {
        {"UTC", 0, 0},
        {"UTC0", 0, 0},
        {"WAT-1", -60, -60},
        {"Europe/Berlin", -60, -120},
        {"America/New_York", 300, 240},
        {"EST5EDT,M3.2.0,M11.1.0", 300, 240},
        {"Asia/Kolkata", -330, -330},
        {"IST-5:30", -330, -330},
        {"JST-9", -540, -540},
        {"Australia/Sydney", -660, -600},
    };
    const FILETIME winter = Utc(2024, 1, 15, 12);
    const FILETIME summer = Utc(2024, 7, 15, 12);
    // Whatever the zone, the bias is the runtime's offset in minutes, negated.
    EXPECT_EQ(trendtab::GetBiasAt(winter), -LocalOffsetAt(1'705'320'000) / 60);
    EXPECT_EQ(trendtab::GetBiasAt(summer), -LocalOffsetAt(1'721'044'800) / 60);
    EXPECT_EQ(trendtab::GetBiasAt(Ft(kRefused)), 0);  // the conversion fails
    const std::string tz = testsupport::TestZone();
    for (const Expected& e : table) {
        if (tz == e.zone) {
            EXPECT_EQ(trendtab::GetBiasAt(winter), e.winter);
            EXPECT_EQ(trendtab::GetBiasAt(summer), e.summer);
        }
    }
    if (tz == "Africa/Monrovia") {  // 44:30 behind UTC until 1972: halves away from zero
        EXPECT_EQ(trendtab::GetBiasAt(Utc(1960, 1, 1, 12)), 45);
    }
}

TEST_F(TimeZoneTest, CurrentZoneNameAtEachCapacity) {
    const WideString name = Wide(Narrow(SystemZone().StandardName)) + WCHAR{0};
    const auto length = static_cast<std::int32_t>(name.size()) - 1;
    for (std::int32_t capacity : {length + 5, length + 1, length, length - 1, 0, -1}) {
        WideString buffer(name.size() + 8, '#');
        EXPECT_EQ(trendtab::GetCurrentZoneName(buffer.data(), capacity), buffer.data());
        const auto copied = static_cast<std::size_t>(std::clamp(capacity, 0, length + 1));
        EXPECT_EQ(buffer, name.substr(0, copied) + WideString(buffer.size() - copied, '#'))
            << capacity;
    }
}
