// The record loop of trendtab: records in large blocks, the zone taken once per file, rows made
// by integer arithmetic straight into a large output buffer, progress lines written in batches.
#include "record_cursor.h"
#include "record_filter.h"
#include "record_loop.h"
#include "row_formatter.h"
#include "stamp_decoder.h"
#include "text_output.h"

namespace trendtab {

bool ConvertRecords(std::FILE* history, const HistoryHeader& header, const ConvertOptions& options,
                    std::FILE* text, Console& console) {
    RecordCursor cursor(history, header.recordSize);
    const FileStampDecoder stamps(header.layout());
    RecordFilter filter(options);
    RowFormatter rows(header, options);
    TextOutput output(text, rows.LongestRow());
    std::int64_t line = 1;
    for (RecordSpan span = cursor.Next(); !span.empty(); span = cursor.Next()) {
        for (std::size_t i = 0; i < span.count; ++i) {
            const unsigned char* record = span.Record(i);
            console.Progress(line++);
            RecordTime time;
            if (!stamps.Decode(record, time) || !filter.Keep(time)) {
                continue;
            }
            if (!output.EndRow(rows.Put(output.RowStart(), time, record))) {
                return false;
            }
        }
    }
    return output.Finish();
}

}  // namespace trendtab
