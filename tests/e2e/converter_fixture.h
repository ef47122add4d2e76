// End-to-end fixture: writes .hst files into a fresh folder, runs the built converter there and
// reads back its console text and output files.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/test_support.h"
#include "tools/hstgen/hst_writer.h"

namespace e2e {

inline const std::string kBannerStart = "\nHistory File to ASCII File Converter\n";

inline const std::string kUsage =
    "\nUsage: trendtab <filename> [<separator>] [/e] [/i:<HH:MM:SS>] [/f:<HH:MM:SS>] [/m]\n"
    "   <filename> = Trend History file, e.g.: 01952010.hst\n"
    "   [<separator>] = Data separator character (default = \t <TAB>)\n"
    "   [/e] = Extended functionality (convert data with more than 10 characters)\n"
    "   [/i:<HH:MM:SS>] Start Time  (HH=hour ; MM=minute ; SS=second)\n"
    "   [/f:<HH:MM:SS>] Finish Time (HH=hour ; MM=minute ; SS=second)\n"
    "   [/m] = Include milliseconds in the time column\n"
    "   [/l:N] Gets every N line \n";

// The exit status of exit(-1) as the parent sees it.
int UsageExitStatus();

// "\r    Line = 1   " ... for `count` records.
std::string Progress(int count);

// The console text of one successful conversion.
std::string ConvertedBlock(const std::string& stem, const std::vector<std::string>& tags,
                           int records);

// A compact file with the given tags and (seconds, values) records.
hstgen::HistoryPlan CompactFile(std::vector<std::string> tags,
                                std::vector<hstgen::Record> records = {});
// A wide file with the given tags and (ticks, values) records.
hstgen::HistoryPlan WideFile(std::vector<std::string> tags,
                             std::vector<hstgen::Record> records = {});

class ConverterTest : public ::testing::Test {
  protected:
    void Write(const std::string& name, const hstgen::HistoryPlan& content);
    // Runs the converter in the test folder (or the options' own working folder).
    testsupport::RunResult Run(const std::vector<std::string>& arguments,
                               testsupport::RunOptions options = {});
    // The console text after the banner, with LF line ends; checks the banner on the way.
    std::string Console(const testsupport::RunResult& result) const;
    // Runs and returns the console text after the banner, expecting the exit status given: 0
    // when every file converts, 1 when any did not.
    std::string Convert(const std::vector<std::string>& arguments, int expectedStatus = 0);
    // Every file under the test folder (hidden ones included) with its bytes, by relative name:
    // what a failed conversion must leave exactly as it was.
    std::map<std::string, std::string> Snapshot() const;
    // A file's bytes with LF line ends (text-mode files end lines in CR LF on Windows).
    std::string Text(const std::string& name) const;
    std::string Bytes(const std::string& name) const;
    bool Exists(const std::string& name) const;
    std::string Path(const std::string& name) const { return dir.file(name); }

    testsupport::TempDir dir;
};

}  // namespace e2e
