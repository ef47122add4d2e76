// Text forms of the things hstgen writes: stamps, values, numbers and escaped bytes, shared by the
// description parser and the command line. Each parser returns false and says why in `error`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/hstgen/hst_writer.h"

namespace hstgen {

// Decodes \t \n \r \0 \\ \" and \xHH (two hex digits); every other byte stands for itself.
bool Unescape(std::string_view text, std::string& bytes, std::string& error);

// A decimal integer in [min, max].
bool ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value,
                  std::string& error);

// A UTC calendar time, YYYY-MM-DDTHH:MM:SS with an optional fraction of 1 to 7 digits, as FILETIME
// ticks (years 0001 to 9999; before 1601 the count is negative).
bool ParseCalendarTime(std::string_view text, std::int64_t& ticks, std::string& error);

// A record stamp as `layout` stores it. Compact: a calendar time in whole seconds, or @N raw
// seconds; the result lies in [-2^31, 2^32) and its low 32 bits are written. Wide: a calendar
// time, or #N raw ticks in [-2^63, 2^64), kept modulo 2^64.
bool ParseStamp(std::string_view text, Layout layout, std::int64_t& stamp, std::string& error);

// A value: a decimal number, nan, -nan, inf, -inf, or 0x followed by the exact bits of the float
// (compact, up to 8 hex digits) or double (wide, up to 16). Decimal numbers are rounded once, to
// the float in the compact layout, and must lie within its range.
struct Value {
    double number = 0;
    std::optional<std::uint64_t> bits;  // set for nan, -nan and 0x forms
};
bool ParseValue(std::string_view text, Layout layout, Value& value, std::string& error);

// A duration in seconds with up to 7 decimals, optionally negative, as ticks.
bool ParseSeconds(std::string_view text, std::int64_t& ticks, std::string& error);

}  // namespace hstgen
