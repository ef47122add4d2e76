// Both decoders take a record's stamp by its layout.
#include "history/stamp_decoder.h"

#include "history/little_endian.h"
#include "timelib/civil_time.h"

namespace trendtab {

bool ReferenceStampDecoder::Decode(const unsigned char* record, RecordTime& time) {
    if (layout_ == Layout::Compact) {
        return DecodeCompactStamp(LoadLittleEndian<std::int32_t>(record), time);
    }
    DecodeWideStamp(LoadLittleEndian<std::uint64_t>(record), time);
    return true;
}

bool FileStampDecoder::Decode(const unsigned char* record, RecordTime& time) {
    if (layout_ == Layout::Compact) {
        return DecodeCompact(LoadLittleEndian<std::int32_t>(record), time);
    }
    DecodeWide(LoadLittleEndian<std::uint64_t>(record), time);
    return true;
}

void FillFromSeconds(std::int64_t seconds, RecordTime& time) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const auto secondOfDay = static_cast<std::int32_t>(seconds - days * 86400);
    const civil::CivilDate date = civil::CivilFromDays(days);
    time.second = secondOfDay % 60;
    time.minute = secondOfDay / 60 % 60;
    time.hour = secondOfDay / 3600;
    time.day = date.day;
    time.month0 = date.month - 1;
    time.year1900 = static_cast<std::int32_t>(date.year - 1900);
    time.milliseconds = 0;
}

std::int64_t SecondsOfFields(const std::tm& fields) {
    return civil::DaysFromCivil(fields.tm_year + std::int64_t{1900}, fields.tm_mon + 1,
                                fields.tm_mday) *
               86400 +
           fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
}

bool OffsetOfFields(const std::tm& fields, std::int64_t seconds, std::int32_t& offset) {
    if (fields.tm_sec > 59) {
        return false;
    }
    offset = static_cast<std::int32_t>(SecondsOfFields(fields) - seconds);
    return true;
}

}  // namespace trendtab
