// The record loop of trendtab-plain, every step the straightforward way: one read per record,
// the zone asked for at every stamp, snprintf for every piece, one console write per progress
// line, each row handed to the runtime's buffered output.
#include <bit>
#include <string>

#include "converter/record_filter.h"
#include "converter/record_loop.h"
#include "converter/row_format.h"
#include "history/little_endian.h"
#include "history/record_cursor.h"
#include "history/stamp_decoder.h"

namespace trendtab {
namespace {

void AppendValues(std::string& row, const HistoryHeader& header, const ConvertOptions& options,
                  const unsigned char* record) {
    const unsigned char* value = record + header.StampSize();
    for (int i = 0; i < header.numTags; ++i, value += header.ValueSize()) {
        const bool isLast = i == header.numTags - 1;
        if (header.layout() == Layout::Compact) {
            const auto single = std::bit_cast<float>(LoadLittleEndian<std::uint32_t>(value));
            plain::AppendCompactValuePiece(row, single, options.separator, isLast,
                                           options.extended);
        } else {
            const auto wide = std::bit_cast<double>(LoadLittleEndian<std::uint64_t>(value));
            plain::AppendValuePiece(row, wide, options.separator, isLast, options.extended);
        }
    }
}

}  // namespace

bool ConvertRecords(std::FILE* history, const HistoryHeader& header, std::uint64_t recordCount,
                    const ConvertOptions& options, std::FILE* text, Console& console) {
    RecordCursor cursor(history, header.recordSize, header.recordSize, recordCount);
    ReferenceStampDecoder stamps(header.layout());
    RecordFilter filter(options);
    std::string row;
    std::int64_t line = 1;
    for (RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
        const unsigned char* record = span.Record(0);
        console.ProgressNow(line++);
        RecordTime time;
        if (!stamps.Decode(record, time) || !filter.Keep(time)) {
            continue;
        }
        row.clear();
        plain::AppendDatePiece(row, time, options.separator);
        plain::AppendTimePiece(row, time, options.separator, options.withMilliseconds);
        AppendValues(row, header, options, record);
        row += '\n';
        if (std::fwrite(row.data(), 1, row.size(), text) != row.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace trendtab
