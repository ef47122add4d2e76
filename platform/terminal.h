// The console streams: whether one goes to a terminal, and writing bytes as they are.
#pragma once

#include <cstdio>

namespace trendtab::platform {

// True when the stream goes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// Makes the stream write bytes as they are (no line-end translation on Windows).
void UseBinaryMode(std::FILE* stream);

}  // namespace trendtab::platform
