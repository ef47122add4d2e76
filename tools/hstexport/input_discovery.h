// The history files the command line names: files as given, the .hst files below a folder (-r),
// and the matches of a pattern in its last path component, expanded here on every platform.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace hstexport {

struct InputFile {
    std::string path;      // as the user would write it: the argument, or joined to it
    std::string relative;  // where it lands below an output folder (-o), without extension
};

struct Discovery {
    std::vector<InputFile> files;  // in argument order; each folder and pattern in name order
    // One per argument that named nothing: the argument and the reason.
    std::vector<std::pair<std::string, std::string>> problems;
};

Discovery DiscoverInputs(const std::vector<std::string>& arguments, bool recursive);

}  // namespace hstexport
