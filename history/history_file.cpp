#include "history/history_file.h"

#include <algorithm>

#include "history/little_endian.h"
#include "platform/file_services.h"

namespace trendtab {
namespace {

bool ReadExactly(std::FILE* file, void* buffer, std::size_t size) {
    return size == 0 || std::fread(buffer, 1, size, file) == size;
}

// False when the table is cut short by the end of the file; the names before the cut are kept.
bool ReadCompactTags(std::FILE* file, HistoryHeader& header) {
    char slot[kCompactSlotSize];
    for (int i = 0; i < header.numTags; ++i) {
        if (!ReadExactly(file, slot, sizeof slot)) {
            return false;
        }
        header.tagNames.push_back(CompactSlotName(slot, sizeof slot));
    }
    return true;
}

HistoryError ReadWideTags(std::FILE* file, HistoryHeader& header) {
    std::string text(header.tagTextSize, '\0');
    if (!ReadExactly(file, text.data(), text.size())) {
        return HistoryError::TagTableCutShort;
    }
    SplitWideTagText(text, header.numTags, header.tagNames, header.tagSecondFields);
    return static_cast<int>(header.tagNames.size()) == header.numTags
               ? HistoryError::None
               : HistoryError::TagNamesMissing;
}

HistoryError ReadHeaderAndTags(std::FILE* file, HistoryHeader& header) {
    unsigned char info[kWideInfoFileSize];
    if (!ReadExactly(file, info, 2)) {
        return HistoryError::TypeMissing;
    }
    header.type = LoadLittleEndian<std::int16_t>(info);
    const bool compact = header.layout() == Layout::Compact;
    // The rest of the info block after the type (a seek back would make the stream read again).
    if (!ReadExactly(file, info + 2, (compact ? kCompactInfoFileSize : kWideInfoFileSize) - 2)) {
        return HistoryError::InfoFileIncomplete;
    }
    header.recordSize = LoadLittleEndian<std::uint16_t>(info + 4);
    header.tagTextSize = compact ? 0 : LoadLittleEndian<std::uint16_t>(info + 6);

    unsigned char head[kInfoHeadSize];
    if (!ReadExactly(file, head, sizeof head)) {
        return HistoryError::InfoHeadIncomplete;
    }
    header.numTags = LoadLittleEndian<std::int16_t>(head + kNumTagsOffsetInHead);
    if (header.numTags < 0 || header.numTags > kMaxTags) {
        return HistoryError::TagCountOutOfRange;
    }
    if (compact) {
        if (!ReadCompactTags(file, header)) {
            return HistoryError::TagTableCutShort;
        }
    } else if (const HistoryError error = ReadWideTags(file, header); error != HistoryError::None) {
        return error;
    }
    // A record too small for its stamp and values cannot be decoded; 0 simply means no records.
    if (header.recordSize != 0 && header.recordSize < header.MinimumRecordSize()) {
        return HistoryError::RecordTooSmall;
    }
    return HistoryError::None;
}

}  // namespace

std::size_t HistoryHeader::StampSize() const {
    return layout() == Layout::Compact ? kCompactStampSize : kWideStampSize;
}

std::size_t HistoryHeader::ValueSize() const {
    return layout() == Layout::Compact ? kCompactValueSize : kWideValueSize;
}

std::size_t HistoryHeader::MinimumRecordSize() const {
    const std::size_t tags = numTags > 0 ? static_cast<std::size_t>(numTags) : 0;
    return StampSize() + ValueSize() * tags;
}

std::string CompactSlotName(const char* slot, std::size_t size) {
    std::size_t length = 0;
    while (length < size && slot[length] != '\0' && slot[length] != '\n') {
        ++length;
    }
    return std::string(slot, length);
}

void SplitWideTagText(const std::string& text, int numTags, std::vector<std::string>& names,
                      std::vector<std::string>& secondFields) {
    const std::size_t end = std::min(text.find('\0'), text.size());
    std::size_t pos = 0;
    // The next TAB-delimited field, or false when the text has no more.
    auto nextField = [&](std::string& field) {
        while (pos < end && text[pos] == '\t') {
            ++pos;
        }
        if (pos >= end) {
            return false;
        }
        const std::size_t start = pos;
        while (pos < end && text[pos] != '\t') {
            ++pos;
        }
        field.assign(text, start, pos - start);
        return true;
    };
    std::string field;
    bool haveField = nextField(field);
    while (haveField && static_cast<int>(names.size()) < numTags) {
        names.push_back(field);
        std::string second;
        secondFields.push_back(nextField(second) ? second : std::string());
        haveField = nextField(field);
    }
}

HistoryFile ReadHistoryFile(std::FILE* file) {
    HistoryFile result;
    result.error = ReadHeaderAndTags(file, result.header);
    if (!result.ok()) {
        return result;
    }
    const HistoryHeader& header = result.header;
    result.recordStart =
        (header.layout() == Layout::Compact
             ? kCompactInfoFileSize + kInfoHeadSize + kCompactSlotSize * header.tagNames.size()
             : kWideInfoFileSize + kInfoHeadSize + header.tagTextSize);
    std::uint64_t size = 0;
    // The open stream's own file: no second open, and no other file should the name change.
    if (platform::OpenFileSize(file, size) && size > result.recordStart) {
        const std::uint64_t bytes = size - result.recordStart;
        result.recordCount = header.recordSize != 0 ? bytes / header.recordSize : 0;
        result.trailingBytes = bytes - result.recordCount * header.recordSize;
    }
    return result;
}

OpenedHistoryFile OpenHistoryFile(const std::string& path) {
    OpenedHistoryFile opened;
    // Read only, as the converter opens it; a folder cannot be opened.
    opened.file.reset(platform::OpenForReading(path));
    if (!opened.file) {
        opened.info.error = HistoryError::CannotOpen;
        return opened;
    }
    opened.info = ReadHistoryFile(opened.file.get());
    return opened;
}

}  // namespace trendtab
