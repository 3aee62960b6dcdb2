// The probe behind VideoEngine::GetMediaDuration, kept free of Qt so that a
// fuzzer can build it on its own.
#pragma once

#include <string>

namespace tevarro::media {

// Length in seconds of the file at `path` (UTF-8) when it has a video stream
// that decodes; 0.0 for anything else (no video, unreadable, damaged, not a
// local media file). Reads a bounded amount and gives up after a few seconds.
// Safe to call from any thread.
double ProbeVideoDuration(const std::string& path);

}  // namespace tevarro::media
