#include "history_header.h"

#include <algorithm>
#include <cstring>

#include "console.h"

namespace trendtab {
namespace {

constexpr char kInvalidHistoryFile[] = "   Invalid history file";

std::uint16_t LoadU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool ReadExactly(std::FILE* file, void* buffer, std::size_t size) {
    return size == 0 || std::fread(buffer, 1, size, file) == size;
}

bool ReadCompactTags(std::FILE* file, HistoryHeader& header, Console& console) {
    char slot[kCompactSlotSize];
    for (int i = 0; i < header.numTags; ++i) {
        if (!ReadExactly(file, slot, sizeof slot)) {
            // The table is cut short by the end of the file.
            console.Print("%s", kInvalidHistoryFile);
            return false;
        }
        header.tagNames.push_back(CompactSlotName(slot, sizeof slot));
        console.Print("   Tag: %s \n", header.tagNames.back().c_str());
    }
    return true;
}

bool ReadWideTags(std::FILE* file, HistoryHeader& header, Console& console) {
    std::string text(header.tagTextSize, '\0');
    if (!ReadExactly(file, text.data(), text.size())) {
        console.Print("%s", kInvalidHistoryFile);
        return false;
    }
    SplitWideTagText(text, header.numTags, header.tagNames, header.tagSecondFields);
    for (const std::string& name : header.tagNames) {
        console.Print("   Tag: %s \n", name.c_str());
    }
    if (static_cast<int>(header.tagNames.size()) != header.numTags) {
        console.Print("%s", kInvalidHistoryFile);
        return false;
    }
    return true;
}

}  // namespace

std::size_t HistoryHeader::MinimumRecordSize() const {
    const std::size_t tags = numTags > 0 ? static_cast<std::size_t>(numTags) : 0;
    return layout() == Layout::Compact ? kCompactStampSize + kCompactValueSize * tags
                                       : kWideStampSize + kWideValueSize * tags;
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

bool ReadHistoryHeader(std::FILE* file, const std::string& path, HistoryHeader& header,
                       Console& console) {
    unsigned char info[kWideInfoFileSize];
    if (!ReadExactly(file, info, 2)) {
        console.Print("    Error in type of infoFile data: %s\n", path.c_str());
        return false;
    }
    header.type = static_cast<std::int16_t>(LoadU16(info));
    const bool compact = header.layout() == Layout::Compact;
    if (std::fseek(file, 0, SEEK_SET) != 0 ||
        !ReadExactly(file, info, compact ? kCompactInfoFileSize : kWideInfoFileSize)) {
        return false;
    }
    header.recordSize = LoadU16(info + 4);
    header.tagTextSize = compact ? 0 : LoadU16(info + 6);

    unsigned char head[kInfoHeadSize];
    if (!ReadExactly(file, head, sizeof head)) {
        console.Print("    Error loading infoHead data: %s\n", path.c_str());
        return false;
    }
    header.numTags = static_cast<std::int16_t>(LoadU16(head + kNumTagsOffsetInHead));
    if (header.numTags < 0 || header.numTags > kMaxTags) {
        console.Print("    Error in number of tags of infoHead data: %s\n", path.c_str());
        return false;
    }
    if (!(compact ? ReadCompactTags(file, header, console) : ReadWideTags(file, header, console))) {
        return false;
    }
    // A record too small for its stamp and values cannot be decoded; 0 simply means no records.
    if (header.recordSize != 0 && header.recordSize < header.MinimumRecordSize()) {
        console.Print("%s", kInvalidHistoryFile);
        return false;
    }
    return true;
}

}  // namespace trendtab
