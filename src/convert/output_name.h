// Choosing an output file name that never overwrites anything. Shared by the
// batch conversion and the command-line converter.
#pragma once

#include <QString>
#include <optional>

namespace tevarro {

// folder must end in the native separator. Returns folder + caption + ".mp4"
// when no such file exists, else the first free of caption + "_1" ... "_100" +
// ".mp4"; nullopt when all hundred and one names are taken. Only ".mp4" names
// are tested.
std::optional<QString> ChooseOutputName(const QString& folder, const QString& caption);

// The thumbnail beside an output: its name with the extension replaced by
// ".THM".
QString ThumbnailName(const QString& outputName);

}  // namespace tevarro
