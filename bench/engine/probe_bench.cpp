// Times tevarro's probe (the function behind GetMediaDuration) in process,
// once per file named on the command line or, with "-", one per line on
// standard input. Prints "<ms> <seconds> <file>" per file and the median.
#include "engines/video/media_input.h"
#include "engines/video/probe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    tevarro::media::TuneAllocatorForMedia();
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "-") {
            for (std::string line; std::getline(std::cin, line);)
                if (!line.empty())
                    files.push_back(line);
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: probe_bench FILE... | probe_bench - < list\n");
        return 2;
    }
    std::vector<double> ms;
    for (const std::string& file : files) {
        const auto begin = std::chrono::steady_clock::now();
        const double seconds = tevarro::media::ProbeVideoDuration(file);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
        ms.push_back(took.count());
        std::printf("%.3f %.3f %s\n", took.count(), seconds, file.c_str());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("median_ms %.3f\n", ms[ms.size() / 2]);
    return 0;
}
