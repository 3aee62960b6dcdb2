#include "joblist/job_table.h"

#include <cmath>
#include <limits>

namespace tevarro {

QString SecondsToClock(std::int32_t seconds)
{
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds - hours * 3600) / 60;
    const std::int32_t secs = seconds % 60;
    return QString::asprintf("%.2d:%.2d:%.2d", hours, minutes, secs);
}

std::int32_t TruncateSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    const double whole = std::trunc(seconds);
    if (whole >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (whole <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(whole);
}

}  // namespace tevarro
