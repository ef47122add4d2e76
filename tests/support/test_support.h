// Small helpers shared by the tests: temporary folders, whole-file reads and writes, and the
// scale of heavy tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/path_text.h"

namespace testsupport {

// A fresh, empty folder removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // `name` and the result in UTF-8, as the programs take them.
    std::string file(const std::string& name) const {
        return trendtab::platform::TextFromPath(path_ / trendtab::platform::PathFromText(name));
    }

  private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The zone this test process runs in (its TZ), or "" when TZ is unset.
std::string TestZone();

// How much heavy tests scale down their counts: 1 natively, more under sanitizers and Wine.
std::uint64_t HeavyTestDivisor();

// The text with every CR LF turned into LF, for comparing text-mode output across platforms.
std::string WithLfLineEnds(const std::string& text);

}  // namespace testsupport
