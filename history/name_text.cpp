#include "history/name_text.h"

#include <array>
#include <cstdint>

namespace trendtab {
namespace {

// Windows-1252's bytes 0x80-0x9F. The five it leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the C1 control of the same number, as MultiByteToWideChar decodes them.
constexpr std::array<char32_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at `bytes[i]`, 0 when none starts there (overlong
// forms, surrogates and code points past U+10FFFF are invalid, as Python and PostgreSQL hold).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

char32_t SingleByte(unsigned char byte, NameEncoding encoding) {
    if (encoding == NameEncoding::Latin1 || byte < 0x80 || byte > 0x9F) {
        return byte;
    }
    return kCp1252High[byte - 0x80];
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != b[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<NameEncoding> NameEncodingNamed(std::string_view name) {
    for (const char* utf8 : {"utf-8", "utf8"}) {
        if (SameLetters(name, utf8)) {
            return NameEncoding::Utf8;
        }
    }
    for (const char* cp1252 : {"cp1252", "windows-1252"}) {
        if (SameLetters(name, cp1252)) {
            return NameEncoding::Cp1252;
        }
    }
    for (const char* latin1 : {"latin1", "latin-1", "iso-8859-1"}) {
        if (SameLetters(name, latin1)) {
            return NameEncoding::Latin1;
        }
    }
    if (SameLetters(name, "auto")) {
        return NameEncoding::Detect;
    }
    return std::nullopt;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string NameAsUtf8(std::string_view bytes, NameEncoding encoding) {
    if (encoding == NameEncoding::Detect) {
        encoding = IsValidUtf8(bytes) ? NameEncoding::Utf8 : NameEncoding::Cp1252;
    }
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (encoding != NameEncoding::Utf8) {
            AppendUtf8(SingleByte(static_cast<unsigned char>(bytes[i]), encoding), text);
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0) {
            AppendUtf8(0xFFFD, text);
            ++i;
        } else {
            text.append(bytes.substr(i, length));
            i += length;
        }
    }
    return text;
}

}  // namespace trendtab
