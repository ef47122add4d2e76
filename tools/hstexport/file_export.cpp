#include "tools/hstexport/file_export.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "history/block_loop.h"
#include "history/ordered_pipeline.h"
#include "platform/file_services.h"
#include "platform/name_pattern.h"
#include "platform/path_text.h"
#include "platform/replaced_output.h"
#include "tools/hstexport/history_source.h"
#include "tools/hstexport/output_buffer.h"
#include "tools/hstexport/row_writer.h"
#include "tools/hstexport/workbook_writer.h"

namespace hstexport {
namespace {

namespace fs = std::filesystem;

// A record that gives a row.
struct KeptRecord {
    std::size_t index;  // in the block
    std::uint64_t ticks;
};

// A block's rows, and with --gzip their compressed form.
struct BlockText {
    OutputBuffer rows;
    OutputBuffer packed;
    bool packFailed = false;
    int fractionDigits = 0;  // of the rows' times
};

using Block = trendtab::RecordBlock<KeptRecord, BlockText>;

// The fraction digits that keep exact every stamp of the records still to read, and `digits` at
// least.
int FractionDigitsOfRecords(HistorySource& source, int digits = 0) {
    if (source.layout() == Layout::Compact) {
        return 0;
    }
    while (digits < kMaxFractionDigits) {
        const unsigned char* record = source.Next();
        if (!record) {
            break;
        }
        digits = std::max(digits, FractionDigitsFor(LoadLe64(record)));
    }
    return digits;
}

// Back to the first record for a second pass over the same open file: both passes see the same
// records, however the file grows meanwhile.
bool StartSecondPass(HistorySource& source, std::string& reason) {
    trendtab::platform::PauseForTestAt("between-passes");
    return source.Finished(reason) && source.Rewind(reason);
}

// ": " and the system's reason for the last failed call, if it left one.
std::string SystemReasonSuffix() {
    const int error = errno;
    return error != 0 ? ": " + std::error_code(error, std::generic_category()).message() : "";
}

// An output made with --skip-up-to-date carries its input's time as it was before the input was
// read: any change since (records appended during or after that export) makes them differ.
bool UpToDate(const std::string& input, const std::string& output) {
    std::error_code error;
    const auto outputTime = fs::last_write_time(trendtab::platform::PathFromText(output), error);
    if (error) {
        return false;
    }
    const auto inputTime = fs::last_write_time(trendtab::platform::PathFromText(input), error);
    return !error && outputTime == inputTime;
}

// The sink of outputs that are not a byte stream of ours (workbooks).
class NullSink : public ByteSink {
  public:
    bool Write(const char*, std::size_t) override { return true; }
    bool Finish() override { return true; }
};

// A file output (a temporary renamed over the target at the end) with what writes to it: the file
// itself, or gzip members in front of it. It can start afresh: a new, empty temporary in place of
// the one written so far.
class FileOutput {
  public:
    FileOutput(const std::string& target, const ExportOptions& options)
        : target_(target), options_(options) {}

    // Creates the temporary; false with the system's reason when it cannot.
    bool Open(std::string& reason) {
        gzip_.reset();
        file_.reset();
        output_.emplace(target_, trendtab::ReplacedOutput::Mode::Binary);  // drops any earlier
        errno = 0;
        if (!output_->Open()) {
            reason = "cannot create " + target_ + SystemReasonSuffix();
            return false;
        }
        file_.emplace(output_->file());
        if (options_.gzip) {
            gzip_ = MakeGzipSink(*file_, options_.gzipLevel);
        }
        return true;
    }

    trendtab::ReplacedOutput& output() { return *output_; }
    ByteSink& sink() { return gzip_ ? *gzip_ : *file_; }

