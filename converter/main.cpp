// trendtab: converts trend history files (.hst) into text rows (.txt) and tag lists (.hdr).
#include <cstdio>
#include <exception>
#include <string>

#include "converter/convert.h"
#include "converter/options.h"
#include "converter/usage.h"
#include "platform/file_search.h"
#include "platform/process_setup.h"
#include "platform/standard_streams.h"
#include "platform/terminal.h"

namespace {

int Run(int argc, char** argv) {
    using namespace trendtab;
    PrepareProcess();
    platform::UseUtf8Console();
    PrintBanner();
    if (argc == 2 && IsPlatformHelpRequest(argv[1])) {
        PrintUsage();
        return 0;
    }
    ConvertOptions options;
    if (argc < 2 || !ScanOptions(argc, argv, options)) {
        PrintUsage();
        return -1;
    }
    const std::vector<std::string> matches = FindMatchingFiles(argv[1]);
    if (matches.empty()) {
        std::printf("Cannot found file %s !", argv[1]);
    }
    // Scripts must be able to tell: success only when every matched file was converted.
    bool allConverted = !matches.empty();
    for (const std::string& path : matches) {
        allConverted = ConvertHistoryFile(path, options) && allConverted;
        if (std::ferror(stdout)) {
            return 1;  // nobody reads the messages any more (a closed pipe): stop here
        }
    }
    std::printf("\n\n");
    return allConverted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    trendtab::platform::SetUpStandardStreams();
    // No exception ends the process with an abort (each file catches running out of memory).
    try {
        return Run(argc, argv);
    } catch (const std::exception&) {
        std::printf("\n\n");
        return 1;
    }
}
