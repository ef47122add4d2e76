#include "tools/hstexport/file_runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/file_services.h"
#include "platform/processors.h"
#include "platform/terminal.h"
#include "tools/hstexport/history_source.h"
#include "tools/hstexport/output_placement.h"

namespace hstexport {
namespace {

// Standard output with several files in a table: one header over every file's selected tags, a
// name as many times as one file holds it at most, in the order first met.
std::vector<std::string> SharedColumns(const std::vector<InputFile>& inputs,
                                       const ExportOptions& options) {
    std::vector<std::string> columns;
    std::map<std::string, std::size_t> counts;
    for (const InputFile& input : inputs) {
        HistorySource source;
        std::string reason;
        if (!source.Open(input.path, reason)) {
            continue;  // its conversion reports it
        }
        std::map<std::string, std::size_t> seen;
        const std::vector<std::string> names = TagNames(source.header(), options.namesEncoding);
        for (const int tag : SelectTags(names, options.tags)) {
            const std::string& name = names[static_cast<std::size_t>(tag)];
            if (++seen[name] > counts[name]) {
                counts[name] = seen[name];
                columns.push_back(name);
            }
        }
    }
    return columns;
}

}  // namespace

unsigned WorkerCount(const ExportOptions& options, std::size_t files) {
    unsigned workers = options.jobs > 0 ? options.jobs : trendtab::platform::UsableProcessorCount();
    if (options.outputDir == "-") {
        workers = 1;
    }
    return files < workers ? static_cast<unsigned>(files < 1 ? 1 : files) : workers;
}

RunTotals RunExports(const std::vector<InputFile>& inputs, const ExportOptions& options,
                     const TimeRange& range, Progress& progress, ByteSink* standardOutput) {
    const bool toStdout = options.outputDir == "-";
    const bool several = toStdout && inputs.size() > 1;
    const bool sharedTable = several && options.format != Format::Long;
    std::vector<std::string> shared;
    if (sharedTable) {
        shared = SharedColumns(inputs, options);
    }
    std::vector<FileJob> jobs(inputs.size());
    // Files compared by identity, never by spelling: x/a.hst and ./x/a.HST are one file where
    // the file system says so, and an output may be an input under another name. Only a name
    // with something at it can be an input: the inputs' identities are taken when the first
    // one turns up (on a first run into a new folder, never).
    std::map<std::string, std::size_t> inputKeys;
    bool inputKeysTaken = false;
    auto takeInputKeys = [&] {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            std::string key;
            if (trendtab::platform::ExistingFileKey(inputs[i].path, true, key)) {
                inputKeys.emplace(key, i);
            }
        }
        inputKeysTaken = true;
    };
    std::map<std::string, std::size_t> outputOwners;
    trendtab::platform::FolderKeys folders;  // most outputs share a folder or a few
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        jobs[i].input = inputs[i];
        jobs[i].output = OutputPath(inputs[i], options);
        jobs[i].fileColumn = several;
        jobs[i].sharedColumns = sharedTable ? &shared : nullptr;
        if (jobs[i].output.empty()) {
            continue;
        }
        // The link at an output name is replaced, but one that leads to an input is refused too.
        const trendtab::platform::LinkKeys keys =
            trendtab::platform::FileKeysBothWays(jobs[i].output, folders);
        if (keys.existing && !inputKeysTaken) {
            takeInputKeys();
        }
        for (const std::string* reached : {&keys.own, &keys.reached}) {
            if (const auto input = inputKeys.find(*reached); input != inputKeys.end()) {
                jobs[i].replacesInput = &inputs[input->second].path;
            }
        }
        // Two inputs with one output (a.hst and a.HST, or two folders' x.hst below one -o):
        // the first keeps it, rather than both writing it at once.
        const auto [owner, added] = outputOwners.emplace(keys.own, i);
        if (!added) {
            jobs[i].clashesWith = &inputs[owner->second].path;
        }
    }

    std::unique_ptr<FileSink> stdoutFile;
    std::unique_ptr<ByteSink> stdoutGzip;
    ByteSink* stdoutSink = nullptr;
    if (toStdout) {
        ByteSink* target = standardOutput;
        if (!target) {
            trendtab::platform::UseBinaryMode(stdout);
            stdoutFile = std::make_unique<FileSink>(stdout);
            target = stdoutFile.get();
        }
        stdoutGzip = options.gzip ? MakeGzipSink(*target, options.gzipLevel) : nullptr;
        stdoutSink = stdoutGzip ? stdoutGzip.get() : target;
    }

    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> bytesDone{0};
    std::atomic<std::uint64_t> filesDone{0};
    std::vector<FileOutcome> outcomes(inputs.size());
    std::mutex doneMutex;
    std::condition_variable done;
    // The cores left over by the files running at once go to each file's own pipeline.
    const unsigned workers = WorkerCount(options, inputs.size());
    const std::size_t pipelineWorkers =
        std::max<std::size_t>(1, trendtab::platform::UsableProcessorCount() / workers);
    auto work = [&] {
        std::unique_ptr<FileExporter> exporter;
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            // Out of memory ends this file (its temporary removed on the way out), not the run.
            try {
                if (!exporter) {
                    exporter = std::make_unique<FileExporter>(options, range, pipelineWorkers);
                }
                outcomes[i] = exporter->Export(jobs[i], stdoutSink, bytesDone);
            } catch (const std::bad_alloc&) {
                outcomes[i].status = FileStatus::Failed;
                outcomes[i].reason = "not enough memory";
            }
            if (outcomes[i].status == FileStatus::Failed) {
                try {
                    progress.Problem(jobs[i].input.path, outcomes[i].reason);
                } catch (const std::bad_alloc&) {
                    std::fputs("hstexport: not enough memory\n", stderr);
                }
            } else if (!outcomes[i].warning.empty()) {
                progress.Problem(jobs[i].input.path, outcomes[i].warning);
            }
            if (++filesDone == jobs.size()) {
                const std::lock_guard<std::mutex> lock(doneMutex);
                done.notify_all();
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer files at once
        }
    }
    if (threads.empty()) {
        work();  // no thread at all: every file in turn here
    }
    // Meanwhile the bar follows the bytes, also inside one large file.
    {
        std::unique_lock<std::mutex> lock(doneMutex);
        while (!done.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return filesDone == jobs.size(); })) {
            progress.Update(filesDone, bytesDone);
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    RunTotals totals;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const FileOutcome& outcome = outcomes[i];
        totals.converted += outcome.status == FileStatus::Converted;
        totals.skipped += outcome.status == FileStatus::Skipped;
        totals.failed += outcome.status == FileStatus::Failed;
        totals.bytesOut += outcome.bytesOut;
        totals.bytesIn += outcome.status == FileStatus::Converted ? outcome.bytesIn : 0;
    }
    if (stdoutSink) {
        if (!stdoutSink->Finish()) {
            progress.Problem("standard output", stdoutSink->reason());
            totals.failed += totals.converted;
            totals.converted = 0;
        }
        totals.bytesOut = stdoutSink->bytesOut();
    }
    return totals;
}

}  // namespace hstexport
