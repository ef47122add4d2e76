// A run of compact values as "%10.3f" columns, four values at a time in vector registers where the
// processor has them (x86-64 with AVX2, asked once at run time). Every column of that layout is 11
// bytes, the text cut or padded and the separator, so the values need no jump by magnitude or sign:
// the digits come out of double arithmetic and the bytes out of one shuffle by a table.
#pragma once

#include <cstddef>

namespace trendtab::fast {

// Whether this processor runs PutCompactColumns; fixed for the process.
bool HasCompactColumns();

// Writes the columns of `count` compact values (little-endian floats from `values`), each as
// PutCompactPiece<false> writes a value that is not the last of its row: 11 bytes, so the end is
// out + 11 * count. Values the vector arithmetic leaves undecided take PutCompactPiece itself.
// `out` has room for the columns and kRoomPastPiece more. Only where HasCompactColumns().
char* PutCompactColumns(char* out, const unsigned char* values, std::size_t count, char separator);

}  // namespace trendtab::fast
