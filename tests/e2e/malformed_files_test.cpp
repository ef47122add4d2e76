// Broken and hostile history files, one class at a time: the exact console text, which files
// exist afterwards and with what bytes, and the input byte for byte as it was.
#include <cstring>
#include <limits>
#include <optional>

#include "tests/e2e/converter_fixture.h"
#include "tests/support/run_program.h"

namespace e2e {
namespace {

using hstgen::FileTimeTicks;
using hstgen::HistoryPlan;
using hstgen::Record;
using hstgen::UnixSeconds;

struct MalformedCase {
    std::string name;                // the input's file name, "<stem>.hst"
    std::string bytes;               // the input
    std::string console;             // after "* Creating file", before the closing "\n\n"
    std::optional<std::string> txt;  // nullopt: the conversion fails, nothing on disk changes
    std::optional<std::string> hdr;
    std::vector<std::string> options = {};
};

HistoryPlan OneTag() {
    return CompactFile({"A"}, {{UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}});
}

std::string Bytes(const HistoryPlan& content) {
    return hstgen::BuildHistoryBytes(content);
}

std::vector<MalformedCase> Cases() {
    std::vector<MalformedCase> cases;
    const std::string tagA = "   Tag: A \n";
    const std::string hdrA = "1\nA                \n";
    const std::string rowA = "04/03/2011\t13:05:09\t     1.000\n";
    auto header = [](HistoryPlan content, auto change) {
        change(content);
        return Bytes(content);
    };

    cases.push_back({"empty.hst", "", "    Error in type of infoFile data: empty.hst\n", {}, {}});
    cases.push_back({"one.hst", "\x02", "    Error in type of infoFile data: one.hst\n", {}, {}});
    // A type, but not the rest of its infoFile block: no message at all.
    cases.push_back({"compact-type.hst", std::string("\x02\0\x0c\0", 4), "", {}, {}});
    cases.push_back({"wide-type.hst", std::string("\x05\0\0\0\0\0\0\0\0\0", 10), "", {}, {}});
    cases.push_back({"head.hst",
                     header(OneTag(), [](HistoryPlan& s) { s.truncateTo = 6 + 53; }),
                     "    Error loading infoHead data: head.hst\n",
                     {},
                     {}});
    for (std::int16_t count : {-1, 251, 32767}) {
        const std::string name = "tags" + std::to_string(count) + ".hst";
        cases.push_back({name,
                         header(OneTag(), [&](HistoryPlan& s) { s.numTags = count; }),
                         "    Error in number of tags of infoHead data: " + name + "\n",
                         {},
                         {}});
    }
    cases.push_back(
        {"table.hst",
         header(CompactFile({"A", "B"}), [](HistoryPlan& s) { s.truncateTo = 60 + 300; }),
         tagA + "   Invalid history file",
         {},
         {}});
    HistoryPlan wideNul = WideFile({});
    wideNul.rawTagText = std::string("A\tdescA\0B\tdescB", 15);
    wideNul.numTags = 2;
    wideNul.recordSize = 24;
    cases.push_back({"nulbyte.hst", Bytes(wideNul), tagA + "   Invalid history file", {}, {}});
    HistoryPlan onlyTabs = WideFile({});
    onlyTabs.rawTagText = "\t\t\t\t";
    onlyTabs.numTags = 1;
    onlyTabs.recordSize = 16;
    cases.push_back({"tabs.hst", Bytes(onlyTabs), "   Invalid history file", {}, {}});
    HistoryPlan wideCut = WideFile({"A"}, {{FileTimeTicks(2011, 3, 4, 13, 5, 9), {1}}});
    wideCut.truncateTo = 70 + 2;
    cases.push_back({"widecut.hst", Bytes(wideCut), "   Invalid history file", {}, {}});

    cases.push_back({"size0.hst", header(OneTag(), [](HistoryPlan& s) { s.recordSize = 0; }),
                     tagA + "\n   => Creating file size0.hdr\n", "", hdrA});
    cases.push_back({"small.hst",
                     header(OneTag(), [](HistoryPlan& s) { s.recordSize = 7; }),
                     tagA + "   Invalid history file",
                     {},
                     {}});
    // Records larger than any fixed buffer: the values come first, the rest is not read.
    HistoryPlan huge = CompactFile({"A"});
    huge.recordSize = 65535;
    std::string record(65535, '\x5a');
    const std::uint32_t stamp = static_cast<std::uint32_t>(UnixSeconds(2011, 3, 4, 13, 5, 9));
    const float one = 1.0f;
    std::memcpy(record.data(), &stamp, 4);
    std::memcpy(record.data() + 4, &one, 4);
    huge.records = {Record::Raw(record), Record::Raw(record)};
    huge.trailing = record.substr(0, 65534);  // a partial last record is ignored
    cases.push_back({"huge.hst", Bytes(huge),
                     tagA + Progress(2) + "\n   => Creating file huge.hdr\n", rowA + rowA, hdrA});
    cases.push_back({"partial.hst", header(OneTag(), [](HistoryPlan& s) { s.trailing = "\1\2\3"; }),
                     tagA + Progress(1) + "\n   => Creating file partial.hdr\n", rowA, hdrA});

    // Stamps: negative compact ones are counted but give no row; wide ones of 2^63 and above
    // show the failure values; a wide one whose local time falls before 1601 is shown as
    // 1970 begins (its local year lies before 1900).
    cases.push_back(
        {"negative.hst",
         Bytes(CompactFile({"A"}, {{-5, {1}}, {UnixSeconds(2011, 3, 4, 13, 5, 9), {1}}})),
         tagA + Progress(2) + "\n   => Creating file negative.hdr\n", rowA, hdrA});
    cases.push_back(
        {"invalid.hst",
         Bytes(WideFile({"A"}, {{static_cast<std::int64_t>(1ULL << 63), {1}}, {-1, {2}}})),
         tagA + Progress(2) + "\n   => Creating file invalid.hdr\n",
         "00/00/0000\t-1:-1:-1\t     1.000\n00/00/0000\t-1:-1:-1\t     2.000\n", hdrA});
    cases.push_back({"early.hst", Bytes(WideFile({"A"}, {{0, {1}}, {5, {2}}})),
                     tagA + Progress(2) + "\n   => Creating file early.hdr\n",
                     "01/01/1970\t00:00:00\t     1.000\n01/01/1970\t00:00:00\t     2.000\n", hdrA});
    // Values that are no numbers, through both layouts.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    cases.push_back({"nonfinite.hst",
                     Bytes(CompactFile({"A", "B", "C"},
                                       {{UnixSeconds(2011, 3, 4, 13, 5, 9), {nan, inf, -inf}}})),
                     "   Tag: A \n   Tag: B \n   Tag: C \n" + Progress(1) +
                         "\n   => Creating file nonfinite.hdr\n",
                     "04/03/2011\t13:05:09\t       nan\t       inf\t      -inf\n",
                     "3\nA                \nB                \nC                \n"});
    return cases;
}

