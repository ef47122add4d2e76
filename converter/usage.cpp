#include "converter/usage.h"

#include <cstdio>

#include "trendtab/version.h"

namespace trendtab {

void PrintBanner() {
    std::printf("\n");
    std::printf("History File to ASCII File Converter\n");
    std::printf("trendtab %s - Copyright (c) 2026 the trendtab developers, MIT License\n",
                kVersion);
}

void PrintUsage() {
    std::printf(
        "\nUsage: trendtab <filename> [<separator>] [/e] [/i:<HH:MM:SS>] [/f:<HH:MM:SS>] [/m]\n");
    std::printf("   <filename> = Trend History file, e.g.: 01952010.hst\n");
    std::printf("   [<separator>] = Data separator character (default = \t <TAB>)\n");
    std::printf("   [/e] = Extended functionality (convert data with more than 10 characters)\n");
    std::printf("   [/i:<HH:MM:SS>] Start Time  (HH=hour ; MM=minute ; SS=second)\n");
    std::printf("   [/f:<HH:MM:SS>] Finish Time (HH=hour ; MM=minute ; SS=second)\n");
    std::printf("   [/m] = Include milliseconds in the time column\n");
    std::printf("   [/l:N] Gets every N line \n");
}

}  // namespace trendtab
