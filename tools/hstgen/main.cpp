// hstgen: writes trend history (.hst) files for tests, examples and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "platform/process_setup.h"
#include "platform/standard_streams.h"
#include "platform/terminal.h"
#include "tools/hstgen/hstgen_app.h"

int main(int argc, char** argv) {
    trendtab::platform::SetUpStandardStreams();
    trendtab::platform::UseUtf8Console();
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::string& arg : args) {
        if (trendtab::IsPlatformHelpRequest(arg)) {
            arg = "--help";
        }
    }
    return hstgen::RunHstgen(args, std::cin, std::cout, std::cerr);
}