class MalformedFiles : public ConverterTest {};

TEST_F(MalformedFiles, EveryClassEndsCleanlyAndLeavesTheInputAlone) {
    for (const MalformedCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        testsupport::WriteFileBytes(Path(c.name), c.bytes);
        std::vector<std::string> arguments = {c.name};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::string stem = c.name.substr(0, c.name.size() - 4);
        // An earlier pair of outputs, which only a whole successful conversion may replace.
        testsupport::WriteFileBytes(Path(stem + ".txt"), "earlier rows\n");
        testsupport::WriteFileBytes(Path(stem + ".hdr"), "earlier tags\n");
        const auto before = Snapshot();
        const bool converts = c.txt.has_value();
        EXPECT_EQ(Convert(arguments, converts ? 0 : 1),
                  "\n* Creating file " + stem + ".txt\n" + c.console + "\n\n");
        if (converts) {
            EXPECT_EQ(Text(stem + ".txt"), *c.txt);
            EXPECT_EQ(Text(stem + ".hdr"), *c.hdr);
            EXPECT_EQ(Snapshot().size(), before.size()) << "a temporary was left";
        } else {
            EXPECT_TRUE(Snapshot() == before) << "a failed conversion changed the folder";
        }
        EXPECT_TRUE(Bytes(c.name) == c.bytes) << "the input changed";
    }
}

}  // namespace
}  // namespace e2e
