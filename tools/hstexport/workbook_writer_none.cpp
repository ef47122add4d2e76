// Builds without the workbook library: --format xlsx is refused on the command line.
#include "tools/hstexport/workbook_writer.h"

namespace hstexport {

bool WorkbooksSupported() {
    return false;
}

bool WriteWorkbook(const std::string&, HistorySource&, const RowPlan&, UtcOffsets&,
                   const RecordSelection&, std::atomic<std::uint64_t>&, std::string& reason) {
    reason = "this build writes no workbooks";
    return false;
}

}  // namespace hstexport
