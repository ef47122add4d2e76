// Wide stamps (FILETIME, UTC) in the local time of the process's zone (TZ): both sides of every
// daylight-saving change, the repeated hour, milliseconds, and stamps outside the calendar
// library's range.
#include <map>

#include "tests/e2e/converter_fixture.h"
#include "tests/support/run_program.h"

namespace e2e {
namespace {

using hstgen::FileTimeTicks;

class WideRowsInZone : public ConverterTest {};

// UTC stamps: the 2011 changes in the United States, Europe and Australia, then 1950, 3001 and
// 1970. The first carries 0.9999 ms below its milliseconds, which must not round up.
const std::vector<std::int64_t> kStamps = {
    FileTimeTicks(2011, 3, 13, 6, 59, 59, 999) + 9999,
    FileTimeTicks(2011, 3, 13, 7, 0, 0),
    FileTimeTicks(2011, 3, 27, 0, 59, 59, 250),
    FileTimeTicks(2011, 3, 27, 1, 0, 0, 750),
    FileTimeTicks(2011, 10, 30, 0, 30, 0),
    FileTimeTicks(2011, 10, 30, 1, 30, 0),
    FileTimeTicks(2011, 11, 6, 5, 59, 59),
    FileTimeTicks(2011, 11, 6, 6, 0, 0),
    FileTimeTicks(2011, 4, 2, 15, 59, 59),
    FileTimeTicks(2011, 4, 2, 16, 0, 0),
    FileTimeTicks(2011, 10, 1, 15, 59, 59),
    FileTimeTicks(2011, 10, 1, 16, 0, 0),
    FileTimeTicks(1950, 6, 1, 12, 0, 0, 500),
    FileTimeTicks(3001, 1, 1, 0, 0, 0),
    FileTimeTicks(1970, 1, 1, 0, 0, 0),
};

const std::vector<std::string> kUtc = {
    "13/03/2011\t06:59:59.999", "13/03/2011\t07:00:00.000", "27/03/2011\t00:59:59.250",
    "27/03/2011\t01:00:00.750", "30/10/2011\t00:30:00.000", "30/10/2011\t01:30:00.000",
    "06/11/2011\t05:59:59.000", "06/11/2011\t06:00:00.000", "02/04/2011\t15:59:59.000",
    "02/04/2011\t16:00:00.000", "01/10/2011\t15:59:59.000", "01/10/2011\t16:00:00.000",
    "01/06/1950\t12:00:00.500", "01/01/3001\t00:00:00.000", "01/01/1970\t00:00:00.000"};
const std::vector<std::string> kNewYork = {
    "13/03/2011\t01:59:59.999", "13/03/2011\t03:00:00.000", "26/03/2011\t20:59:59.250",
    "26/03/2011\t21:00:00.750", "29/10/2011\t20:30:00.000", "29/10/2011\t21:30:00.000",
    "06/11/2011\t01:59:59.000", "06/11/2011\t01:00:00.000", "02/04/2011\t11:59:59.000",
    "02/04/2011\t12:00:00.000", "01/10/2011\t11:59:59.000", "01/10/2011\t12:00:00.000",
    "01/06/1950\t08:00:00.500", "31/12/3000\t19:00:00.000", "31/12/1969\t19:00:00.000"};
const std::vector<std::string> kKolkata = {
    "13/03/2011\t12:29:59.999", "13/03/2011\t12:30:00.000", "27/03/2011\t06:29:59.250",
    "27/03/2011\t06:30:00.750", "30/10/2011\t06:00:00.000", "30/10/2011\t07:00:00.000",
    "06/11/2011\t11:29:59.000", "06/11/2011\t11:30:00.000", "02/04/2011\t21:29:59.000",
    "02/04/2011\t21:30:00.000", "01/10/2011\t21:29:59.000", "01/10/2011\t21:30:00.000",
    "01/06/1950\t17:30:00.500", "01/01/3001\t05:30:00.000", "01/01/1970\t05:30:00.000"};

// Expected rows (date, time with /m) per zone, computed independently of this code base.
const std::map<std::string, std::vector<std::string>> kLocalTimes = {
    {"UTC", kUtc},
    {"UTC0", kUtc},
    {"Etc/UTC", kUtc},
    {"America/New_York", kNewYork},
    // A POSIX rule string: whether its daylight saving reaches back to 1950 is the platform's.
    {"EST5EDT,M3.2.0,M11.1.0",
     {"13/03/2011\t01:59:59.999", "13/03/2011\t03:00:00.000", "26/03/2011\t20:59:59.250",
      "26/03/2011\t21:00:00.750", "29/10/2011\t20:30:00.000", "29/10/2011\t21:30:00.000",
      "06/11/2011\t01:59:59.000", "06/11/2011\t01:00:00.000", "02/04/2011\t11:59:59.000",
      "02/04/2011\t12:00:00.000", "01/10/2011\t11:59:59.000", "01/10/2011\t12:00:00.000",
      testsupport::RuleStringAppliesBefore1970() ? "01/06/1950\t08:00:00.500"
                                                 : "01/06/1950\t07:00:00.500",
      "31/12/3000\t19:00:00.000", "31/12/1969\t19:00:00.000"}},
    {"Asia/Kolkata", kKolkata},
    {"IST-5:30", kKolkata},
    {"Europe/Berlin",
     {"13/03/2011\t07:59:59.999", "13/03/2011\t08:00:00.000", "27/03/2011\t01:59:59.250",
      "27/03/2011\t03:00:00.750", "30/10/2011\t02:30:00.000", "30/10/2011\t02:30:00.000",
      "06/11/2011\t06:59:59.000", "06/11/2011\t07:00:00.000", "02/04/2011\t17:59:59.000",
      "02/04/2011\t18:00:00.000", "01/10/2011\t17:59:59.000", "01/10/2011\t18:00:00.000",
      "01/06/1950\t13:00:00.500", "01/01/3001\t01:00:00.000", "01/01/1970\t01:00:00.000"}},
    {"Australia/Sydney",
     {"13/03/2011\t17:59:59.999", "13/03/2011\t18:00:00.000", "27/03/2011\t11:59:59.250",
      "27/03/2011\t12:00:00.750", "30/10/2011\t11:30:00.000", "30/10/2011\t12:30:00.000",
      "06/11/2011\t16:59:59.000", "06/11/2011\t17:00:00.000", "03/04/2011\t02:59:59.000",
      "03/04/2011\t02:00:00.000", "02/10/2011\t01:59:59.000", "02/10/2011\t03:00:00.000",
      "01/06/1950\t22:00:00.500", "01/01/3001\t11:00:00.000", "01/01/1970\t10:00:00.000"}},
    {"JST-9",
     {"13/03/2011\t15:59:59.999", "13/03/2011\t16:00:00.000", "27/03/2011\t09:59:59.250",
      "27/03/2011\t10:00:00.750", "30/10/2011\t09:30:00.000", "30/10/2011\t10:30:00.000",
      "06/11/2011\t14:59:59.000", "06/11/2011\t15:00:00.000", "03/04/2011\t00:59:59.000",
      "03/04/2011\t01:00:00.000", "02/10/2011\t00:59:59.000", "02/10/2011\t01:00:00.000",
      "01/06/1950\t21:00:00.500", "01/01/3001\t09:00:00.000", "01/01/1970\t09:00:00.000"}},
};

const std::vector<std::string>& Expected() {
    static const std::vector<std::string> none;
    const auto found = kLocalTimes.find(testsupport::TestZone());
    return found == kLocalTimes.end() ? none : found->second;
}

TEST_F(WideRowsInZone, StampsAcrossDaylightSavingChangesWithMilliseconds) {
    if (Expected().empty()) {
        GTEST_SKIP() << "no expectations for TZ=" << testsupport::TestZone();
    }
    std::vector<hstgen::Record> records;
    for (std::int64_t stamp : kStamps) {
        records.push_back({stamp, {1.5}});
    }
    Write("dst.hst", WideFile({"A"}, records));
    EXPECT_EQ(Convert({"dst.hst", "/m"}),
              ConvertedBlock("dst", {"A"}, static_cast<int>(kStamps.size())) + "\n\n");
    std::string rows;
    for (const std::string& local : Expected()) {
        rows += local + "\t     1.500\n";
    }
    EXPECT_EQ(Text("dst.txt"), rows);
    // Without /m the milliseconds go, the rest stays.
    Convert({"dst.hst"});
    EXPECT_EQ(Text("dst.txt").substr(0, 31), Expected()[0].substr(0, 19) + "\t     1.500\n");
}

TEST_F(WideRowsInZone, StampsBefore1900ShowTheStartOf1970AndInvalidStampsFailureValues) {
    const auto& expected = Expected();
    if (expected.empty()) {
        GTEST_SKIP() << "no expectations for TZ=" << testsupport::TestZone();
    }
    // 1970-01-01 00:00:00 UTC in local time, the last expectation of the table.
    const std::string epoch = expected.back().substr(0, 20);
    Write("odd.hst", WideFile({"A", "B"}, {{FileTimeTicks(1800, 6, 1, 12, 0, 0, 123), {1, 2}},
                                           {0, {3, 4}},
                                           {static_cast<std::int64_t>(1ULL << 63), {5, 6}},
                                           {-1, {7, 8}}}));
    Convert({"odd.hst", "/m"});
    EXPECT_EQ(Text("odd.txt"), epoch + "123\t     1.000\t     2.000\n" + epoch +
                                   "000\t     3.000\t     4.000\n" +
                                   "00/00/0000\t-1:-1:-1.000\t     5.000\t     6.000\n"
                                   "00/00/0000\t-1:-1:-1.000\t     7.000\t     8.000\n");
}

// The window is a time of day, so it applies to both passes through Berlin's repeated hour and
// across midnight; decimation counts what passes it.
class BerlinWideInZone : public ConverterTest {};

TEST_F(BerlinWideInZone, WindowAcrossTheRepeatedHourAndMidnight) {
    std::vector<hstgen::Record> records;
    for (int minutes = -150; minutes <= 150; minutes += 30) {
        records.push_back(
            {FileTimeTicks(2011, 10, 30, 1, 0, 0) + minutes * 600'000'000LL, {minutes * 1.0}});
    }
    Write("autumn.hst", WideFile({"M"}, records));
    Convert({"autumn.hst", "/i:02:00:00", "/f:02:59:59", ","});
    EXPECT_EQ(Text("autumn.txt"),
              "30/10/2011,02:00:00,   -60.000\n30/10/2011,02:30:00,   -30.000\n"
              "30/10/2011,02:00:00,     0.000\n30/10/2011,02:30:00,    30.000\n");
    Convert({"autumn.hst", "/i:02:00:00", "/f:02:59:59", ",", "/l:3"});
    EXPECT_EQ(Text("autumn.txt"),
              "30/10/2011,02:00:00,   -60.000\n30/10/2011,02:30:00,    30.000\n");
    Convert({"autumn.hst", "/i:00:00:00", "/f:00:59:59", ","});
    EXPECT_EQ(Text("autumn.txt"), "30/10/2011,00:30:00,  -150.000\n");
    Convert({"autumn.hst", "/i:23:00:00", "/f:01:00:00"});
    EXPECT_EQ(Text("autumn.txt"), "");
}

}  // namespace
}  // namespace e2e
