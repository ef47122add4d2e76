#include "timelib/platform/posix/tzif_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/test_support.h"

using trendtab::posix::ParseTzif;
using trendtab::posix::TzifData;

namespace {

void PutBig32(std::vector<std::uint8_t>* out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out->push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A TZif file: header counts, then one data block per version part, then the footer.
// types: {utcOffset, isDst, abbreviation index}; chars: the abbreviation block.
struct TzifPlan {
    char version = '2';
    std::vector<std::int64_t> times;
    std::vector<std::uint8_t> typeOfTime;
    std::vector<std::tuple<std::int32_t, std::uint8_t, std::uint8_t>> types;
    std::string chars;
    std::string footer;
};

void PutPart(std::vector<std::uint8_t>* out, const TzifPlan& zone, int timeSize) {
    const std::uint8_t header[] = {'T', 'Z', 'i', 'f', static_cast<std::uint8_t>(zone.version)};
    out->insert(out->end(), header, header + 5);
    out->insert(out->end(), 15, 0);
    for (std::size_t count : {std::size_t{0}, std::size_t{0}, std::size_t{0}, zone.times.size(),
                              zone.types.size(), zone.chars.size()}) {
        PutBig32(out, static_cast<std::uint32_t>(count));
    }
    for (std::int64_t t : zone.times) {
        if (timeSize == 8) {
            PutBig32(out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(t) >> 32));
        }
        PutBig32(out, static_cast<std::uint32_t>(t));
    }
    out->insert(out->end(), zone.typeOfTime.begin(), zone.typeOfTime.end());
    for (const auto& [offset, isDst, index] : zone.types) {
        PutBig32(out, static_cast<std::uint32_t>(offset));
        out->push_back(isDst);
        out->push_back(index);
    }
    out->insert(out->end(), zone.chars.begin(), zone.chars.end());
}

std::vector<std::uint8_t> Build(const TzifPlan& zone) {
    std::vector<std::uint8_t> bytes;
    PutPart(&bytes, zone, 4);
    if (zone.version != '\0') {
        PutPart(&bytes, zone, 8);
        bytes.push_back('\n');
        bytes.insert(bytes.end(), zone.footer.begin(), zone.footer.end());
        bytes.push_back('\n');
    }
    return bytes;
}

TzifPlan Sample() {
    TzifPlan zone;
    zone.times = {-1'000'000'000'000LL, 1'700'000'000};
    zone.typeOfTime = {1, 0};
    zone.types = {{3600, 0, 0}, {7200, 1, 4}};
    zone.chars = std::string("CET\0CEST\0", 9);
    zone.footer = "CET-1CEST,M3.5.0,M10.5.0/3";
    return zone;
}

}  // namespace

TEST(TzifReader, ReadsHandMadeVersions) {
    const std::vector<std::uint8_t> v2 = Build(Sample());
    TzifData data;
    ASSERT_TRUE(ParseTzif(v2.data(), v2.size(), &data));
    EXPECT_EQ(data.version, 2);
    ASSERT_EQ(data.transitions.size(), 2u);
    EXPECT_EQ(data.transitions[0].time, -1'000'000'000'000LL);  // 64-bit block used
    EXPECT_EQ(data.transitions[0].type, 1);
    ASSERT_EQ(data.types.size(), 2u);
    EXPECT_EQ(data.types[1].utcOffset, 7200);
    EXPECT_TRUE(data.types[1].isDst);
    EXPECT_EQ(data.types[1].abbreviation, "CEST");
    EXPECT_EQ(data.footer, "CET-1CEST,M3.5.0,M10.5.0/3");

    TzifPlan zone = Sample();
    zone.version = '\0';
    zone.times = {1'700'000'000};
    zone.typeOfTime = {1};
    const std::vector<std::uint8_t> v1 = Build(zone);
    ASSERT_TRUE(ParseTzif(v1.data(), v1.size(), &data));
    EXPECT_EQ(data.version, 1);
    EXPECT_EQ(data.footer, "");
    EXPECT_EQ(data.transitions.size(), 1u);
}

TEST(TzifReader, RefusesInconsistentFiles) {
    TzifData data;
    const auto refused = [&](const TzifPlan& zone) {
        const std::vector<std::uint8_t> bytes = Build(zone);
        return !ParseTzif(bytes.data(), bytes.size(), &data);
    };
    TzifPlan zone = Sample();
    zone.typeOfTime = {2, 0};  // no such type
    EXPECT_TRUE(refused(zone));
    zone = Sample();
    zone.types = {{3600, 0, 9}, {7200, 1, 4}};  // abbreviation index past the block
    EXPECT_TRUE(refused(zone));
    zone = Sample();
    zone.types = {{3600, 2, 0}, {7200, 1, 4}};  // isdst neither 0 nor 1
    EXPECT_TRUE(refused(zone));
    zone = Sample();
    zone.types.clear();
    zone.typeOfTime.clear();
    zone.times.clear();
    EXPECT_TRUE(refused(zone));
    // Counts far beyond the bytes present.
    std::vector<std::uint8_t> bytes = Build(Sample());
    bytes[32] = 0x7F;
    EXPECT_FALSE(ParseTzif(bytes.data(), bytes.size(), &data));
    // Every truncation fails cleanly; the footer needs its closing newline.
    bytes = Build(Sample());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(ParseTzif(bytes.data(), size, &data)) << size;
    }
}

TEST(TzifReader, SurvivesCorruptedSystemFiles) {
    std::vector<std::uint8_t> original;
    ASSERT_TRUE(
        trendtab::posix::ReadSmallFile("/usr/share/zoneinfo/America/New_York", 1 << 20, &original));
    TzifData data;
    ASSERT_TRUE(ParseTzif(original.data(), original.size(), &data));
    EXPECT_EQ(data.footer, "EST5EDT,M3.2.0,M11.1.0");
    std::mt19937 random(8536);
    const int rounds = static_cast<int>(3000 / testsupport::HeavyTestDivisor());
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::uint8_t> bytes = original;
        for (int flips = 0; flips < 4; ++flips) {
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        }
        if (ParseTzif(bytes.data(), bytes.size(), &data)) {
            for (const auto& transition : data.transitions) {
                ASSERT_LT(transition.type, data.types.size());
            }
        }
    }
    EXPECT_FALSE(trendtab::posix::ReadSmallFile("/usr/share/zoneinfo/America/New_York", 100,
                                                &original));  // larger than allowed
    EXPECT_FALSE(trendtab::posix::ReadSmallFile("/usr/share/zoneinfo", 1 << 20, &original));
}
