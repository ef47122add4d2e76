// Both decoders take a record's stamp by its layout.
#include "history/stamp_decoder.h"

#include "history/little_endian.h"

namespace trendtab {

bool ReferenceStampDecoder::Decode(const unsigned char* record, RecordTime& time) const {
    if (layout_ == Layout::Compact) {
        return DecodeCompactStamp(LoadLittleEndian<std::int32_t>(record), time);
    }
    DecodeWideStamp(LoadLittleEndian<std::uint64_t>(record), time);
    return true;
}

bool FileStampDecoder::Decode(const unsigned char* record, RecordTime& time) const {
    if (layout_ == Layout::Compact) {
        return DecodeCompact(LoadLittleEndian<std::int32_t>(record), time);
    }
    DecodeWide(LoadLittleEndian<std::uint64_t>(record), time);
    return true;
}

}  // namespace trendtab
