// UTF-8 and UTF-16 conversions of wide text, portable: plain loops over the code units.
#include <cstdint>

#include "timelib/portable/wide_text.h"

static_assert(sizeof(WCHAR) == 2, "wide text is UTF-16");

namespace trendtab::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutUtf16(char32_t c, WideString* wide) {
    if (c < 0x10000) {
        wide->push_back(static_cast<WCHAR>(c));
        return;
    }
    c -= 0x10000;  // [0, 0xFFFFF]
    wide->push_back(static_cast<WCHAR>(0xD800 + (c >> 10)));
    wide->push_back(static_cast<WCHAR>(0xDC00 + (c & 0x3FF)));
}

void PutUtf8(char32_t c, std::string* text) {
    if (c < 0x80) {
        text->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        text->push_back(static_cast<char>(0xC0 | (c >> 6)));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        text->push_back(static_cast<char>(0xE0 | (c >> 12)));
        text->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        text->push_back(static_cast<char>(0xF0 | (c >> 18)));
        text->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        text->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// One code point from the bytes at *pos, which moves past it; kReplacement for a malformed
// sequence (overlong forms, surrogates and values above U+10FFFF included), which then
// consumes one byte.
char32_t NextUtf8(std::string_view text, std::size_t* pos, bool* wellFormed) {
    const auto lead = static_cast<unsigned char>(text[*pos]);
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++*pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    }
    if (length == 0 || text.size() - *pos < static_cast<std::size_t>(length)) {
        *wellFormed = false;
        ++*pos;
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[*pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            *wellFormed = false;
            ++*pos;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        *wellFormed = false;
        ++*pos;
        return kReplacement;
    }
    *pos += static_cast<std::size_t>(length);
    return c;
}

}  // namespace

bool WideFromUtf8(std::string_view text, WideString* wide) {
    wide->clear();
    bool wellFormed = true;
    for (std::size_t pos = 0; pos < text.size();) {
        PutUtf16(NextUtf8(text, &pos, &wellFormed), wide);
    }
    return wellFormed;
}

bool Utf8FromWide(std::basic_string_view<WCHAR> wide, std::string* text) {
    text->clear();
    bool wellFormed = true;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = static_cast<std::uint16_t>(wide[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() &&
            static_cast<std::uint16_t>(wide[i + 1]) >= 0xDC00 &&
            static_cast<std::uint16_t>(wide[i + 1]) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint16_t>(wide[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            wellFormed = false;
            c = kReplacement;
        }
        PutUtf8(c, text);
    }
    return wellFormed;
}

}  // namespace trendtab::platform
