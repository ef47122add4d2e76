#include "converter/value_columns.h"

#include <bit>
#include <cstring>

#include "converter/compact_piece.h"
#include "converter/row_format.h"
#include "converter/wide_piece.h"
#include "history/little_endian.h"

namespace trendtab {
namespace {

std::size_t Count(int tagCount) {
    return static_cast<std::size_t>(tagCount > 0 ? tagCount : 0);
}

// A value's bits as stored: a float in a compact file, a double in a wide one.
template <bool kCompact>
std::uint64_t LoadBits(const unsigned char* value) {
    if constexpr (kCompact) {
        return LoadLittleEndian<std::uint32_t>(value);
    } else {
        return LoadLittleEndian<std::uint64_t>(value);
    }
}

// Columns of a run of values, four at a time.
template <bool kCompact>
char* PutColumnRun(char* out, const unsigned char* values, std::size_t count, char separator) {
    if constexpr (kCompact) {
        return fast::PutCompactColumns(out, values, count, separator);
    } else {
        return fast::PutWideColumns(out, values, count, separator);
    }
}

}  // namespace

ValueColumns::ValueColumns(Layout layout, int tagCount, char separator, bool extended,
                           bool vectorColumns)
    : compact_(layout == Layout::Compact),
      tagCount_(tagCount),
      separator_(separator),
      extended_(extended),
      vectorColumns_(!extended && vectorColumns &&
                     (compact_ ? fast::HasCompactColumns() : fast::HasWideColumns())),
      columns_(std::make_unique<Column[]>(Count(tagCount))),
      newPieces_(std::make_unique<NewPiece[]>(Count(tagCount))) {
    if (vectorColumns_ && compact_) {
        newValues_ = std::make_unique<unsigned char[]>(Count(tagCount) * kCompactValueSize);
        newTags_ = std::make_unique<std::uint32_t[]>(Count(tagCount));
        newColumns_ = std::make_unique<char[]>(Count(tagCount) * fast::kColumnStride + kKeptText);
        rowSources_ = std::make_unique<const char*[]>(Count(tagCount));
    }
}

std::size_t ValueColumns::LongestPieces(int tagCount) {
    return Count(tagCount) * fast::kMaxValuePiece;
}

char* ValueColumns::Put(char* out, const unsigned char* values) {
    if (compact_) {
        return extended_ ? PutRow<true, true>(out, values) : PutRow<true, false>(out, values);
    }
    return extended_ ? PutRow<false, true>(out, values) : PutRow<false, false>(out, values);
}

template <bool kCompact, bool kExtended>
[[gnu::always_inline]] inline char* ValueColumns::PutNew(char* out, std::uint64_t bits,
                                                         char separator, bool isLast) {
    if constexpr (kCompact) {
        return fast::PutCompactPiece<kExtended>(
            out, std::bit_cast<float>(static_cast<std::uint32_t>(bits)), separator, isLast);
    } else {
        return fast::PutWidePiece<kExtended>(out, std::bit_cast<double>(bits), separator, isLast);
    }
}

template <bool kCompact, bool kExtended>
char* ValueColumns::PutRow(char* out, const unsigned char* values) {
    if (restingRows_ > 0) {
        --restingRows_;
        return PutFresh<kCompact, kExtended>(out, values);
    }
    if constexpr (kCompact && !kExtended) {
        // (A wide value's piece one by one costs less than a compact one's: there the few new
        // values of a row through the kept texts measured faster that way.)
        if (vectorColumns_) {
            return PutKeptCompactColumns(out, values);
        }
    }
    return PutKept<kCompact, kExtended>(out, values);
}

template <bool kCompact, bool kExtended>
char* ValueColumns::PutFresh(char* out, const unsigned char* values) const {
    constexpr std::size_t size = kCompact ? kCompactValueSize : kWideValueSize;
    if constexpr (!kExtended) {
        if (vectorColumns_) {
            // The last column's separator is left for the row's end to overwrite.
            return tagCount_ > 0
                       ? PutColumnRun<kCompact>(out, values, Count(tagCount_), separator_) - 1
                       : out;
        }
    }
    const int last = tagCount_ - 1;
    const char separator = separator_;  // a copy the stores of the pieces cannot alias
    for (int i = 0; i < last; ++i) {
        out = PutNew<kCompact, kExtended>(out, LoadBits<kCompact>(values + size * Count(i)),
                                          separator, false);
    }
    if (last >= 0) {
        out = PutNew<kCompact, kExtended>(out, LoadBits<kCompact>(values + size * Count(last)),
                                          separator, true);
    }
    return out;
}

template <bool kCompact, bool kExtended>
char* ValueColumns::PutKept(char* out, const unsigned char* values) {
    constexpr std::size_t size = kCompact ? kCompactValueSize : kWideValueSize;
    const bool retrying = retrying_;
    retrying_ = false;
    // Copies the stores of the pieces cannot alias, so they are not loaded again for every value.
    const int tagCount = tagCount_;
    const char separator = separator_;
    Column* const columns = columns_.get();
    NewPiece* const newPieces = newPieces_.get();
    std::size_t fresh = 0;
    std::size_t active = 0;  // tags that do not rest
    for (int i = 0; i < tagCount; ++i) {
        const std::uint64_t bits = LoadBits<kCompact>(values + size * Count(i));
        Column& column = columns[static_cast<std::size_t>(i)];
        if (column.known && column.bits == bits) {
            // Most pieces are a column of 10 and a separator: one 16-byte copy.
            std::memcpy(out, column.text, kShortText);
            if (column.length > kShortText) {
                std::memcpy(out + kShortText, column.text + kShortText, kKeptText - kShortText);
            }
            out += column.length;
            column.misses = 0;
            ++active;
        } else {
            const std::uint32_t misses = column.misses;
            char* const end = PutNew<kCompact, kExtended>(out, bits, separator, i == tagCount - 1);
            if (retrying || misses < kMissesBeforeRest || misses % kRetryInterval == 0) {
                newPieces[fresh++] = {i, out, static_cast<std::size_t>(end - out), bits};
            }
            column.misses = misses + 1;
            active += misses + 1 < kMissesBeforeRest ? 1 : 0;
            out = end;
        }
    }
    // Keep the new pieces now.
    for (std::size_t n = 0; n < fresh; ++n) {
        const NewPiece& piece = newPieces[n];
        Column& column = columns[static_cast<std::size_t>(piece.tag)];
        column.known = piece.length <= kKeptText;
        if (column.known) {
            column.bits = piece.bits;
            column.length = static_cast<std::uint8_t>(piece.length);
            std::memcpy(column.text, piece.text, kKeptText);  // the room behind allows it
        }
    }
    if (tagCount > 0 && active * kRestingShare <= Count(tagCount)) {
        restingRows_ = kRetryInterval - 1;
        retrying_ = true;
    }
    return out;
}

char* ValueColumns::PutKeptCompactColumns(char* out, const unsigned char* values) {
    constexpr std::size_t size = kCompactValueSize;
    const bool retrying = retrying_;
    retrying_ = false;
    const std::size_t tagCount = Count(tagCount_);
    if (tagCount == 0) {
        return out;
    }
    Column* const columns = columns_.get();
    unsigned char* const newValues = newValues_.get();
    std::uint32_t* const newTags = newTags_.get();
    char* const newColumns = newColumns_.get();
    const char** const sources = rowSources_.get();
    // Which values are new, without a jump on it: every value is written to the list of new
    // ones, which only grows by those that are.
    std::size_t fresh = 0;
    std::size_t active = 0;  // tags that do not rest
    for (std::size_t i = 0; i < tagCount; ++i) {
        const std::uint64_t bits = LoadBits<true>(values + size * i);
        Column& column = columns[i];
        const bool same = column.known && column.bits == bits;
        const std::uint32_t misses = same ? 0 : column.misses + 1;
        column.misses = misses;
        std::memcpy(newValues + size * fresh, values + size * i, size);
        newTags[fresh] = static_cast<std::uint32_t>(i);
        sources[i] = same ? column.text : newColumns + fast::kColumnStride * fresh;
        fresh += same ? 0 : 1;
        active += misses < kMissesBeforeRest ? 1 : 0;
    }
    fast::PutCompactColumns(newColumns, newValues, fresh, separator_);
    for (std::size_t i = 0; i < tagCount; ++i) {
        std::memcpy(out + fast::kColumnStride * i, sources[i], kShortText);
    }
    // Keep the new columns now (the row above read them where they were made).
    for (std::size_t n = 0; n < fresh; ++n) {
        Column& column = columns[newTags[n]];
        const std::uint32_t misses = column.misses;
        if (retrying || misses <= kMissesBeforeRest || (misses - 1) % kRetryInterval == 0) {
            column.known = true;
            column.bits = LoadBits<true>(newValues + size * n);
            std::memcpy(column.text, newColumns + fast::kColumnStride * n, kShortText);
        }
    }
    if (active * kRestingShare <= tagCount) {
        restingRows_ = kRetryInterval - 1;
        retrying_ = true;
    }
    return out + fast::kColumnStride * tagCount -
           1;  // the last separator is the row end's to overwrite
}

}  // namespace trendtab
