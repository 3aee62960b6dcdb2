// State of the main window shared by its parts (list, preview, conversion,
// progress). Everything here lives on the UI thread; no locks.
#pragma once

#include "engines/skin.h"

#include <QString>
#include <cstdint>

namespace tevarro {

struct ShellState {
    bool Converting = false;      // a batch conversion runs
    bool EngineBusy = false;      // the batch waits for the engine's current row
    bool HintShown = false;       // the completion hint was shown in this batch
    bool Previewing = false;      // a preview runs
    bool PreviewPaused = false;   // inverted by every pause command
    bool FollowPlayback = false;  // playback reports move the seek bar

    std::int32_t ConvertRow = 0;
    std::int32_t PreviewRow = 0;
    std::int32_t PreviewStart = 0;  // whole seconds into the source
    // The seek bar position (0..10000); the progress handler stores its value
    // here too. Every operation reads the bar into it before using it.
    std::int32_t BarPos = 0;

    QString OutputFolder;       // the output folder in effect
    SkinRect ProgressRect;      // "pb" as the skin gave it; Right is rewritten
};

// The six objects of the main form that the window draws into, bound once at
// start-up. All pointers are set when binding succeeded.
struct SkinBindings {
    ISkinText* timeText = nullptr;
    ISkinElement* timeElement = nullptr;
    ISkinText* begintimeText = nullptr;
    ISkinElement* begintimeElement = nullptr;
    ISkinText* endtimeText = nullptr;
    ISkinElement* endtimeElement = nullptr;
    ISkinScrollBar* barScrollBar = nullptr;
    ISkinElement* barElement = nullptr;
    ISkinText* pbposText = nullptr;
    ISkinElement* pbposElement = nullptr;
    ISkinElement* pbElement = nullptr;
};

// A label's text followed at once by its redraw.
inline void ShowText(ISkinText* text, ISkinElement* element, const QString& value)
{
    text->SetText(value);
    element->Redraw();
}

}  // namespace tevarro
