// hstgen: writes trend history (.hst) files for tests, examples and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "tools/hstgen/hstgen_app.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return hstgen::RunHstgen(args, std::cin, std::cout, std::cerr);
}
