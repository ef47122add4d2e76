#include "converter/value_columns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "converter/row_format.h"

namespace trendtab {
namespace {

// The pieces of one record's values, value by value through the plain pieces.
std::string PlainPieces(Layout layout, const unsigned char* values, int tags, bool extended) {
    std::string row;
    for (int tag = 0; tag < tags; ++tag) {
        const bool isLast = tag == tags - 1;
        if (layout == Layout::Compact) {
            float value;
            std::memcpy(&value, values + 4 * tag, 4);
            plain::AppendCompactValuePiece(row, value, ';', isLast, extended);
        } else {
            double value;
            std::memcpy(&value, values + 8 * tag, 8);
            plain::AppendValuePiece(row, value, ';', isLast, extended);
        }
    }
    return row;
}

// Rows through the kept pieces (Put) against the same rows made value by value (plain), for
// tags that repeat, alternate, change at random and settle again after long changing runs.
TEST(ValueColumns, KeptPiecesGiveTheSameRowsAsValueByValue) {
    constexpr int kTags = 5;
    constexpr int kRows = 2000;
    for (const Layout layout : {Layout::Compact, Layout::Wide}) {
        for (const bool extended : {false, true}) {
            ValueColumns kept(layout, kTags, ';', extended);
            std::mt19937_64 random(11);
            std::vector<char> out(ValueColumns::LongestPieces(kTags) + fast::kRoomPastPiece);
            for (int row = 0; row < kRows; ++row) {
                const double values[kTags] = {
                    12.5,                                                       // constant
                    row % 2 == 0 ? 1.25 : -7.0,                                 // alternating
                    std::ldexp(static_cast<double>(random() >> 40), -10),       // random
                    row < 500 || (row > 1200 && row < 1300) ? row * 0.5 : 3.0,  // settles twice
                    row % 97 == 0 ? 4.0 : 5.0,                                  // rare change
                };
                unsigned char record[kTags * 8];
                for (int tag = 0; tag < kTags; ++tag) {
                    if (layout == Layout::Compact) {
                        const auto bits =
                            std::bit_cast<std::uint32_t>(static_cast<float>(values[tag]));
                        std::memcpy(record + 4 * tag, &bits, 4);
                    } else {
                        std::memcpy(record + 8 * tag, &values[tag], 8);
                    }
                }
                const char* const begin = out.data();
                const char* const end = kept.Put(out.data(), record);
                ASSERT_EQ(std::string(begin, end), PlainPieces(layout, record, kTags, extended))
                    << "row " << row << (layout == Layout::Compact ? " compact" : " wide")
                    << (extended ? " /e" : "");
            }
        }
    }
}

}  // namespace
}  // namespace trendtab
