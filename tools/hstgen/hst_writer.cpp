#include "tools/hstgen/hst_writer.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace hstgen {
namespace {

constexpr std::size_t kNumTagsOffsetInHead = 52;

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    char buffer[8];
    for (int i = 0; i < bytes; ++i) {
        buffer[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    out.append(buffer, static_cast<std::size_t>(bytes));
}

std::string WideTagText(const HistoryPlan& content) {
    if (content.rawTagText) {
        return *content.rawTagText;
    }
    std::string text;
    for (std::size_t i = 0; i < content.tags.size(); ++i) {
        if (i > 0) {
            text += '\t';
        }
        text += content.tags[i];
        text += '\t';
        text += i < content.tagSecondFields.size() ? content.tagSecondFields[i] : "-";
    }
    return text;
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);             // [0, 399]
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::size_t TagCount(const HistoryPlan& content) {
    if (content.layout == Layout::Compact) {
        return std::max(content.tags.size(), content.rawSlots.size());
    }
    return content.tags.size();
}

std::uint32_t CompactValueBits(double value) {
    // Halfway between FLT_MAX and the next power of two: from here on, rounding gives infinity.
    // Converting such a double with a cast would be undefined behaviour.
    constexpr double kFloatOverflow = 0x1.fffffep127 + 0x1p103;
    float f;
    if (std::isfinite(value) && std::fabs(value) >= kFloatOverflow) {
        f = std::signbit(value) ? -HUGE_VALF : HUGE_VALF;
    } else if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
        f = std::signbit(value) ? -FLT_MAX : FLT_MAX;
    } else {
        f = static_cast<float>(value);
    }
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

std::uint64_t WideValueBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void AppendRecordBytes(std::string& out, Layout layout, const Record& record) {
    if (record.raw) {
        out += *record.raw;
        return;
    }
    const bool compact = layout == Layout::Compact;
    PutLe(out, static_cast<std::uint64_t>(record.stamp), compact ? 4 : 8);
    const std::size_t count = std::max(record.values.size(), record.valueBits.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::uint64_t> given =
            i < record.valueBits.size() ? record.valueBits[i] : std::nullopt;
        const double value = i < record.values.size() ? record.values[i] : 0.0;
        if (compact) {
            PutLe(out, given ? *given : CompactValueBits(value), 4);
        } else {
            PutLe(out, given ? *given : WideValueBits(value), 8);
        }
    }
}

std::string BuildHeaderBytes(const HistoryPlan& content) {
    const bool compact = content.layout == Layout::Compact;
    const std::size_t tagCount = TagCount(content);
    const std::int16_t type = content.type.value_or(compact ? 2 : 1);
    const std::uint16_t recordSize = content.recordSize.value_or(
        static_cast<std::uint16_t>(compact ? 4 + 4 * tagCount : 8 + 8 * tagCount));
    const std::int16_t numTags = content.numTags.value_or(static_cast<std::int16_t>(tagCount));
    const std::string tagText = compact ? std::string() : WideTagText(content);

    std::string out;
    PutLe(out, static_cast<std::uint16_t>(type), 2);
    PutLe(out, 0, 2);
    PutLe(out, recordSize, 2);
    if (!compact) {
        PutLe(out, content.tagTextSize.value_or(static_cast<std::uint16_t>(tagText.size())), 2);
        PutLe(out, 0, 8);
    }
    out.append(kNumTagsOffsetInHead, '\0');
    PutLe(out, static_cast<std::uint16_t>(numTags), 2);

    if (compact) {
        for (std::size_t i = 0; i < tagCount; ++i) {
            std::string slot;
            if (i < content.rawSlots.size() && content.rawSlots[i]) {
                slot = *content.rawSlots[i];
            } else if (i < content.tags.size()) {
                slot = content.tags[i];
            }
            slot.resize(kCompactSlotSize, '\0');
            out += slot;
        }
    } else {
        out += tagText;
    }
    return out;
}

std::string BuildHistoryBytes(const HistoryPlan& content) {
    std::string out = BuildHeaderBytes(content);
    for (const Record& record : content.records) {
        AppendRecordBytes(out, content.layout, record);
    }
    out += content.trailing;
    if (content.truncateTo && *content.truncateTo < out.size()) {
        out.resize(*content.truncateTo);
    }
    return out;
}

bool WriteHistoryFile(const std::string& path, const HistoryPlan& content) {
    const std::string bytes = BuildHistoryBytes(content);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::int64_t UnixSeconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
}

std::int64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second,
                           int milliseconds) {
    return (UnixSeconds(year, month, day, hour, minute, second) + kSecondsFrom1601To1970) *
               kTicksPerSecond +
           std::int64_t{milliseconds} * 10000;
}

}  // namespace hstgen
