// A run of wide values as "%10.3f" columns, four values at a time in vector registers where the
// processor has them (x86-64 with AVX2 and FMA, asked once at run time). Every column of that
// layout is 11 bytes, the text cut or padded and the separator, so the values need no jump by
// magnitude or sign: the thousandths come out of double arithmetic (16 digits by two halves) and
// the bytes out of two shuffles by a table.
#pragma once

#include <cstddef>

namespace trendtab::fast {

// Whether this processor runs PutWideColumns; fixed for the process.
bool HasWideColumns();

// Writes the columns of `count` wide values (little-endian doubles from `values`), each as
// PutWidePiece<false> writes a value that is not the last of its row: 11 bytes, so the end is
// out + 11 * count. Values the vector arithmetic leaves undecided take PutWidePiece itself.
// `out` has room for the columns and kRoomPastPiece more. Only where HasWideColumns().
char* PutWideColumns(char* out, const unsigned char* values, std::size_t count, char separator);

}  // namespace trendtab::fast
