// The job table: one entry per list row, in list order. Row r of the list is
// entry r of the table; the table keeps no count of its own (the list's row
// count is the count). Entries at and above the row count are stale and are
// never read.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace tevarro {

struct Timerec {
    std::int32_t BeginSec = 0;   // begin mark, whole seconds into the source
    std::int32_t EndSec = 0;     // end mark, whole seconds into the source
    std::int32_t LengthSec = 0;  // the source's length, whole seconds, >= 2
    QString SourcePath;          // folder, separator, file name
};

inline constexpr int kMaxRows = 500;
using JobTable = std::array<Timerec, kMaxRows + 1>;

// Whole seconds as "HH:MM:SS", each part at least two digits; hours are not
// limited (360000 gives "100:00:00"). Callers pass 0 or more.
QString SecondsToClock(std::int32_t seconds);

// A duration or position the engine reports becomes whole seconds by
// truncation toward zero, never by rounding.
std::int32_t TruncateSeconds(double seconds);

}  // namespace tevarro
