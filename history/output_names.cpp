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

bool HasOwnOutputNames(const std::string& path) {
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    return !txtName.empty() && !platform::SamePathName(txtName, path) &&
           !platform::SamePathName(hdrName, path) && !platform::SameFile(txtName, path) &&
           !platform::SameFile(hdrName, path);
}

std::string InvalidFilenameMessage(const std::string& path) {
    return "Invalid filename: " + path + "\n";
}

}  // namespace trendtab
