// Whole .txt rows of one file, made the fast way into a caller's buffer. Each formatter keeps its
// own per-tag pieces, so several can work on parts of one file side by side.
#pragma once

#include <cstddef>

#include "converter/convert_options.h"
#include "converter/value_columns.h"
#include "history/history_file.h"
#include "history/record_time.h"

namespace trendtab {

class RowFormatter {
  public:
    RowFormatter(const HistoryHeader& header, const ConvertOptions& options);

    // The most bytes Put may write for one row, the room it stores past the row's end included.
    std::size_t LongestRow() const { return longestRow_; }

    // Writes the row of `record`, stamped `time`: date, time, values and the line feed. `out`
    // has room for LongestRow(); returns the end of the row.
    char* Put(char* out, const RecordTime& time, const unsigned char* record);

  private:
    char separator_;
    bool withMilliseconds_;
    std::size_t valuesOffset_;
    std::size_t longestRow_;
    ValueColumns values_;
};

}  // namespace trendtab
