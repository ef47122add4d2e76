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
std::string PlainPieces(Layout layout, const unsigned char* values, int tags, bool extended,
                        char separator = ';') {
    std::string row;
    for (int tag = 0; tag < tags; ++tag) {
        const bool isLast = tag == tags - 1;
        if (layout == Layout::Compact) {
            float value;
            std::memcpy(&value, values + 4 * tag, 4);
            plain::AppendCompactValuePiece(row, value, separator, isLast, extended);
        } else {
            double value;
            std::memcpy(&value, values + 8 * tag, 8);
            plain::AppendValuePiece(row, value, separator, isLast, extended);
        }
    }
    return row;
}

// Every layout and number format; compact columns also made four at a time, where the processor
// can.
struct Shape {
    Layout layout;
    bool extended;
    bool vectors;
};
constexpr Shape kShapes[] = {{Layout::Compact, false, false},
                             {Layout::Compact, false, true},
                             {Layout::Compact, true, false},
                             {Layout::Wide, false, false},
                             {Layout::Wide, true, false}};

// Rows through the kept pieces (Put) against the same rows made value by value (plain), for
// tags that repeat, alternate, change at random and settle again after long changing runs.
TEST(ValueColumns, KeptPiecesGiveTheSameRowsAsValueByValue) {
    constexpr int kTags = 5;
    constexpr int kRows = 2000;
    for (const auto& [layout, extended, vectors] : kShapes) {
        ValueColumns kept(layout, kTags, ';', extended, vectors);
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
                    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(values[tag]));
                    std::memcpy(record + 4 * tag, &bits, 4);
                } else {
                    std::memcpy(record + 8 * tag, &values[tag], 8);
                }
            }
            const char* const begin = out.data();
            const char* const end = kept.Put(out.data(), record);
            ASSERT_EQ(std::string(begin, end), PlainPieces(layout, record, kTags, extended))
                << "row " << row << (layout == Layout::Compact ? " compact" : " wide")
                << (extended ? " /e" : "") << (vectors ? ", four at a time" : "");
        }
    }
}

// Rows of tags that all change at random rest the kept pieces for whole rows; the rows made then,
// and those after the tags settle (all of them, or some), keep the bytes of value by value.
TEST(ValueColumns, RowsMadeWhileEveryTagRestsGiveTheSameRows) {
    struct Case {
        const char* name;
        int tags;
        int settleFrom;   // the row from which settled tags repeat their value
        int settledTags;  // how many of the first tags settle
    };
    const Case cases[] = {
        {"one tag, random throughout", 1, 1000, 0},
        {"random throughout", 6, 1000, 0},
        {"all settle", 6, 300, 6},
        {"one settles", 6, 500, 1},
        {"one tag settles", 1, 700, 1},
    };
    constexpr int kRows = 1000;
    for (const Case& c : cases) {
        for (const auto& [layout, extended, vectors] : kShapes) {
            ValueColumns kept(layout, c.tags, ',', extended, vectors);
            std::mt19937_64 random(5);
            std::vector<char> out(ValueColumns::LongestPieces(c.tags) + fast::kRoomPastPiece);
            std::vector<unsigned char> record(8 * static_cast<std::size_t>(c.tags));
            for (int row = 0; row < kRows; ++row) {
                for (int tag = 0; tag < c.tags; ++tag) {
                    // Magnitudes of every size, so the pieces vary in length.
                    const double value =
                        row >= c.settleFrom && tag < c.settledTags
                            ? -0.125 * tag
                            : std::ldexp(static_cast<double>(random() >> 40) - 0x800000,
                                         static_cast<int>(random() % 60) - 40);
                    if (layout == Layout::Compact) {
                        const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
                        std::memcpy(record.data() + 4 * tag, &bits, 4);
                    } else {
                        std::memcpy(record.data() + 8 * tag, &value, 8);
                    }
                }
                const char* const begin = out.data();
                const char* const end = kept.Put(out.data(), record.data());
                ASSERT_EQ(std::string(begin, end),
                          PlainPieces(layout, record.data(), c.tags, extended, ','))
                    << c.name << ", row " << row
                    << (layout == Layout::Compact ? " compact" : " wide") << (extended ? " /e" : "")
                    << (vectors ? ", four at a time" : "");
            }
        }
    }
}

}  // namespace
}  // namespace trendtab
