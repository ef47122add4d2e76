// The program's banner and usage text.
#pragma once

namespace trendtab {

void PrintBanner();
void PrintUsage();

}  // namespace trendtab
