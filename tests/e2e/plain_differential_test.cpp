// The fast converter against the plain build (trendtab-plain, every piece written the
// straightforward way): the same console text and the same bytes in every file, for both layouts,
// under every option, across daylight-saving changes, with any number of workers.
#include <filesystem>

#include "tests/e2e/converter_fixture.h"
#include "tools/hstgen/series.h"

namespace e2e {
namespace {

class PlainRowsInZone : public ConverterTest {
  protected:
    void SetUp() override {
        for (const char* folder : {"fast", "plain"}) {
            std::filesystem::create_directory(dir.path() / folder);
        }
        AddSeries("compact-trend.hst", hstgen::Layout::Compact, hstgen::ValuePattern::Trend,
                  hstgen::FileTimeTicks(2011, 3, 26, 22, 0, 0), 13 * kSecond, 2);
        AddSeries("compact-random.hst", hstgen::Layout::Compact, hstgen::ValuePattern::Random,
                  hstgen::FileTimeTicks(2011, 10, 29, 22, 0, 0), 11 * kSecond, 0);
        AddSeries("wide-trend.hst", hstgen::Layout::Wide, hstgen::ValuePattern::Trend,
                  hstgen::FileTimeTicks(2011, 10, 29, 23, 30, 0), kSecond * 9 / 8, 3);
        AddSeries("wide-random.hst", hstgen::Layout::Wide, hstgen::ValuePattern::Random,
                  hstgen::FileTimeTicks(2011, 3, 13, 5, 0, 0), 3'333'333, 0);
    }

    void AddSeries(const std::string& name, hstgen::Layout layout, hstgen::ValuePattern pattern,
                   std::int64_t startTicks, std::int64_t stepTicks, int wideTags) {
        hstgen::SeriesOptions options;
        options.layout = layout;
        options.tags = 9;
        options.records = 4000 / testsupport::HeavyTestDivisor();
        options.startTicks = startTicks;
        options.stepTicks = stepTicks;
        options.pattern = pattern;
        options.wideTags = wideTags;
        options.seed = 20110327;
        for (const char* folder : {"fast", "plain"}) {
            ASSERT_TRUE(hstgen::WriteSeriesFile(Path(std::string(folder) + "/" + name), options));
        }
    }

    void ExpectSameAsPlain(const std::vector<std::string>& options) {
        std::vector<std::string> arguments = {"*.hst"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        testsupport::RunOptions plain;
        plain.workingDirectory = Path("plain");
        const auto plainRun = testsupport::RunProgram(TRENDTAB_PLAIN_EXE, arguments, plain);
        // The usual shape, and forced worker counts over blocks that do not divide the records.
        for (const char* shape : {"", "1:333", "2:333", "3:1000", "8:97"}) {
            SCOPED_TRACE(shape);
            testsupport::RunOptions fast;
            fast.workingDirectory = Path("fast");
            if (*shape) {
                fast.environment = {{"TRENDTAB_WORKERS", shape}};
            }
            const auto fastRun = testsupport::RunProgram(TRENDTAB_EXE, arguments, fast);
            EXPECT_EQ(fastRun.exitCode, plainRun.exitCode);
            EXPECT_TRUE(fastRun.output == plainRun.output) << "console text differs";
            for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "plain")) {
                const std::string name = entry.path().filename().string();
                EXPECT_TRUE(Bytes("fast/" + name) == Bytes("plain/" + name)) << name << " differs";
            }
        }
    }

    static constexpr std::int64_t kSecond = 10'000'000;
};

TEST_F(PlainRowsInZone, DefaultOptions) {
    ExpectSameAsPlain({});
}

TEST_F(PlainRowsInZone, ExtendedWithMilliseconds) {
    ExpectSameAsPlain({"/e", "/m", ";"});
}

TEST_F(PlainRowsInZone, WindowAndDecimation) {
    ExpectSameAsPlain({"/i:01:30:00", "/f:02:45:00", "/l:3"});
    ExpectSameAsPlain({"/m", "/L:7", ","});
}

}  // namespace
}  // namespace e2e
