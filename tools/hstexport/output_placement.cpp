#include "tools/hstexport/output_placement.h"

#include <filesystem>

#include "platform/path_text.h"

namespace hstexport {

std::string OutputExtension(const ExportOptions& options) {
    // The long form has its own name, so that both shapes of a file can sit in one folder.
    if (options.format == Format::Xlsx) {
        return ".xlsx";
    }
    std::string extension = options.format == Format::Long ? ".long" : "";
    extension += options.separator == '\t' ? ".tsv" : ".csv";
    return options.gzip ? extension + ".gz" : extension;
}

std::string OutputPath(const InputFile& input, const ExportOptions& options) {
    namespace fs = std::filesystem;
    if (options.outputDir == "-") {
        return "";
    }
    if (options.outputDir.empty()) {
        // The extension goes from the file's own name, never from a folder's.
        fs::path path = trendtab::platform::PathFromText(input.path);
        path.replace_extension();
        return trendtab::platform::TextFromPath(path) + OutputExtension(options);
    }
    // One separator in the whole path: the mirrored part is kept with "/" and made the platform's.
    fs::path path = trendtab::platform::PathFromText(options.outputDir) /
                    trendtab::platform::PathFromText(input.relative);
    return trendtab::platform::TextFromPath(path.make_preferred()) + OutputExtension(options);
}

}  // namespace hstexport
