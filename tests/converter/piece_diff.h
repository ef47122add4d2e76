// Runs the fast and the plain row pieces side by side and keeps the first differences: the core of
// the differential tests and of the exhaustive float sweep.
#pragma once

#include <cstdint>
#include <string>

#include "history/record_time.h"

namespace trendtab {

class PieceDiff {
  public:
    // The four value shapes: a column and "/e", each as a middle and as the last value.
    void CheckValue(double value, char separator = '\t');
    // RoundCompactValue bit for bit, then a column and "/e" of the double it gives.
    void CheckCompact(float value);
    // The same, leaving out the calls where the fast path hands the value on to plain:: as it is
    // (equal by construction), for the exhaustive sweep: these are the slowest calls.
    void CheckCompactWhereFast(float value);
    // The compact piece straight from the float against the fast chain (the value pieces of
    // fast::RoundCompactValue), in its four shapes, where the piece does not simply take that
    // chain: the chain is itself checked against plain.
    void CheckCompactPieceAgainstChain(float value);
    void CheckDateAndTime(const RecordTime& time, char separator = '\t');

    std::uint64_t checks() const { return checks_; }
    std::uint64_t mismatches() const { return mismatches_; }
    // The first few mismatches, one per line.
    const std::string& report() const { return report_; }
    // Adds another diff's counts and report (for sweeps split across threads).
    void Merge(const PieceDiff& other);

  private:
    void CheckCompactAs(float value, bool onlyWhereFast);
    // Counts one check; on a mismatch, `input` describes what was formatted (built only then).
    template <typename Describe>
    void Compare(const char* what, const Describe& input, const std::string& fast,
                 const std::string& plain);

    std::string fast_;
    std::string plain_;
    std::uint64_t checks_ = 0;
    std::uint64_t mismatches_ = 0;
    std::string report_;
};

}  // namespace trendtab
