// The still picture behind VideoEngine::SaveFrameImage.
#pragma once

#include <QString>

#include <string>

namespace tevarro::media {

// Writes the picture on screen at `time` seconds of `file` (0.0: the first
// picture), letterboxed to width x height, as a baseline JPEG of at most a
// few KiB. The image is written to a temporary name and then moved over
// `image`, so a reader never sees half a file; an existing image of that name
// is replaced. Synchronous and bounded in time. False with `error` set when
// the file cannot be read or the image cannot be written.
bool SaveStillImage(const QString& file, double time, const QString& image, int width, int height,
                    std::string* error);

}  // namespace tevarro::media
