// Workbooks through libxlsxwriter, in its constant-memory mode: rows go to the sheet's file as
// they come, so a file of any length takes the same memory.
#include <xlsxwriter.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "timelib/civil_time.h"
#include "tools/hstexport/workbook_writer.h"

namespace hstexport {
namespace {

namespace civil = trendtab::civil;

constexpr double kExcelDaysTo1970 = 25569;  // day 0 is 1899-12-30
constexpr lxw_col_t kFirstTagColumn = 2;

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

// "+01:00", "-03:30", "+00:53:28" for old local mean times.
std::string OffsetText(std::int32_t offset) {
    const std::int32_t size = offset < 0 ? -offset : offset;
    char text[16];
    char* p = text;
    *p++ = offset < 0 ? '-' : '+';
    for (const std::int32_t part : {size / 3600, size / 60 % 60, size % 60}) {
        if (p != text + 1) {
            if (part == 0 && p == text + 6) {
                break;  // no seconds
            }
            *p++ = ':';
        }
        *p++ = static_cast<char>('0' + part / 10);
        *p++ = static_cast<char>('0' + part % 10);
    }
    return std::string(text, p);
}

// A float as the double nearest its shortest text, so that the cell shows 0.1, not
// 0.100000001490116.
double CompactValue(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    char text[32];
    // Scientific: the plain form would give a large whole float all its digits (1699658496,
    // not 1.6996585e+09).
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    double shown = value;
    std::from_chars(text, written.ptr, shown);
    return shown;
}

class Sheets {
  public:
    Sheets(lxw_workbook* workbook, const RowPlan& plan, std::uint64_t rowsPerSheet)
        : workbook_(workbook), plan_(plan), rowsPerSheet_(rowsPerSheet) {
        header_ = workbook_add_format(workbook);
        format_set_bold(header_);
        time_ = workbook_add_format(workbook);
        format_set_num_format(
            time_, plan.fractionDigits > 0 ? "yyyy-mm-dd hh:mm:ss.000" : "yyyy-mm-dd hh:mm:ss");
    }

    // The sheet and row of the next record; a new sheet when the current one is full.
    bool NextRow(lxw_worksheet*& sheet, lxw_row_t& row) {
        if (rows_ == rowsPerSheet_ && (!Finish() || !NewSheet())) {
            return false;
        }
        if (!Start()) {
            return false;
        }
        sheet = sheet_;
        row = static_cast<lxw_row_t>(++rows_);
        return true;
    }

    // The first sheet, unless there is one.
    bool Start() { return sheet_ != nullptr || NewSheet(); }

    // The current sheet's filter over its rows.
    bool Finish() {
        if (sheet_ == nullptr) {
            return true;
        }
        const auto last = static_cast<lxw_col_t>(kFirstTagColumn + plan_.names.size() - 1);
        return worksheet_autofilter(sheet_, 0, 0, static_cast<lxw_row_t>(rows_), last) ==
               LXW_NO_ERROR;
    }

    lxw_format* time() const { return time_; }

  private:
    bool NewSheet() {
        const std::string name = "Sheet" + std::to_string(++sheets_);
        sheet_ = workbook_add_worksheet(workbook_, name.c_str());
        rows_ = 0;
        return sheet_ != nullptr && WriteHeader();
    }

    bool WriteHeader() {
        worksheet_freeze_panes(sheet_, 1, 0);
        // Printed (and rendered) across the page: every column on one.
        worksheet_set_landscape(sheet_);
        worksheet_fit_to_pages(sheet_, 1, 0);
        worksheet_set_column(sheet_, 0, 0, 24, nullptr);
        worksheet_set_column(sheet_, 1, 1, 11, nullptr);
        // Wide enough for a shown value and the name above it.
        for (std::size_t i = 0; i < plan_.names.size(); ++i) {
            const auto column = static_cast<lxw_col_t>(kFirstTagColumn + i);
            const double width =
                plan_.names[i].size() > 12 ? static_cast<double>(plan_.names[i].size()) + 2 : 14;
            worksheet_set_column(sheet_, column, column, width, nullptr);
        }
        bool ok = worksheet_write_string(sheet_, 0, 0, "time", header_) == LXW_NO_ERROR &&
                  worksheet_write_string(sheet_, 0, 1, "utc_offset", header_) == LXW_NO_ERROR;
        for (std::size_t i = 0; i < plan_.names.size() && ok; ++i) {
            ok = worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(kFirstTagColumn + i),
                                        plan_.names[i].c_str(), header_) == LXW_NO_ERROR;
        }
        return ok;
    }