  private:
    const std::string& target_;
    const ExportOptions& options_;
    std::optional<trendtab::ReplacedOutput> output_;
    std::optional<FileSink> file_;
    std::unique_ptr<ByteSink> gzip_;
};

// A file cut inside a record converts, with a word about the bytes left out.
void NoteTrailingBytes(const HistorySource& source, FileOutcome& outcome) {
    if (const std::uint64_t trailing = source.TrailingBytes(); trailing > 0) {
        outcome.warning = "warning: " + std::to_string(trailing) +
                          (trailing == 1 ? " byte" : " bytes") +
                          " after the last whole record left out (a record cut short?)";
    }
}

}  // namespace

std::vector<int> SelectTags(const std::vector<std::string>& names,
                            const std::vector<std::string>& patterns) {
    std::vector<int> selected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        bool wanted = patterns.empty();
        for (std::size_t p = 0; p < patterns.size() && !wanted; ++p) {
            wanted = trendtab::WildcardMatch(patterns[p], names[i]);
        }
        if (wanted) {
            selected.push_back(static_cast<int>(i));
        }
    }
    return selected;
}

FileExporter::FileExporter(const ExportOptions& options, const TimeRange& range,
                           std::size_t pipelineWorkers)
    : options_(options), range_(range), pipelineWorkers_(pipelineWorkers) {}

FileOutcome FileExporter::Export(const FileJob& job, ByteSink* stdoutSink,
                                 std::atomic<std::uint64_t>& progress) {
    FileOutcome outcome;
    if (job.output.empty()) {
        if (Convert(job, *stdoutSink, progress, outcome)) {
            outcome.status = FileStatus::Converted;
        }
        return outcome;
    }
    if (job.clashesWith) {
        outcome.reason = "its output " + job.output + " is also " + *job.clashesWith + "'s";
        return outcome;
    }
    if (job.replacesInput) {
        outcome.reason =
            "the output " + job.output + " would replace the input " + *job.replacesInput;
        return outcome;
    }
    if (options_.skipUpToDate && UpToDate(job.input.path, job.output)) {
        outcome.status = FileStatus::Skipped;
        return outcome;
    }
    std::error_code error;
    // Taken before the input is opened, so that it is never later than what is read.
    fs::file_time_type inputTime;
    if (options_.skipUpToDate) {
        inputTime = fs::last_write_time(trendtab::platform::PathFromText(job.input.path), error);
    }
    const bool stampOutput = options_.skipUpToDate && !error;
    const fs::path folder = trendtab::platform::PathFromText(job.output).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, error) && error) {
        outcome.reason = "cannot create the folder " + trendtab::platform::TextFromPath(folder) +
                         ": " + error.message();
        return outcome;
    }
    // Whole or not at all: a temporary beside the target, renamed over it on success, removed on
    // failure or interruption.
    FileOutput file(job.output, options_);
    if (!file.Open(outcome.reason)) {
        return outcome;
    }
    if (options_.format == Format::Xlsx) {
        trendtab::ReplacedOutput& output = file.output();
        // The library writes to a path of its own: the temporary, renamed into place after.
        const std::string path = output.path();
        NullSink none;
        if (!output.Close() || !Convert(job, none, progress, outcome, &path)) {
            if (outcome.reason.empty()) {
                outcome.reason = "cannot write " + job.output;
            }
            output.Discard();
        } else if (errno = 0; !output.Commit()) {
            outcome.reason = "cannot replace " + job.output + SystemReasonSuffix();
        } else {
            outcome.status = FileStatus::Converted;
            std::error_code sizeError;
            const auto size = fs::file_size(job.output, sizeError);
            outcome.bytesOut = sizeError ? 0 : size;
        }
        return outcome;
    }
    const StartOver startOver = [&](std::string& reason) {
        return file.Open(reason) ? &file.sink() : nullptr;
    };
    if (!Convert(job, file.sink(), progress, outcome, nullptr, startOver)) {
        file.output().Discard();
        return outcome;
    }
    // Taken after the rows: a start over replaces the output.
    ByteSink& sink = file.sink();
    trendtab::ReplacedOutput& written = file.output();
    errno = 0;
    if (!written.Close()) {
        outcome.reason = "cannot write " + job.output + SystemReasonSuffix();
    } else if (errno = 0; !written.Commit()) {
        outcome.reason = "cannot replace " + job.output + SystemReasonSuffix();
    } else {
        outcome.status = FileStatus::Converted;
        outcome.bytesOut = sink.bytesOut();
        if (stampOutput) {
            fs::last_write_time(job.output, inputTime, error);  // else it is exported again
        }
    }
    return outcome;
}

