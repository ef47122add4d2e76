// Compact stamps in the local time of the process's zone (TZ), across DST changes.
#include <map>

#include "tests/e2e/converter_fixture.h"

namespace e2e {
namespace {

using hstgen::UnixSeconds;

class CompactRowsInZone : public ConverterTest {};

// UTC stamps on both sides of the 2011 changes in Europe and in the United States.
const std::vector<std::int64_t> kStamps = {
    UnixSeconds(2011, 3, 13, 6, 59, 59),
    UnixSeconds(2011, 3, 13, 7, 0, 0),
    UnixSeconds(2011, 3, 27, 0, 59, 59),
    UnixSeconds(2011, 3, 27, 1, 0, 0),
    UnixSeconds(2011, 10, 30, 0, 30, 0),
    UnixSeconds(2011, 10, 30, 1, 30, 0),
    UnixSeconds(2011, 11, 6, 5, 59, 59),
    UnixSeconds(2011, 11, 6, 6, 0, 0),
    0,
};

const std::vector<std::string> kUtc = {
    "13/03/2011\t06:59:59", "13/03/2011\t07:00:00", "27/03/2011\t00:59:59",
    "27/03/2011\t01:00:00", "30/10/2011\t00:30:00", "30/10/2011\t01:30:00",
    "06/11/2011\t05:59:59", "06/11/2011\t06:00:00", "01/01/1970\t00:00:00"};
const std::vector<std::string> kNewYork = {
    "13/03/2011\t01:59:59", "13/03/2011\t03:00:00", "26/03/2011\t20:59:59",
    "26/03/2011\t21:00:00", "29/10/2011\t20:30:00", "29/10/2011\t21:30:00",
    "06/11/2011\t01:59:59", "06/11/2011\t01:00:00", "31/12/1969\t19:00:00"};
const std::vector<std::string> kKolkata = {
    "13/03/2011\t12:29:59", "13/03/2011\t12:30:00", "27/03/2011\t06:29:59",
    "27/03/2011\t06:30:00", "30/10/2011\t06:00:00", "30/10/2011\t07:00:00",
    "06/11/2011\t11:29:59", "06/11/2011\t11:30:00", "01/01/1970\t05:30:00"};

// Zone names as TZ gives them: IANA names, and POSIX rules that read alike everywhere.
const std::map<std::string, std::vector<std::string>> kLocalTimes = {
    {"UTC", kUtc},
    {"UTC0", kUtc},
    {"Etc/UTC", kUtc},
    {"Australia/Sydney",
     {"13/03/2011\t17:59:59", "13/03/2011\t18:00:00", "27/03/2011\t11:59:59",
      "27/03/2011\t12:00:00", "30/10/2011\t11:30:00", "30/10/2011\t12:30:00",
      "06/11/2011\t16:59:59", "06/11/2011\t17:00:00", "01/01/1970\t10:00:00"}},
    {"America/New_York", kNewYork},
    {"EST5EDT,M3.2.0,M11.1.0", kNewYork},
    {"Asia/Kolkata", kKolkata},
    {"IST-5:30", kKolkata},
    {"JST-9",
     {"13/03/2011\t15:59:59", "13/03/2011\t16:00:00", "27/03/2011\t09:59:59",
      "27/03/2011\t10:00:00", "30/10/2011\t09:30:00", "30/10/2011\t10:30:00",
      "06/11/2011\t14:59:59", "06/11/2011\t15:00:00", "01/01/1970\t09:00:00"}},
    {"Europe/Berlin",
     {"13/03/2011\t07:59:59", "13/03/2011\t08:00:00", "27/03/2011\t01:59:59",
      "27/03/2011\t03:00:00", "30/10/2011\t02:30:00", "30/10/2011\t02:30:00",
      "06/11/2011\t06:59:59", "06/11/2011\t07:00:00", "01/01/1970\t01:00:00"}},
};

TEST_F(CompactRowsInZone, StampsAcrossDaylightSavingChanges) {
    const auto expected = kLocalTimes.find(testsupport::TestZone());
    if (expected == kLocalTimes.end()) {
        GTEST_SKIP() << "no expectations for TZ=" << testsupport::TestZone();
    }
    std::vector<hstgen::Record> records;
    for (std::int64_t stamp : kStamps) {
        records.push_back({stamp, {}});
    }
    Write("dst.hst", CompactFile({}, records));
    Convert({"dst.hst"});
    std::string rows;
    for (const std::string& local : expected->second) {
        rows += local + "\t\n";
    }
    EXPECT_EQ(Text("dst.txt"), rows);
}

// Registered for Europe/Berlin only.
class BerlinInZone : public ConverterTest {};

TEST_F(BerlinInZone, WindowKeepsBothPassesOfTheRepeatedHour) {
    std::vector<hstgen::Record> records;
    for (int minutes = -90; minutes <= 150; minutes += 30) {
        records.push_back({UnixSeconds(2011, 10, 30, 1, 0, 0) + minutes * 60, {}});
    }
    Write("autumn.hst", CompactFile({}, records));
    Convert({"autumn.hst", "/i:02:00:00", "/f:02:59:59", ","});
    EXPECT_EQ(Text("autumn.txt"),
              "30/10/2011,02:00:00,\n30/10/2011,02:30:00,\n"
              "30/10/2011,02:00:00,\n30/10/2011,02:30:00,\n");
}

}  // namespace
}  // namespace e2e
