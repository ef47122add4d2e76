// The designed console text of each reason a history file is refused, exactly as the converter
// prints it. The reading core reports refusals as values; the converter, hstinfo and the Python
// package turn them into these words, so all three say the same byte for byte.
#pragma once

#include <string>

#include "history/history_file.h"

namespace trendtab {

// The message for `error` with `path` filled in. Some have no line end ("   Invalid history
// file"); HistoryError::None and InfoFileIncomplete have none at all ("").
std::string RejectionMessage(HistoryError error, const std::string& path);

// The same refusals in the plain words of the newer tools (hstexport, hstview), which say what is
// wrong with the file rather than the converter's designed texts: "bad header: ...".
std::string PlainRejectionReason(HistoryError error, const HistoryHeader& header);

}  // namespace trendtab