bool FileExporter::Convert(const FileJob& job, ByteSink& sink, std::atomic<std::uint64_t>& progress,
                           FileOutcome& outcome, const std::string* workbookPath,
                           const StartOver& startOver) {
    std::string& reason = outcome.reason;
    HistorySource source;
    if (!source.Open(job.input.path, reason)) {
        return false;
    }
    outcome.bytesIn = source.FileBytes();
    const HistoryHeader& header = source.header();
    RowPlan plan;
    plan.layout = source.layout();
    plan.separator = options_.separator;
    plan.offsetColumn = options_.wallClock;
    plan.decimalComma = options_.decimalComma;
    const std::vector<std::string> names = TagNames(header, options_.namesEncoding);
    const std::vector<int> selected = SelectTags(names, options_.tags);
    if (selected.empty() && !options_.tags.empty()) {
        reason = "none of its tags is one --tags names";
        return false;
    }
    if (job.sharedColumns) {
        // The k-th tag of a name goes to the k-th shared column of that name.
        std::map<std::string, std::vector<int>> byName;
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            byName[names[static_cast<std::size_t>(*it)]].push_back(*it);
        }
        for (const std::string& column : *job.sharedColumns) {
            std::vector<int>& tags = byName[column];
            plan.tags.push_back(tags.empty() ? -1 : tags.back());
            if (!tags.empty()) {
                tags.pop_back();
            }
        }
        plan.names = *job.sharedColumns;
    } else {
        plan.tags = selected;
        for (const int tag : selected) {
            plan.names.push_back(names[static_cast<std::size_t>(tag)]);
        }
    }
    if (job.fileColumn) {
        plan.fileCell = Cell(job.input.path, plan.separator) + plan.separator;
    }
    // Compact stamps are whole seconds. Wide ones: what the stamps need is learnt while the rows
    // are made, when the output can start over should a late stamp need more; otherwise (standard
    // output, a workbook) in a pass of its own first.
    const bool learnDigits = plan.layout == Layout::Wide && startOver && !workbookPath;
    if (!learnDigits) {
        plan.fractionDigits = FractionDigitsOfRecords(source);
        if (!StartSecondPass(source, reason)) {
            return false;
        }
    }
    if (workbookPath) {
        if (times_.empty()) {
            times_.push_back(std::make_unique<WorkerTime>(options_));
        }
        RecordSelection selection{range_.from, range_.to, options_.every};
        if (!WriteWorkbook(*workbookPath, source, plan, times_[0]->offsets, selection, progress,
                           reason)) {
            return false;
        }
        NoteTrailingBytes(source, outcome);
        return true;
    }

    Rows rows = WriteRows(job, source, plan, learnDigits, sink, progress, reason);
    if (rows == Rows::StartOver) {
        // Rows were made with fewer fraction digits than a later stamp needs, and every row of a
        // file shows the same: the rest of the stamps decide, then every row is made again.
        plan.fractionDigits = FractionDigitsOfRecords(source, plan.fractionDigits);
        if (!StartSecondPass(source, reason)) {
            return false;
        }
        ByteSink* fresh = startOver(reason);
        if (!fresh) {
            return false;
        }
        rows = WriteRows(job, source, plan, false, *fresh, progress, reason);
    }
    if (rows != Rows::Written) {
        return false;
    }
    NoteTrailingBytes(source, outcome);
    return true;
}