    lxw_workbook* workbook_;
    const RowPlan& plan_;
    std::uint64_t rowsPerSheet_;
    lxw_format* header_ = nullptr;
    lxw_format* time_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::uint64_t rows_ = 0;
    int sheets_ = 0;
};

bool WriteValue(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, double value) {
    if (std::isfinite(value)) {
        return worksheet_write_number(sheet, row, column, value, nullptr) == LXW_NO_ERROR;
    }
    // A workbook holds no NaN or infinity: the text the CSV has.
    const char* text = std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
    return worksheet_write_string(sheet, row, column, text, nullptr) == LXW_NO_ERROR;
}

}  // namespace

bool WorkbooksSupported() {
    return true;
}

bool WriteWorkbook(const std::string& path, HistorySource& source, const RowPlan& plan,
                   UtcOffsets& offsets, const RecordSelection& selection,
                   std::atomic<std::uint64_t>& progress, std::string& reason) {
    // The library prints numbers with printf: a decimal comma would spoil every cell. hstexport
    // never leaves the "C" locale; this keeps it so.
    if (std::localeconv()->decimal_point[0] != '.') {
        reason = "the numeric locale is not \"C\"";
        return false;
    }
    // The rows wait in temporaries beside the output, not in the C library's temporary folder
    // (the root of the drive on Windows, often not writable).
    std::string folder = std::filesystem::path(path).parent_path().string();
    folder = folder.empty() ? "." : folder;
    lxw_workbook_options options{};
    options.tmpdir = folder.data();
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(
        workbook_new_opt(path.c_str(), &options));
    if (!workbook) {
        reason = "cannot start the workbook";
        return false;
    }
    Sheets sheets(workbook.get(), plan, selection.rowsPerSheet);
    const Layout layout = source.layout();
    const std::size_t recordSize = source.header().recordSize;
    std::uint64_t inRange = 0;
    std::uint64_t done = 0;
    std::int32_t lastOffset = INT32_MIN;
    std::string offsetText;
    bool ok = true;
    while (const unsigned char* record = source.Next()) {
        if (++done % 4096 == 0) {
            progress += 4096 * recordSize;
        }
        const std::uint64_t ticks = StampTicks(record, layout);
        if ((selection.from && ticks < *selection.from) ||
            (selection.to && ticks >= *selection.to) || inRange++ % selection.every != 0) {
            continue;
        }
        lxw_worksheet* sheet = nullptr;
        lxw_row_t row = 0;
        if (!sheets.NextRow(sheet, row)) {
            ok = false;
            break;
        }
        const auto since1601 = static_cast<std::int64_t>(ticks / civil::kTicksPerSecond);
        const std::int64_t unixSeconds = since1601 - civil::kSecondsFrom1601To1970;
        std::int32_t offset = 0;
        if (!offsets.At(unixSeconds, offset)) {
            offset = 0;
        }
        if (offset != lastOffset) {
            lastOffset = offset;
            offsetText = OffsetText(offset);
        }
        // Whole days and the day's fraction apart: the serial keeps its milliseconds.
        const std::int64_t local = unixSeconds + offset;
        const std::int64_t days = local / 86400 - (local % 86400 < 0 ? 1 : 0);
        const std::int64_t second = local - days * 86400;
        const double dayTicks = 86400.0 * civil::kTicksPerSecond;
        const double serial =
            kExcelDaysTo1970 + static_cast<double>(days) +
            static_cast<double>(second * static_cast<std::int64_t>(civil::kTicksPerSecond) +
                                static_cast<std::int64_t>(ticks % civil::kTicksPerSecond)) /
                dayTicks;
        ok = worksheet_write_number(sheet, row, 0, serial, sheets.time()) == LXW_NO_ERROR &&
             worksheet_write_string(sheet, row, 1, offsetText.c_str(), nullptr) == LXW_NO_ERROR;
        for (std::size_t i = 0; i < plan.tags.size() && ok; ++i) {
            const int tag = plan.tags[i];
            if (tag < 0) {
                continue;
            }
            const auto at = static_cast<std::size_t>(tag);
            double value;
            if (layout == Layout::Compact) {
                value = CompactValue(LoadLe32(record + 4 + 4 * at));
            } else {
                const std::uint64_t bits = LoadLe64(record + 8 + 8 * at);
                std::memcpy(&value, &bits, sizeof value);
            }
            ok = WriteValue(sheet, row, static_cast<lxw_col_t>(kFirstTagColumn + i), value);
        }
        if (!ok) {
            break;
        }
    }
    progress += (done % 4096) * recordSize;
    // A file without rows still gets its header.
    ok = ok && sheets.Start() && sheets.Finish();
    // Closing writes the whole file: its result is the workbook's.
    const lxw_error closed = workbook_close(workbook.release());
    if (!ok) {
        reason = "cannot add to the workbook";
        return false;
    }
    if (closed != LXW_NO_ERROR) {
        reason = std::string("cannot write the workbook: ") + lxw_strerror(closed);
        return false;
    }
    return source.Finished(reason);
}

}  // namespace hstexport
