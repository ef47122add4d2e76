#include "converter/convert.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "converter/console.h"
#include "converter/record_loop.h"
#include "history/history_file.h"
#include "history/rejection_message.h"
#include "platform/file_services.h"
#include "platform/replaced_output.h"

namespace trendtab {
namespace {

// The "Tag:" line of every name read, then what refused the file, if anything.
void ReportTags(const HistoryFile& file, const std::string& path, Console& console) {
    for (const std::string& name : file.header.tagNames) {
        console.Print("   Tag: %s \n", name.c_str());
    }
    const std::string message = RejectionMessage(file.error, path);
    if (!message.empty()) {
        console.Print("%s", message.c_str());
    }
}

// Writes the tag list. False when it could not be written whole.
bool WriteHeaderFile(ReplacedOutput& file, const HistoryHeader& header) {
    bool ok = std::fprintf(file.file(), "%d\n", header.numTags) >= 0;
    for (const std::string& name : header.tagNames) {
        ok = ok && std::fprintf(file.file(), "%s                \n", name.c_str()) >= 0;
    }
    return file.Close() && ok;
}

}  // namespace

std::string DeriveOutputName(const std::string& path, const char* extension) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < platform::FileNameStart(path)) {
        return std::string();
    }
    return path.substr(0, dot) + extension;
}

bool ConvertHistoryFile(const std::string& path, const ConvertOptions& options) {
    Console console;
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    // An input named like its own output, or reached through it by a link, would be destroyed
    // by creating that output.
    if (txtName.empty() || platform::SamePathName(txtName, path) ||
        platform::SamePathName(hdrName, path) || platform::SameFile(txtName, path) ||
        platform::SameFile(hdrName, path)) {
        console.Print("Invalid filename: %s\n", path.c_str());
        return false;
    }
    console.Print("\n* Creating file %s\n", txtName.c_str());

    // Read only: read-only files, shares and archives convert too.
    UniqueFile history(platform::OpenForReading(path));
    if (!history) {
        console.Print("    Could not open: %s\n", path.c_str());
        return false;
    }
    // Both outputs go to temporaries and replace the old pair only once everything succeeded.
    ReplacedOutput txtFile(txtName, ReplacedOutput::Mode::Text);
    if (!txtFile.Open()) {
        history.reset();
        console.Print("    Could not create: %s\n", txtName.c_str());
        return false;
    }

    const HistoryFile file = ReadHistoryFile(history.get());
    ReportTags(file, path, console);
    if (!file.ok()) {
        return false;
    }
    const bool recordsWritten =
        ConvertRecords(history.get(), file.header, options, txtFile.file(), console);
    history.reset();
    if (!txtFile.Close() || !recordsWritten) {
        console.EndProgressLine();
        console.Print("    Could not write: %s\n", txtName.c_str());
        return false;
    }

    console.Print("\n   => Creating file %s\n", hdrName.c_str());
    ReplacedOutput hdrFile(hdrName, ReplacedOutput::Mode::Text);
    if (!hdrFile.Open()) {
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    if (!WriteHeaderFile(hdrFile, file.header)) {
        console.Print("    Could not write: %s\n", hdrName.c_str());
        return false;
    }

    // No interruption between the two renames: a .txt without its .hdr is what this prevents.
    const platform::InterruptionHold hold;
    if (!txtFile.Commit()) {
        console.Print("    Could not create: %s\n", txtName.c_str());
        return false;
    }
    if (!hdrFile.Commit()) {
        // The old tag list would describe another .txt.
        platform::RemoveFile(hdrName);
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    return true;
}

}  // namespace trendtab
