#include "converter/row_formatter.h"

#include "converter/row_format.h"

namespace trendtab {
namespace {

// A date piece and a time piece with milliseconds, each with its separator.
constexpr std::size_t kLongestRowStart = 2 * fast::kMaxDateTimePiece;

}  // namespace

RowFormatter::RowFormatter(const HistoryHeader& header, const ConvertOptions& options)
    : separator_(options.separator),
      withMilliseconds_(options.withMilliseconds),
      valuesOffset_(header.StampSize()),
      longestRow_(kLongestRowStart + ValueColumns::LongestPieces(header.numTags) + 1 +
                  fast::kRoomPastPiece),
      values_(header.layout(), header.numTags, options.separator, options.extended) {}

char* RowFormatter::Put(char* out, const RecordTime& time, const unsigned char* record) {
    out = fast::PutDatePiece(out, time, separator_);
    out = fast::PutTimePiece(out, time, separator_, withMilliseconds_);
    out = values_.Put(out, record + valuesOffset_);
    *out++ = '\n';
    return out;
}

}  // namespace trendtab
