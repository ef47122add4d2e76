#include "converter/convert.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "converter/console.h"
#include "converter/record_loop.h"
#include "history/history_file.h"
#include "history/output_names.h"
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

bool Convert(const std::string& path, const ConvertOptions& options, Console& console);

}  // namespace

bool ConvertHistoryFile(const std::string& path, const ConvertOptions& options) {
    Console console;
    try {
        return Convert(path, options, console);
    } catch (const std::bad_alloc&) {
        // Out of memory ends this file as a write error does; its temporaries went with the
        // unwinding, and the run goes on.
        console.EndProgressLine();
        console.Print("    Could not write: %s\n", DeriveOutputName(path, ".txt").c_str());
        return false;
    }
}

namespace {

bool Convert(const std::string& path, const ConvertOptions& options, Console& console) {
    const std::string txtName = DeriveOutputName(path, ".txt");
    const std::string hdrName = DeriveOutputName(path, ".hdr");
    // An input named like its own output, reached through it by a link, or the same file by
    // another name would be destroyed by creating that output.
    if (!HasOwnOutputNames(path)) {
        console.Print("%s", InvalidFilenameMessage(path).c_str());
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
    const bool recordsWritten = ConvertRecords(history.get(), file.header, file.recordCount,
                                               options, txtFile.file(), console);
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

    // Standard output gone (a closed pipe): the run stops before this file's outputs replace
    // anything.
    if (!console.OutputIntact()) {
        return false;
    }
    // No interruption between the renames. The old tag list goes first, so that a kill at any
    // point leaves the old pair, the new pair or a .txt without .hdr, never a mismatched pair.
    const platform::InterruptionHold hold;
    platform::PauseForTestAt("before-renames");
    if (!platform::RemoveIfPresent(hdrName)) {
        // Held open (Windows): neither output is replaced.
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    platform::PauseForTestAt("old-tag-list-removed");
    if (!txtFile.Commit()) {
        console.Print("    Could not create: %s\n", txtName.c_str());
        return false;
    }
    platform::PauseForTestAt("rows-replaced");
    if (!hdrFile.Commit()) {
        console.Print("    Could not create: %s\n", hdrName.c_str());
        return false;
    }
    return true;
}

}  // namespace
}  // namespace trendtab
