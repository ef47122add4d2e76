#include "history/output_names.h"

#include "platform/file_services.h"

namespace trendtab {

std::string DeriveOutputName(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < platform::FileNameStart(path)) {
        return std::string();
    }
    return path.substr(0, dot) + extension;
}

namespace {

// True when `output` is the input file: the same file, by name or identity (through a link at
// the output name, or the same file under another spelling), even before the output exists.
bool IsTheInput(const std::string& output, const std::string& input) {
    std::string inputKey;
    if (!platform::ExistingFileKey(input, true, inputKey)) {
        return false;
    }
    return platform::FileKey(output, false) == inputKey ||
           platform::FileKey(output, true) == inputKey;
}

}  // namespace

bool HasOwnOutputNames(const std::string& path) {
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    return !txtName.empty() && !platform::SamePathName(txtName, path) &&
           !platform::SamePathName(hdrName, path) && !IsTheInput(txtName, path) &&
           !IsTheInput(hdrName, path);
}

std::string InvalidFilenameMessage(const std::string& path) {
    return "Invalid filename: " + path + "\n";
}

}  // namespace trendtab
