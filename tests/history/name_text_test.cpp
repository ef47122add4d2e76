// Tag names as UTF-8: what each encoding makes of the bytes plant files hold.
#include "history/name_text.h"

#include <gtest/gtest.h>

namespace {

using trendtab::NameAsUtf8;
using trendtab::NameEncoding;

struct NameCase {
    const char* bytes;
    NameEncoding encoding;
    const char* utf8;
};

TEST(NameText, DecodesEachEncoding) {
    const NameCase cases[] = {
        // Windows-1252 from a plant PC: degree sign, accents, euro, en dash.
        {"Temperatur \xB0"
         "C",
         NameEncoding::Detect, "Temperatur \u00B0C"},
        {"caf\xE9", NameEncoding::Detect, "caf\u00E9"},
        {"\x80/h \x96 \x9F", NameEncoding::Detect, "\u20AC/h \u2013 \u0178"},
        // Its five unassigned bytes, as Windows decodes them.
        {"\x81\x8D\x8F\x90\x9D", NameEncoding::Detect, "\u0081\u008D\u008F\u0090\u009D"},
        // Valid UTF-8 stays as it is, also where it could be read as Windows-1252.
        {"Temperatur \u00B0C", NameEncoding::Detect, "Temperatur \u00B0C"},
        {"\u20AC \U0001F525", NameEncoding::Detect, "\u20AC \U0001F525"},
        {"plain", NameEncoding::Detect, "plain"},
        {"", NameEncoding::Detect, ""},
        // Mixed: one invalid byte makes the whole name Windows-1252.
        {"\xC3\xA9 \xE9", NameEncoding::Detect, "\u00C3\u00A9 \u00E9"},
        // Forms that look like UTF-8 but are not: overlong, surrogate, past U+10FFFF, cut short.
        {"\xC0\xAF", NameEncoding::Detect, "\u00C0\u00AF"},
        {"\xED\xA0\x80", NameEncoding::Detect, "\u00ED\u00A0\u20AC"},
        {"\xF4\x90\x80\x80", NameEncoding::Detect, "\u00F4\u0090\u20AC\u20AC"},
        {"\xE2\x82", NameEncoding::Detect, "\u00E2\u201A"},
        // Forced encodings.
        {"\x80\xB0", NameEncoding::Latin1, "\u0080\u00B0"},
        {"\xC3\xA9", NameEncoding::Cp1252, "\u00C3\u00A9"},
        {"\xC3\xA9 \xE9", NameEncoding::Utf8, "\u00E9 \uFFFD"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(NameAsUtf8(c.bytes, c.encoding), c.utf8) << c.bytes;
    }
}

TEST(NameText, EveryByteGivesValidUtf8) {
    for (const NameEncoding encoding :
         {NameEncoding::Detect, NameEncoding::Utf8, NameEncoding::Cp1252, NameEncoding::Latin1}) {
        for (int byte = 0; byte < 256; ++byte) {
            const std::string name(1, static_cast<char>(byte));
            EXPECT_TRUE(trendtab::IsValidUtf8(NameAsUtf8(name, encoding))) << byte;
        }
    }
}

TEST(NameText, EncodingNames) {
    EXPECT_EQ(trendtab::NameEncodingNamed("UTF-8"), NameEncoding::Utf8);
    EXPECT_EQ(trendtab::NameEncodingNamed("Windows-1252"), NameEncoding::Cp1252);
    EXPECT_EQ(trendtab::NameEncodingNamed("latin1"), NameEncoding::Latin1);
    EXPECT_EQ(trendtab::NameEncodingNamed("auto"), NameEncoding::Detect);
    EXPECT_EQ(trendtab::NameEncodingNamed("utf-16"), std::nullopt);
}

}  // namespace
