#include "tools/hstexport/file_export.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

#include "history/block_loop.h"
#include "history/ordered_pipeline.h"
#include "platform/name_pattern.h"
#include "platform/replaced_output.h"
#include "tools/hstexport/history_source.h"
#include "tools/hstexport/output_buffer.h"
#include "tools/hstexport/row_writer.h"

namespace hstexport {
namespace {

namespace fs = std::filesystem;

// A record that gives a row.
struct KeptRecord {
    std::size_t index;  // in the block
    std::uint64_t ticks;
};

using Block = trendtab::RecordBlock<KeptRecord, OutputBuffer>;

// The fraction digits that keep every stamp of the file exact.
int FractionDigitsOfFile(const std::string& path) {
    HistorySource source;
    std::string reason;
    if (!source.Open(path, reason) || source.layout() == Layout::Compact) {
        return 0;
    }
    int digits = 0;
    while (const unsigned char* record = source.Next()) {
        const int needed = FractionDigitsFor(LoadLe64(record));
        if (needed > digits) {
            digits = needed;
            if (digits == kMaxFractionDigits) {
                break;
            }
        }
    }
    return digits;
}

// ": " and the system's reason for the last failed call, if it left one.
std::string SystemReasonSuffix() {
    const int error = errno;
    return error != 0 ? ": " + std::error_code(error, std::generic_category()).message() : "";
}

bool UpToDate(const std::string& input, const std::string& output) {
    std::error_code error;
    const auto outputTime = fs::last_write_time(output, error);
    if (error) {
        return false;
    }
    const auto inputTime = fs::last_write_time(input, error);
    return !error && outputTime > inputTime;
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
        if (Convert(job, *stdoutSink, progress, outcome.reason)) {
            outcome.status = FileStatus::Converted;
        }
        return outcome;
    }
    if (job.clashesWith) {
        outcome.reason = "its output " + job.output + " is also " + *job.clashesWith + "'s";
        return outcome;
    }
    if (options_.skipUpToDate && UpToDate(job.input.path, job.output)) {
        outcome.status = FileStatus::Skipped;
        return outcome;
    }
    std::error_code error;
    if (fs::equivalent(job.input.path, job.output, error)) {
        outcome.reason = "the output " + job.output + " would replace the input";
        return outcome;
    }
    const fs::path folder = fs::path(job.output).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, error) && error) {
        outcome.reason = "cannot create the folder " + folder.string() + ": " + error.message();
        return outcome;
    }
    // Whole or not at all: a temporary beside the target, renamed over it on success, removed on
    // failure or interruption.
    trendtab::ReplacedOutput output(job.output, trendtab::ReplacedOutput::Mode::Binary);
    errno = 0;
    if (!output.Open()) {
        outcome.reason = "cannot create " + job.output + SystemReasonSuffix();
        return outcome;
    }
    FileSink file(output.file());
    std::unique_ptr<ByteSink> gzip = options_.gzip ? MakeGzipSink(file) : nullptr;
    ByteSink& sink = gzip ? *gzip : file;
    if (!Convert(job, sink, progress, outcome.reason)) {
        output.Discard();
        return outcome;
    }
    errno = 0;
    if (!output.Close()) {
        outcome.reason = "cannot write " + job.output + SystemReasonSuffix();
    } else if (errno = 0; !output.Commit()) {
        outcome.reason = "cannot replace " + job.output + SystemReasonSuffix();
    } else {
        outcome.status = FileStatus::Converted;
        outcome.bytesOut = sink.bytesOut();
    }
    return outcome;
}

bool FileExporter::Convert(const FileJob& job, ByteSink& sink, std::atomic<std::uint64_t>& progress,
                           std::string& reason) {
    HistorySource source;
    if (!source.Open(job.input.path, reason)) {
        return false;
    }
    const HistoryHeader& header = source.header();
    RowPlan plan;
    plan.layout = source.layout();
    plan.separator = options_.separator;
    const std::vector<int> selected = SelectTags(header.tagNames, options_.tags);
    if (selected.empty() && !options_.tags.empty()) {
        reason = "none of its tags is one --tags names";
        return false;
    }
    if (job.sharedColumns) {
        // The k-th tag of a name goes to the k-th shared column of that name.
        std::map<std::string, std::vector<int>> byName;
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
            byName[header.tagNames[static_cast<std::size_t>(*it)]].push_back(*it);
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
            plan.names.push_back(header.tagNames[static_cast<std::size_t>(tag)]);
        }
    }
    if (job.fileColumn) {
        plan.fileCell = Cell(job.input.path, plan.separator) + plan.separator;
    }
    plan.fractionDigits = FractionDigitsOfFile(job.input.path);

    // A file of one block is not worth the threads.
    const trendtab::OrderedPipeline::Shape shape = trendtab::OrderedPipeline::ShapeFor(
        header.recordSize,
        source.RecordBytes() > trendtab::kPipelineBlockBytes ? pipelineWorkers_ : 1,
        trendtab::kPipelineBlockBytes);
    source.ReadInBlocksOf(shape.blockBytes);
    while (times_.size() < shape.workers) {
        times_.push_back(std::make_unique<WorkerTime>(options_));
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
            return false;
        }
        if (job.output.empty()) {
            stdoutHeaderDone_ = true;
        }
    }

    // The reading side decides which records give rows, in file order (--every counts them);
    // workers make the rows of a block each; the blocks go to the sink in file order.
    const Layout layout = source.layout();
    const std::uint64_t every = options_.every;
    std::uint64_t inRange = 0;
    const bool written = trendtab::RunBlockLoop<KeptRecord, OutputBuffer>(
        source.cursor(), shape.workers,
        [&](Block& block) {
            for (std::size_t i = 0; i < block.span.count; ++i) {
                const std::uint64_t ticks = StampTicks(block.span.Record(i), layout);
                if ((range_.from && ticks < *range_.from) || (range_.to && ticks >= *range_.to)) {
                    continue;
                }
                if (inRange++ % every == 0) {
                    block.kept.push_back({i, ticks});
                }
            }
        },
        [&](Block& block, std::size_t worker) {
            RowWriter& writer = *writers[worker];
            block.text.Clear();
            for (const KeptRecord& kept : block.kept) {
                writer.Record(block.span.Record(kept.index), kept.ticks, block.text);
            }
        },
        [&](const Block& block) {
            progress += block.span.count * header.recordSize;
            return block.text.size() == 0 || sink.Write(block.text.data(), block.text.size());
        });
    if (!written) {
        reason = sink.reason();
        return false;
    }
    if (!source.Finished(reason)) {
        return false;
    }
    // The shared standard-output stream is finished once, after the last file.
    if (!job.output.empty() && !sink.Finish()) {
        reason = sink.reason();
        return false;
    }
    return true;
}

}  // namespace hstexport
