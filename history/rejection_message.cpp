#include "history/rejection_message.h"

namespace trendtab {

std::string RejectionMessage(HistoryError error, const std::string& path) {
    switch (error) {
        case HistoryError::CannotOpen:
            return "    Could not open: " + path + "\n";
        case HistoryError::TypeMissing:
            return "    Error in type of infoFile data: " + path + "\n";
        case HistoryError::InfoHeadIncomplete:
            return "    Error loading infoHead data: " + path + "\n";
        case HistoryError::TagCountOutOfRange:
            return "    Error in number of tags of infoHead data: " + path + "\n";
        case HistoryError::TagTableCutShort:
        case HistoryError::TagNamesMissing:
        case HistoryError::RecordTooSmall:
            return "   Invalid history file";  // no path, no line end
        case HistoryError::None:
        case HistoryError::InfoFileIncomplete:
            break;
    }
    return std::string();
}

}  // namespace trendtab
