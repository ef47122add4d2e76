#include "tests/e2e/converter_fixture.h"

#include <filesystem>

namespace e2e {

int UsageExitStatus() {
    return testsupport::ExitStatusOfMinusOne();
}

std::string Progress(int count) {
    std::string text;
    for (int line = 1; line <= count; ++line) {
        text += "\r    Line = " + std::to_string(line) + "   ";
    }
    return text;
}

std::string ConvertedBlock(const std::string& stem, const std::vector<std::string>& tags,
                           int records) {
    std::string text = "\n* Creating file " + stem + ".txt\n";
    for (const std::string& tag : tags) {
        text += "   Tag: " + tag + " \n";
    }
    return text + Progress(records) + "\n   => Creating file " + stem + ".hdr\n";
}

hstgen::HistoryPlan CompactFile(std::vector<std::string> tags,
                                std::vector<hstgen::Record> records) {
    hstgen::HistoryPlan content;
    content.tags = std::move(tags);
    content.records = std::move(records);
    return content;
}

hstgen::HistoryPlan WideFile(std::vector<std::string> tags, std::vector<hstgen::Record> records) {
    hstgen::HistoryPlan content = CompactFile(std::move(tags), std::move(records));
    content.layout = hstgen::Layout::Wide;
    return content;
}

void ConverterTest::Write(const std::string& name, const hstgen::HistoryPlan& content) {
    ASSERT_TRUE(hstgen::WriteHistoryFile(Path(name), content)) << name;
}

testsupport::RunResult ConverterTest::Run(const std::vector<std::string>& arguments,
                                          testsupport::RunOptions options) {
    if (options.workingDirectory.empty()) {
        options.workingDirectory = dir.path().string();
    }
    return testsupport::RunProgram(TRENDTAB_EXE, arguments, options);
}

std::string ConverterTest::Console(const testsupport::RunResult& result) const {
    const std::string text = testsupport::WithLfLineEnds(result.output);
    EXPECT_EQ(text.substr(0, kBannerStart.size()), kBannerStart);
    // The third banner line is the version and rights notice.
    const std::size_t end = text.find('\n', kBannerStart.size());
    EXPECT_NE(end, std::string::npos);
    EXPECT_EQ(text.substr(kBannerStart.size(), 9), "trendtab ");
    return end == std::string::npos ? text : text.substr(end + 1);
}

std::string ConverterTest::Convert(const std::vector<std::string>& arguments, int expectedStatus) {
    const testsupport::RunResult result = Run(arguments);
    EXPECT_EQ(result.exitCode, expectedStatus);
    EXPECT_EQ(result.errors, "");
    return Console(result);
}

std::string ConverterTest::Text(const std::string& name) const {
    return testsupport::WithLfLineEnds(Bytes(name));
}

std::string ConverterTest::Bytes(const std::string& name) const {
    return testsupport::ReadFileBytes(Path(name));
}

std::map<std::string, std::string> ConverterTest::Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        const std::string name = entry.path().lexically_relative(dir.path()).generic_string();
        files[name] = entry.is_regular_file() ? testsupport::ReadFileBytes(entry.path().string())
                                              : std::string("<folder>");
    }
    return files;
}

bool ConverterTest::Exists(const std::string& name) const {
    return testsupport::FileExists(Path(name));
}

}  // namespace e2e
