// Choosing an output file name that never overwrites anything. Shared by the
// batch conversion and the command-line converter.
#pragma once

#include <QString>
#include <optional>

namespace tevarro {

// folder must end in the native separator. Returns folder + caption + ".mp4"
// when that name is free, else the first free of caption + "_1" ... "_100" +
// ".mp4"; nullopt when all hundred and one names are taken. A name is taken
// when its ".mp4" or its ".THM" exists: a camera's own thumbnail beside its
// video (MVI_0001.MOV with MVI_0001.THM) is never replaced.
std::optional<QString> ChooseOutputName(const QString& folder, const QString& caption);

// The thumbnail beside an output: its name with the extension replaced by
// ".THM".
QString ThumbnailName(const QString& outputName);

}  // namespace tevarro
