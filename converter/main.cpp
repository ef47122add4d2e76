// trendtab: converts trend history files (.hst) into text rows (.txt) and tag lists (.hdr).
#include <cstdio>
#include <string>

#include "converter/convert.h"
#include "converter/options.h"
#include "converter/usage.h"
#include "platform/file_search.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
    using namespace trendtab;
    PrepareProcess();
    PrintBanner();
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
    }
    std::printf("\n\n");
    return allConverted ? 0 : 1;
}
