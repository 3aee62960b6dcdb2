// Program start: creates the three windows in order, shows the main window
// and runs the event loop. Returns the program's exit status: non-zero when
// the skin could not be bound (the user has been told why).
#pragma once

#include "app/main_window.h"

class QApplication;

namespace tevarro {

int RunProgram(QApplication& app, ISkin& skin, VideoEngine& engine, Prompter& prompter,
               const ProgramOptions& options);

}  // namespace tevarro
