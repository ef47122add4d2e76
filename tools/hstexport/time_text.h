// The text of a record's time: ISO 8601 with the UTC offset (local, a named zone, or UTC with
// "Z"), or Unix seconds. Every stamp of a file gets the same number of fraction digits, enough to
// keep every digit the file stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/hstexport/export_options.h"
#include "tools/hstexport/utc_offsets.h"

namespace hstexport {

inline constexpr int kMaxFractionDigits = 7;  // 100 ns

// The fraction digits (0, 3, 6 or 7) that show `ticks` exactly.
int FractionDigitsFor(std::uint64_t ticks);

class TimeText {
  public:
    // Most bytes one time takes.
    static constexpr std::size_t kLongest = 48;

    TimeText(TimeMode mode, UtcOffsets& offsets) : mode_(mode), offsets_(offsets) {}

    // Writes the time of `ticks` (100 ns since 1601, UTC) with `digits` fraction digits at
    // `out`; returns the end. A time the zone cannot place is shown in UTC ("Z").
    char* Write(std::uint64_t ticks, int digits, char* out);

  private:
    char* WriteEpoch(std::uint64_t ticks, int digits, char* out) const;

    TimeMode mode_;
    UtcOffsets& offsets_;
    // The text up to the seconds of the last local minute written, and the last offset's text.
    std::int64_t minute_ = INT64_MIN;
    char minuteText_[24] = {};
    std::size_t minuteLength_ = 0;
    std::int32_t offset_ = INT32_MIN;
    char offsetText_[12] = {};
    std::size_t offsetLength_ = 0;
};

// Ticks of an absolute time given on the command line: "2024-10-27", "2024-10-27T02:30",
// "...:SS[.fraction]", with "Z" or "+hh:mm" or without (then local time in the output's zone,
// the earlier instant in a repeated hour), or "@SECONDS" since 1970. Empty when it is not one.
std::optional<std::uint64_t> ParseAbsoluteTime(const std::string& text, UtcOffsets& offsets);

}  // namespace hstexport
