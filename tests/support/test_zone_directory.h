// A zone database of the test's own, for the zone list that the POSIX layer serves from the
// folder TZDIR names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace testsupport {

// A temporary folder holding:
// - America/New_York (daylight saving), Asia/Tokyo (none) and Asia/Kolkata (half an hour),
//   copied from the system's zone database, and "Eastern Standard Time", America/New_York
//   under the Windows key name;
// - Test/Approximated, a zone whose rule the Windows yearly form cannot express;
// - America/Argentina/ComodRivadavia, a key too long for the "Std" value;
// - Etc/Tokyo, a link to Asia/Tokyo; Alias, a link to the Asia folder;
// - what the zone list leaves out: posix/ and right/ trees, posixrules, localtime, and
//   zone.tab, which is no zone file;
// - the zone file that TZ names, if it names one, so that the current zone reads the same.
class TestZoneDirectory {
  public:
    TestZoneDirectory();

    std::string path() const { return dir_.path().string(); }
    // The zone keys the folder holds, in byte order.
    const std::vector<std::string>& keys() const { return keys_; }
    void Remove(const std::string& key) const;

  private:
    void Copy(const std::string& from, const std::string& to);

    TempDir dir_;
    std::string system_;
    std::vector<std::string> keys_;
};

// Sets TZDIR while it lives (an empty optional removes it), then puts back what was there.
class ScopedZoneDirectory {
  public:
    explicit ScopedZoneDirectory(const std::optional<std::string>& directory);
    ~ScopedZoneDirectory();
    ScopedZoneDirectory(const ScopedZoneDirectory&) = delete;
    ScopedZoneDirectory& operator=(const ScopedZoneDirectory&) = delete;

  private:
    std::optional<std::string> previous_;
};

}  // namespace testsupport
