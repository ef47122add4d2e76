#include "tools/hstexport/output_placement.h"

#include <filesystem>

namespace hstexport {

std::string OutputExtension(const ExportOptions& options) {
    std::string extension = options.separator == '\t' ? ".tsv" : ".csv";
    return options.gzip ? extension + ".gz" : extension;
}

std::string OutputPath(const InputFile& input, const ExportOptions& options) {
    namespace fs = std::filesystem;
    if (options.outputDir == "-") {
        return "";
    }
    if (options.outputDir.empty()) {
        // The extension goes from the file's own name, never from a folder's.
        fs::path path(input.path);
        path.replace_extension();
        return path.string() + OutputExtension(options);
    }
    return (fs::path(options.outputDir) / fs::path(input.relative)).string() +
           OutputExtension(options);
}

}  // namespace hstexport
