#include "tools/hstgen/hstgen_app.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/test_support.h"
#include "tools/hstgen/description.h"
#include "tools/hstgen/series.h"

namespace hstgen {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunHstgen(args, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(HstgenApp, HelpListsEveryDirectiveAndOption) {
    const Outcome help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word :
         {"layout",   "type",     "record-size",  "tag-text-size", "num-tags", "tag NAME",
          "tag-text", "slot",     "record STAMP", "raw-record",    "trailing", "truncate",
          "--from",   "--layout", "--tags",       "--records",     "--start",  "--step",
          "--values", "--seed",   "--wide-tags"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
}

TEST(HstgenApp, BadArgumentsGiveOneLineAndStatus2) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a.hst", "b.hst"},
        {"a.hst", "--tags"},
        {"a.hst", "--bogus", "1"},
        {"a.hst", "--tags", "251"},
        {"a.hst", "--tags", "2", "--tags", "3"},
        {"a.hst", "--layout", "tall"},
        {"a.hst", "--values", "const:x"},
        {"a.hst", "--values", "wavy"},
        {"a.hst", "--step", "0.123456789"},
        {"a.hst", "--start", "#5"},
        {"a.hst", "--start", "2200-01-01T00:00:00"},
        {"a.hst", "--from", "-", "--tags", "2"},
        {"a.hst", "--from", "/nonexistent/x.desc"},
    };
    for (const auto& args : cases) {
        const Outcome outcome = RunTool(args);
        const std::string shown = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(outcome.status, 2) << shown;
        EXPECT_EQ(outcome.err.rfind("hstgen: ", 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    }
    const Outcome described = RunTool({"a.hst", "--from", "-"}, "tag A\n\nrecord @0 x\n");
    EXPECT_EQ(described.err.rfind("hstgen: standard input:3: value 1: not a value", 0), 0u)
        << described.err;
}

TEST(HstgenApp, WritesFromADescriptionOrOptions) {
    testsupport::TempDir dir;
    const std::string path = dir.file("out.hst");
    const std::string description = "layout wide\ntag A\nrecord #1 2.5\n";
    ASSERT_EQ(RunTool({path, "--from", "-"}, description).status, 0);
    HistoryPlan content;
    DescriptionError error;
    ASSERT_TRUE(ParseDescription(description, content, error));
    EXPECT_EQ(testsupport::ReadFileBytes(path), BuildHistoryBytes(content));

    ASSERT_EQ(RunTool({"--layout", "wide", path, "--tags", "3", "--records", "10", "--start",
                       "2011-03-04T13:05:09.25", "--step", "0.5", "--values", "const:-nan",
                       "--seed", "9"})
                  .status,
              0);
    SeriesOptions options;
    options.layout = Layout::Wide;
    options.tags = 3;
    options.records = 10;
    options.startTicks = FileTimeTicks(2011, 3, 4, 13, 5, 9, 250);
    options.stepTicks = 5'000'000;
    options.pattern = ValuePattern::Const;
    options.constBits = 0xFFF8000000000000u;
    options.seed = 9;
    EXPECT_EQ(testsupport::ReadFileBytes(path), BuildHistoryBytes(BuildSeriesPlan(options)));

    const Outcome failed = RunTool({dir.file("missing/out.hst"), "--records", "1"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("cannot write"), std::string::npos);
}

// The committed examples are what their descriptions make.
TEST(HstgenApp, ExamplesMatchTheirDescriptions) {
    for (const char* name : {"compact", "wide"}) {
        const std::string base = std::string(HSTGEN_EXAMPLES_DIR) + "/" + name;
        HistoryPlan content;
        DescriptionError error;
        ASSERT_TRUE(ParseDescription(testsupport::ReadFileBytes(base + ".desc"), content, error))
            << name << ":" << error.line << ": " << error.message;
        EXPECT_TRUE(testsupport::ReadFileBytes(base + ".hst") == BuildHistoryBytes(content))
            << name;
    }
}

}  // namespace
}  // namespace hstgen
