#include "tests/support/test_zone_directory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "tests/support/run_program.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

void PutBig32(std::string* out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out->push_back(static_cast<char>(value >> shift));
    }
}

// A version 2 TZif file with one type and no transitions: the footer rule says it all.
std::string TzifWithRule(const std::string& abbreviation, std::int32_t utcOffset,
                         const std::string& rule) {
    std::string bytes;
    for (int part = 0; part < 2; ++part) {
        bytes += "TZif2";
        bytes.append(15, '\0');
        for (std::uint32_t count : {0u, 0u, 0u, 0u, 1u}) {
            PutBig32(&bytes, count);
        }
        PutBig32(&bytes, static_cast<std::uint32_t>(abbreviation.size() + 1));
        PutBig32(&bytes, static_cast<std::uint32_t>(utcOffset));
        bytes.push_back('\0');  // standard time
        bytes.push_back('\0');  // abbreviation index
        bytes += abbreviation;
        bytes.push_back('\0');
    }
    return bytes + "\n" + rule + "\n";
}

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

TestZoneDirectory::TestZoneDirectory()
    : system_(Environment("TZDIR").value_or("/usr/share/zoneinfo")) {
    keys_ = {"America/New_York", "Asia/Tokyo", "Asia/Kolkata"};
    for (const std::string& zone : keys_) {
        Copy(zone, zone);
    }
    Copy("America/New_York", "Eastern Standard Time");
    Copy("America/New_York", "America/Argentina/ComodRivadavia");  // its 32 characters count
    fs::create_directories(dir_.path() / "Test");
    WriteFileBytes(dir_.file("Test/Approximated"),
                   TzifWithRule("-03", -3 * 3600, "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1"));
    fs::create_directories(dir_.path() / "Etc");
    fs::create_symlink("../Asia/Tokyo", dir_.path() / "Etc/Tokyo");
    keys_.insert(keys_.end(), {"Eastern Standard Time", "America/Argentina/ComodRivadavia",
                               "Test/Approximated", "Etc/Tokyo"});
    // Not zone keys:
    fs::create_directory_symlink("Asia", dir_.path() / "Alias");
    for (const char* leftOut : {"posix/Asia/Tokyo", "right/Asia/Tokyo", "posixrules"}) {
        Copy("Asia/Tokyo", leftOut);
    }
    fs::create_symlink("Asia/Tokyo", dir_.path() / "localtime");
    WriteFileBytes(dir_.file("zone.tab"), "JP\t+353916+1394441\tAsia/Tokyo\n");
    // TZ as a zone file name (not a rule, not a path): the current zone.
    const std::string tz = TestZone();
    if (!tz.empty() && tz[0] != ':' && tz[0] != '/' && fs::is_regular_file(system_ + "/" + tz) &&
        std::find(keys_.begin(), keys_.end(), tz) == keys_.end()) {
        Copy(tz, tz);
        keys_.push_back(tz);
    }
    std::sort(keys_.begin(), keys_.end());
}

void TestZoneDirectory::Copy(const std::string& from, const std::string& to) {
    const fs::path target = dir_.path() / to;
    fs::create_directories(target.parent_path());
    fs::copy_file(system_ + "/" + from, target);
}

void TestZoneDirectory::Remove(const std::string& key) const {
    fs::remove(dir_.path() / key);
}

ScopedZoneDirectory::ScopedZoneDirectory(const std::optional<std::string>& directory)
    : previous_(Environment("TZDIR")) {
    SetProcessEnvironment("TZDIR", directory);
}

ScopedZoneDirectory::~ScopedZoneDirectory() {
    SetProcessEnvironment("TZDIR", previous_);
}

}  // namespace testsupport
