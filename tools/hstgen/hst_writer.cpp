#include "hst_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace hstgen {
namespace {

constexpr std::size_t kCompactSlotSize = 256;
constexpr std::size_t kInfoHeadSize = 54;
constexpr std::size_t kNumTagsOffsetInHead = 52;

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string WideTagText(const HistorySpec& spec) {
    if (spec.rawTagText) {
        return *spec.rawTagText;
    }
    std::string text;
    for (std::size_t i = 0; i < spec.tags.size(); ++i) {
        if (i > 0) {
            text += '\t';
        }
        text += spec.tags[i];
        text += '\t';
        text += i < spec.tagSecondFields.size() ? spec.tagSecondFields[i] : "-";
    }
    return text;
}

void PutRecord(std::string& out, const HistorySpec& spec, const Record& record) {
    if (record.raw) {
        out += *record.raw;
        return;
    }
    if (spec.layout == Layout::Compact) {
        PutLe(out, static_cast<std::uint32_t>(record.stamp), 4);
        for (double v : record.values) {
            const float f = static_cast<float>(v);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            PutLe(out, bits, 4);
        }
    } else {
        PutLe(out, static_cast<std::uint64_t>(record.stamp), 8);
        for (double v : record.values) {
            std::uint64_t bits;
            std::memcpy(&bits, &v, 8);
            PutLe(out, bits, 8);
        }
    }
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

std::string BuildHistoryBytes(const HistorySpec& spec) {
    const bool compact = spec.layout == Layout::Compact;
    const std::size_t tagCount = spec.tags.size();
    const std::int16_t type = spec.type.value_or(compact ? 2 : 1);
    const std::uint16_t recordSize = spec.recordSize.value_or(
        static_cast<std::uint16_t>(compact ? 4 + 4 * tagCount : 8 + 8 * tagCount));
    const std::int16_t numTags = spec.numTags.value_or(static_cast<std::int16_t>(tagCount));
    const std::string tagText = compact ? std::string() : WideTagText(spec);

    std::string out;
    PutLe(out, static_cast<std::uint16_t>(type), 2);
    PutLe(out, 0, 2);
    PutLe(out, recordSize, 2);
    if (!compact) {
        PutLe(out, spec.tagTextSize.value_or(static_cast<std::uint16_t>(tagText.size())), 2);
        PutLe(out, 0, 8);
    }
    std::string head(kInfoHeadSize, '\0');
    head[kNumTagsOffsetInHead] = static_cast<char>(numTags & 0xFF);
    head[kNumTagsOffsetInHead + 1] = static_cast<char>((static_cast<std::uint16_t>(numTags) >> 8));
    out += head;

    if (compact) {
        const std::size_t slots = std::max(tagCount, spec.rawSlots.size());
        for (std::size_t i = 0; i < slots; ++i) {
            std::string slot;
            if (i < spec.rawSlots.size() && spec.rawSlots[i]) {
                slot = *spec.rawSlots[i];
            } else if (i < tagCount) {
                slot = spec.tags[i];
            }
            slot.resize(kCompactSlotSize, '\0');
            out += slot;
        }
    } else {
        out += tagText;
    }
    for (const Record& record : spec.records) {
        PutRecord(out, spec, record);
    }
    out += spec.trailing;
    if (spec.truncateTo && *spec.truncateTo < out.size()) {
        out.resize(*spec.truncateTo);
    }
    return out;
}

bool WriteHistoryFile(const std::string& path, const HistorySpec& spec) {
    const std::string bytes = BuildHistoryBytes(spec);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::int64_t UnixSeconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

std::int64_t FileTimeTicks(int year, int month, int day, int hour, int minute, int second,
                           int milliseconds) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    return (UnixSeconds(year, month, day, hour, minute, second) + kSecondsFrom1601To1970) *
               10000000 +
           static_cast<std::int64_t>(milliseconds) * 10000;
}

}  // namespace hstgen