FileExporter::Rows FileExporter::WriteRows(const FileJob& job, HistorySource& source, RowPlan& plan,
                                           bool learnDigits, ByteSink& sink,
                                           std::atomic<std::uint64_t>& progress,
                                           std::string& reason) {
    const HistoryHeader& header = source.header();
    // A file of one block is not worth the threads.
    const trendtab::OrderedPipeline::Shape shape = trendtab::OrderedPipeline::ShapeFor(
        header.recordSize,
        source.RecordBytes() > trendtab::kPipelineBlockBytes ? pipelineWorkers_ : 1,
        trendtab::kPipelineBlockBytes);
    source.ReadInBlocksOf(shape.blockBytes);
    while (times_.size() < shape.workers) {
        times_.push_back(std::make_unique<WorkerTime>(options_));
    }
    // With --gzip the workers compress their blocks too.
    const bool packing = options_.gzip;
    while (packing && packers_.size() < shape.workers) {
        packers_.push_back(sink.MakePacker());
    }
    std::vector<std::unique_ptr<RowWriter>> writers;
    for (std::size_t i = 0; i < shape.workers; ++i) {
        TimeText& time = times_[i]->text;
        writers.push_back(options_.format == Format::Long ? MakeLongWriter(plan, time)
                                                          : MakeTableWriter(plan, time));
    }
    if (options_.header && !(job.output.empty() && stdoutHeaderDone_)) {
        OutputBuffer head(sink);
        writers[0]->Header(head);
        if (!head.Flush()) {
            reason = sink.reason();
            return Rows::Failed;
        }
        if (job.output.empty()) {
            stdoutHeaderDone_ = true;
        }
    }

    // The reading side decides which records give rows, in file order (--every counts them), and
    // learns the fraction digits; workers make the rows of a block each; the blocks go to the
    // sink in file order.
    const Layout layout = source.layout();
    const std::uint64_t every = options_.every;
    std::uint64_t inRange = 0;
    int digitsRead = plan.fractionDigits;  // what the stamps read so far need
    int digitsShown = -1;                  // what the rows written so far show
    std::uint64_t bytesDone = 0;
    bool packFailed = false;
    bool startOver = false;
    const bool written = trendtab::RunBlockLoop<KeptRecord, BlockText>(
        source.cursor(), shape.workers,
        [&](Block& block) {
            for (std::size_t i = 0; i < block.span.count; ++i) {
                const std::uint64_t ticks = StampTicks(block.span.Record(i), layout);
                if (learnDigits) {
                    digitsRead = std::max(digitsRead, FractionDigitsFor(ticks));
                }
                if ((range_.from && ticks < *range_.from) || (range_.to && ticks >= *range_.to)) {
                    continue;
                }
                if (inRange++ % every == 0) {
                    block.kept.push_back({i, ticks});
                }
            }
            block.text.fractionDigits = digitsRead;
        },
        [&](Block& block, std::size_t worker) {
            RowWriter& writer = *writers[worker];
            writer.UseFractionDigits(block.text.fractionDigits);
            OutputBuffer& rows = block.text.rows;
            rows.Clear();
            for (const KeptRecord& kept : block.kept) {
                writer.Record(block.span.Record(kept.index), kept.ticks, rows);
            }
            block.text.packed.Clear();
            block.text.packFailed =
                packing && rows.size() > 0 &&
                !packers_[worker]->Pack(rows.data(), rows.size(), block.text.packed);
        },
        [&](const Block& block) {
            if (digitsShown < 0) {
                digitsShown = block.text.fractionDigits;
            } else if (block.text.fractionDigits != digitsShown) {
                startOver = true;
                return false;
            }
            const std::uint64_t bytes = block.span.count * header.recordSize;
            progress += bytes;
            bytesDone += bytes;
            const OutputBuffer& rows = block.text.rows;
            if (rows.size() == 0) {
                return true;
            }
            if (block.text.packFailed) {
                packFailed = true;
                return false;
            }
            const OutputBuffer& packed = block.text.packed;
            return packing ? sink.WritePacked(packed.data(), packed.size())
                           : sink.Write(rows.data(), rows.size());
        });
    if (startOver) {
        progress -= bytesDone;  // counted again as the rows are made again
        plan.fractionDigits = digitsRead;
        return Rows::StartOver;
    }
    if (!written) {
        reason = packFailed ? "compression failed: out of memory" : sink.reason();
        return Rows::Failed;
    }
    if (!source.Finished(reason)) {
        return Rows::Failed;
    }
    // The shared standard-output stream is finished once, after the last file.
    if (!job.output.empty() && !sink.Finish()) {
        reason = sink.reason();
        return Rows::Failed;
    }
    return Rows::Written;
}

}  // namespace hstexport
