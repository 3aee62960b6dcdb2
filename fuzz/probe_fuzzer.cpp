// libFuzzer target for the probe behind GetMediaDuration: whatever bytes a
// file holds, the probe must return (0.0 or a length) without crashing,
// hanging or leaking. The probe reads paths, so each input is written to a
// scratch file first; the first byte picks the file's extension, because
// FFmpeg weighs the name when it guesses a format.
#include "engines/video/probe.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratchBase;

void RemoveScratch()
{
    for (const char* ext : {"mp4", "avi", "mkv", "ts", "mpg", "flv", "wmv", "mov", "3gp", "bin"})
        std::remove((scratchBase + ext).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    const char* tmp = std::getenv("TMPDIR");
    scratchBase = std::string(tmp && *tmp ? tmp : "/tmp") + "/tevarro-probe-fuzz-"
                  + std::to_string(getpid()) + ".";
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kExtensions[] = {"mp4", "avi", "mkv", "ts", "mpg", "flv", "wmv", "mov", "3gp", "bin"};
    const char* ext = kExtensions[size > 0 ? data[0] % 10 : 9];
    const std::string path = scratchBase + ext;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    const double seconds = tevarro::media::ProbeVideoDuration(path);
    if (seconds < 0.0)
        std::abort();  // a length is never negative
    std::remove(path.c_str());
    return 0;
}
