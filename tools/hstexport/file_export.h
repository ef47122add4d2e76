// The export of one history file: its selected samples, as text, into its output.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/hstexport/byte_sink.h"
#include "tools/hstexport/export_options.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/time_text.h"
#include "tools/hstexport/utc_offsets.h"

namespace hstexport {

class HistorySource;
struct RowPlan;

struct TimeRange {
    std::optional<std::uint64_t> from;  // ticks, inclusive
    std::optional<std::uint64_t> to;    // ticks, exclusive
};

struct FileJob {
    InputFile input;
    std::string output;                          // "" for the shared standard-output sink
    const std::string* clashesWith = nullptr;    // an earlier input with the same output
    const std::string* replacesInput = nullptr;  // the input this output would replace
    bool fileColumn = false;
    // Standard output with several files in a table: the columns every file's rows share.
    const std::vector<std::string>* sharedColumns = nullptr;
};

enum class FileStatus { Converted, Skipped, Failed };

struct FileOutcome {
    FileStatus status = FileStatus::Failed;
    std::string reason;   // what went wrong, in plain words
    std::string warning;  // converted, but the user should know this
    std::uint64_t bytesOut = 0;
    std::uint64_t bytesIn = 0;  // the input's size as it was opened
};

// The names of a file's tags that --tags selects (all without --tags), in file order, with
// their indices.
std::vector<int> SelectTags(const std::vector<std::string>& names,
                            const std::vector<std::string>& patterns);

// One per file worker: keeps the zones it shows times in across the files it exports. A file is
// itself split over `pipelineWorkers` threads when it holds more than one block of records.
class FileExporter {
  public:
    FileExporter(const ExportOptions& options, const TimeRange& range,
                 std::size_t pipelineWorkers = 1);

    // `stdoutSink` receives jobs without an output path; `progress` counts input bytes done.
    FileOutcome Export(const FileJob& job, ByteSink* stdoutSink,
                       std::atomic<std::uint64_t>& progress);

  private:
    // An empty output in place of everything written so far, or null (with the reason) when none
    // can be made.
    using StartOver = std::function<ByteSink*(std::string& reason)>;
    // What became of a file's rows.
    enum class Rows { Written, Failed, StartOver };

    // `workbookPath`: the file a workbook is written to (--format xlsx), else null. With
    // `startOver` a file is read once unless a late stamp needs more fraction digits than the
    // rows before it show; without, the fraction digits are found in a pass of their own.
    bool Convert(const FileJob& job, ByteSink& sink, std::atomic<std::uint64_t>& progress,
                 FileOutcome& outcome, const std::string* workbookPath = nullptr,
                 const StartOver& startOver = {});
    // The header and the rows of `source`'s records from where it stands. `learnDigits`: the
    // fraction digits are learnt from the stamps as they are read, starting at the plan's, and
    // the rows stop (StartOver) at the first block needing more than the first block did; the
    // plan then holds the digits every stamp read so far needs.
    Rows WriteRows(const FileJob& job, HistorySource& source, RowPlan& plan, bool learnDigits,
                   ByteSink& sink, std::atomic<std::uint64_t>& progress, std::string& reason);

    // A pipeline worker's own times: its offset and text caches are shared with no other thread.
    struct WorkerTime {
        explicit WorkerTime(const ExportOptions& options)
            : offsets(options.timeMode, options.zone),
              text(options.timeMode, offsets, options.wallClock ? options.separator : '\0') {}
        UtcOffsets offsets;
        TimeText text;
    };

    const ExportOptions& options_;
    TimeRange range_;
    std::size_t pipelineWorkers_;
    bool stdoutHeaderDone_ = false;  // standard output takes one header, before its first row
    std::vector<std::unique_ptr<WorkerTime>> times_;  // one per pipeline worker, made when needed
    std::vector<std::unique_ptr<Packer>> packers_;    // the same, with --gzip
};

}  // namespace hstexport
