// The page's files, built into the program (the build generates their table from tools/hstview/web
// and the chart library's package), so the viewer works offline and serves nothing from disk.
#pragma once

#include <cstddef>
#include <string>

namespace hstview {

struct EmbeddedAsset {
    const char* path;  // "/index.html", "/uPlot.iife.min.js", ...
    const char* contentType;
    const unsigned char* data;
    std::size_t size;
};

// The asset served at `path`, or null.
const EmbeddedAsset* FindAsset(const std::string& path);

}  // namespace hstview
