// Which records become rows: the time-of-day window, then every N-th of the records inside it.
// The choice for a record depends on the records before it, so it is made in file order.
#pragma once

#include <cstdint>

#include "convert.h"

namespace trendtab {

class RowSelection {
  public:
    explicit RowSelection(const ConvertOptions& options);

    // Whether the record with this local time becomes a row; called once per decoded record.
    bool Keep(const RecordTime& time);

  private:
    const ConvertOptions& options_;
    std::int32_t decimation_;
};

}  // namespace trendtab
