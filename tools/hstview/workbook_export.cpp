#include "tools/hstview/workbook_export.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "history/archive.h"
#include "platform/path_text.h"
#include "tools/hstexport/file_runner.h"
#include "tools/hstexport/input_discovery.h"
#include "tools/hstexport/progress.h"
#include "tools/hstexport/workbook_writer.h"
#include "tools/hstview/access_policy.h"

namespace hstview {
namespace {

namespace fs = std::filesystem;
using namespace hstexport;

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        if (!error) {
            path_ = base / ("hstview-" + AccessPolicy::NewToken());
            created_ = fs::create_directory(path_, error) && !error;
        }
    }
    ~ScratchFolder() {
        std::error_code error;
        if (created_) {
            fs::remove_all(path_, error);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool created() const { return created_; }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
    bool created_ = false;
};

// Whether the file holds one of the selected tags with a record stamped within the range, as far
// as its first and last stamps tell (a file out of time order counts by their span).
bool HoldsSamples(const InputFile& input, const ExportOptions& options, const TimeRange& range) {
    const trendtab::ArchiveFile file = trendtab::TakeFileSnapshot(input.path);
    if (!file.ok() || file.recordCount == 0 || SelectTags(file.tags, options.tags).empty()) {
        return false;
    }
    const std::uint64_t first = std::min(file.firstTicks, file.lastTicks);
    const std::uint64_t last = std::max(file.firstTicks, file.lastTicks);
    return (!range.from || last >= *range.from) && (!range.to || first < *range.to);
}

}  // namespace

bool WorkbookExportSupported() {
    return WorkbooksSupported();
}

WorkbookExport ExportWorkbook(const std::vector<std::string>& inputs,
                              const ExportParameters& parameters, std::size_t maxBytes) {
    WorkbookExport result;
    auto fail = [&result](int status, std::string error) {
        result.status = status;
        result.error = std::move(error);
        return result;
    };
    if (!WorkbooksSupported()) {
        return fail(501, "this build of hstview writes no workbooks: take the CSV export");
    }
    ScratchFolder folder;
    if (!folder.created()) {
        return fail(500, "no temporary folder for the workbook");
    }
    ExportPlan plan;
    const std::string folderText = trendtab::platform::TextFromPath(folder.path());
    if (!PlanExport(inputs, parameters, {"--format=xlsx", "-o", folderText}, plan, result.error)) {
        return fail(400, result.error);
    }
    const Discovery discovery = DiscoverInputs(plan.options.inputs, plan.options.recursive);
    std::vector<InputFile> holding;
    for (const InputFile& input : discovery.files) {
        if (HoldsSamples(input, plan.options, plan.range)) {
            holding.push_back(input);
        }
    }
    if (holding.empty()) {
        return fail(404, "no file holds samples of these tags in this range");
    }
    if (holding.size() > 1) {
        return fail(409, "the range reaches into " + std::to_string(holding.size()) +
                             " files and a workbook holds one: choose a shorter range, or take "
                             "the CSV export, which joins them");
    }
    holding[0].relative = "export";  // the one output: FOLDER/export.xlsx
    Progress progress(1, 0, false);
    const RunTotals totals = RunExports(holding, plan.options, plan.range, progress);
    const fs::path workbook = folder.path() / "export.xlsx";
    std::error_code error;
    const std::uintmax_t size = fs::file_size(workbook, error);
    if (totals.failed > 0 || error) {
        return fail(500, "the workbook could not be written");
    }
    if (size > maxBytes) {
        return fail(413, "the workbook is larger than " + std::to_string(maxBytes) +
                             " bytes: choose fewer tags or a shorter range");
    }
    std::ifstream file(workbook, std::ios::binary);
    result.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (result.bytes.size() != size) {
        return fail(500, "the workbook could not be read back");
    }
    return result;
}

}  // namespace hstview
