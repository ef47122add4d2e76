// The value pieces of one file's rows, tag by tag, made the fast way.
#pragma once

#include <cstdint>
#include <memory>

#include "converter/compact_columns.h"
#include "converter/row_format.h"
#include "converter/wide_columns.h"
#include "history/history_file.h"

namespace trendtab {

class ValueColumns {
  public:
    // `vectorColumns`: columns (not /e) made four at a time where the processor can (the tests
    // and benchmarks ask for the one by one way too).
    ValueColumns(Layout layout, int tagCount, char separator, bool extended,
                 bool vectorColumns = true);

    // The most text the pieces of one row of `tagCount` values can take.
    static std::size_t LongestPieces(int tagCount);

    // Writes the pieces of one record's values to `out`, which has room for LongestPieces and
    // fast::kRoomPastPiece more; returns the end. `values` points at the record's first value.
    char* Put(char* out, const unsigned char* values);

  private:
    // The last value of a tag and its piece. Process data mostly repeats itself, and the same
    // bits always give the same piece (every option is fixed for the file), so a repeat costs a
    // copy of a fixed size, stored past the piece's end. Pieces longer than that are not kept.
    static constexpr std::size_t kKeptText = fast::kRoomPastPiece;
    static constexpr std::size_t kShortText = 16;
    // A tag whose values keep changing (random data) stops keeping its pieces after this many
    // misses in a row, and then keeps only every kRetryInterval-th, to notice when it repeats
    // again. Once (nearly) every tag of a row rests, the next kRetryInterval - 1 rows skip the
    // kept pieces altogether, and the row after them keeps every new piece.
    static constexpr std::uint32_t kMissesBeforeRest = 16;
    static constexpr std::uint32_t kRetryInterval = 64;
    // Rows skip the kept pieces once all but one in this many tags rest: a few tags that repeat
    // now and then, as a value of zero among random ones, would otherwise keep whole rows from
    // resting, and a row through the kept pieces costs more than one made afresh.
    static constexpr std::size_t kRestingShare = 16;
    struct Column {
        std::uint64_t bits = 0;
        bool known = false;
        std::uint8_t length = 0;
        std::uint32_t misses = 0;  // in a row
        char text[kKeptText] = {};
    };

    // The row through the kept pieces, and the row made afresh, by layout and number format.
    template <bool kCompact, bool kExtended>
    char* PutKept(char* out, const unsigned char* values);
    // The same for compact columns made four at a time: the new values gathered, their columns
    // made together, then every column copied into the row from its kept text or the new ones.
    char* PutKeptCompactColumns(char* out, const unsigned char* values);
    template <bool kCompact, bool kExtended>
    char* PutFresh(char* out, const unsigned char* values) const;
    template <bool kCompact, bool kExtended>
    char* PutRow(char* out, const unsigned char* values);
    template <bool kCompact, bool kExtended>
    static char* PutNew(char* out, std::uint64_t bits, char separator, bool isLast);

    bool compact_;
    int tagCount_;
    char separator_;
    bool extended_;
    bool vectorColumns_;
    std::unique_ptr<Column[]> columns_;
    // Rows left to make afresh while every tag rests, and whether the row after them retries.
    std::uint32_t restingRows_ = 0;
    bool retrying_ = false;
    // New pieces of the row being made, kept once the row is done: copying a piece right after
    // its bytes were stored one by one would wait for those stores.
    struct NewPiece {
        int tag;
        const char* text;
        std::size_t length;
        std::uint64_t bits;
    };
    std::unique_ptr<NewPiece[]> newPieces_;
    // For PutKeptCompactColumns: the new values as stored, their tags and columns, and where each
    // column of the row comes from.
    std::unique_ptr<unsigned char[]> newValues_;
    std::unique_ptr<std::uint32_t[]> newTags_;
    std::unique_ptr<char[]> newColumns_;
    std::unique_ptr<const char*[]> rowSources_;
};

}  // namespace trendtab
