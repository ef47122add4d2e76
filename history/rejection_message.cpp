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

std::string PlainRejectionReason(HistoryError error, const HistoryHeader& header) {
    switch (error) {
        case HistoryError::TypeMissing:
            return "not a history file: shorter than 2 bytes";
        case HistoryError::InfoFileIncomplete:
            return "not a history file: it ends inside its first block";
        case HistoryError::InfoHeadIncomplete:
            return "not a history file: it ends inside its header";
        case HistoryError::TagCountOutOfRange:
            return "bad header: the number of tags is outside 0 to 250";
        case HistoryError::TagTableCutShort:
            return "bad header: the file ends inside the tag table";
        case HistoryError::TagNamesMissing:
            return "bad header: the tag text names fewer tags than the header counts";
        case HistoryError::RecordTooSmall:
            return "bad header: records of " + std::to_string(header.recordSize) +
                   " bytes cannot hold " + std::to_string(header.numTags) + " values";
        case HistoryError::CannotOpen:
        case HistoryError::None:
            break;
    }
    return "cannot be read";
}

}  // namespace trendtab
