#include "converter/value_columns.h"

#include <bit>
#include <cstring>

#include "converter/row_format.h"
#include "history/little_endian.h"

namespace trendtab {
namespace {

std::size_t Count(int tagCount) {
    return static_cast<std::size_t>(tagCount > 0 ? tagCount : 0);
}

}  // namespace

ValueColumns::ValueColumns(Layout layout, int tagCount, char separator, bool extended)
    : compact_(layout == Layout::Compact),
      tagCount_(tagCount),
      separator_(separator),
      extended_(extended),
      columns_(std::make_unique<Column[]>(Count(tagCount))),
      newPieces_(std::make_unique<NewPiece[]>(Count(tagCount))) {}

std::size_t ValueColumns::LongestPieces(int tagCount) {
    return Count(tagCount) * fast::kMaxValuePiece;
}

char* ValueColumns::Put(char* out, const unsigned char* values) {
    const std::size_t size = compact_ ? kCompactValueSize : kWideValueSize;
    std::size_t fresh = 0;
    for (int i = 0; i < tagCount_; ++i) {
        const unsigned char* const value = values + size * static_cast<std::size_t>(i);
        const std::uint64_t bits = compact_ ? LoadLittleEndian<std::uint32_t>(value)
                                            : LoadLittleEndian<std::uint64_t>(value);
        Column& column = columns_[static_cast<std::size_t>(i)];
        if (column.known && column.bits == bits) {
            std::memcpy(out, column.text, kKeptText);
            out += column.length;
            column.misses = 0;
        } else {
            char* const end = PutNew(out, bits, i == tagCount_ - 1);
            if (column.misses < kMissesBeforeRest || column.misses % kRetryInterval == 0) {
                newPieces_[fresh++] = {i, out, static_cast<std::size_t>(end - out), bits};
            }
            ++column.misses;
            out = end;
        }
    }
    // Keep the new pieces now.
    for (std::size_t n = 0; n < fresh; ++n) {
        const NewPiece& piece = newPieces_[n];
        Column& column = columns_[static_cast<std::size_t>(piece.tag)];
        column.known = piece.length <= kKeptText;
        if (column.known) {
            column.bits = piece.bits;
            column.length = static_cast<std::uint8_t>(piece.length);
            std::memcpy(column.text, piece.text, kKeptText);  // the room behind allows it
        }
    }
    return out;
}

char* ValueColumns::PutNew(char* out, std::uint64_t bits, bool isLast) const {
    return compact_ ? fast::PutCompactValuePiece(
                          out, std::bit_cast<float>(static_cast<std::uint32_t>(bits)), separator_,
                          isLast, extended_)
                    : fast::PutValuePiece(out, std::bit_cast<double>(bits), separator_, isLast,
                                          extended_);
}

}  // namespace trendtab
