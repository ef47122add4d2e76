#include "convert.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "console.h"
#include "history_file.h"
#include "platform.h"
#include "record_loop.h"

namespace trendtab {
namespace {

// The "Tag:" line of every name read, then what refused the file, if anything.
void ReportTags(const HistoryFile& file, Console& console) {
    for (const std::string& name : file.header.tagNames) {
        console.Print("   Tag: %s \n", name.c_str());
    }
    if (!file.message.empty()) {
        console.Print("%s", file.message.c_str());
    }
}

// Writes the tag list. False when the file could be created but not written.
bool WriteHeaderFile(std::FILE* file, const HistoryHeader& header) {
    bool ok = std::fprintf(file, "%d\n", header.numTags) >= 0;
    for (const std::string& name : header.tagNames) {
        ok = ok && std::fprintf(file, "%s                \n", name.c_str()) >= 0;
    }
    return (std::fclose(file) == 0) && ok;
}

}  // namespace

std::string DeriveOutputName(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return std::string();
    }
    return path.substr(0, dot) + extension;
}

void ConvertHistoryFile(const std::string& path, const ConvertOptions& options) {
    Console console;
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    // An input named like its own output, or reached through it by a link, would be destroyed
    // by creating that output.
    if (txtName.empty() || platform::SamePathName(txtName, path) ||
        platform::SamePathName(hdrName, path) || platform::SameFile(txtName, path) ||
        platform::SameFile(hdrName, path)) {
        console.Print("Invalid filename: %s\n", path.c_str());
        return;
    }
    console.Print("\n* Creating file %s\n", txtName.c_str());

    UniqueFile history(std::fopen(path.c_str(), "r+b"));
    if (!history) {
        console.Print("    Could not open: %s\n", path.c_str());
        return;
    }
    UniqueFile txtFile(std::fopen(txtName.c_str(), "wt"));
    if (!txtFile) {
        history.reset();
        console.Print("    Could not create: %s\n", txtName.c_str());
        return;
    }

    const HistoryFile file = ReadHistoryFile(history.get(), path);
    ReportTags(file, console);
    if (!file.ok()) {
        return;
    }
    const bool recordsWritten =
        ConvertRecords(history.get(), file.header, options, txtFile.get(), console);
    history.reset();
    if (std::fclose(txtFile.release()) != 0 || !recordsWritten) {
        console.Print("    Could not write: %s\n", txtName.c_str());
        return;
    }

    console.Print("\n   => Creating file %s\n", hdrName.c_str());
    std::FILE* hdrFile = std::fopen(hdrName.c_str(), "wt");
    if (!hdrFile) {
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return;
    }
    if (!WriteHeaderFile(hdrFile, file.header)) {
        console.Print("    Could not write: %s\n", hdrName.c_str());
    }
}

}  // namespace trendtab
