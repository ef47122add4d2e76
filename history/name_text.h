// Tag names as UTF-8 text. Files store names as bytes in whatever code page the writing machine
// used; readers of CSV, databases and Python need Unicode. Every text output and the Python
// package decode names here, so they all show the same name for the same bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trendtab {

enum class NameEncoding {
    Detect,  // valid UTF-8 as it is, anything else as Windows-1252
    Utf8,    // invalid sequences become U+FFFD
    Cp1252,  // Windows-1252; its five unassigned bytes as the C1 controls Windows maps them to
    Latin1,  // ISO 8859-1: each byte is the code point of the same number
};

// "utf-8" (also "utf8"), "cp1252" (also "windows-1252"), "latin1" (also "latin-1",
// "iso-8859-1"), or "auto"; any letter case. Empty for other names.
std::optional<NameEncoding> NameEncodingNamed(std::string_view name);

bool IsValidUtf8(std::string_view bytes);

// `bytes` decoded as `encoding`, written as UTF-8.
std::string NameAsUtf8(std::string_view bytes, NameEncoding encoding = NameEncoding::Detect);

}  // namespace trendtab
