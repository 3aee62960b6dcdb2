// The output folder box: a typed folder is checked when the user confirms it
// (Enter or leaving the box), created one level deep when missing, and
// becomes the folder in effect; otherwise the user is told and the box goes
// back to the folder in effect.
#pragma once

#include <QString>

class QLineEdit;

namespace tevarro {

class Prompter;

// Makes sure `folder` exists as typed (relative to the current folder when
// relative), creating its last component when its parent exists. False for an
// empty text or when there is no folder there afterwards.
bool EnsureFolder(const QString& folder);

// True when a file can be created in `folder` (tried, not guessed from the
// permission bits).
bool CanWriteInto(const QString& folder);

// The check of the box. OutputFolder is the folder in effect.
void CheckOutputFolder(QLineEdit& ed_output, QString& OutputFolder, Prompter& prompter);

inline constexpr const char* kCantCreateFolder = "Can't create this directory.";

}  // namespace tevarro
