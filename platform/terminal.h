// The console streams: whether one goes to a terminal, writing bytes as they are, the text the
// console shows, and its cursor controls.
#pragma once

#include <cstdio>

namespace trendtab::platform {

// True when the stream goes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// Makes the stream write bytes as they are (no line-end translation on Windows).
void UseBinaryMode(std::FILE* stream);

// Makes the console show the programs' text, names included, as the UTF-8 it is (Windows: the
// console's output code page; POSIX terminals already do).
void UseUtf8Console();

// Turns on cursor controls ("ESC[K") for a terminal stream where the terminal has them. False
// where it has none (a classic Windows console before Windows 10): redraw with "\r" alone there.
bool EnableTerminalEscapes(std::FILE* stream);

}  // namespace trendtab::platform
